#include "print/InventoryReportPdf.h"

#include "core/common/Error.h"
#include "core/common/OutputFile.h"
#include "core/inventory/InventoryReport.h"
#include "core/inventory/InventoryText.h"
#include "print/InventoryChart.h"

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <array>

namespace ambitra {

namespace {

// The columns of a table: each one's share of the page width, and whether its
// cells are figures (right-aligned).
struct Columns {
    QList<double> widths;
    QList<bool> figures;
};

const Columns kCommission{{0.50, 0.22, 0.28}, {false, false, false}};
const Columns kCovered{{0.16, 0.54, 0.18, 0.12}, {false, false, false, true}};
const Columns kFigures{{0.08, 0.08, 0.12, 0.12, 0.12, 0.12, 0.12, 0.12, 0.12},
                       {false, true, true, true, true, true, true, true, true}};
const Columns kValues{{0.16, 0.08, 0.38, 0.38}, {false, true, true, true}};
const Columns kNotLocated{{0.13, 0.39, 0.15, 0.16, 0.17}, {false, false, false, true, false}};
const Columns kUnregistered{{0.14, 0.36, 0.14, 0.36}, {false, false, false, false}};
const Columns kElsewhere{{0.14, 0.42, 0.22, 0.22}, {false, false, false, false}};
const Columns kConditions{{0.14, 0.46, 0.18, 0.22}, {false, false, true, true}};
const Columns kMovementCounts{{0.60, 0.40}, {false, true}};
const Columns kMovementRows{{0.20, 0.12, 0.20, 0.14, 0.34}, {false, false, false, false, false}};
const Columns kTotals{{0.60, 0.40}, {false, true}};

// One line of the report as it is laid out on the pages.
struct Row {
    enum Style {
        Organisation,
        Title,
        Subtitle,
        Text,
        Heading,
        TableHead,
        TableRow,
        TableTotal,  // a total: bold
        TableMinor,  // an earlier round: italic
        Chart,       // a location's bar
        Legend,
        Gap,        // blank space, for a signature
        Signature,  // a line to sign on, with the member under it
    };
    Style style = Text;
    QStringList cells;
    const Columns* columns = nullptr;
    bool keepWithNext = false;  // a heading never ends a page
    LocationTally tally = {};   // of a chart line
    // Laid out for the page width: each cell's lines, the row's height, and the
    // table head it goes on from (repeated atop a page it opens).
    QList<QStringList> lines = {};
    QList<QList<double>> advances = {};  // of a table row's lines
    double above = 0;
    double height = 0;
    qsizetype head = -1;
};

bool isTableRow(Row::Style style) {
    return style == Row::TableRow || style == Row::TableTotal || style == Row::TableMinor;
}

QString dayText(const QDate& day) {
    return day.isValid() ? day.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString periodText(const InventoryInfo& info) {
    if (!info.closed) {
        return QStringLiteral("de %1 até a data de emissão (inventário em andamento)")
            .arg(dayText(info.opened.date()));
    }
    return QStringLiteral("de %1 a %2")
        .arg(dayText(info.opened.date()), dayText(info.closed->date()));
}

QString capitalised(const QString& text) {
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

QString memberLine(const CommissionMember& member) {
    QString line = member.name;
    if (!member.role.isEmpty()) {
        line += QStringLiteral(" – ") + capitalised(member.role);
    }
    if (!member.registration.isEmpty()) {
        line += QStringLiteral(" – Matrícula ") + member.registration;
    }
    return line;
}

QString locationLabel(const InventoryLocation& location) {
    return location.caption.isEmpty()
               ? location.location
               : location.location + QStringLiteral(" – ") + location.caption;
}

QStringList figureCells(const QString& first, const QString& round, const RoundFigures& f) {
    const LocationTally& t = f.tally;
    return {first,
            round,
            QString::number(t.expected),
            QString::number(t.seen),
            QString::number(t.missing),
            QString::number(t.elsewhere),
            QString::number(t.fromElsewhere),
            QString::number(t.added),
            QString::number(t.invalid)};
}

QStringList valueCells(const QString& first, const QString& round, const RoundFigures& f) {
    return {first, round, brazilianAmount(f.expectedValue), brazilianAmount(f.missingValue)};
}

class Builder {
  public:
    QList<Row> rows;

    void text(Row::Style style, const QString& line, bool keep = false) {
        rows.append({style, {line}, nullptr, keep});
    }
    void heading(const QString& line) { text(Row::Heading, line, true); }
    void head(const Columns& columns, const QStringList& cells) {
        rows.append({Row::TableHead, cells, &columns, true});
    }
    void row(const Columns& columns, const QStringList& cells, Row::Style style = Row::TableRow) {
        rows.append({style, cells, &columns});
    }
    // A table, or "Nenhum." when it has no rows.
    void table(const Columns& columns, const QStringList& heads, const QList<QStringList>& body) {
        if (body.isEmpty()) {
            text(Row::Text, QStringLiteral("Nenhum."));
            return;
        }
        head(columns, heads);
        for (const QStringList& cells : body) {
            row(columns, cells);
        }
    }
};

QList<Row> rowsOf(const InventoryReport& report) {
    const InventoryInfo& info = report.info;
    Builder b;
    if (!report.organisation.isEmpty()) {
        b.text(Row::Organisation, report.organisation, true);
    }
    b.text(Row::Title, QStringLiteral("Relatório de Inventário"), true);
    b.text(Row::Subtitle,
           info.title.isEmpty()
               ? QStringLiteral("Inventário nº %1").arg(info.number)
               : QStringLiteral("Inventário nº %1 – %2").arg(info.number).arg(info.title));
    b.text(Row::Text, QStringLiteral("Tipo: %1.").arg(inventoryKindName(info.kind)));
    b.text(Row::Text, QStringLiteral("Período: %1.").arg(periodText(info)));
    b.text(Row::Text,
           QStringLiteral("Locais abrangidos: %1. Contagem %2.")
               .arg(info.allLocations ? QStringLiteral("todos os locais do cadastro")
                                      : QStringLiteral("os locais escolhidos"),
                    info.blind ? QStringLiteral("cega (sem a relação dos bens esperados)")
                               : QStringLiteral("com a relação dos bens esperados")));

    b.heading(QStringLiteral("Comissão de inventário"));
    QList<QStringList> members;
    for (const CommissionMember& m : info.commission) {
        members << QStringList{m.name, capitalised(m.role), m.registration};
    }
    b.table(kCommission,
            {QStringLiteral("Nome"), QStringLiteral("Função"), QStringLiteral("Matrícula")},
            members);

    b.heading(QStringLiteral("Andamento por local"));
    if (report.locations.isEmpty()) {
        b.text(Row::Text, QStringLiteral("Nenhum local."));
    } else {
        b.rows.append({Row::Legend, {}, nullptr, true});
        for (const InventoryLocation& l : report.locations) {
            Row chart{Row::Chart, {locationLabel(l)}};
            chart.tally = l.latest.tally;
            b.rows.append(chart);
        }
    }

    b.heading(QStringLiteral("Locais abrangidos"));
    QList<QStringList> covered;
    for (const InventoryLocation& l : report.locations) {
        covered << QStringList{l.location, l.caption, inventoryLocationStateName(l.state),
                               QString::number(l.latest.round)};
    }
    b.table(kCovered,
            {QStringLiteral("Local"), QStringLiteral("Prédio / Departamento / Sala"),
             QStringLiteral("Situação"), QStringLiteral("Rodada")},
            covered);

    // The latest round of each location, the earlier ones under it (newest
    // first), then the total of the latest rounds.
    const auto perLocation = [&](const Columns& columns, const QStringList& heads,
                                 QStringList (*cells)(const QString&, const QString&,
                                                      const RoundFigures&)) {
        b.head(columns, heads);
        for (const InventoryLocation& l : report.locations) {
            b.row(columns, cells(l.location, QString::number(l.latest.round), l.latest));
            for (auto it = l.earlierRounds.crbegin(); it != l.earlierRounds.crend(); ++it) {
                b.row(columns, cells(QString(), QString::number(it->round), *it), Row::TableMinor);
            }
        }
        b.row(columns, cells(QStringLiteral("TOTAL"), QString(), report.total), Row::TableTotal);
    };
    const QString local = QStringLiteral("Local");
    const QString round = QStringLiteral("Rodada");
    b.heading(QStringLiteral("Resultado por local"));
    perLocation(
        kFigures,
        {local, round, QStringLiteral("Esperados"), QStringLiteral("Vistos"),
         QStringLiteral("Não localizados"), QStringLiteral("Em outro local"),
         QStringLiteral("De outro local"), QStringLiteral("Novos"), QStringLiteral("Inválidos")},
        figureCells);
    b.heading(QStringLiteral("Valores por local"));
    perLocation(kValues,
                {local, round, QStringLiteral("Valor dos bens esperados"),
                 QStringLiteral("Valor dos bens não localizados")},
                valueCells);
    if (std::any_of(report.locations.cbegin(), report.locations.cend(),
                    [](const InventoryLocation& l) { return !l.earlierRounds.isEmpty(); })) {
        b.text(Row::Text,
               QStringLiteral("Em itálico, sob cada local recontado, as rodadas anteriores; o "
                              "resultado e os totais consideram a última rodada de cada local."));
    }

    b.heading(QStringLiteral("Bens não localizados"));
    QList<QStringList> notLocated;
    Thousandths notLocatedValue = 0;
    for (const NotLocatedAsset& a : report.notLocated) {
        notLocated << QStringList{a.code, a.name, a.location, brazilianAmount(a.value),
                                  dayText(a.lastInventory)};
        notLocatedValue += a.value;
    }
    b.table(kNotLocated,
            {QStringLiteral("Código"), QStringLiteral("Descrição"), QStringLiteral("Local"),
             QStringLiteral("Valor"), QStringLiteral("Último inventário")},
            notLocated);
    if (!notLocated.isEmpty()) {
        b.row(
            kNotLocated,
            {QStringLiteral("TOTAL"), QString::number(notLocated.size()) + QStringLiteral(" bens"),
             QString(), brazilianAmount(notLocatedValue), QString()},
            Row::TableTotal);
    }

    b.heading(QStringLiteral("Bens encontrados e não registrados"));
    QList<QStringList> unregistered;
    for (const UnregisteredAsset& a : report.unregistered) {
        unregistered << QStringList{a.code, a.name, a.location, a.action};
    }
    b.table(kUnregistered,
            {QStringLiteral("Código"), QStringLiteral("Descrição"),
             QStringLiteral("Local da leitura"), QStringLiteral("Providência")},
            unregistered);

    b.heading(QStringLiteral("Bens encontrados em outro local"));
    QList<QStringList> elsewhere;
    for (const FoundElsewhereAsset& a : report.foundElsewhere) {
        elsewhere << QStringList{a.code, a.name, a.registeredLocation, a.foundLocation};
    }
    b.table(kElsewhere,
            {QStringLiteral("Código"), QStringLiteral("Descrição"),
             QStringLiteral("Local registrado"), QStringLiteral("Local encontrado")},
            elsewhere);

    b.heading(QStringLiteral("Situação dos bens vistos"));
    QList<QStringList> conditions;
    int conditionCount = 0;
    Thousandths conditionValue = 0;
    for (const ConditionFigure& c : report.conditions) {
        const QString text = c.code.isEmpty()   ? QStringLiteral("(sem situação)")
                             : c.text.isEmpty() ? QStringLiteral("(código não cadastrado)")
                                                : c.text;
        conditions << QStringList{c.code, text, QString::number(c.count), brazilianAmount(c.value)};
        conditionCount += c.count;
        conditionValue += c.value;
    }
    b.table(kConditions,
            {QStringLiteral("Código"), QStringLiteral("Situação"), QStringLiteral("Quantidade"),
             QStringLiteral("Valor")},
            conditions);
    if (!conditions.isEmpty()) {
        b.row(kConditions,
              {QStringLiteral("TOTAL"), QString(), QString::number(conditionCount),
               brazilianAmount(conditionValue)},
              Row::TableTotal);
    }

    const PeriodMovements& m = report.movements;
    b.heading(QStringLiteral("Movimentações do período"));
    b.head(kMovementCounts, {QStringLiteral("Movimentação"), QStringLiteral("Quantidade")});
    b.row(kMovementCounts, {QStringLiteral("Transferências de local"), QString::number(m.moves)});
    b.row(kMovementCounts,
          {QStringLiteral("Alterações de situação"), QString::number(m.conditionChanges)});
    b.row(kMovementCounts,
          {QStringLiteral("Alterações de número de série"), QString::number(m.serialChanges)});
    b.row(kMovementCounts, {QStringLiteral("Incorporações"), QString::number(m.newAssets)});
    if (!m.rows.isEmpty()) {
        b.text(Row::Text, QStringLiteral("Registros do período:"), true);
        b.head(kMovementRows,
               {QStringLiteral("Data e hora"), QStringLiteral("Usuário"),
                QStringLiteral("Operador"), QStringLiteral("Bem"), QStringLiteral("Ocorrência")});
        for (const PeriodMovements::Row& r : m.rows) {
            b.row(kMovementRows, {r.when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), r.user,
                                  r.operatorName, r.asset, r.occurrence});
        }
    }

    const LocationTally& t = report.total.tally;
    b.heading(QStringLiteral("Totais"));
    const std::array<std::pair<const char*, QString>, 10> totals{{
        {"Locais abrangidos", QString::number(report.locations.size())},
        {"Bens esperados", QString::number(t.expected)},
        {"Bens vistos no local", QString::number(t.seen)},
        {"Bens não localizados", QString::number(t.missing)},
        {"Bens encontrados em outro local", QString::number(t.elsewhere)},
        {"Bens vindos de outro local", QString::number(t.fromElsewhere)},
        {"Bens encontrados e não registrados", QString::number(t.added)},
        {"Leituras inválidas", QString::number(t.invalid)},
        {"Valor dos bens esperados", brazilianAmount(report.total.expectedValue)},
        {"Valor dos bens não localizados", brazilianAmount(report.total.missingValue)},
    }};
    for (const auto& [caption, value] : totals) {
        b.row(kTotals, {QString::fromUtf8(caption), value});
    }

    // The declaration and the signatures stay on one page when one holds them.
    b.heading(QStringLiteral("Declaração da comissão"));
    b.text(Row::Text, inventoryDeclaration(report), !info.commission.isEmpty());
    for (qsizetype m = 0; m < info.commission.size(); ++m) {
        b.rows.append({Row::Gap, {}, nullptr, true});
        b.text(Row::Signature, memberLine(info.commission[m]), m + 1 < info.commission.size());
    }
    return b.rows;
}

// The report's typeface. A spacing of its own keeps the shaper from joining
// letters into ligatures, whose single glyphs would make the text copied or
// searched from the document differ from what it says ("ﬁ" for "fi").
QFont reportFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
    return font;
}

// The fonts and their measures, made once per device.
class Fonts {
  public:
    explicit Fonts(QPaintDevice& device) {
        for (int s = 0; s <= Row::Signature; ++s) {
            m_fonts.append(fontOf(static_cast<Row::Style>(s)));
            m_metrics.append(QFontMetricsF(m_fonts.last(), &device));
        }
    }
    const QFont& font(Row::Style style) const { return m_fonts[style]; }
    const QFontMetricsF& metrics(Row::Style style) const { return m_metrics[style]; }
    double line(Row::Style style) const { return m_metrics[style].height() * 1.3; }

