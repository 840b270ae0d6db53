#pragma once

#include "core/common/Progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>

namespace ambitra::ui {

// The windowed progress interface: wait cursors and a progress bar.
//
// A run reports after every record; repainting the bar and processing input
// that often would cost more than the records themselves. The count is kept
// here, and only every few milliseconds is it shown and pending input let
// through, which is still often enough for a click on Cancelar to stop a run
// within a tenth of a second.
class WidgetProgress : public Progress {
  public:
    static constexpr qint64 kYieldIntervalNs = 5'000'000;

    explicit WidgetProgress(QProgressBar* bar = nullptr);
    void setBar(QProgressBar* bar);

    void beginBusy(Cursor cursor) override;
    void endBusy() override;
    void setMaximum(qint64 maximum) override;
    void setValue(qint64 value) override;
    void advance(qint64 step) override;
    void yield() override;

  private:
    void showValue();

    QPointer<QProgressBar> m_bar;
    qint64 m_maximum = 0;
    qint64 m_value = 0;
    qint64 m_divisor = 1;  // the bar counts in int: large maximums are scaled
    QElapsedTimer m_sinceYield;
};

}  // namespace ambitra::ui
