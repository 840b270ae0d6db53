#pragma once

#include "core/data/TDados.h"

#include <functional>

namespace ambitra {

class DataTable;
class Progress;
class Prompter;

// What each navigator button does to its table. A save or a deletion first
// takes the register's write lock, waiting for another program's run with the
// database-wait cursor (wait); when it cannot be had the action fails with the
// engine's message and the edit stays as it was. insideLock runs once the lock is
// held, just before a save or a deletion writes: what it reads no other program
// can change before the write.
void DoNavigatorAction(DataTable& table, NavButton button, Progress& wait,
                       const std::function<void()>& insideLock = {});

// One press of a navigator button: the before-action step (false abandons the
// press silently), the action, and the after-action step, which runs only when
// the action completed. An error raised on the way is shown as the general error
// report shows it, and ends the press. True when the action completed.
bool PressNavigatorButton(DataTable& table, NavButton button, Prompter& prompter, Progress& wait,
                          const std::function<bool(NavButton)>& beforeAction,
                          const std::function<void(NavButton)>& afterAction,
                          const std::function<void()>& insideLock = {});

}  // namespace ambitra