    static QFont fontOf(Row::Style style) {
        QFont font = reportFont();
        font.setPointSizeF(9);
        switch (style) {
            case Row::Organisation:
                font.setPointSizeF(12);
                font.setBold(true);
                break;
            case Row::Title:
                font.setPointSizeF(16);
                font.setBold(true);
                break;
            case Row::Subtitle:
                font.setPointSizeF(11.5);
                break;
            case Row::Heading:
                font.setPointSizeF(11);
                font.setBold(true);
                break;
            case Row::TableHead:
                font.setPointSizeF(7);
                font.setBold(true);
                break;
            case Row::TableRow:
            case Row::Chart:
            case Row::Legend:
                font.setPointSizeF(7.5);
                break;
            case Row::TableTotal:
                font.setPointSizeF(7.5);
                font.setBold(true);
                break;
            case Row::TableMinor:
                font.setPointSizeF(7.5);
                font.setItalic(true);
                break;
            default:
                break;
        }
        return font;
    }

  private:
    QList<QFont> m_fonts;
    QList<QFontMetricsF> m_metrics;
};

// The lines of a text in that width, each with its advance: broken between
// words, or inside a word longer than the width, so that nothing is ever cut
// off. Most cells fit on one line, measured without a layout.
struct Wrapped {
    QStringList lines;
    QList<double> advances;
};

Wrapped wrapped(const QString& text, Row::Style style, double width, const Fonts& fonts,
                QPaintDevice& device) {
    const double advance = fonts.metrics(style).horizontalAdvance(text);
    if (advance <= width) {
        return {{text}, {advance}};
    }
    QTextLayout layout(text, fonts.font(style), &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    Wrapped result;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1.0));
        result.lines << text.mid(line.textStart(), line.textLength()).trimmed();
        result.advances << line.naturalTextWidth();
    }
    layout.endLayout();
    if (result.lines.isEmpty()) {
        result.lines << QString();
        result.advances << 0;
    }
    return result;
}

