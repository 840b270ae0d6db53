#pragma once

#include "core/data/DatabaseEngine.h"

namespace ambitra {

// The shared register on a server: reached through a libpq connection string
// (passwords stay in libpq's own files), keys in code-point order (COLLATE "C"),
// one run at a time per register through a transaction-scoped advisory lock,
// the schema version in a table of its own and every committed change
// announced to the other desktops by the schema's own triggers.
class PostgresEngine : public DatabaseEngine {
  public:
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    bool isFile() const override { return false; }
    void configure(QSqlDatabase& db, const QString& source) const override;
    QSqlError startSession(QSqlDatabase& db) const override;
    QString openErrorText(const QSqlError& error, const QString& source) const override;
    QString shownSource(const QString& source) const override { return withoutPassword(source); }
    bool preparesEveryStatement() const override { return false; }
    void refuseStatementList(const QString& sql) const override;
    bool hasNativeReads() const override { return false; }
    void beginWrite(Connection& connection, Progress& wait, int waitMs) const override;
    void beginRowWrite(Connection& connection) const override;
    void beginReadSnapshot(Connection& connection) const override;
    // Only the table's own row: the looked-up location is not locked.
    QString lockRowSuffix() const override { return QStringLiteral(" FOR UPDATE OF t"); }
    QStringList schemaStatements(const QStringList& portable,
                                 const QStringList& insertionOrdered) const override;
    int schemaVersion(Connection& connection) const override;
    void setSchemaVersion(Connection& connection, int version) const override;
    QStringList tableNames(Connection& connection) const override;
    QString rightText(const QString& expression, int n) const override;
    QString keyListCondition(const QString& key, int count) const override;
    QList<QVariant> keyListParameters(const QStringList& keys, int count) const override;
    bool writesRowsTogether() const override { return true; }
    QString manyRowsInsertSql(const QString& table, const QStringList& columns,
                              const QStringList& types) const override;
    QString manyRowsUpdateSql(const QString& table, const QString& keyColumn,
                              const QStringList& columns, const QStringList& types) const override;
    QVariant arrayParameter(const QList<QVariant>& values) const override;
    bool subscribe(QSqlDatabase& db, QObject* context,
                   const std::function<void(const QString&)>& changed) const override;

    // The error of a statement or connection on this engine, in the embedded
    // engine's wording that the program's translation reads ("UNIQUE constraint
    // failed: Bens.BECODIGO"); empty when the error is not this engine's or has
    // no such counterpart.
    static QString canonicalErrorText(const QSqlError& error);
    // True when the connection text names a password, which belongs in libpq's
    // password file and never in the settings file: key/value "password=", a URI's
    // "user:password@" or its parameter "password" (its name percent-encoded too).
    static bool namesPassword(const QString& connection);
    // The connection text with every password in it replaced by "***".
    static QString withoutPassword(const QString& connection);
};

}  // namespace ambitra
