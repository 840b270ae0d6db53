#pragma once

#include <QImage>
#include <QString>

namespace ambitra {

// A QR code of the text (UTF-8) from the bar-code library, each module
// modulePixels square, with its quiet zone. A null image when the library
// refuses the text; error then says why.
QImage qrCodeImage(const QString& text, int modulePixels, QString* error = nullptr);

}  // namespace ambitra
