#include "print/CountReportPdf.h"

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

namespace ambitra {

namespace {

// One line of the report as it is laid out on the pages.
struct Row {
    enum Style { Title, Text, Heading, TableHead, TableRow };
    Style style = Text;
    QStringList cells;
    const QList<double>* widths = nullptr;  // shares of the page width, per cell
    bool keepWithNext = false;              // a heading never ends a page
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
    rows.append({Row::Text,
                 {QStringLiteral("Bens esperados: %1; leituras: %2, das quais %3 pendentes.")
                      .arg(info.expected)
                      .arg(info.readings)
                      .arg(info.pending)}});
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

// The height of a row on the device, with the space kept above it.
double heightOf(const Row& row, QPaintDevice& device) {
    const QFontMetricsF metrics(fontOf(row.style), &device);
    const double above = row.style == Row::Heading ? metrics.height() * 0.8 : 0;
    return above + metrics.height() * 1.25;
}

// The rows of each page: a row that does not fit opens a new page, and so does
// a heading or table head whose following row would not fit.
QList<QList<Row>> paginate(const QList<Row>& rows, double pageHeight, QPaintDevice& device) {
    QList<QList<Row>> pages(1);
    double used = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        double needed = heightOf(rows[i], device);
        for (qsizetype j = i; j + 1 < rows.size() && rows[j].keepWithNext; ++j) {
            needed += heightOf(rows[j + 1], device);
        }
        if (used > 0 && used + needed > pageHeight) {
            pages.append(QList<Row>());
            used = 0;
        }
        pages.last().append(rows[i]);
        used += heightOf(rows[i], device);
    }
    return pages;
}

void paintRow(QPainter& painter, const Row& row, double top, double width) {
    painter.setFont(fontOf(row.style));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double height = heightOf(row, *painter.device());
    const double lineTop = top + height - metrics.height() * 1.25;
    if (row.widths == nullptr) {
        painter.drawText(QRectF(0, lineTop, width, metrics.height() * 1.25),
                         Qt::AlignLeft | Qt::AlignVCenter, row.cells.value(0));
        return;
    }
    double left = 0;
    for (qsizetype c = 0; c < row.cells.size(); ++c) {
        const double cellWidth = width * row.widths->value(c);
        const QRectF cell(left + 2, lineTop, cellWidth - 4, metrics.height() * 1.25);
        const QString text = metrics.elidedText(row.cells[c], Qt::ElideRight, cell.width());
        // Counts are right-aligned under their heads; texts start at the left.
        const bool number = row.widths == &kTallyWidths && c > 0;
        painter.drawText(cell, (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, text);
        left += cellWidth;
    }
    if (row.style == Row::TableHead) {
        painter.drawLine(QPointF(0, top + height), QPointF(width, top + height));
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
    const QList<QList<Row>> pages = paginate(rowsOf(report), area.height() - footerHeight, device);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage()) {
            return false;
        }
        double top = 0;
        for (const Row& row : pages[p]) {
            paintRow(painter, row, top, width);
            top += heightOf(row, device);
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
