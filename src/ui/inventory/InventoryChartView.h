#pragma once

#include "core/inventory/InventoryReport.h"

#include <QWidget>

namespace ambitra::ui {

// The progress of an inventory drawn as the report draws it: the legend, then
// per location a bar of the assets seen there, found at another location and
// not located against those expected.
class InventoryChartView : public QWidget {
    Q_OBJECT

  public:
    explicit InventoryChartView(QWidget* parent = nullptr);

    void setLocations(const QList<InventoryLocation>& locations);
    const QList<InventoryLocation>& locations() const { return m_locations; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int lineHeight() const;

    QList<InventoryLocation> m_locations;
};

}  // namespace ambitra::ui
