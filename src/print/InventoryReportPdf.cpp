#include "print/InventoryReportPdf.h"

#include "core/inventory/InventoryReport.h"
#include "core/inventory/InventoryText.h"
#include "print/InventoryChart.h"
#include "print/PagedRows.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <array>

namespace ambitra {

namespace {

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

// The styles of the report's rows, in the order of their list.
struct Style {
    enum : int {
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
};

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
    return QStringList{first, round} + f.tally.counts();
}

QStringList valueCells(const QString& first, const QString& round, const RoundFigures& f) {
    return {first, round, brazilianAmount(f.expectedValue), brazilianAmount(f.missingValue)};
}

class Builder {
  public:
    QList<PagedRow> rows;

    void text(int style, const QString& line, bool keep = false) {
        rows.append({style, {line}, nullptr, keep});
    }
    void heading(const QString& line) { text(Style::Heading, line, true); }
    void head(const Columns& columns, const QStringList& cells) {
        rows.append({Style::TableHead, cells, &columns, true});
    }
    void row(const Columns& columns, const QStringList& cells, int style = Style::TableRow) {
        rows.append({style, cells, &columns});
    }
    // A table, or "Nenhum." when it has no rows.
    void table(const Columns& columns, const QStringList& heads, const QList<QStringList>& body) {
        if (body.isEmpty()) {
            text(Style::Text, QStringLiteral("Nenhum."));
            return;
        }
        head(columns, heads);
        for (const QStringList& cells : body) {
            row(columns, cells);
        }
    }
};

QList<PagedRow> rowsOf(const InventoryReport& report) {
    const InventoryInfo& info = report.info;
    Builder b;
    if (!report.organisation.isEmpty()) {
        b.text(Style::Organisation, report.organisation, true);
    }
    b.text(Style::Title, QStringLiteral("Relatório de Inventário"), true);
    b.text(Style::Subtitle,
           info.title.isEmpty()
               ? QStringLiteral("Inventário nº %1").arg(info.number)
               : QStringLiteral("Inventário nº %1 – %2").arg(info.number).arg(info.title));
    b.text(Style::Text, QStringLiteral("Tipo: %1.").arg(inventoryKindName(info.kind)));
    b.text(Style::Text, QStringLiteral("Período: %1.").arg(periodText(info)));
    b.text(Style::Text,
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
        b.text(Style::Text, QStringLiteral("Nenhum local."));
    } else {
        b.rows.append({Style::Legend, {}, nullptr, true});
        for (qsizetype i = 0; i < report.locations.size(); ++i) {
            PagedRow chart{Style::Chart, {locationLabel(report.locations[i])}};
            chart.item = i;  // its bar's figures
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
                b.row(columns, cells(QString(), QString::number(it->round), *it),
                      Style::TableMinor);
            }
        }
        b.row(columns, cells(QStringLiteral("TOTAL"), QString(), report.total), Style::TableTotal);
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
        b.text(Style::Text,
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
            Style::TableTotal);
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
              Style::TableTotal);
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
        b.text(Style::Text, QStringLiteral("Registros do período:"), true);
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
    b.text(Style::Text, inventoryDeclaration(report), !info.commission.isEmpty());
    for (qsizetype m = 0; m < info.commission.size(); ++m) {
        b.rows.append({Style::Gap, {}, nullptr, true});
        b.text(Style::Signature, memberLine(info.commission[m]), m + 1 < info.commission.size());
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

QList<RowStyle> styles() {
    const auto font = [](double points, bool bold = false, bool italic = false) {
        QFont font = reportFont();
        font.setPointSizeF(points);
        font.setBold(bold);
        font.setItalic(italic);
        return font;
    };
    RowStyle text{RowStyle::Paragraph, font(9)};
    RowStyle heading{RowStyle::Lines, font(11, true), 0.9};
    RowStyle title{RowStyle::Lines, font(16, true), 0.3, 0, Qt::AlignHCenter};
    RowStyle organisation{RowStyle::Lines, font(12, true), 0, 0, Qt::AlignHCenter};
    RowStyle subtitle{RowStyle::Lines, font(11.5), 0.3, 0, Qt::AlignHCenter};
    RowStyle head{RowStyle::TableHead, font(7, true), 0, 0.15};
    head.fill = QColor(0xe8, 0xe8, 0xe8);
    head.ruleBelow = true;
    RowStyle row{RowStyle::TableRow, font(7.5)};
    row.ruleBelow = true;
    RowStyle total = row;
    total.font = font(7.5, true);
    total.ruleAbove = true;
    RowStyle minor = row;
    minor.font = font(7.5, false, true);
    const RowStyle chart{RowStyle::Block, font(7.5), 0, 1.25};
    const RowStyle legend{RowStyle::Block, font(7.5), 0, 1.4};
    const RowStyle gap{RowStyle::Block, font(9), 0, 3};
    RowStyle signature{RowStyle::Lines, font(9), 0, 0, Qt::AlignHCenter, 0.2};
    signature.ruleAbove = true;
    return {organisation, title, subtitle, text,   heading, head,     row,
            total,        minor, chart,    legend, gap,     signature};
}

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
    const PagedRows paged(device, styles(), width, 1.3, width * 0.007,
                          QPen(QColor(0x80, 0x80, 0x80), width * 0.0006));
    const double band = paged.line(Style::Text) * 1.6;  // the running head and the foot
    const QList<PagedRow> rows = paged.layOut(rowsOf(report));
    const QList<QList<qsizetype>> pages = PagedRows::paginate(rows, area.height() - 2 * band);
    const bool partial = !report.info.closed;
    const QString running =
        QStringLiteral("%1%2Relatório de Inventário nº %3")
            .arg(report.organisation,
                 report.organisation.isEmpty() ? QString() : QStringLiteral(" – "))
            .arg(report.info.number);
    const QString issued = QStringLiteral("Emitido em %1").arg(dayText(report.issued));
    const QPen rule(QColor(0x60, 0x60, 0x60), width * 0.0008);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage()) {
            return false;
        }
        if (partial) {
            paintPartialMark(painter, QRectF(0, 0, width, area.height()));
        }
        painter.setFont(paged.font(Style::TableRow));
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
            const PagedRow& row = rows[i];
            const QRectF block(0, top, width, row.height);
            // The bars and their legend are written in the painter's font.
            painter.setFont(paged.font(row.style));
            painter.setPen(Qt::black);
            if (row.style == Style::Chart) {
                paintTallyLine(painter, block, row.cells.value(0),
                               report.locations[row.item].latest.tally);
            } else if (row.style == Style::Legend) {
                paintTallyLegend(painter, block);
            } else {
                paged.paint(painter, row, top);
            }
            top += rows[i].height;
        }
        const double foot = area.height() - band * 0.8;
        painter.setFont(paged.font(Style::TableRow));
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
    writeReportPdf(
        path, own, QStringLiteral("Relatório de Inventário nº %1").arg(report.info.number),
        [&report](QPagedPaintDevice& device) { return paintInventoryReport(report, device); });
}

}  // namespace ambitra
