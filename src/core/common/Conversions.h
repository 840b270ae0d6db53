#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// The program's free conversion functions: numbers, codes, the EAN check digit,
// the version text, dates, times, fixed-width filling and the system folders.
// None raises an error for bad text: each has a defined result instead.
namespace ambitra {

// The day a date column without a date reads as.
inline const QDate kZeroDate{1899, 12, 30};

// Version of a program file as four numbers joined by "." ("1.0.0.0"); empty when
// the file carries no version. Off Windows the version is the one compiled into
// the program (see FileVersion.cpp), found by scanning the file for its marker.
QString GetFileVersionText(const QString& path);
// The version compiled into this program, in the same form.
QString programVersionText();

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

// "yyyymmdd" with junk tolerated; out-of-range parts clamped (never fails).
QDate TextToDate(const QString& text);
// "hhnnss" with overflow carried; the day dropped.
QTime TextToTime(const QString& text);
// True for a first character T, V or 1 (letter case ignored).
bool TextToBool(const QString& text);
// Upper-case hexadecimal codes of the characters, as few digits as needed each.
QString TextToHex(const QString& text);

// Filled in front to width, or the first width characters of a longer text.
QString PadLeft(const QString& text, int width, QChar fill);
// Filled behind to width, or the last width characters of a longer text.
QString PadRight(const QString& text, int width, QChar fill);

// System folders. Off Windows see the definitions for what stands in for them.
QString GetSystemDir();
QString GetProgramFilesDir();
QString GetProgramLibDir();
QString GetTempDir();  // with a trailing delimiter

}  // namespace ambitra
