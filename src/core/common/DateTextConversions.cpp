#include "core/common/Conversions.h"

#include "core/common/Cp1252.h"

#include <algorithm>

namespace ambitra {

namespace {

// Reads count digit characters from pos as a decimal number.
int digitsValue(const QString& digits, qsizetype pos, qsizetype count) {
    int value = 0;
    for (qsizetype i = pos; i < pos + count; ++i) {
        value = value * 10 + (digits[i].unicode() - u'0');
    }
    return value;
}

// The day clamped to its month: out-of-range days become 30 (28 in February,
// leap years too), never 31. Files of the handheld rely on these exact dates.
int clampDay(int month, int day) {
    switch (month) {
        case 2:
            return day == 0 || day > 28 ? 28 : day;
        case 4:
        case 6:
        case 9:
        case 11:
            return day == 0 || day > 30 ? 30 : day;
        default:
            return day == 0 || day > 31 ? 30 : day;
    }
}

}  // namespace

QDate TextToDate(const QString& text) {
    QString digits = DigitsOnly(text, 0);
    if (digits.size() < 8) {
        digits.prepend(QString(8 - digits.size(), u'0'));
    }
    const int year = std::max(digitsValue(digits, 0, 4), 1899);
    int month = digitsValue(digits, 4, 2);
    if (month == 0 || month > 12) {
        month = 12;
    }
    const int day = clampDay(month, digitsValue(digits, 6, 2));
    return QDate(year, month, day);
}

QTime TextToTime(const QString& text) {
    QString digits = DigitsOnly(text, 0);
    if (digits.size() < 6) {
        digits.append(QString(6 - digits.size(), u'0'));
    }
    int hours = digitsValue(digits, 0, 2);
    int minutes = digitsValue(digits, 2, 2);
    int seconds = digitsValue(digits, 4, 2);
    minutes += seconds / 60;
    seconds %= 60;
    hours += minutes / 60;
    minutes %= 60;
    hours %= 24;
    return QTime(hours, minutes, seconds);
}

bool TextToBool(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const char16_t first = text.front().unicode();
    return first == u'T' || first == u't' || first == u'V' || first == u'v' || first == u'1';
}

QString TextToHex(const QString& text) {
    // Texts are single bytes of the code page, so the codes are those bytes.
    QString hex;
    for (char byte : cp1252::encode(text)) {
        hex.append(QString::number(static_cast<unsigned char>(byte), 16).toUpper());
    }
    return hex;
}

QString PadLeft(const QString& text, int width, QChar fill) {
    if (width <= 0) {
        return {};
    }
    if (text.size() < width) {
        return QString(width - text.size(), fill) + text;
    }
    return text.left(width);
}

QString PadRight(const QString& text, int width, QChar fill) {
    if (width <= 0) {
        return {};
    }
    if (text.size() < width) {
        return text + QString(width - text.size(), fill);
    }
    return text.right(width);
}

}  // namespace ambitra
