#pragma once

#include <QString>

class QPagedPaintDevice;

namespace ambitra {

class CountReport;
struct OwnFiles;

// Paints the report of a count page after page: a title, the count's data, a
// table per location with the assets not simply seen there (the missing ones
// by code and description), the totals, and the page number on every page.
// False when the device could not be painted on.
bool paintCountReport(const CountReport& report, QPagedPaintDevice& device);

// The report as a PDF file, written whole or not at all; raises a message when
// the name is refused or the file cannot be written.
void writeCountReportPdf(const CountReport& report, const QString& path, const OwnFiles& own);

}  // namespace ambitra
