#include "print/InventoryChart.h"

#include "core/count/CountReport.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>

namespace ambitra {

namespace {

enum class Part { Seen, Elsewhere, Missing };

// Dark, light and white with dark hatching: three greys apart in black and white.
const QColor kSeen(0x2e, 0x6b, 0x30);
const QColor kElsewhere(0xf2, 0xc1, 0x4e);
const QColor kMissingGround(0xfb, 0xe3, 0xe1);
const QColor kMissingHatch(0xb7, 0x1c, 0x1c);
const QColor kFrame(0x30, 0x30, 0x30);

// Fills a part of the bar. The patterns are drawn as lines and dots sized by
// the bar's height, so they look the same on a screen and on a 1200 dpi page.
void fillPart(QPainter& painter, const QRectF& area, Part part, double unit) {
    if (area.width() <= 0 || area.height() <= 0) {
        return;
    }
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setPen(Qt::NoPen);
    switch (part) {
        case Part::Seen:
            painter.fillRect(area, kSeen);
            break;
        case Part::Elsewhere: {
            painter.fillRect(area, kElsewhere);
            painter.setBrush(kFrame);
            const double step = unit * 0.35;
            const double radius = unit * 0.05;
            for (double y = area.top() + step / 2; y < area.bottom(); y += step) {
                for (double x = area.left() + step / 2; x < area.right(); x += step) {
                    painter.drawEllipse(QPointF(x, y), radius, radius);
                }
            }
            break;
        }
        case Part::Missing: {
            painter.fillRect(area, kMissingGround);
            painter.setPen(QPen(kMissingHatch, unit * 0.07));
            const double step = unit * 0.3;
            for (double x = area.left() - area.height(); x < area.right(); x += step) {
                painter.drawLine(QPointF(x, area.bottom()), QPointF(x + area.height(), area.top()));
            }
            break;
        }
    }
    painter.restore();
}

QString shareText(int part, int whole) {
    if (whole <= 0) {
        return QStringLiteral("—");
    }
    return QStringLiteral("%1%").arg(static_cast<int>(100LL * part / whole));
}

}  // namespace

void paintTallyBar(QPainter& painter, const QRectF& bar, const LocationTally& tally) {
    const double unit = bar.height();
    // A count beyond the expected (never from a finished merge) still fits.
    const int whole = std::max(tally.expected, tally.seen + tally.elsewhere + tally.missing);
    double left = bar.left();
    if (whole > 0) {
        const std::pair<int, Part> parts[] = {
            {tally.seen, Part::Seen},
            {tally.elsewhere, Part::Elsewhere},
            {tally.missing, Part::Missing},
        };
        for (const auto& [count, part] : parts) {
            const double width = bar.width() * count / whole;
            fillPart(painter, QRectF(left, bar.top(), width, bar.height()), part, unit);
            left += width;
        }
    }
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kFrame, unit * 0.04));
    painter.drawRect(bar);
    painter.restore();
}

void paintTallyLine(QPainter& painter, const QRectF& line, const QString& label,
                    const LocationTally& tally) {
    const double labelWidth = line.width() * 0.30;
    const double figuresWidth = line.width() * 0.20;
    const double gap = line.height() * 0.3;
    const QRectF labelArea(line.left(), line.top(), labelWidth - gap, line.height());
    const QFontMetricsF metrics(painter.font(), painter.device());
    painter.drawText(labelArea, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(label, Qt::ElideRight, labelArea.width()));
    const double barHeight = std::min(line.height() * 0.7, metrics.height() * 1.1);
    paintTallyBar(painter,
                  QRectF(line.left() + labelWidth, line.center().y() - barHeight / 2,
                         line.width() - labelWidth - figuresWidth, barHeight),
                  tally);
    const QString figures = QStringLiteral("%1 de %2 (%3)")
                                .arg(tally.seen)
                                .arg(tally.expected)
                                .arg(shareText(tally.seen, tally.expected));
    painter.drawText(QRectF(line.right() - figuresWidth, line.top(), figuresWidth, line.height()),
                     Qt::AlignRight | Qt::AlignVCenter, figures);
}

QStringList tallyLegendCaptions() {
    return {QStringLiteral("Vistos no local"), QStringLiteral("Encontrados em outro local"),
            QStringLiteral("Não localizados")};
}

void paintTallyLegend(QPainter& painter, const QRectF& line) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double swatch = std::min(line.height() * 0.7, metrics.height());
    const QStringList captions = tallyLegendCaptions();
    const Part parts[] = {Part::Seen, Part::Elsewhere, Part::Missing};
    double left = line.left();
    for (int i = 0; i < 3; ++i) {
        const QRectF box(left, line.center().y() - swatch / 2, swatch * 1.6, swatch);
        fillPart(painter, box, parts[i], swatch);
        painter.save();
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kFrame, swatch * 0.04));
        painter.drawRect(box);
        painter.restore();
        left = box.right() + swatch * 0.4;
        const double width = metrics.horizontalAdvance(captions[i]);
        painter.drawText(QRectF(left, line.top(), width + 1, line.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, captions[i]);
        left += width + swatch * 1.5;
    }
}

}  // namespace ambitra
