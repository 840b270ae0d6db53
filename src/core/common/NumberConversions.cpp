#include "core/common/Conversions.h"

#include <QLocale>

namespace ambitra {

namespace {

bool isDigit(QChar ch) {
    return ch >= u'0' && ch <= u'9';
}

// Blanks and control characters, as the trimming of the number reader sees them.
bool isBlankOrControl(QChar ch) {
    return ch.unicode() <= u' ';
}

// Skips a run of digits from pos; returns how many there were.
qsizetype skipDigits(QStringView text, qsizetype& pos) {
    const qsizetype start = pos;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    return pos - start;
}

// True when the whole text is a decimal number: sign, digits, a "." fraction and
// an exponent, with at least one digit before or after the point.
bool isDecimalNumber(QStringView text) {
    qsizetype pos = 0;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        ++pos;
    }
    qsizetype mantissaDigits = skipDigits(text, pos);
    if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        mantissaDigits += skipDigits(text, pos);
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
            ++pos;
        }
        if (skipDigits(text, pos) == 0) {
            return false;
        }
    }
    return pos == text.size();
}

}  // namespace

std::optional<double> TextToNumber(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankOrControl(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlankOrControl(text[end - 1])) {
        --end;
    }
    const QStringView number = QStringView(text).mid(begin, end - begin);
    if (!isDecimalNumber(number)) {
        return std::nullopt;
    }
    // The syntax is checked above, so the C-locale reader only has to convert;
    // it still refuses a number out of range, which then counts as no number.
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

double TextToFloat(const QString& text) {
    return TextToNumber(text).value_or(0);
}

QString DigitsOnly(const QString& text, int width) {
    QString digits;
    digits.reserve(text.size());
    for (QChar ch : text) {
        if (isDigit(ch)) {
            digits.append(ch);
        }
    }
    if (width <= 0) {
        return digits;
    }
    if (digits.size() < width) {
        digits.prepend(QString(width - digits.size(), u'0'));
    }
    return digits.right(width);
}

QString StripLeadingZeros(const QString& text) {
    const QString point = QLocale::system().decimalPoint();
    return StripLeadingZeros(text, point.isEmpty() ? u'.' : point.front());
}

QString StripLeadingZeros(const QString& text, QChar decimalSeparator) {
    QString result = text;
    qsizetype point = result.indexOf(decimalSeparator);
    if (point == 0) {
        result.prepend(u'0');
        point = 1;
    }
    // Keep the separator, what follows it and one character before it.
    const qsizetype keep = point >= 0 ? result.size() - point + 1 : 1;
    qsizetype zeros = 0;
    while (result.size() - zeros > keep && result[zeros] == u'0') {
        ++zeros;
    }
    return result.mid(zeros);
}

QString AddEANCheckDigit(const QString& text) {
    const QString digits = DigitsOnly(text, 17);
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        const int digit = digits[i].unicode() - u'0';
        // Counting from 1, odd positions weigh 3 and even positions 1.
        sum += i % 2 == 0 ? 3 * digit : digit;
    }
    const int check = (10 - sum % 10) % 10;
    return text + QChar(u'0' + check);
}

}  // namespace ambitra
