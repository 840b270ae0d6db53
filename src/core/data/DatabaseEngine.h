#pragma once

#include "core/common/Progress.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class QObject;
class QSqlDatabase;
class QSqlError;

namespace ambitra {

class Connection;
struct TableDef;

// What differs between the database engines the register can live in: how a
// connection is made and checked, how a run takes the write lock, the column
// types and ordering of the schema, where the schema version is kept, how other
// desktops learn of changes and how the engine words its errors. Every other
// file speaks to the data module and never to an engine directly.
class DatabaseEngine {
  public:
    virtual ~DatabaseEngine() = default;

    // The engine of a Qt driver name; null when the program knows no such engine.
    static std::unique_ptr<DatabaseEngine> forDriver(const QString& driver);

    // The engine's name as users know it ("SQLite", "PostgreSQL").
    virtual QString name() const = 0;
    // True when the register is a file the program creates when it is missing.
    virtual bool isFile() const = 0;

    // Passes the source (a file name, or a connection string) to the driver.
    virtual void configure(QSqlDatabase& db, const QString& source) const = 0;
    // Checks a newly opened connection and sets it up for the program; returns
    // the engine's error when the connection cannot be used.
    virtual QSqlError startSession(QSqlDatabase& db) const = 0;
    // The user's text for a connection the driver could not open.
    virtual QString openErrorText(const QSqlError& error, const QString& source) const;
    // The source as messages may show it (a password in it is never shown).
    virtual QString shownSource(const QString& source) const { return source; }
    // Whether statements without parameters may be prepared (the engine may
    // refuse to prepare transaction control and definitions).
    virtual bool preparesEveryStatement() const = 0;
    // Raises when the text holds more than one statement and the driver would
    // run them one after the other (the embedded engine's driver refuses such a
    // text itself).
    virtual void refuseStatementList(const QString& sql) const { Q_UNUSED(sql); }
    // Whether bulk reads may go through the embedded engine's own interface.
    virtual bool hasNativeReads() const = 0;

    // Begins the run's transaction holding the register's write lock, waiting for
    // it up to waitMs with the database-wait cursor; raises when it cannot be had.
    virtual void beginWrite(Connection& connection, Progress& wait, int waitMs) const = 0;

    // Begins a read transaction that sees the register as it is at this moment.
    virtual void beginReadSnapshot(Connection& connection) const = 0;
    // Readers that never wait for a writer nor hold one up (where the engine
    // needs to be asked for that).
    virtual void allowConcurrentReaders(Connection& connection) const { Q_UNUSED(connection); }
    // Before a run that fills empty tables with many rows in one transaction (a
    // copy of a whole register), outside that transaction: true when the engine
    // changed how the connection writes for it; endBulkFill() changes it back
    // once the transaction has ended, committed or not.
    virtual bool beginBulkFill(Connection& connection) const {
        Q_UNUSED(connection);
        return false;
    }
    virtual void endBulkFill(Connection& connection) const { Q_UNUSED(connection); }
    // Begins the transaction of one row's save; the row is read again with
    // lockRowSuffix() after the statement that selects it.
    virtual void beginRowWrite(Connection& connection) const = 0;
    virtual QString lockRowSuffix() const = 0;

    // The creation statements in this engine's types and ordering; the tables
    // named in insertionOrdered show their rows in the order they were added.
    virtual QStringList schemaStatements(const QStringList& portable,
                                         const QStringList& insertionOrdered) const = 0;
    // The version our schema recorded in the register; 0 when none.
    virtual int schemaVersion(Connection& connection) const = 0;
    virtual void setSchemaVersion(Connection& connection, int version) const = 0;
    // The register's tables, as the engine names them.
    virtual QStringList tableNames(Connection& connection) const = 0;
    // The last n characters of a text expression.
    virtual QString rightText(const QString& expression, int n) const = 0;

    // The condition that a key is one of up to count keys, and its parameters
    // for the keys given (a list shorter than count is filled up).
    virtual QString keyListCondition(const QString& key, int count) const;
    virtual QList<QVariant> keyListParameters(const QStringList& keys, int count) const;

    // Whether a run sends the rows its records write together rather than a
    // statement each (see RecordBatch): to a server each statement is a round trip.
    virtual bool writesRowsTogether() const { return false; }
    // The statements that insert many rows of a table, or update columns of
    // many rows by key: each column's values (then the keys) are bound as one
    // arrayParameter(). types are the columns' types as the portable schema
    // declares them (VARCHAR, INTEGER, MONEY, DATE, DATETIME).
    virtual QString manyRowsInsertSql(const QString& table, const QStringList& columns,
                                      const QStringList& types) const;
    virtual QString manyRowsUpdateSql(const QString& table, const QString& keyColumn,
                                      const QStringList& columns, const QStringList& types) const;
    virtual QVariant arrayParameter(const QList<QVariant>& values) const;

    // Starts receiving the changes other desktops commit: changed(table) runs for
    // each. False when the engine has no other desktops to hear from.
    virtual bool subscribe(QSqlDatabase& db, QObject* context,
                           const std::function<void(const QString&)>& changed) const;

  protected:
    // The first column of every row of a statement, as text; raises on errors.
    static QStringList firstColumn(Connection& connection, const QString& sql);
};

}  // namespace ambitra
