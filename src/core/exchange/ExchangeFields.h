#pragma once

#include <QList>
#include <QString>

namespace ambitra {

struct TableDef;

// How a field is written to and read from the text layouts.
enum class FieldKind {
    Text,    // the column's text, filled to its size in the fixed layouts
    Amount,  // BEVALOR: three decimals
    Date,    // "yyyymmdd" (fixed, delimited) or "yyyy/mm/dd" (comma-separated)
};

// One field of an exchange: a stored column of the table, in declaration order.
struct ExchangeField {
    QString name;
    FieldKind kind = FieldKind::Text;
    int width = 0;   // characters in the fixed-width layout
    QString label;   // header text of the comma-separated layout
    int column = 0;  // index of the column in the table
};

// The fields a table exchanges: its stored columns (the looked-up ones of Bens
// are not), the key first.
QList<ExchangeField> exchangeFields(const TableDef& table);

}  // namespace ambitra
