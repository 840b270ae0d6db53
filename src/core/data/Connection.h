#pragma once

#include "core/common/Progress.h"
#include "core/data/EngineErrorText.h"

#include <QHash>
#include <QSqlDatabase>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace ambitra {

class DatabaseEngine;
class NativeQuery;
class RecordBatch;
struct ChangeStamp;
struct HeldWrite;

// A write statement as a table ran it, with its bound values.
struct JournaledWrite {
    QString sql;
    QList<QVariant> values;
    qint64 record = 0;  // the run's tag of the record that wrote it
};

// The data module's one database connection. Every engine failure is raised as
// an ambitra::Error carrying the engine's text.
class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Driver name (the provider) and connection text ("...;Data Source=FILE;").
    void setProvider(const QString& provider) { m_provider = provider; }
    void setConnectionString(const QString& text) { m_connectionString = text; }
    const QString& provider() const { return m_provider; }
    const QString& connectionString() const { return m_connectionString; }

    // Opens the file named by the connection text. The file is probed, so one that
    // is not a database fails here rather than at the first query.
    void open();
    void close();
    bool isOpen() const;

    QSqlDatabase& database() { return m_db; }
    // The file name, or for a server the connection string, of the connection text.
    QString fileName() const;
    // What the provider's engine does its own way; raises before the first open
    // when the provider names no engine the program knows.
    DatabaseEngine& engine();

    // Runs a statement without result rows; raises on failure. Statements are
    // prepared once and kept: runs issue a savepoint per record.
    void exec(const QString& statement);
    // A statement on the embedded engine's own interface, prepared once and kept
    // until the connection closes (a statement that outlived the connection would
    // keep the file open); null for other engines. Callers finish() each read, so
    // that no read stays open between runs.
    NativeQuery* nativeQuery(const QString& sql);
    // While a run's batch of records is open, every write of a table on this
    // connection is added to its journal once the engine took it, and on a
    // server the rows a table writes are handed to it to be held back and sent
    // together (see RecordBatch).
    void setRecordBatch(RecordBatch* batch) { m_batch = batch; }
    bool journalsWrites() const { return m_batch != nullptr; }
    void journalWrite(const QString& sql, QList<QVariant> values);
    bool holdsWrites() const;
    void hold(HeldWrite write);
    // Sends the writes held back so far: a read must see them.
    void sendHeldWrites();
    // Runs a journaled write again; raises on failure, worded with valueOf.
    void execWrite(const JournaledWrite& write, const EngineErrorText::ValueOf& valueOf = {});
    // Runs a write of the program's own (positional parameters) and journals it.
    void write(const JournaledWrite& write);

    // Takes the write lock at once (a run must not find out half-way that
    // another program holds it), waiting for it up to writeLockWait() with the
    // database-wait cursor shown; raises the engine's "locked" error, with
    // nothing changed, when it cannot be had.
    void beginTransaction(Progress& wait = noProgress());
    // A short transaction for saving one row that was read outside it: another
    // program's writes wait (or make it fail) rather than interleave.
    void beginRowWrite();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }
    // A read transaction: every statement until endReadSnapshot() sees the
    // register as it was when it began, whatever other programs commit in the
    // meantime, so a file written from it is never half old and half new.
    void beginReadSnapshot();
    void endReadSnapshot();
    bool inReadSnapshot() const { return m_inReadSnapshot; }
    // Readers that never wait for a writer nor hold one up: on the embedded
    // engine, the write-ahead log (kept in the file, so other programs use it
    // too). A file that cannot change its mode now stays as it is.
    void allowConcurrentReaders();
    int writeLockWait() const { return m_writeLockWaitMs; }
    void setWriteLockWait(int milliseconds) { m_writeLockWaitMs = milliseconds; }
    // What had been written when asked (see ChangeStamp): a read of the whole
    // register whose stamp is unchanged need not run again. None when the engine
    // cannot tell, and inside a transaction.
    std::optional<ChangeStamp> changeStamp() const;
    // Counts the openings, so prepared statements know when they went stale.
    int generation() const { return m_generation; }

  private:
    // The statement prepared once per text, kept while the connection is open.
    QSqlQuery& preparedQuery(const QString& sql);

    QString m_name;
    QString m_provider;
    QString m_connectionString;
    std::unique_ptr<DatabaseEngine> m_engine;
    QString m_engineDriver;
    QSqlDatabase m_db;
    QHash<QString, QSqlQuery> m_prepared;
    QHash<QString, std::shared_ptr<NativeQuery>> m_native;
    RecordBatch* m_batch = nullptr;
    bool m_inTransaction = false;
    bool m_inReadSnapshot = false;
    int m_generation = 0;
    int m_writeLockWaitMs = 30000;
};

// A transaction for one run: committed by commit(), rolled back when the guard
// goes out of scope without it (an error escaped).
class Transaction {
  public:
    explicit Transaction(Connection& connection, Progress& wait = noProgress());
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    Connection& m_connection;
    bool m_done = false;
};

// One consistent view of the register for an export, a load or a report: a
// read transaction for the guard's lifetime. Inside a transaction of this
// connection it does nothing (that one already sees one register).
class ReadSnapshot {
  public:
    explicit ReadSnapshot(Connection& connection);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  private:
    Connection& m_connection;
    bool m_owned;
};

// Around a run that fills empty tables with many rows in one transaction (a
// copy of a whole register): made before the run's Transaction, so that it ends
// after it. The engine may write the rows the cheapest way that keeps every
// guarantee of the transaction (see DatabaseEngine::beginBulkFill).
class BulkFill {
  public:
    explicit BulkFill(Connection& connection);
    ~BulkFill();
    BulkFill(const BulkFill&) = delete;
    BulkFill& operator=(const BulkFill&) = delete;

  private:
    Connection& m_connection;
    bool m_changed;
};

// A savepoint for one record of a run: release() keeps its work, leaving the
// scope without it rolls back just that record.
class Savepoint {
  public:
    explicit Savepoint(Connection& connection, const char* name = "record");
    ~Savepoint();
    void release();
    void rollback();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

  private:
    Connection& m_connection;
    QString m_name;
    bool m_done = false;
};

}  // namespace ambitra
