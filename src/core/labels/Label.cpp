#include "core/labels/Label.h"

#include "core/common/Conversions.h"

namespace ambitra {

namespace {

bool allDigits(const QString& text) {
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

bool validEan(const QString& code, int length) {
    return code.size() == length && allDigits(code) &&
           AddEANCheckDigit(code.left(length - 1)) == code;
}

}  // namespace

Symbology SymbologyFor(const QString& code, const QString& codeBar) {
    if (codeBar == QLatin1String("EAN13") && validEan(code, 13)) {
        return Symbology::EAN13;
    }
    if (codeBar == QLatin1String("EAN8") && validEan(code, 8)) {
        return Symbology::EAN8;
    }
    return Symbology::Code128;
}

bool SymbologyHolds(Symbology symbology, const QString& code) {
    if (code.isEmpty()) {
        return false;
    }
    if (symbology != Symbology::Code128) {
        return true;
    }
    for (QChar c : code) {
        if (c.unicode() > 0xFF) {
            return false;
        }
    }
    return true;
}

QString LocationText(const QString& code, const QString& building, const QString& department,
                     const QString& room) {
    if (code.trimmed().isEmpty()) {
        return {};
    }
    if (building.trimmed().isEmpty() && department.trimmed().isEmpty() &&
        room.trimmed().isEmpty()) {
        return code;
    }
    return code + u" - " + building + u" / " + department + u" / " + room;
}

QString CutToFit(const QString& text, double width,
                 const std::function<double(const QString&)>& measure) {
    QString shown = text;
    while (!shown.isEmpty() && (shown.back().isSpace() || measure(shown) > width)) {
        // A character outside the basic plane goes whole.
        shown.chop(shown.size() > 1 && shown.back().isLowSurrogate() ? 2 : 1);
    }
    return shown;
}

}  // namespace ambitra
