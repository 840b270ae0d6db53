#pragma once

#include "core/data/Schema.h"

#include <QVariant>

namespace ambitra::sqlvalue {

// Dates and moments are stored as text that sorts in time order, so BETWEEN and
// MAX work on them; amounts are rounded to exactly three decimals.
QString dateText(const QDate& date);          // "yyyy-MM-dd"
QString dateTimeText(const QDateTime& when);  // "yyyy-MM-dd HH:mm:ss.zzz"
// The same forms written into out (10 and 23 characters) for a date of the years
// 1 to 9999 and a time of day in milliseconds; the count written.
int writeDateText(char* out, const QDate& date);
int writeDateTimeText(char* out, const QDate& date, int msecs);

// Rounds an amount to three decimals so that what is stored is what is shown.
double roundMoney(double value);

// The value to bind for a column of that type (null stays null).
QVariant toSql(const QVariant& value, ColumnType type);
// A bound parameter whose column type is not known: dates and moments as text.
QVariant toSqlParameter(const QVariant& value);
// The program's value of a stored one: QString, double, QDate, QDateTime or null.
QVariant fromSql(const QVariant& stored, ColumnType type);

}  // namespace ambitra::sqlvalue
