#include "records/NavigatorAction.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "data/Connection.h"
#include "data/DataTable.h"

namespace ambitra {

namespace {

void writeLocked(DataTable& table, Progress& wait, void (DataTable::*write)()) {
    Connection& connection = table.connection();
    if (connection.inTransaction()) {
        (table.*write)();
        return;
    }
    bool written = false;
    try {
        Transaction transaction(connection, wait);
        (table.*write)();
        written = true;
        transaction.commit();
    } catch (const Error&) {
        // Written but not kept: the table shows the register as it is.
        if (written) {
            table.requery();
        }
        throw;
    }
}

}  // namespace

void DoNavigatorAction(DataTable& table, NavButton button, Progress& wait) {
    switch (button) {
        case NavButton::First:
            table.first();
            break;
        case NavButton::Prior:
            table.prior();
            break;
        case NavButton::Next:
            table.next();
            break;
        case NavButton::Last:
            table.last();
            break;
        case NavButton::Insert:
            table.insert();
            break;
        case NavButton::Delete:
            writeLocked(table, wait, &DataTable::remove);
            break;
        case NavButton::Edit:
            table.edit();
            break;
        case NavButton::Post:
            writeLocked(table, wait, &DataTable::post);
            break;
        case NavButton::Cancel:
            table.cancel();
            break;
        case NavButton::Refresh:
            table.requery();
            break;
    }
}

bool PressNavigatorButton(DataTable& table, NavButton button, Prompter& prompter, Progress& wait,
                          const std::function<bool(NavButton)>& beforeAction,
                          const std::function<void(NavButton)>& afterAction) {
    bool proceed = true;
    if (beforeAction && !reportErrors(prompter, [&] { proceed = beforeAction(button); })) {
        return false;
    }
    if (!proceed || !reportErrors(prompter, [&] { DoNavigatorAction(table, button, wait); })) {
        return false;
    }
    if (afterAction) {
        reportErrors(prompter, [&] { afterAction(button); });
    }
    return true;
}

}  // namespace ambitra
