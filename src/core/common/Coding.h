#pragma once

#include <QString>

namespace ambitra {

// The coding of automatic asset codes (the CodeBar setting): a bar-code
// standard whose codes are digits ending in a check digit, or none. In the
// order the options dialog offers them.
enum class Coding { EAN8, EAN13, None };

// The coding a CodeBar setting names ("EAN8", "EAN13"; anything else is none).
Coding codingOf(const QString& codeBar);
// The CodeBar setting of a coding: "EAN8", "EAN13" or empty.
QString codeBarOf(Coding coding);
// "padrão EAN-8", "padrão EAN-13", "nenhum".
QString codingCaption(Coding coding);
// Digits of a code without its check digit (7, 12); 0 without a coding.
int dataDigits(Coding coding);
// Whether the code is a code of the coding: its length in digits, the last
// the check digit of the others. Never without a coding.
bool holdsCheckDigit(const QString& code, Coding coding);

}  // namespace ambitra
