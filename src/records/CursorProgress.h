#pragma once

#include "common/Progress.h"

namespace ambitra::ui {

// Busy periods of the core shown as the hourglass (or database-wait) pointer.
class CursorProgress : public Progress {
  public:
    void beginBusy(Cursor cursor) override;
    void endBusy() override;
};

// The one instance the maintenance windows hand to their rules.
Progress& cursorProgress();

}  // namespace ambitra::ui
