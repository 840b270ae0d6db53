#pragma once

#include "core/count/Reading.h"

#include <QDateTime>
#include <QList>
#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ambitra {

class Connection;
class Progress;
class TDados;

// One inventory count as the lists show it.
struct CountInfo {
    int number = 0;
    QDateTime opened;
    QString user;
    bool open = false;
    int expected = 0;
    int readings = 0;
    int pending = 0;
};

// An asset as a load sent it: its code and the location it was sent for.
struct SentAsset {
    QString code;
    QVariant location;
};

// The readings one returned table added to a count.
struct StoredBatch {
    int count = 0;
    int firstSeq = 0;
    int lastSeq = 0;  // firstSeq - 1 when the table had no reading
    int size() const { return lastSeq - firstSeq + 1; }
};

// The inventory counts kept in the register: a count is opened by every load
// sent to a handheld (what was expected), receives the readings every unload of
// that user brings back (what was seen, each with its class against the
// register), and is closed by its user or by that user's next load. Readings
// stay pending until applied or rejected.
class CountStore {
  public:
    // The texts of the reading states kept in the register.
    static constexpr const char* kPending = "P";
    static constexpr const char* kApplied = "A";
    static constexpr const char* kRejected = "R";

    explicit CountStore(TDados& dados);

    // Raises the program's message when the database has no count tables.
    static void requireAvailable(TDados& dados);

    // A new open count for a load of user; the user's open counts are closed.
    // While an inventory is open the count joins it, in the same transaction;
    // notes (when given) receives the lines that say so for the
    // synchronisation log.
    int openCount(const QString& user, const QStringList& locations, const QList<SentAsset>& sent,
                  QStringList* notes = nullptr);
    // Where the next readings of user go, inside the caller's transaction: the
    // user's latest open count (a new count without expected assets when none is
    // open) and its next place; the batch holds no reading yet.
    StoredBatch startBatch(const QString& user, const QString& now);
    // Stores every reading of records as readings of that count, each with its
    // class against the register and the register's values it was compared with.
    // One transaction: all of them are kept, or none.
    StoredBatch storeReadings(ReturnedRecords& records, const QString& user, const QString& coding,
                              Progress& progress);
    void setState(int count, int seq, const char* state);

    // Closes an open count; raises a message when there is no such open count.
    void closeCount(int number);

    QList<CountInfo> counts();                   // newest first
    std::optional<CountInfo> count(int number);  // none when there is no such count
    int latestCount();                           // 0 when there is none
    QStringList locations(int number);           // the marked locations

    // The pending readings of a count after place afterSeq, in order, at most
    // limit of them (for paging through large counts).
    QList<Reading> pendingReadings(int count, int afterSeq, int limit);
    // Every pending reading of a count: with the register's values it was
    // compared with (old location, condition, serial).
    struct PendingRow {
        Reading reading;
        QVariant oldLocation;
        QVariant oldCondition;
        QVariant oldSerial;
    };
    QList<PendingRow> pendingRows(int count);
    // The user of a count (the one whose HotSync brought its readings).
    QString user(int number);

    Connection& connection() { return m_conn; }
    // Whether readings keep the identifier a handheld gave them (schema 3 on).
    bool keepsReadingIds() const;
    // The kept readings that have one of these identifiers: their state and
    // whether their code failed the check digit, by identifier.
    struct HeldReading {
        QString state;
        bool invalid = false;
    };
    QHash<QString, HeldReading> heldReadings(const QStringList& ids);

  private:
    QSqlQuery prepare(const QString& sql);
    static void run(QSqlQuery& query);
    int scalar(const QString& sql, const QVariantList& values);
    int openCountOf(const QString& user);
    int newCount(const QString& user, const QString& now);
    void classify(const StoredBatch& batch);

    TDados& m_dados;
    Connection& m_conn;
};

// The readings a count keeps, read from the register in pages: for applying
// pending readings without holding them all in memory.
class PendingReadings {
  public:
    // accept: which pending readings are taken (the others are passed over).
    PendingReadings(CountStore& store, int count, std::function<bool(const Reading&)> accept);
    bool next(Reading& reading);

  private:
    CountStore& m_store;
    int m_count;
    std::function<bool(const Reading&)> m_accept;
    QList<Reading> m_page;
    qsizetype m_at = 0;
    int m_lastSeq = 0;
    bool m_done = false;
};

}  // namespace ambitra