double cellPadding(double width) {
    return width * 0.007;
}

double cellWidth(const Row& row, qsizetype cell, double width) {
    return width * row.columns->widths.value(cell) - 2 * cellPadding(width);
}

double spaceAbove(Row::Style style, const Fonts& fonts) {
    switch (style) {
        case Row::Heading:
            return fonts.metrics(style).height() * 0.9;
        case Row::Title:
        case Row::Subtitle:
            return fonts.metrics(style).height() * 0.3;
        default:
            return 0;
    }
}

// The rows laid out for the page width. A paragraph becomes one row per line,
// so that a long one goes on over the next page; a table row grows to its
// tallest cell and knows the head of its table.
QList<Row> layOut(const QList<Row>& rows, double width, const Fonts& fonts, QPaintDevice& device) {
    QList<Row> laid;
    laid.reserve(rows.size());
    qsizetype head = -1;
    for (Row row : rows) {
        const double line = fonts.line(row.style);
        if (row.style == Row::TableHead) {
            head = laid.size();
        } else if (!isTableRow(row.style)) {
            head = -1;
        }
        switch (row.style) {
            case Row::Chart:
                row.height = line * 1.25;
                laid.append(row);
                continue;
            case Row::Legend:
                row.height = line * 1.4;
                laid.append(row);
                continue;
            case Row::Gap:
                row.height = line * 3;
                laid.append(row);
                continue;
            default:
                break;
        }
        if (row.columns == nullptr) {
            const double indent = row.style == Row::Signature ? width * 0.2 : 0;
            const QStringList lines =
                wrapped(row.cells.value(0), row.style, width - indent * 2, fonts, device).lines;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                Row part = row;
                part.lines = {QStringList{lines[i]}};
                part.above = i == 0 ? spaceAbove(row.style, fonts) : 0;
                part.height = part.above + line;
                // A paragraph may part at a page's end; a title's or a
                // heading's lines stay together.
                part.keepWithNext =
                    row.keepWithNext || (row.style != Row::Text && i + 1 < lines.size());
                laid.append(part);
            }
            continue;
        }
        qsizetype most = 1;
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            Wrapped cell =
                wrapped(row.cells[c], row.style, cellWidth(row, c, width), fonts, device);
            most = std::max(most, cell.lines.size());
            row.lines.append(std::move(cell.lines));
            row.advances.append(std::move(cell.advances));
        }
        row.height =
            line * static_cast<double>(most) + (row.style == Row::TableHead ? line * 0.15 : 0);
        row.head = isTableRow(row.style) ? head : -1;
        laid.append(row);
    }
    return laid;
}

