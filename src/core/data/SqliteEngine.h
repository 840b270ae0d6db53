#pragma once

#include "core/data/DatabaseEngine.h"

namespace ambitra {

// The embedded engine: the register is one file beside the program, one writer
// at a time (the file's lock), the schema version in PRAGMA user_version and no
// other desktop to tell of changes.
class SqliteEngine : public DatabaseEngine {
  public:
    QString name() const override { return QStringLiteral("SQLite"); }
    bool isFile() const override { return true; }
    void configure(QSqlDatabase& db, const QString& source) const override;
    QSqlError startSession(QSqlDatabase& db) const override;
    bool preparesEveryStatement() const override { return true; }
    bool hasNativeReads() const override { return true; }
    void beginWrite(Connection& connection, Progress& wait, int waitMs) const override;
    void beginRowWrite(Connection& connection) const override;
    void beginReadSnapshot(Connection& connection) const override;
    void allowConcurrentReaders(Connection& connection) const override;
    bool beginBulkFill(Connection& connection) const override;
    void endBulkFill(Connection& connection) const override;
    // The file's write lock, taken when the transaction begins, covers every row.
    QString lockRowSuffix() const override { return {}; }
    // Every table of the file keeps its rows' order of insertion (rowid).
    QStringList schemaStatements(const QStringList& portable,
                                 const QStringList& insertionOrdered) const override {
        Q_UNUSED(insertionOrdered);
        return portable;
    }
    int schemaVersion(Connection& connection) const override;
    void setSchemaVersion(Connection& connection, int version) const override;
    QStringList tableNames(Connection& connection) const override;
    QString rightText(const QString& expression, int n) const override;
};

}  // namespace ambitra
