#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace ambitra {

// Every file the program reads or writes holds single-byte Windows-1252 text.
// The conversion is table driven: it runs once per field of every record of an
// exchange, so it must cost a few nanoseconds per character. Its results equal
// Qt's ICU "windows-1252" codec for every byte (checked by the tests), except that
// a character outside the code page becomes "?" instead of the codec's 0x1A.
namespace cp1252 {

// Bytes to text. The five bytes the code page leaves undefined (81 8D 8F 90 9D)
// decode to the C1 control characters of the same value, so any byte sequence
// survives a round trip.
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}

// Text to bytes; a character the code page cannot hold is written as '?'.
QByteArray encode(QStringView text);

// Appends the encoded text to out (no allocation per call when out has room).
void appendEncoded(QByteArray& out, QStringView text);

// The byte for one character, or '?' when the code page has none.
char toByte(char16_t ch);

// The text with one UTF-16 unit for each byte that encode() writes: a character
// beyond the basic plane (a surrogate pair) becomes the "?" it is written as.
// Fixed widths are counted on this form.
QString asWritten(const QString& text);

// The character of one byte.
char16_t toChar(unsigned char byte);

}  // namespace cp1252
}  // namespace ambitra
