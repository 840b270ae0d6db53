#include "core/data/SaveRules.h"

#include "core/common/DateTextConversions.h"
#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/DataTable.h"

namespace ambitra {

namespace {

// The default condition codes a new Status table receives.
struct DefaultStatus {
    const char* code;
    const char* text;
};
constexpr DefaultStatus kDefaultStatus[] = {
    {"EX", "Excelente"}, {"MB", "Muito Boa"}, {"BO", "Boa"},
    {"RG", "Regular"},   {"RU", "Ruim"},      {"PE", "Péssima"},
};

}  // namespace

void clearEmptyValues(DataTable& table) {
    const QList<ColumnDef>& columns = table.columns();
    for (int i = 0; i < columns.size(); ++i) {
        const ColumnDef& c = columns[i];
        if (c.lookup) {
            continue;
        }
        const QVariant v = table.value(i);
        if (v.isNull()) {
            continue;
        }
        if (c.type == ColumnType::Text && v.toString().isEmpty()) {
            table.setValue(i, QVariant());
        } else if ((c.type == ColumnType::Date && v.toDate() == kZeroDate) ||
                   (c.type == ColumnType::DateTime && v.toDateTime().date() == kZeroDate)) {
            table.setValue(i, QVariant());
        }
    }
}

void beforeAssetSave(DataTable& table) {
    table.setNull(QStringLiteral("BEFLAG"));
    clearEmptyValues(table);
}

void addDefaultStatus(DataTable& table, Prompter& prompter) {
    if (!table.isEmpty()) {
        return;
    }
    for (const DefaultStatus& s : kDefaultStatus) {
        try {
            table.insert();
            table.setValue(QStringLiteral("STCODIGO"), QString::fromUtf8(s.code));
            table.setValue(QStringLiteral("STTEXTO"), QString::fromUtf8(s.text));
            table.post();
        } catch (const Error& error) {
            table.cancel();
            prompter.beepError(error.message());
        }
    }
}

}  // namespace ambitra
