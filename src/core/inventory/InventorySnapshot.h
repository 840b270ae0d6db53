#pragma once

#include <QByteArray>

namespace ambitra {

struct InventoryReport;

// The report of an inventory as it stood when it closed, kept with it so that
// later changes of the register (an asset written off, a value corrected) never
// change what the commission signed. JSON of the report's figures and lists;
// the inventory itself and the day of issue are not part of it.
QByteArray inventorySnapshot(const InventoryReport& report);
// Fills report's figures and lists from a kept snapshot; false when it cannot
// be read.
bool readInventorySnapshot(const QByteArray& snapshot, InventoryReport& report);

}  // namespace ambitra
