#pragma once

#include <QString>
#include <QStringList>

namespace ambitra::test {

// The pages of a PDF as a reader would see them: rendered at 300 dpi by the
// PDF tools, then every bar code found on each page, as "TYPE:data", sorted.
struct ScannedPdf {
    int pages = 0;
    QList<QStringList> codes;  // per page
};
ScannedPdf scanPdf(const QString& pdf);

}  // namespace ambitra::test
