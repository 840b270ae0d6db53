#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Dates, times, switches and fixed-width filling read from and written as
// text. None raises an error for bad text: each has a defined result instead.
namespace ambitra {

// The day a date column without a date reads as.
inline const QDate kZeroDate{1899, 12, 30};

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

}  // namespace ambitra
