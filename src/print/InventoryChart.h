#pragma once

#include <QList>
#include <QString>

class QPainter;
class QRectF;

namespace ambitra {

struct LocationTally;

// The progress of an inventory drawn per location: a horizontal bar as long as
// the assets expected there, filled with those seen there, those found at
// another location and those not located. Told apart by shade and by pattern
// (solid, dotted, hatched), so that a print in black and white reads as well.
// The report's PDF and the inventory window paint with these alone.

// One bar in that rectangle; an empty frame when nothing is expected.
void paintTallyBar(QPainter& painter, const QRectF& bar, const LocationTally& tally);

// One line of the chart: the label at the left, the bar, and the figures
// ("seen of expected", with the share) at the right, in the painter's font.
void paintTallyLine(QPainter& painter, const QRectF& line, const QString& label,
                    const LocationTally& tally);

// The legend: a swatch and its caption for each part of the bar, in one line.
void paintTallyLegend(QPainter& painter, const QRectF& line);

// The captions of the legend, in the order the bar fills.
QStringList tallyLegendCaptions();

}  // namespace ambitra
