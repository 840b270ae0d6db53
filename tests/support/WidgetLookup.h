#pragma once

#include <QStringList>
#include <QTableWidget>
#include <QWidget>

#include <gtest/gtest.h>

namespace ambitra::test {

// The texts of one column of a grid, top to bottom.
inline QStringList column(const QTableWidget& grid, int c) {
    QStringList cells;
    for (int r = 0; r < grid.rowCount(); ++r) {
        cells << grid.item(r, c)->text();
    }
    return cells;
}

// A window's child by its object name; a failure of the test when it has none.
template <typename T>
T* child(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

}  // namespace ambitra::test
