#pragma once

#include "core/inventory/InventoryReport.h"

#include <QString>
#include <QStringList>

namespace ambitra {

// An amount in thousandths as the reports write it: "1234.500", "-0.250".
QString amountText(Thousandths amount);

// The commission's declaration that closes the report: the assets were checked
// in person in the inventory's period (up to the day of issue while it is open).
// The same words in every form of the report.
QString inventoryDeclaration(const InventoryReport& report);

// The report as lines of the command line, tab-separated: the inventory, its
// members, per location its latest round and then its earlier rounds, the
// total, the lists, the conditions and the movements (see the CLI).
QStringList inventoryReportLines(const InventoryReport& report);

}  // namespace ambitra
