#include "ui/widgets/CursorProgress.h"

#include <QApplication>
#include <QCursor>

namespace ambitra::ui {

void CursorProgress::beginBusy(Cursor cursor) {
    QApplication::setOverrideCursor(
        QCursor(cursor == Cursor::DatabaseWait ? Qt::BusyCursor : Qt::WaitCursor));
}

void CursorProgress::endBusy() {
    QApplication::restoreOverrideCursor();
}

}  // namespace ambitra::ui
