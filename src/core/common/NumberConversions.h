#pragma once

#include <QString>

#include <optional>

// Numbers and codes read from text and written as text. None raises an error
// for bad text: each has a defined result instead.
namespace ambitra {

// Reads the whole text (blanks and control characters around it ignored) as a
// decimal number with "." as point and an optional exponent; 0 when it is not one.
double TextToFloat(const QString& text);
// The same reading, telling an unreadable text from zero: none when the text
// (without blanks at its ends) is not a decimal number.
std::optional<double> TextToNumber(const QString& text);

// Only the digits; with width > 0 zero-filled on the left and the last width kept.
QString DigitsOnly(const QString& text, int width);

// Leading "0"s removed, keeping one character before the decimal separator.
// The first form uses the decimal separator of the user's regional settings.
QString StripLeadingZeros(const QString& text);
QString StripLeadingZeros(const QString& text, QChar decimalSeparator);

// The text followed by its GS1 modulo-10 check digit.
QString AddEANCheckDigit(const QString& text);

}  // namespace ambitra
