#pragma once

#include <QString>

#include <functional>

namespace ambitra {

enum class Symbology { EAN8, EAN13, Code128 };

// What one label shows: the bar code of a code with its digits, and the text
// lines under it.
struct Label {
    QString code;
    Symbology symbology = Symbology::Code128;
    QString description;
    QString location;
};

// The bar code a code is printed in: with EAN-8 or EAN-13 coding (the CodeBar
// setting) and a code of that length whose check digit is right, that standard;
// any other code as it is stored, in Code 128.
Symbology SymbologyFor(const QString& code, const QString& codeBar);
// Whether the bar code can hold the code: Code 128 takes the Latin-1 characters only.
bool SymbologyHolds(Symbology symbology, const QString& code);

// "LOCODIGO - building / department / room"; only the code when the three are
// empty, nothing without a code.
QString LocationText(const QString& code, const QString& building, const QString& department,
                     const QString& room);

// The longest beginning of the text (blanks at its end dropped) whose width, as
// measure gives it, is not above width.
QString CutToFit(const QString& text, double width,
                 const std::function<double(const QString&)>& measure);

}  // namespace ambitra
