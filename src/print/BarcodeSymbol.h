#pragma once

#include "core/labels/Label.h"

#include <QRectF>
#include <QString>

class QPainter;
struct zint_symbol;

namespace ambitra {

// One bar code from the bar-code library, drawn into a box of the page with its
// human-readable text. The symbol is kept and reused from code to code.
class BarcodeSymbol {
  public:
    BarcodeSymbol();
    ~BarcodeSymbol();
    BarcodeSymbol(const BarcodeSymbol&) = delete;
    BarcodeSymbol& operator=(const BarcodeSymbol&) = delete;

    // Draws the code centred in the box, its narrowest bar at most maxModule wide
    // (both in device pixels), as tall as the box lets it. False, and nothing
    // drawn, when the library refuses the code; error() then tells why.
    bool draw(QPainter& painter, const QRectF& box, Symbology symbology, const QString& code,
              double maxModule);
    const QString& error() const { return m_error; }

  private:
    bool encode(Symbology symbology, const QByteArray& data, float height);

    zint_symbol* m_symbol;
    QString m_error;
};

}  // namespace ambitra
