#include "core/labels/LabelSheet.h"

namespace ambitra {

namespace {

// The labels are centred on the paper, as the sheets are cut.
LabelSheet sheet(const char* name, const char* caption, QSizeF paper, int columns, int rows,
                 QSizeF label, double gapAcross) {
    LabelSheet s;
    s.name = QString::fromLatin1(name);
    s.caption = QString::fromUtf8(caption);
    s.paper = paper;
    s.columns = columns;
    s.rows = rows;
    s.label = label;
    s.pitch = QSizeF(label.width() + gapAcross, label.height());
    const double across = columns * label.width() + (columns - 1) * gapAcross;
    s.firstLabel =
        QPointF((paper.width() - across) / 2, (paper.height() - rows * label.height()) / 2);
    return s;
}

}  // namespace

QRectF LabelSheet::labelRect(int position) const {
    const int column = position % columns;
    const int row = position / columns;
    return QRectF(firstLabel + QPointF(column * pitch.width(), row * pitch.height()), label);
}

const QList<LabelSheet>& LabelSheet::all() {
    static const QList<LabelSheet> sheets = {
        sheet("A4-3x8", "A4, 3 x 8 etiquetas de 63,5 x 33,9 mm", {210, 297}, 3, 8, {63.5, 33.9},
              2.5),
        sheet("A4-2x7", "A4, 2 x 7 etiquetas de 99,1 x 38,1 mm", {210, 297}, 2, 7, {99.1, 38.1},
              2.5),
        sheet("Letter-3x10", "Carta, 3 x 10 etiquetas de 66,7 x 25,4 mm", {215.9, 279.4}, 3, 10,
              {66.675, 25.4}, 3.175),
        sheet("Termica-50x30", "Térmica, uma etiqueta de 50 x 30 mm por página", {50, 30}, 1, 1,
              {50, 30}, 0),
    };
    return sheets;
}

const LabelSheet* LabelSheet::find(const QString& name) {
    for (const LabelSheet& s : all()) {
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &s;
        }
    }
    return nullptr;
}

}  // namespace ambitra
