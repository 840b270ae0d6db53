#pragma once

#include "core/common/Progress.h"

namespace ambitra::ui {

// Long work shown as the pointer: the hourglass while busy, the database-wait
// pointer during queries. Nested periods keep the pointer until the last ends.
class CursorProgress : public Progress {
  public:
    void beginBusy(Cursor cursor = Cursor::Busy) override;
    void endBusy() override;
};

}  // namespace ambitra::ui