// The rows of each page, by their index: a row that does not fit opens a new
// page, and so does a heading or table head whose next row would not fit. A
// table that goes on over a page starts it with its head again.
QList<QList<qsizetype>> paginate(const QList<Row>& rows, double pageHeight) {
    QList<QList<qsizetype>> pages(1);
    double used = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        double needed = rows[i].height;
        for (qsizetype j = i; j + 1 < rows.size() && rows[j].keepWithNext; ++j) {
            needed += rows[j + 1].height;
        }
        // A chain of rows kept together that no page holds parts where it must.
        const bool chainFits = needed <= pageHeight;
        if (used > 0 && used + (chainFits ? needed : rows[i].height) > pageHeight) {
            pages.append(QList<qsizetype>());
            used = 0;
            if (rows[i].head >= 0) {
                pages.last().append(rows[i].head);
                used += rows[rows[i].head].height;
            }
        }
        pages.last().append(i);
        used += rows[i].height;
    }
    return pages;
}

class Painter {
  public:
    Painter(QPainter& painter, const Fonts& fonts, double width)
        : m_painter(painter), m_fonts(fonts), m_width(width) {}

    void paint(const Row& row, double top) {
        m_painter.setFont(m_fonts.font(row.style));
        m_painter.setPen(Qt::black);
        const double line = m_fonts.line(row.style);
        const double lineTop = top + row.above;
        switch (row.style) {
            case Row::Chart:
                paintTallyLine(m_painter, QRectF(0, top, m_width, row.height), row.cells.value(0),
                               row.tally);
                return;
            case Row::Legend:
                paintTallyLegend(m_painter, QRectF(0, top, m_width, row.height));
                return;
            case Row::Gap:
                return;
            case Row::Signature: {
                const double indent = m_width * 0.2;
                m_painter.drawLine(QPointF(indent, lineTop), QPointF(m_width - indent, lineTop));
                m_painter.drawText(QRectF(indent, lineTop, m_width - indent * 2, line),
                                   Qt::AlignHCenter | Qt::AlignVCenter,
                                   row.lines.value(0).value(0));
                return;
            }
            default:
                break;
        }
        if (row.columns == nullptr) {
            const Qt::Alignment across = row.style == Row::Organisation ||
                                                 row.style == Row::Title ||
                                                 row.style == Row::Subtitle
                                             ? Qt::AlignHCenter
                                             : Qt::AlignLeft;
            m_painter.drawText(QRectF(0, lineTop, m_width, line), across | Qt::AlignVCenter,
                               row.lines.value(0).value(0));
            return;
        }
        if (row.style == Row::TableHead) {
            m_painter.fillRect(QRectF(0, top, m_width, row.height), QColor(0xe8, 0xe8, 0xe8));
        } else if (row.style == Row::TableTotal) {
            m_painter.drawLine(QPointF(0, top), QPointF(m_width, top));
        }
        // Each line drawn at its baseline, placed by the advance measured when
        // it was laid out: a long list costs one shaping per line here.
        const QFontMetricsF& metrics = m_fonts.metrics(row.style);
        const double baseline = (line + metrics.ascent() - metrics.descent()) / 2;
        const double padding = cellPadding(m_width);
        double left = 0;
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            const bool figure = row.columns->figures.value(c);
            const QStringList& lines = row.lines[c];
            const double cell = cellWidth(row, c, m_width);
            for (qsizetype l = 0; l < lines.size(); ++l) {
                const double x = left + padding + (figure ? cell - row.advances[c][l] : 0);
                m_painter.drawText(QPointF(x, lineTop + line * static_cast<double>(l) + baseline),
                                   lines[l]);
            }
            left += m_width * row.columns->widths.value(c);
        }
        const QPen thin(QColor(0x80, 0x80, 0x80), m_width * 0.0006);
        m_painter.setPen(thin);
        m_painter.drawLine(QPointF(0, top + row.height), QPointF(m_width, top + row.height));
    }

  private:
    QPainter& m_painter;
    const Fonts& m_fonts;
    double m_width;
};

