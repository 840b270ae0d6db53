#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// Field values as they stand in a record: each field is exactly its width of
// bytes, without separators. Text is Windows-1252 both ways. These functions
// work in place on the record buffer, so reading and writing a field costs no
// allocation beyond the text it yields.
namespace ambitra::dbf {

// C fields: left-aligned, blank padded, cut at the width.
void writeText(char* field, int width, QStringView text);
// The text without trailing blanks (leading blanks stay).
QString readText(const char* field, int width);
bool isBlank(const char* field, int width);

// N fields: decimal text with "." right-aligned, blank padded on the left.
// Large enough for any double in fixed notation with up to 255 decimals.
constexpr int kNumberTextSize = 640;
// The text of a value rounded to the decimals; its length. A value that rounds
// to zero has no sign. Non-finite values give "inf" or "nan".
int formatReal(double value, int decimals, char* out);
int formatInteger(qint64 value, int decimals, char* out);
// Right-aligns the text in the field; false (field untouched) when it is longer.
bool placeNumber(char* field, int width, const char* text, int length);

struct ParsedNumber {
    bool valid = true;
    bool integral = true;  // no point or exponent, and fits 64 bits
    qint64 integer = 0;
    double real = 0.0;
};
// Blanks around the text are ignored; an empty field is 0. "+" and "-" signs,
// a "." point and an exponent are accepted; anything else is not a number.
ParsedNumber parseNumber(const char* text, int length);

// D fields: "yyyymmdd"; no date is 8 blanks. Reads null (invalid QDate) for
// blanks, "00000000", other lengths, non-digits and impossible dates.
QDate readDate(const char* field, int width);
// False when the date cannot be written in 8 digits (years 1 to 9999).
bool writeDate(char* field, int width, const QDate& date);
// Reads "yyyymmdd" or ISO text ("yyyy-mm-dd", with or without a time after it).
QDate parseDateText(QStringView text);

// L fields: true for T, t, Y, y, J, j.
inline bool readLogical(char byte) {
    switch (byte) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
        case 'J':
        case 'j':
            return true;
        default:
            return false;
    }
}

}  // namespace ambitra::dbf
