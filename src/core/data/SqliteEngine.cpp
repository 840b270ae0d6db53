#include "core/data/SqliteEngine.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace ambitra {

namespace {

// How long a statement waits for another program's lock before it fails.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

void SqliteEngine::configure(QSqlDatabase& db, const QString& source) const {
    db.setDatabaseName(source);
    // Other programs may hold the file: wait a little for their locks.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
}

QSqlError SqliteEngine::startSession(QSqlDatabase& db) const {
    // The engine opens any file lazily: read its schema now so that a file that is
    // not a database is refused as a connection that cannot be opened.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
        !probe.exec(QStringLiteral("PRAGMA foreign_keys = ON")) ||
        // Runs touch every row of a large register: a 64 MB page cache keeps them
        // from rereading the file (the engine's default is 2 MB).
        !probe.exec(QStringLiteral("PRAGMA cache_size = -65536"))) {
        return probe.lastError();
    }
    return QSqlError();
}

void SqliteEngine::beginWrite(Connection& connection, Progress& wait, int waitMs) const {
    // First without waiting; only when another program holds the lock is the
    // wait announced and the longer timeout used.
    const QString normalTimeout = QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs);
    connection.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    try {
        connection.exec(QStringLiteral("BEGIN IMMEDIATE"));
    } catch (const Error&) {
        BusyGuard waiting(wait, Progress::Cursor::DatabaseWait);
        connection.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(waitMs));
        try {
            connection.exec(QStringLiteral("BEGIN IMMEDIATE"));
        } catch (const Error&) {
            connection.exec(normalTimeout);
            throw;
        }
    }
    connection.exec(normalTimeout);
}

void SqliteEngine::beginRowWrite(Connection& connection) const {
    beginWrite(connection, noProgress(), kBusyTimeoutMs);
}

void SqliteEngine::beginReadSnapshot(Connection& connection) const {
    connection.exec(QStringLiteral("BEGIN"));
    // The engine fixes what a transaction sees at its first read, not at BEGIN:
    // read now, so the view is that of this moment.
    connection.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

void SqliteEngine::allowConcurrentReaders(Connection& connection) const {
    QSqlQuery mode(connection.database());
    // The write-ahead log, kept in the file: another program with the file open
    // in the old mode keeps it so until later.
    mode.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
}

bool SqliteEngine::beginBulkFill(Connection& connection) const {
    // Through the write-ahead log every new page would be written twice: into the
    // log, then by the checkpoint into the file. Under the rollback journal the
    // pages the file did not have go straight into it, once, and a failure still
    // leaves the file as it was (the journal keeps the pages that existed). The
    // engine leaves the log only while no other connection has the file open;
    // otherwise the run goes through the log as always.
    if (firstColumn(connection, QStringLiteral("PRAGMA journal_mode")).value(0) !=
        QLatin1String("wal")) {
        return false;
    }
    QSqlQuery mode(connection.database());
    return mode.exec(QStringLiteral("PRAGMA journal_mode = DELETE")) && mode.next() &&
           mode.value(0).toString() == QLatin1String("delete");
}

void SqliteEngine::endBulkFill(Connection& connection) const {
    // Back to the log. When another program holds the file at this moment it
    // stays in the journal's mode until the program opens it next.
    allowConcurrentReaders(connection);
}

int SqliteEngine::schemaVersion(Connection& connection) const {
    return firstColumn(connection, QStringLiteral("PRAGMA user_version")).value(0).toInt();
}

void SqliteEngine::setSchemaVersion(Connection& connection, int version) const {
    connection.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
}

QStringList SqliteEngine::tableNames(Connection& connection) const {
    return firstColumn(connection,
                       QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                      "name NOT LIKE 'sqlite%' ORDER BY rowid"));
}

QString SqliteEngine::rightText(const QString& expression, int n) const {
    // RIGHT is a keyword here: the engine's substr counts from the end instead.
    return QStringLiteral("substr(%1, -%2)").arg(expression).arg(n);
}

}  // namespace ambitra