// "PARCIAL" across the page, light enough to read the page through it.
void paintPartialMark(QPainter& painter, const QRectF& page) {
    painter.save();
    QFont font = reportFont();
    font.setPointSizeF(96);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0xd8, 0xd8, 0xd8));
    painter.translate(page.center());
    painter.rotate(-50);
    const double w = page.height();
    painter.drawText(QRectF(-w / 2, -w / 8, w, w / 4), Qt::AlignCenter, QStringLiteral("PARCIAL"));
    painter.restore();
}

}  // namespace

QString brazilianAmount(qint64 thousandths) {
    const bool negative = thousandths < 0;
    // Counted without the sign, so that the lowest value has a magnitude too.
    const quint64 magnitude =
        negative ? 0 - static_cast<quint64>(thousandths) : static_cast<quint64>(thousandths);
    QString whole = QString::number(magnitude / 1000);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3) {
        whole.insert(at, u'.');
    }
    return (negative ? QStringLiteral("-") : QString()) + whole + u',' +
           QStringLiteral("%1").arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

bool paintInventoryReport(const InventoryReport& report, QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 15, 15, 15), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    const QRect area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double width = area.width();
    const Fonts fonts(device);
    const double band = fonts.line(Row::Text) * 1.6;  // the running head and the foot
    const QList<Row> rows = layOut(rowsOf(report), width, fonts, device);
    const QList<QList<qsizetype>> pages = paginate(rows, area.height() - 2 * band);
    const bool partial = !report.info.closed;
    const QString running =
        QStringLiteral("%1%2Relatório de Inventário nº %3")
            .arg(report.organisation,
                 report.organisation.isEmpty() ? QString() : QStringLiteral(" – "))
            .arg(report.info.number);
    const QString issued = QStringLiteral("Emitido em %1").arg(dayText(report.issued));
    Painter rowPainter(painter, fonts, width);
    const QPen rule(QColor(0x60, 0x60, 0x60), width * 0.0008);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage()) {
            return false;
        }
        if (partial) {
            paintPartialMark(painter, QRectF(0, 0, width, area.height()));
        }
        painter.setFont(fonts.font(Row::TableRow));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, width, band * 0.8), Qt::AlignLeft | Qt::AlignVCenter,
                         running);
        if (partial) {
            painter.drawText(QRectF(0, 0, width, band * 0.8), Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("PARCIAL – inventário em andamento"));
        }
        painter.setPen(rule);
        painter.drawLine(QPointF(0, band * 0.8), QPointF(width, band * 0.8));
        double top = band;
        for (const qsizetype i : pages[p]) {
            rowPainter.paint(rows[i], top);
            top += rows[i].height;
        }
        const double foot = area.height() - band * 0.8;
        painter.setFont(fonts.font(Row::TableRow));
        painter.setPen(rule);
        painter.drawLine(QPointF(0, foot), QPointF(width, foot));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, foot, width, band * 0.8), Qt::AlignLeft | Qt::AlignVCenter,
                         issued);
        painter.drawText(QRectF(0, foot, width, band * 0.8), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Página %1 de %2").arg(p + 1).arg(pages.size()));
    }
    return painter.end();
}

void writeInventoryReportPdf(const InventoryReport& report, const QString& path,
                             const OwnFiles& own) {
    const QString unableToWrite =
        QStringLiteral("Não foi possível gravar o arquivo %1!").arg(QDir::toNativeSeparators(path));
    OutputFile file(path, own);
    if (!file.open()) {
        throw Error(unableToWrite);
    }
    bool painted = false;
    {
        QPdfWriter writer(&file.device());
        writer.setCreator(QStringLiteral("Ambitra PC"));
        writer.setTitle(QStringLiteral("Relatório de Inventário nº %1").arg(report.info.number));
        painted = paintInventoryReport(report, writer);
    }
    if (!painted || !file.commit()) {
        throw Error(unableToWrite);
    }
}

}  // namespace ambitra
