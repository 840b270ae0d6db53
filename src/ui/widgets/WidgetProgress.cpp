#include "ui/widgets/WidgetProgress.h"

#include <QApplication>
#include <QProgressBar>

#include <algorithm>
#include <limits>

namespace ambitra::ui {

WidgetProgress::WidgetProgress(QProgressBar* bar) : m_bar(bar) {}

void WidgetProgress::setBar(QProgressBar* bar) {
    m_bar = bar;
}

void WidgetProgress::beginBusy(Cursor cursor) {
    QApplication::setOverrideCursor(cursor == Cursor::Busy ? Qt::WaitCursor : Qt::BusyCursor);
}

void WidgetProgress::endBusy() {
    QApplication::restoreOverrideCursor();
}

void WidgetProgress::setMaximum(qint64 maximum) {
    m_maximum = std::max<qint64>(0, maximum);
    m_divisor = m_maximum / std::numeric_limits<int>::max() + 1;
    if (m_bar != nullptr) {
        m_bar->setMaximum(static_cast<int>(m_maximum / m_divisor));
    }
    showValue();
}

void WidgetProgress::setValue(qint64 value) {
    m_value = value;
    showValue();
}

void WidgetProgress::advance(qint64 step) {
    m_value += step;
    // The last step is shown at once: the run's completion message comes next,
    // and the bar must not stand short of its end behind it.
    if (m_value >= m_maximum) {
        showValue();
    }
}

void WidgetProgress::yield() {
    if (m_sinceYield.isValid() && m_sinceYield.nsecsElapsed() < kYieldIntervalNs) {
        return;
    }
    showValue();
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

void WidgetProgress::showValue() {
    if (m_bar != nullptr) {
        m_bar->setValue(static_cast<int>(std::clamp<qint64>(m_value, 0, m_maximum) / m_divisor));
    }
}

}  // namespace ambitra::ui
