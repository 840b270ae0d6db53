#pragma once

#include "core/data/Connection.h"

#include <QHash>
#include <QSet>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace ambitra {

class DataTable;
struct TableDef;

// The write of one row that a run hands to its batch on a server, held back to
// be sent with the batch's other rows of the same table and columns.
struct HeldWrite {
    JournaledWrite single;  // the same write as a statement of its own
    const TableDef* table = nullptr;
    // The columns written, by index in the table; single.values holds their
    // values in this order, followed, for an update, by the row's key.
    QList<int> columns;
    bool insert = false;
    QString key;                  // the row's key, when the table has one
    DataTable* origin = nullptr;  // the table whose rows in memory show the write
    // A part other than 0 is a write of the record whose refusal leaves the
    // record kept (the log row of an unload).
    int part = 0;

    // The written values by column name, for the wording of a refusal.
    EngineErrorText::ValueOf valueOf() const;
};

// The savepoints of a run's records. One savepoint holds a batch of records
// rather than one each: to a server every savepoint and its release are a
// round trip, as much as the record's own write. When a record fails, the
// batch is rolled back and the writes of its other records (journaled) are
// made again, so the register keeps exactly what a savepoint per record would.
//
// On a server the rows the batch's records write are also held back and sent
// together, one statement per table and set of columns, for the same reason. A
// record's write the engine refuses then comes to light only when the batch is
// sent: the batch is rolled back, its records are written again one by one,
// and the run is told of each refused one (onRefused), as if it had failed in
// its turn.
class RecordBatch {
  public:
    // The run's answer to a record the engine refused when its batch was sent:
    // whether the records after it go on (false: they are dropped, as a run that
    // stops at its first failing record would never have written them).
    using Refused = std::function<bool(qint64 record, int part, const QString& error)>;
    static constexpr int kHeldRecords = 200;

    // records: how many records one savepoint holds; 1 is a savepoint per
    // record, 0 none at all (a failure then undoes more than the record). On a
    // server any other count holds back the writes, in batches of
    // kHeldRecords when it is 0.
    RecordBatch(Connection& connection, int records);
    // Rolls back an open batch: an error escaped the records' own handling.
    ~RecordBatch();
    void onRefused(Refused refused) { m_refused = std::move(refused); }
    bool holdsWrites() const { return m_holding; }
    // Whether a refused record stopped the run: later records write nothing.
    bool stopped() const { return m_stopped; }
    // Whether a batch is open: what its records did is not final yet.
    bool isOpen() const { return m_open; }

    // Before each record; record is the run's tag for it (a line, a place).
    void begin(qint64 record);
    // The record is stored.
    void keep();
    // The record failed: only its work is undone. Nothing needs undoing when
    // the engine did not refuse it and it wrote nothing.
    void undo(bool engineRefused);
    // Keeps the records of the open batch.
    void finish();

    // A write of the current record, held back until the batch is sent; a row
    // that already has a held write is sent first, so no statement writes a row
    // twice.
    void hold(HeldWrite write);
    // Sends the held writes (the batch stays open).
    void sendHeld();
    // A write the engine took (see Connection::journalWrite).
    void journal(JournaledWrite write);

    RecordBatch(const RecordBatch&) = delete;
    RecordBatch& operator=(const RecordBatch&) = delete;

  private:
    struct Pending {
        HeldWrite write;
        qint64 record;
    };
    void close();
    // Puts back the writes of the batch, but those of one record.
    void replayJournal(std::optional<qint64> except);
    // Writes the held rows again one record at a time, telling the run of each
    // one refused.
    void replayHeld(QList<Pending> held);
    void writeRecord(const QList<Pending>& held, qsizetype from, qsizetype to);
    // Writes one part of a record in a savepoint of its own; the engine's
    // refusal when it was refused.
    std::optional<QString> writePart(const QList<Pending>& held, qsizetype from, qsizetype to,
                                     int part);
    // Tells the run of a refused record (see onRefused).
    void tell(qint64 record, int part, const QString& error);
    // Forgets a held write that will never be made.
    static void drop(const Pending& pending);
    QString heldSql(const HeldWrite& write);
    void sendGroup(const QList<const Pending*>& group);

    Connection& m_connection;
    int m_size;
    bool m_holding = false;
    int m_count = 0;  // records in the open batch
    bool m_open = false;
    bool m_stopped = false;
    qint64 m_record = 0;  // the current record's tag
    QList<JournaledWrite> m_journal;
    QList<Pending> m_held;
    QHash<QString, QSet<QString>> m_heldKeys;  // by table: keys with a held write
    QHash<QString, QString> m_heldSql;         // one row's statement -> many rows'
    Refused m_refused;
};

}  // namespace ambitra
