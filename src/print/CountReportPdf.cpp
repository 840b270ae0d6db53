#include "print/CountReportPdf.h"

#include "core/common/Plural.h"
#include "core/common/Error.h"
#include "core/common/OutputFile.h"
#include "core/count/CountReport.h"

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>

namespace ambitra {

namespace {

// One line of the report as it is laid out on the pages.
struct Row {
    enum Style { Title, Text, Heading, TableHead, TableRow };
    Style style = Text;
    QStringList cells;
    const QList<double>* widths = nullptr;  // shares of the page width, per cell
    bool keepWithNext = false;              // a heading never ends a page
    // Laid out for the page width: each cell's lines, and the row's height.
    QList<QStringList> lines = {};
    double above = 0;  // the space kept above it, within its height
    double height = 0;
};

const QList<double> kTallyWidths{0.16, 0.12, 0.12, 0.12, 0.12, 0.12, 0.12, 0.12};
const QList<double> kDetailWidths{0.17, 0.17, 0.13, 0.12, 0.41};

QList<Row> rowsOf(const CountReport& report) {
    const CountInfo& info = report.info();
    const QStringList tallyHead = LocationTally::captions();
    const QStringList detailHead{QStringLiteral("Ocorrência"), QStringLiteral("Código"),
                                 QStringLiteral("Local esperado"), QStringLiteral("Local lido"),
                                 QStringLiteral("Descrição")};
    QList<Row> rows;
    rows.append({Row::Title,
                 {QStringLiteral("Relatório da contagem de inventário nº %1").arg(info.number)}});
    rows.append(
        {Row::Text,
         {QStringLiteral("Aberta em %1 pelo usuário %2; %3.")
              .arg(info.opened.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), info.user,
                   info.open ? QStringLiteral("em andamento") : QStringLiteral("encerrada"))}});
    const QStringList marked = report.markedLocations();
    rows.append({Row::Text,
                 {QStringLiteral("Locais marcados: %1.")
                      .arg(marked.isEmpty() ? QStringLiteral("nenhum")
                                            : marked.join(QStringLiteral(", ")))}});
    rows.append(
        {Row::Text,
         {QStringLiteral("Bens esperados: %1; leituras: %2, %3 %4.")
              .arg(info.expected)
              .arg(info.readings)
              .arg(info.readings == 1 ? QStringLiteral("da qual") : QStringLiteral("das quais"))
              .arg(countOf(info.pending, QStringLiteral("pendente"),
                           QStringLiteral("pendentes")))}});
    for (const LocationTally& t : report.locations()) {
        const QString caption = report.locationCaption(t.location);
        rows.append({Row::Heading,
                     {QStringLiteral("Local ") +
                      (t.location.isEmpty() ? QStringLiteral("(sem local)") : t.location) +
                      (caption.isEmpty() ? QString() : QStringLiteral(" - ") + caption)},
                     nullptr,
                     true});
        rows.append({Row::TableHead, tallyHead, &kTallyWidths, true});
        rows.append({Row::TableRow, t.cells(t.location), &kTallyWidths});
        const QList<CountDetail> details = report.detailsOf(t.location);
        if (!details.isEmpty()) {
            rows.append({Row::TableHead, detailHead, &kDetailWidths, true});
        }
        for (const CountDetail& d : details) {
            rows.append(
                {Row::TableRow,
                 {CountDetail::caption(d.kind), d.code, d.expectedLocation, d.readLocation, d.name},
                 &kDetailWidths});
        }
    }
    rows.append({Row::Heading, {QStringLiteral("Totais")}, nullptr, true});
    rows.append({Row::TableHead, tallyHead, &kTallyWidths, true});
    rows.append({Row::TableRow, report.total().cells(QStringLiteral("TOTAL")), &kTallyWidths});
    return rows;
}

QFont fontOf(Row::Style style) {
    QFont font(QStringLiteral("DejaVu Sans"));
    switch (style) {
        case Row::Title:
            font.setPointSizeF(15);
            font.setBold(true);
            break;
        case Row::Heading:
            font.setPointSizeF(11);
            font.setBold(true);
            break;
        case Row::TableHead:
            font.setPointSizeF(8.5);
            font.setBold(true);
            break;
        default:
            font.setPointSizeF(9);
            break;
    }
    return font;
}

double lineHeight(const Row& row, QPaintDevice& device) {
    return QFontMetricsF(fontOf(row.style), &device).height() * 1.25;
}

// The space kept above a row.
double spaceAbove(const Row& row, QPaintDevice& device) {
    return row.style == Row::Heading ? QFontMetricsF(fontOf(row.style), &device).height() * 0.8 : 0;
}

// The lines of a text in that width: broken between words, or inside a word
// longer than the width, so that nothing is ever cut.
QStringList wrapped(const QString& text, const QFont& font, double width, QPaintDevice& device) {
    QTextLayout layout(text, font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1.0));
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty()) {
        lines << QString();
    }
    return lines;
}

