#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace ambitra {

// A sheet of labels as stationers sell them: the paper and a grid of equal labels
// on it, in millimetres. A thermal printer's roll is a sheet of one label.
struct LabelSheet {
    QString name;     // as the command line names it
    QString caption;  // as the print dialog offers it
    QSizeF paper;
    int columns = 1;
    int rows = 1;
    QSizeF label;
    QPointF firstLabel;  // top-left corner of the first label
    QSizeF pitch;        // from one label's corner to the next, across and down

    int labelsPerSheet() const { return columns * rows; }
    // The label at a position of the sheet, 0-based, row after row.
    QRectF labelRect(int position) const;

    // Every layout, the default first.
    static const QList<LabelSheet>& all();
    // By name, letter case ignored; nullptr when none has it.
    static const LabelSheet* find(const QString& name);
};

}  // namespace ambitra
