#include "ui/inventory/InventoryChartView.h"

#include "print/InventoryChart.h"

#include <QPainter>

namespace ambitra::ui {

InventoryChartView::InventoryChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Andamento"));
    setAccessibleName(QStringLiteral("Andamento por local"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
}

void InventoryChartView::setLocations(const QList<InventoryLocation>& locations) {
    m_locations = locations;
    updateGeometry();
    update();
}

int InventoryChartView::lineHeight() const {
    return fontMetrics().height() * 3 / 2;
}

QSize InventoryChartView::sizeHint() const {
    const int lines = static_cast<int>(std::max<qsizetype>(m_locations.size(), 1)) + 1;
    return {fontMetrics().horizontalAdvance(QString(70, u'M')), lineHeight() * lines + 4};
}

QSize InventoryChartView::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QString(40, u'M')), sizeHint().height()};
}

void InventoryChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    const double width = this->width() - 4;
    const double line = lineHeight();
    paintTallyLegend(painter, QRectF(2, 2, width, line));
    double top = 2 + line;
    if (m_locations.isEmpty()) {
        painter.drawText(QRectF(2, top, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Nenhum local."));
        return;
    }
    for (const InventoryLocation& l : m_locations) {
        const QString label =
            l.caption.isEmpty() ? l.location : l.location + QStringLiteral(" – ") + l.caption;
        paintTallyLine(painter, QRectF(2, top, width, line), label, l.latest.tally);
        top += line;
    }
}

}  // namespace ambitra::ui
