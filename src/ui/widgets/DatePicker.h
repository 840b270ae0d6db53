#pragma once

#include <QDate>
#include <QToolButton>

class QCalendarWidget;
class QMenu;

namespace ambitra::ui {

// The calendar button beside a date edit: holds a date (shown selected when the
// calendar drops down) and announces the date the user chooses in the calendar.
// Tab skips it; the edit beside it is where dates are typed.
class DatePicker : public QToolButton {
    Q_OBJECT

  public:
    explicit DatePicker(QWidget* parent = nullptr);

    QDate date() const { return m_date; }
    // Sets the date the calendar opens at, without announcing it.
    void setDate(const QDate& date) { m_date = date; }
    QCalendarWidget* calendar() const { return m_calendar; }

  signals:
    // A date chosen in the calendar (a day, no time of day).
    void dateChosen(const QDate& date);

  private:
    void choose(const QDate& date);

    QDate m_date;
    QMenu* m_menu;
    QCalendarWidget* m_calendar;
};

}  // namespace ambitra::ui
