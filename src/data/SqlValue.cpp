#include "data/SqlValue.h"

#include <QDateTime>

#include <cmath>

namespace ambitra::sqlvalue {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
// "yyyy-MM-dd" read directly: rows are read by the hundred thousand and the
// general date parser costs more than the rest of the row.
QDate parseDate(const QString& s) {
    if (s.size() < 10 || s[4] != QLatin1Char('-') || s[7] != QLatin1Char('-')) {
        return QDate::fromString(s.left(10), kDateFormat);
    }
    auto number = [&s](int from, int length) {
        int n = 0;
        for (int i = from; i < from + length; ++i) {
            const char16_t c = s[i].unicode();
            if (c < u'0' || c > u'9') {
                return -1;
            }
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    const int y = number(0, 4);
    const int m = number(5, 2);
    const int d = number(8, 2);
    return y < 0 || m < 0 || d < 0 ? QDate() : QDate(y, m, d);
}

}  // namespace

QString dateText(const QDate& date) {
    return date.toString(kDateFormat);
}

QString dateTimeText(const QDateTime& when) {
    return when.toString(kDateTimeFormat);
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
    if (!value.isValid()) {
        return QVariant(QMetaType::fromType<QString>());
    }
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
            return stored.toString();
        case ColumnType::Money:
            return roundMoney(stored.toDouble());
        case ColumnType::Date: {
            const QDate d = parseDate(stored.toString());
            return d.isValid() ? QVariant(d) : QVariant();
        }
        case ColumnType::DateTime: {
            const QString s = stored.toString();
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
