#include "core/records/NavigatorAction.h"

#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/Connection.h"
#include "core/data/DataTable.h"

namespace ambitra {

namespace {

void writeLocked(DataTable& table, Progress& wait, void (DataTable::*write)(),
                 const std::function<void()>& insideLock) {
    Connection& connection = table.connection();
    if (connection.inTransaction()) {
        if (insideLock) {
            insideLock();
        }
        (table.*write)();
        return;
    }
    bool written = false;
    try {
        Transaction transaction(connection, wait);
        if (insideLock) {
            insideLock();
        }
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

void DoNavigatorAction(DataTable& table, NavButton button, Progress& wait,
                       const std::function<void()>& insideLock) {
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
            writeLocked(table, wait, &DataTable::remove, insideLock);
            break;
        case NavButton::Edit:
            table.edit();
            break;
        case NavButton::Post:
            writeLocked(table, wait, &DataTable::post, insideLock);
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
                          const std::function<void(NavButton)>& afterAction,
                          const std::function<void()>& insideLock) {
    bool proceed = true;
    if (beforeAction && !reportErrors(prompter, [&] { proceed = beforeAction(button); })) {
        return false;
    }
    if (!proceed ||
        !reportErrors(prompter, [&] { DoNavigatorAction(table, button, wait, insideLock); })) {
        return false;
    }
    if (afterAction) {
        reportErrors(prompter, [&] { afterAction(button); });
    }
    return true;
}

}  // namespace ambitra
