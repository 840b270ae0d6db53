#pragma once

#include <QString>

class QPagedPaintDevice;

namespace ambitra {

struct InventoryReport;
struct OwnFiles;

// Paints the report of an inventory page after page, as the commission signs
// it: the organisation, the inventory and its commission, the progress chart,
// the figures per location (the earlier rounds under the latest), the lists of
// assets, the conditions, the period's movements, the totals, the commission's
// declaration and a signature line per member. Every page carries its number
// and the date of issue, and an open inventory's pages are marked "PARCIAL".
// Tables that go on over a page repeat their column heads. False when the
// device could not be painted on.
bool paintInventoryReport(const InventoryReport& report, QPagedPaintDevice& device);

// The report as a PDF file, written whole or not at all; raises a message when
// the name is refused or the file cannot be written.
void writeInventoryReportPdf(const InventoryReport& report, const QString& path,
                             const OwnFiles& own);

// An amount of thousandths as the report prints it: "1.234.567,890".
QString brazilianAmount(qint64 thousandths);

}  // namespace ambitra
