#pragma once

#include "core/data/TDados.h"

#include <QWidget>

#include <array>
#include <functional>

class QToolButton;

namespace ambitra {
class DataTable;
class Progress;
class Prompter;
}  // namespace ambitra

namespace ambitra::ui {

// A record navigator: ten buttons (First, Prior, Next, Last, Insert, Delete, Edit,
// Post, Cancel, Refresh) acting on one table, each with its hint. Its owner may
// refuse an action before it happens; a completed action is announced by click().
// The buttons' availability follows TDados::RefreshNavigator.
class DBNavigator : public QWidget {
    Q_OBJECT

  public:
    using BeforeAction = std::function<bool(NavButton)>;

    // wait shows the wait for another program's write lock when saving.
    DBNavigator(DataTable& table, Prompter& prompter, Progress& wait, QWidget* parent = nullptr);

    void setBeforeAction(BeforeAction hook) { m_beforeAction = std::move(hook); }
    // Runs when a save or a deletion holds the register's write lock, before it writes.
    void setInsideLock(std::function<void(NavButton)> hook) { m_insideLock = std::move(hook); }
    QToolButton* button(NavButton button) const;
    bool isAvailable(NavButton button) const;
    // Presses a button as a click does; nothing when it is not available.
    // True when the action completed.
    bool BtnClick(NavButton button);
    // Sets the buttons' availability from the table's state.
    void RefreshButtons();

    static QString hint(NavButton button);

  signals:
    void click(ambitra::NavButton button);

  private:
    DataTable& m_table;
    Prompter& m_prompter;
    Progress& m_wait;
    BeforeAction m_beforeAction;
    std::function<void(NavButton)> m_insideLock;
    std::array<QToolButton*, 10> m_buttons{};
};

}  // namespace ambitra::ui
