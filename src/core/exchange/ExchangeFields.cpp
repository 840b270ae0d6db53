#include "core/exchange/ExchangeFields.h"

#include "core/data/Schema.h"

namespace ambitra {

QList<ExchangeField> exchangeFields(const TableDef& table) {
    QList<ExchangeField> fields;
    for (int i = 0; i < table.columns.size(); ++i) {
        const ColumnDef& c = table.columns[i];
        if (c.lookup) {
            continue;
        }
        ExchangeField f{c.name, FieldKind::Text, c.size, c.label, i};
        // The amount is known by its name: it is the one column with decimals.
        if (c.name == QLatin1String("BEVALOR")) {
            f.kind = FieldKind::Amount;
            f.width = 12;
        } else if (c.type == ColumnType::Date || c.type == ColumnType::DateTime) {
            f.kind = FieldKind::Date;
            f.width = 8;
        }
        fields << f;
    }
    return fields;
}

}  // namespace ambitra
