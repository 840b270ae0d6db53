#include "print/BarcodeSymbol.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <zint.h>

#include <algorithm>
#include <cmath>

namespace ambitra {

namespace {

// With this scale the library's drawing units are modules (narrowest bars).
constexpr float kUnitsPerModule = 0.5f;
constexpr float kFirstHeight = 50;  // modules; only to learn the symbol's proportions

int libraryCode(Symbology symbology) {
    switch (symbology) {
        case Symbology::EAN8:
        case Symbology::EAN13:
            // The code carries its check digit; the library verifies it.
            return BARCODE_EANX_CHK;
        case Symbology::Code128:
            break;
    }
    return BARCODE_CODE128;
}

}  // namespace

BarcodeSymbol::BarcodeSymbol() : m_symbol(ZBarcode_Create()) {}

BarcodeSymbol::~BarcodeSymbol() {
    ZBarcode_Delete(m_symbol);
}

bool BarcodeSymbol::encode(Symbology symbology, const QByteArray& data, float height) {
    ZBarcode_Clear(m_symbol);
    m_symbol->symbology = libraryCode(symbology);
    m_symbol->input_mode = UNICODE_MODE;
    m_symbol->output_options = BARCODE_QUIET_ZONES;
    m_symbol->show_hrt = 1;
    m_symbol->scale = kUnitsPerModule;
    m_symbol->height = height;
    const int result = ZBarcode_Encode_and_Buffer_Vector(
        m_symbol, reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<int>(data.size()), 0);
    if (result >= ZINT_ERROR || m_symbol->vector == nullptr) {
        m_error = QString::fromUtf8(m_symbol->errtxt);
        return false;
    }
    return true;
}

bool BarcodeSymbol::draw(QPainter& painter, const QRectF& box, Symbology symbology,
                         const QString& code, double maxModule) {
    const QByteArray data = code.toUtf8();
    if (!encode(symbology, data, kFirstHeight)) {
        return false;
    }
    const double width = m_symbol->vector->width;
    const double textPart = m_symbol->vector->height - kFirstHeight;
    double module = std::min(maxModule, box.width() / width);
    // Whole device pixels per module keep every bar of one width alike on a printer.
    if (module >= 2) {
        module = std::floor(module);
    }
    const double barHeight = std::max(box.height() / module - textPart, 5.0);
    if (!encode(symbology, data, static_cast<float>(barHeight))) {
        return false;
    }
    const zint_vector& vector = *m_symbol->vector;
    const QPointF origin(std::round(box.x() + (box.width() - vector.width * module) / 2),
                         box.y() + (box.height() - vector.height * module) / 2);

    for (const zint_vector_rect* r = vector.rectangles; r != nullptr; r = r->next) {
        painter.fillRect(QRectF(origin.x() + r->x * module, origin.y() + r->y * module,
                                r->width * module, r->height * module),
                         Qt::black);
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    for (const zint_vector_string* s = vector.strings; s != nullptr; s = s->next) {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(s->text), s->length);
        font.setPixelSize(std::max(1, static_cast<int>(s->fsize * module)));
        // The library's suggested width is what the digits may take under the bars.
        const double room = s->width > 0 ? s->width * module : box.width();
        double shown = QFontMetricsF(font).horizontalAdvance(text);
        if (shown > room) {
            font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * room / shown)));
            shown = QFontMetricsF(font).horizontalAdvance(text);
        }
        const double x = origin.x() + s->x * module;
        const double left = s->halign == 1 ? x : s->halign == 2 ? x - shown : x - shown / 2;
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(left, origin.y() + s->y * module), text);
    }
    return true;
}

}  // namespace ambitra
