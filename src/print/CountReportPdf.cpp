#include "print/CountReportPdf.h"

#include "core/common/Plural.h"
#include "core/count/CountReport.h"
#include "print/PagedRows.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

namespace ambitra {

namespace {

// The styles of the report's rows, in the order of their list.
struct Style {
    enum : int { Title, Text, Heading, TableHead, TableRow };
};

// Counts are right-aligned under their heads; texts start at the left.
const Columns kTally{{0.16, 0.12, 0.12, 0.12, 0.12, 0.12, 0.12, 0.12},
                     {false, true, true, true, true, true, true, true}};
const Columns kDetail{{0.17, 0.17, 0.13, 0.12, 0.41}, {}};

QList<PagedRow> rowsOf(const CountReport& report) {
    const CountInfo& info = report.info();
    const QStringList tallyHead = LocationTally::captions();
    const QStringList detailHead{QStringLiteral("Ocorrência"), QStringLiteral("Código"),
                                 QStringLiteral("Local esperado"), QStringLiteral("Local lido"),
                                 QStringLiteral("Descrição")};
    QList<PagedRow> rows;
    rows.append({Style::Title,
                 {QStringLiteral("Relatório da contagem de inventário nº %1").arg(info.number)}});
    rows.append(
        {Style::Text,
         {QStringLiteral("Aberta em %1 pelo usuário %2; %3.")
              .arg(info.opened.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), info.user,
                   info.open ? QStringLiteral("em andamento") : QStringLiteral("encerrada"))}});
    const QStringList marked = report.markedLocations();
    rows.append({Style::Text,
                 {QStringLiteral("Locais marcados: %1.")
                      .arg(marked.isEmpty() ? QStringLiteral("nenhum")
                                            : marked.join(QStringLiteral(", ")))}});
    rows.append(
        {Style::Text,
         {QStringLiteral("Bens esperados: %1; leituras: %2, %3 %4.")
              .arg(info.expected)
              .arg(info.readings)
              .arg(info.readings == 1 ? QStringLiteral("da qual") : QStringLiteral("das quais"))
              .arg(countOf(info.pending, QStringLiteral("pendente"),
                           QStringLiteral("pendentes")))}});
    for (const LocationTally& t : report.locations()) {
        const QString caption = report.locationCaption(t.location);
        rows.append({Style::Heading,
                     {QStringLiteral("Local ") +
                      (t.location.isEmpty() ? QStringLiteral("(sem local)") : t.location) +
                      (caption.isEmpty() ? QString() : QStringLiteral(" - ") + caption)},
                     nullptr,
                     true});
        rows.append({Style::TableHead, tallyHead, &kTally, true});
        rows.append({Style::TableRow, t.cells(t.location), &kTally});
        const QList<CountDetail> details = report.detailsOf(t.location);
        if (!details.isEmpty()) {
            rows.append({Style::TableHead, detailHead, &kDetail, true});
        }
        for (const CountDetail& d : details) {
            rows.append(
                {Style::TableRow,
                 {CountDetail::caption(d.kind), d.code, d.expectedLocation, d.readLocation, d.name},
                 &kDetail});
        }
    }
    rows.append({Style::Heading, {QStringLiteral("Totais")}, nullptr, true});
    rows.append({Style::TableHead, tallyHead, &kTally, true});
    rows.append({Style::TableRow, report.total().cells(QStringLiteral("TOTAL")), &kTally});
    return rows;
}

QList<RowStyle> styles() {
    const auto font = [](double points, bool bold) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    };
    RowStyle head{RowStyle::TableHead, font(8.5, true)};
    head.ruleBelow = true;
    return {{RowStyle::Lines, font(15, true)},
            {RowStyle::Paragraph, font(9, false)},
            {RowStyle::Lines, font(11, true), 0.8},
            head,
            {RowStyle::TableRow, font(9, false)}};
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
    const PagedRows paged(device, styles(), width, 1.25, 2, QPen(Qt::black));
    const QFont& footer = paged.font(Style::Text);
    const double footerHeight = paged.metrics(Style::Text).height() * 2;
    const QList<PagedRow> rows = paged.layOut(rowsOf(report));
    const QList<QList<qsizetype>> pages = PagedRows::paginate(rows, area.height() - footerHeight);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage()) {
            return false;
        }
        double top = 0;
        for (const qsizetype i : pages[p]) {
            paged.paint(painter, rows[i], top);
            top += rows[i].height;
        }
        painter.setFont(footer);
        painter.drawText(QRectF(0, area.height() - footerHeight, width, footerHeight),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Página %1 de %2").arg(p + 1).arg(pages.size()));
    }
    return painter.end();
}

void writeCountReportPdf(const CountReport& report, const QString& path, const OwnFiles& own) {
    writeReportPdf(
        path, own, QStringLiteral("Contagem de inventário %1").arg(report.info().number),
        [&report](QPagedPaintDevice& device) { return paintCountReport(report, device); });
}

}  // namespace ambitra