double cellWidth(const Row& row, qsizetype cell, double width) {
    return width * row.widths->value(cell) - 4;
}

// The rows laid out for the page width. A text row becomes one row per line,
// so that a long one goes on over the next page; a table row grows to its
// tallest cell.
QList<Row> layOut(const QList<Row>& rows, double width, QPaintDevice& device) {
    QList<Row> laid;
    for (Row row : rows) {
        const QFont font = fontOf(row.style);
        if (row.widths == nullptr) {
            const QStringList lines = wrapped(row.cells.value(0), font, width, device);
            for (qsizetype i = 0; i < lines.size(); ++i) {
                Row line = row;
                line.lines = {QStringList{lines[i]}};
                line.above = i == 0 ? spaceAbove(row, device) : 0;
                line.height = line.above + lineHeight(row, device);
                // The lines of a paragraph may part at a page's end; a title's
                // or a heading's stay together.
                line.keepWithNext =
                    row.keepWithNext || (row.style != Row::Text && i + 1 < lines.size());
                laid.append(line);
            }
            continue;
        }
        qsizetype most = 1;
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            row.lines.append(wrapped(row.cells[c], font, cellWidth(row, c, width), device));
            most = std::max(most, row.lines.last().size());
        }
        row.height = lineHeight(row, device) * static_cast<double>(most);
        laid.append(row);
    }
    return laid;
}

// The rows of each page: a row that does not fit opens a new page, and so does
// a heading or table head whose following row would not fit.
QList<QList<Row>> paginate(const QList<Row>& rows, double pageHeight) {
    QList<QList<Row>> pages(1);
    double used = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        double needed = rows[i].height;
        for (qsizetype j = i; j + 1 < rows.size() && rows[j].keepWithNext; ++j) {
            needed += rows[j + 1].height;
        }
        if (used > 0 && used + needed > pageHeight) {
            pages.append(QList<Row>());
            used = 0;
        }
        pages.last().append(rows[i]);
        used += rows[i].height;
    }
    return pages;
}

void paintRow(QPainter& painter, const Row& row, double top, double width) {
    painter.setFont(fontOf(row.style));
    const double line = lineHeight(row, *painter.device());
    const double lineTop = top + row.above;
    if (row.widths == nullptr) {
        painter.drawText(QRectF(0, lineTop, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                         row.lines.value(0).value(0));
        return;
    }
    double left = 0;
    for (qsizetype c = 0; c < row.cells.size(); ++c) {
        // Counts are right-aligned under their heads; texts start at the left.
        const bool number = row.widths == &kTallyWidths && c > 0;
        const QStringList& lines = row.lines[c];
        for (qsizetype l = 0; l < lines.size(); ++l) {
            const QRectF cell(left + 2, lineTop + line * static_cast<double>(l),
                              cellWidth(row, c, width), line);
            painter.drawText(cell, (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                             lines[l]);
        }
        left += width * row.widths->value(c);
    }
    if (row.style == Row::TableHead) {
        painter.drawLine(QPointF(0, top + row.height), QPointF(width, top + row.height));
    }
}

}  // namespace

bool paintCountReport(const CountReport& report, QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    const QRect area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double width = area.width();
    const QFont footer = fontOf(Row::Text);
    const double footerHeight = QFontMetricsF(footer, &device).height() * 2;
    const QList<QList<Row>> pages =
        paginate(layOut(rowsOf(report), width, device), area.height() - footerHeight);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage()) {
            return false;
        }
        double top = 0;
        for (const Row& row : pages[p]) {
            paintRow(painter, row, top, width);
            top += row.height;
        }
        painter.setFont(footer);
        painter.drawText(QRectF(0, area.height() - footerHeight, width, footerHeight),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Página %1 de %2").arg(p + 1).arg(pages.size()));
    }
    return painter.end();
}

void writeCountReportPdf(const CountReport& report, const QString& path, const OwnFiles& own) {
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
        writer.setTitle(QStringLiteral("Contagem de inventário %1").arg(report.info().number));
        painted = paintCountReport(report, writer);
    }
    if (!painted || !file.commit()) {
        throw Error(unableToWrite);
    }
}

}  // namespace ambitra
