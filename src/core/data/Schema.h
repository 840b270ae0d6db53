#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace ambitra {

// Kinds of database columns as the program treats them.
enum class ColumnType {
    Text,      // VARCHAR(n)
    Money,     // exactly three decimals
    Date,      // a day, stored "yyyy-MM-dd"
    DateTime,  // a moment to the millisecond, stored "yyyy-MM-dd HH:mm:ss.zzz"
};

// One column of a table, with how grids present it.
struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::Text;
    int size = 0;          // declared size of a text column
    QString label;         // caption in grids and exports
    int displayWidth = 0;  // characters; 0 = the column size
    bool visible = true;   // hidden columns never show in grids
    bool lookup = false;   // derived from Locais, never stored
};

// The type of a column as the portable schema declares it, without its size.
QString declaredType(ColumnType type);

// One table of the register.
struct TableDef {
    QString name;
    QString keyColumn;
    bool keyOrder = true;  // rows kept in the order of the key
    QList<ColumnDef> columns;
    // Where the looked-up columns come from: lookupTable's row whose lookupKey
    // equals this table's lookupVia column (Bens shows its location this way).
    QString lookupTable = {};
    QString lookupKey = {};
    QString lookupVia = {};

    int indexOf(const QString& column) const;  // -1 when absent; letter case ignored
    QStringList storedColumns() const;
};

namespace schema {

// Current schema version, kept in PRAGMA user_version of databases we create.
// 1: the five tables of the register; 2: adds the inventory count tables; 3: adds
// the paired handhelds of the service and the identifier a handheld gives each
// reading; 4: adds the inventories (commission, locations and rounds, the counts
// that joined them, the commission's decisions).
constexpr int kVersion = 4;

const TableDef& operadores();
const TableDef& locais();
const TableDef& bens();
const TableDef& status();
const TableDef& log();

// The statements that create a new database, in order.
QStringList createStatements();

// The statements that bring a database of our version `from` to kVersion, in
// order (empty when it is current). Run in one transaction by the caller.
QStringList upgradeStatements(int from);
// The log's indexes (period queries of the log window, the cascade from Bens),
// which a bulk copy builds once after its rows instead of row by row.
QStringList logIndexStatements();
QStringList logIndexNames();

// The declared type of a column by its name (names are unique across the tables
// thanks to their two-letter prefixes); Text for unknown names.
ColumnType typeOfColumn(const QString& name);

}  // namespace schema
}  // namespace ambitra
