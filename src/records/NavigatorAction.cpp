#include "records/NavigatorAction.h"

#include "common/Prompter.h"
#include "data/DataTable.h"

namespace ambitra {

void DoNavigatorAction(DataTable& table, NavButton button) {
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
            table.remove();
            break;
        case NavButton::Edit:
            table.edit();
            break;
        case NavButton::Post:
            table.post();
            break;
        case NavButton::Cancel:
            table.cancel();
            break;
        case NavButton::Refresh:
            table.requery();
            break;
    }
}

bool PressNavigatorButton(DataTable& table, NavButton button, Prompter& prompter,
                          const std::function<bool(NavButton)>& beforeAction,
                          const std::function<void(NavButton)>& afterAction) {
    bool proceed = true;
    if (beforeAction && !reportErrors(prompter, [&] { proceed = beforeAction(button); })) {
        return false;
    }
    if (!proceed || !reportErrors(prompter, [&] { DoNavigatorAction(table, button); })) {
        return false;
    }
    if (afterAction) {
        reportErrors(prompter, [&] { afterAction(button); });
    }
    return true;
}

}  // namespace ambitra
