#include "ui/widgets/DatePicker.h"

#include <QCalendarWidget>
#include <QMenu>
#include <QWidgetAction>

namespace ambitra::ui {

DatePicker::DatePicker(QWidget* parent)
    : QToolButton(parent), m_date(QDate::currentDate()), m_menu(new QMenu(this)) {
    setText(QStringLiteral("▾"));
    setToolTip(QStringLiteral("Calendário"));
    setAccessibleName(toolTip());
    setFocusPolicy(Qt::NoFocus);

    m_calendar = new QCalendarWidget(m_menu);
    m_calendar->setGridVisible(true);
    auto* action = new QWidgetAction(m_menu);
    action->setDefaultWidget(m_calendar);
    m_menu->addAction(action);
    // Shown without a nested event loop: the window goes on processing events.
    connect(this, &QToolButton::clicked, this,
            [this] { m_menu->popup(mapToGlobal(QPoint(0, height()))); });

    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        m_calendar->setSelectedDate(m_date);
        m_calendar->setFocus();
    });
    connect(m_calendar, &QCalendarWidget::clicked, this, &DatePicker::choose);
    connect(m_calendar, &QCalendarWidget::activated, this, &DatePicker::choose);
}

void DatePicker::choose(const QDate& date) {
    m_menu->close();
    if (!date.isValid()) {
        return;
    }
    m_date = date;
    emit dateChosen(date);
}

}  // namespace ambitra::ui
