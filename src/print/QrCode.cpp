#include "print/QrCode.h"

#include <zint.h>

#include <cstring>
#include <memory>

namespace ambitra {

QImage qrCodeImage(const QString& text, int modulePixels, QString* error) {
    const std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(),
                                                                      ZBarcode_Delete);
    symbol->symbology = BARCODE_QRCODE;
    symbol->input_mode = UNICODE_MODE;
    symbol->output_options = BARCODE_QUIET_ZONES;
    // The library's raster draws a module as two pixels at scale 1.
    symbol->scale = static_cast<float>(modulePixels) / 2.0f;
    const QByteArray data = text.toUtf8();
    const int result = ZBarcode_Encode_and_Buffer(
        symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<int>(data.size()), 0);
    if (result >= ZINT_ERROR || symbol->bitmap == nullptr) {
        if (error != nullptr) {
            *error = QString::fromUtf8(symbol->errtxt);
        }
        return {};
    }
    const int width = symbol->bitmap_width;
    QImage image(width, symbol->bitmap_height, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(image.scanLine(y), symbol->bitmap + static_cast<qsizetype>(y) * width * 3,
                    static_cast<size_t>(width) * 3);
    }
    return image;
}

}  // namespace ambitra
