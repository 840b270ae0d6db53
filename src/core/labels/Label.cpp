#include "core/labels/Label.h"

#include "core/common/Coding.h"

namespace ambitra {

Symbology SymbologyFor(const QString& code, const QString& codeBar) {
    const Coding coding = codingOf(codeBar);
    if (!holdsCheckDigit(code, coding)) {
        return Symbology::Code128;
    }
    return coding == Coding::EAN13 ? Symbology::EAN13 : Symbology::EAN8;
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
