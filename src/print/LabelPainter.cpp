#include "print/LabelPainter.h"

#include "core/common/Error.h"
#include "core/common/OutputFile.h"
#include "core/common/Progress.h"
#include "core/data/TDados.h"
#include "core/common/Prompter.h"
#include "print/BarcodeSymbol.h"
#include "core/labels/LabelJob.h"
#include "core/labels/LabelSheet.h"

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <optional>

namespace ambitra {

namespace {

constexpr double kPadding = 1.5;    // mm inside the label's edge
constexpr double kMaxModule = 0.4;  // mm: wider bars only waste the label
constexpr double kLineSpacing = 1.25;

// One line of text across the label, cut to its width.
struct TextLine {
    QString text;
    QFont font;
    double height = 0;  // device pixels, spacing included
};

// Paints single labels: millimetres of the sheet become device pixels here.
class LabelCanvas {
  public:
    LabelCanvas(QPainter& painter, const LabelSheet& sheet, const QString& title)
        : m_painter(painter), m_pixelsPerMm(painter.device()->logicalDpiX() / 25.4) {
        const double inner = sheet.label.height() - 2 * kPadding;
        // Small labels get small print; a 34 mm label takes 2.8 mm letters.
        const double size = std::min(2.8, inner * 0.09);
        m_title = line(title, size * 0.9, true);
        m_description = line(QString(), size, false);
        m_location = line(QString(), size * 0.85, false);
    }

    // False when the bar-code library refused the code (nothing painted then).
    bool paint(const Label& label, const QRectF& labelMm) {
        const QRectF inner = px(labelMm.adjusted(kPadding, kPadding, -kPadding, -kPadding));
        const bool titled = !m_title.text.isEmpty();
        const bool located = !label.location.isEmpty();
        QRectF bars = inner;
        bars.setTop(inner.top() + (titled ? m_title.height : 0));
        bars.setBottom(inner.bottom() - m_description.height - (located ? m_location.height : 0) -
                       px(0.5));
        if (!m_symbol.draw(m_painter, bars, label.symbology, label.code, px(kMaxModule))) {
            return false;
        }
        double y = inner.top();
        if (titled) {
            draw(m_title, m_title.text, inner, y);
        }
        y = bars.bottom() + px(0.5);
        draw(m_description, label.description, inner, y);
        if (located) {
            draw(m_location, label.location, inner, y);
        }
        return true;
    }

  private:
    double px(double mm) const { return mm * m_pixelsPerMm; }
    QRectF px(const QRectF& mm) const {
        return QRectF(px(mm.x()), px(mm.y()), px(mm.width()), px(mm.height()));
    }

    TextLine line(const QString& text, double sizeMm, bool bold) const {
        TextLine l;
        l.font = QFont(QStringLiteral("DejaVu Sans"));
        l.font.setStyleHint(QFont::SansSerif);
        l.font.setBold(bold);
        l.font.setPixelSize(std::max(1, qRound(px(sizeMm))));
        l.height = l.font.pixelSize() * kLineSpacing;
        l.text = text;
        return l;
    }

    // Draws the text centred across the box at y, cut to the box's width; y moves
    // to the next line.
    void draw(const TextLine& line, const QString& text, const QRectF& box, double& y) {
        const QFontMetricsF metrics(line.font);
        const QString shown = CutToFit(text, box.width(), [&metrics](const QString& t) {
            return metrics.horizontalAdvance(t);
        });
        m_painter.setFont(line.font);
        m_painter.setPen(Qt::black);
        m_painter.drawText(QRectF(box.left(), y, box.width(), line.height),
                           Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        y += line.height;
    }

    QPainter& m_painter;
    double m_pixelsPerMm;
    BarcodeSymbol m_symbol;
    TextLine m_title;
    TextLine m_description;
    TextLine m_location;
};

}  // namespace

bool paintLabels(LabelJob& job, const LabelSheet& sheet, int start, QPagedPaintDevice& device,
                 Progress& progress) {
    device.setPageLayout(QPageLayout(QPageSize(sheet.paper, QPageSize::Millimeter),
                                     QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    LabelCanvas canvas(painter, sheet, job.title());
    progress.setMaximum(job.labels().size());
    progress.setValue(0);
    int position = start - 1;
    for (const Label& label : job.labels()) {
        if (position == sheet.labelsPerSheet()) {
            device.newPage();
            position = 0;
        }
        if (canvas.paint(label, sheet.labelRect(position))) {
            ++position;
        } else {
            job.leaveOut(label.code);
        }
        progress.advance();
        progress.yield();
    }
    return painter.end();
}

bool printLabels(LabelJob& job, const LabelSheet& sheet, int start, QPagedPaintDevice& device,
                 Prompter& prompter, Progress& progress) {
    if (!job.Check(sheet, start, prompter)) {
        return false;
    }
    BusyGuard busy(progress);
    if (!paintLabels(job, sheet, start, device, progress)) {
        prompter.beepError(QStringLiteral("Não foi possível imprimir as etiquetas!"));
        return false;
    }
    job.ReportLeftOut(prompter);
    return true;
}

bool writeLabelsPdf(LabelJob& job, const LabelSheet& sheet, int start, const QString& path,
                    Prompter& prompter, Progress& progress) {
    if (!job.Check(sheet, start, prompter)) {
        return false;
    }
    const QString unableToWrite =
        QStringLiteral("Não foi possível gravar o arquivo %1!").arg(QDir::toNativeSeparators(path));
    std::optional<OutputFile> file;
    try {
        file.emplace(path, job.dados().ownFiles());
    } catch (const Error& refusal) {
        prompter.beepError(refusal.message());
        return false;
    }
    if (!file->open()) {
        prompter.beepError(unableToWrite);
        return false;
    }
    {
        QPdfWriter writer(&file->device());
        writer.setCreator(QStringLiteral("Ambitra PC"));
        writer.setTitle(QStringLiteral("Etiquetas"));
        BusyGuard busy(progress);
        if (!paintLabels(job, sheet, start, writer, progress)) {
            prompter.beepError(unableToWrite);
            return false;
        }
    }
    if (!file->commit()) {
        prompter.beepError(unableToWrite);
        return false;
    }
    job.ReportLeftOut(prompter);
    return true;
}

}  // namespace ambitra
