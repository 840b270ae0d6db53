#include "core/xbase/FieldCodec.h"

#include "core/common/Cp1252.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace ambitra::dbf {

namespace {

int trimmedEnd(const char* field, int width) {
    while (width > 0 && field[width - 1] == ' ') {
        --width;
    }
    return width;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitsValue(const char* p, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// "-0.000" and "-0" come from negative values that round to zero.
int dropNegativeZeroSign(char* out, int length) {
    if (length < 2 || out[0] != '-') {
        return length;
    }
    for (int i = 1; i < length; ++i) {
        if (out[i] != '0' && out[i] != '.') {
            return length;
        }
    }
    std::memmove(out, out + 1, static_cast<size_t>(length - 1));
    return length - 1;
}

}  // namespace

void writeText(char* field, int width, QStringView text) {
    int n = 0;
    for (qsizetype i = 0; i < text.size() && n < width; ++i) {
        const char16_t ch = text[i].unicode();
        // A character beyond the BMP is two UTF-16 units but one "?".
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            field[n++] = '?';
            continue;
        }
        field[n++] = cp1252::toByte(ch);
    }
    std::memset(field + n, ' ', static_cast<size_t>(width - n));
}

QString readText(const char* field, int width) {
    return cp1252::decode(field, trimmedEnd(field, width));
}

bool isBlank(const char* field, int width) {
    return trimmedEnd(field, width) == 0;
}

int formatReal(double value, int decimals, char* out) {
    const auto result =
        std::to_chars(out, out + kNumberTextSize, value, std::chars_format::fixed, decimals);
    return dropNegativeZeroSign(out, static_cast<int>(result.ptr - out));
}

int formatInteger(qint64 value, int decimals, char* out) {
    char* end = std::to_chars(out, out + kNumberTextSize, value).ptr;
    if (decimals > 0) {
        *end++ = '.';
        std::memset(end, '0', static_cast<size_t>(decimals));
        end += decimals;
    }
    return static_cast<int>(end - out);
}

bool placeNumber(char* field, int width, const char* text, int length) {
    if (length > width) {
        return false;
    }
    std::memset(field, ' ', static_cast<size_t>(width - length));
    std::memcpy(field + (width - length), text, static_cast<size_t>(length));
    return true;
}

ParsedNumber parseNumber(const char* text, int length) {
    ParsedNumber number;
    int end = trimmedEnd(text, length);
    int begin = 0;
    while (begin < end && text[begin] == ' ') {
        ++begin;
    }
    if (begin == end) {
        return number;
    }
    bool negative = false;
    if (text[begin] == '+' || text[begin] == '-') {
        negative = text[begin] == '-';
        ++begin;
    }
    // from_chars would also take "inf" and "nan"; a number starts with a digit or point.
    if (begin == end || !(isDigit(text[begin]) || text[begin] == '.')) {
        number.valid = false;
        return number;
    }
    const char* first = text + begin;
    const char* last = text + end;
    const auto asInteger = std::from_chars(first, last, number.integer);
    if (asInteger.ec == std::errc() && asInteger.ptr == last) {
        number.integer = negative ? -number.integer : number.integer;
        number.real = static_cast<double>(number.integer);
        return number;
    }
    number.integral = false;
    const auto asReal = std::from_chars(first, last, number.real);
    number.valid = asReal.ec == std::errc() && asReal.ptr == last;
    number.real = negative ? -number.real : number.real;
    return number;
}

QDate readDate(const char* field, int width) {
    if (trimmedEnd(field, width) != 8 || std::memcmp(field, "00000000", 8) == 0) {
        return {};
    }
    for (int i = 0; i < 8; ++i) {
        if (!isDigit(field[i])) {
            return {};
        }
    }
    const int year = digitsValue(field, 4);
    return year == 0 ? QDate() : QDate(year, digitsValue(field + 4, 2), digitsValue(field + 6, 2));
}

bool writeDate(char* field, int width, const QDate& date) {
    if (!date.isValid()) {
        std::memset(field, ' ', static_cast<size_t>(width));
        return true;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1 || year > 9999 || width < 8) {
        return false;
    }
    char digits[8];
    int value = year * 10000 + month * 100 + day;
    for (int i = 7; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    std::memcpy(field, digits, 8);
    std::memset(field + 8, ' ', static_cast<size_t>(width - 8));
    return true;
}

QDate parseDateText(QStringView text) {
    text = text.trimmed();
    if (text.size() == 8) {
        const QByteArray latin = text.toLatin1();
        return readDate(latin.constData(), 8);
    }
    if (text.size() >= 10) {
        return QDate::fromString(text.left(10).toString(), Qt::ISODate);
    }
    return {};
}

}  // namespace ambitra::dbf
