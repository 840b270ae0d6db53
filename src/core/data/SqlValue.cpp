#include "core/data/SqlValue.h"

#include <QDateTime>

#include <cmath>

namespace ambitra::sqlvalue {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

// Every row read or written passes its dates through here, so the stored forms
// are written and read by hand; Qt's format parser costs microseconds per value.
void putDigits(char*& out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out += width;
}

// The number in text[at..at+width), or -1 when a character is not a digit.
int digitsAt(QStringView text, int at, int width) {
    int value = 0;
    for (int i = at; i < at + width; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

// "yyyy-MM-dd" at the start of the text; an invalid date when it is not that.
QDate readDate(QStringView text) {
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-') {
        return {};
    }
    const int year = digitsAt(text, 0, 4);
    const int month = digitsAt(text, 5, 2);
    const int day = digitsAt(text, 8, 2);
    return year > 0 && QDate::isValid(year, month, day) ? QDate(year, month, day) : QDate();
}

void putDate(char* out, int year, int month, int day) {
    putDigits(out, year, 4);
    *out++ = '-';
    putDigits(out, month, 2);
    *out++ = '-';
    putDigits(out, day, 2);
}

}  // namespace

int writeDateText(char* out, const QDate& date) {
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    putDate(out, year, month, day);
    return 10;
}

int writeDateTimeText(char* out, const QDate& date, int msecs) {
    writeDateText(out, date);
    out += 10;
    *out++ = ' ';
    putDigits(out, msecs / 3600000, 2);
    *out++ = ':';
    putDigits(out, msecs / 60000 % 60, 2);
    *out++ = ':';
    putDigits(out, msecs / 1000 % 60, 2);
    *out++ = '.';
    putDigits(out, msecs % 1000, 3);
    return 23;
}

QString dateText(const QDate& date) {
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1 || year > 9999) {
        return date.toString(kDateFormat);
    }
    char text[10];
    putDate(text, year, month, day);
    return QString::fromLatin1(text, 10);
}

QString dateTimeText(const QDateTime& when) {
    const QDate date = when.date();
    if (!when.isValid() || date.year() < 1 || date.year() > 9999) {
        return when.toString(kDateTimeFormat);
    }
    char text[23];
    return QString::fromLatin1(text,
                               writeDateTimeText(text, date, when.time().msecsSinceStartOfDay()));
}

double roundMoney(double value) {
    return std::round(value * 1000.0) / 1000.0;
}

QVariant toSql(const QVariant& value, ColumnType type) {
    if (value.isNull() || !value.isValid()) {
        return QVariant(QMetaType::fromType<QString>());
    }
    switch (type) {
        case ColumnType::Text:
            return value.toString();
        case ColumnType::Money:
            return roundMoney(value.toDouble());
        case ColumnType::Date:
            if (value.typeId() == QMetaType::QDateTime) {
                return dateText(value.toDateTime().date());
            }
            return dateText(value.toDate());
        case ColumnType::DateTime:
            if (value.typeId() == QMetaType::QDate) {
                return dateTimeText(value.toDate().startOfDay());
            }
            return dateTimeText(value.toDateTime());
    }
    return value;
}

QVariant toSqlParameter(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            return dateText(value.toDate());
        case QMetaType::QDateTime:
            return dateTimeText(value.toDateTime());
        default:
            return value;
    }
}

QVariant fromSql(const QVariant& stored, ColumnType type) {
    if (stored.isNull() || !stored.isValid()) {
        return {};
    }
    switch (type) {
        case ColumnType::Text:
            return stored.typeId() == QMetaType::QString ? stored : QVariant(stored.toString());
        case ColumnType::Money:
            return roundMoney(stored.toDouble());
        case ColumnType::Date: {
            const QString s = stored.toString();
            const QDate d = readDate(s);
            return d.isValid() ? QVariant(d) : QVariant();
        }
        case ColumnType::DateTime: {
            const QString s = stored.toString();
            if (s.size() == 23 && s[10] == u' ' && s[13] == u':' && s[16] == u':' &&
                s[19] == u'.') {
                const QDate d = readDate(s);
                const int h = digitsAt(s, 11, 2);
                const int m = digitsAt(s, 14, 2);
                const int sec = digitsAt(s, 17, 2);
                const int ms = digitsAt(s, 20, 3);
                if (d.isValid() && QTime::isValid(h, m, sec, ms)) {
                    return QDateTime(d, QTime(h, m, sec, ms));
                }
            }
            QDateTime t = QDateTime::fromString(s, kDateTimeFormat);
            if (!t.isValid()) {
                t = QDateTime::fromString(s, Qt::ISODateWithMs);
            }
            return t.isValid() ? QVariant(t) : QVariant();
        }
    }
    return stored;
}

}  // namespace ambitra::sqlvalue
