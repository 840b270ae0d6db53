#pragma once

#include "core/data/EngineErrorText.h"
#include "core/data/Schema.h"

#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace ambitra {

class Connection;
class DataTable;
class NativeQuery;

// Stores the rows of a table: through the engine's own interface where there is
// one, else through the general driver, or held back in the connection's batch
// while a run holds writes (see RecordBatch). Raises on engine errors, worded
// with the values of the row written.
class RowWriter {
  public:
    using Row = QList<QVariant>;

    // origin: the table whose rows in memory show the writes.
    RowWriter(Connection& connection, const TableDef& def, DataTable& origin);

    // Prepares the writing statements; native: the table reads and writes
    // through the engine's own interface. oneSql reads the row of one key.
    void open(bool native, const QString& oneSql);
    void close();

    void insert(const Row& values);
    // Writes the columns that differ from the row as it was read.
    void update(const Row& values, const Row& original, const QString& key);
    // The same, only when the stored row is still as it was read (read again,
    // locked); false, with nothing written and the save's own transaction
    // rolled back, when another desktop changed or deleted it meanwhile.
    bool updateUnchanged(const Row& values, const Row& original, const QString& key);
    void remove(const QString& key);

  private:
    // The values of the row written, for the user's text of a failed write.
    EngineErrorText::ValueOf valuesOf(const Row& values) const;
    // A write statement on the engine's own interface; null for other engines.
    NativeQuery* nativeWrite(const QString& sql) const;
    void execNative(NativeQuery& statement, const Row& values) const;
    void execDriver(QSqlQuery& statement, const Row& values) const;
    // The stored columns whose values differ from the row as read, a bit each.
    quint64 changedColumns(const Row& row, const Row& original) const;
    // The update of those columns, made once for each set of them.
    const QString& updateSql(quint64 changed);
    QSqlQuery& updateQuery(quint64 changed, const QString& sql);
    // The stored row of a key, locked until the transaction ends; empty when gone.
    Row fetchLocked(const QString& key);
    bool sameStoredValues(const Row& stored, const Row& read) const;

    Connection& m_connection;
    const TableDef& m_def;
    DataTable& m_origin;
    int m_keyColumn = 0;
    QStringList m_stored;  // stored columns, in order
    QList<int> m_storedIndex;
    bool m_native = false;
    QString m_oneSql;
    QSqlQuery m_lockedOneQuery;
    QString m_insertSql;
    QSqlQuery m_insertQuery;
    QHash<quint64, QString> m_updateSql;        // by the set of changed columns
    QHash<quint64, QSqlQuery> m_updateQueries;  // the same, for other engines
};

}  // namespace ambitra
