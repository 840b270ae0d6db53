#include "records/CursorProgress.h"

#include <QApplication>
#include <QCursor>

namespace ambitra::ui {

void CursorProgress::beginBusy(Cursor cursor) {
    QApplication::setOverrideCursor(cursor == Cursor::Busy ? Qt::WaitCursor : Qt::BusyCursor);
}

void CursorProgress::endBusy() {
    QApplication::restoreOverrideCursor();
}

Progress& cursorProgress() {
    static CursorProgress progress;
    return progress;
}

}  // namespace ambitra::ui
