#pragma once

#include "core/count/Reading.h"
#include "core/count/ReadingKeeper.h"

#include <QList>
#include <QString>

#include <functional>

class QDateTime;

namespace ambitra {

struct HeldWrite;
class Progress;
class RecordBatch;
class SyncLog;
class TDados;

// Applies inventory readings to the register: a reading of a known asset carries
// its location, condition and serial number over, one of a new code adds the
// asset, and each change becomes a row of the inventory log. The unload applies
// the readings of a returned file with it, the review those it chose.
//
// A run is one transaction with record savepoints: a reading that cannot be
// applied is rolled back alone, and an interrupted run leaves the register as it
// was before.
class ReadingApplier {
  public:
    // The next reading to apply; false when there is none left.
    using ReadingSource = std::function<bool(Reading&)>;
    // Run inside a reading's savepoint once its asset is saved (the reading is then
    // marked applied with it).
    using AppliedHook = std::function<void(const Reading&)>;

    ReadingApplier(TDados& dados, SyncLog& log, Progress& progress);

    // The readings of a returned file: one whose code fails the check digit of
    // the coding is held instead of becoming a new asset. With keep, each is also
    // kept in the user's count with its class and whether it was applied.
    void applyReturned(const QString& userName, const ReadingSource& source, bool keep);
    // Readings kept earlier, applied exactly as the unload applies a file (the
    // same log rows, counters and completion lines) whatever their code.
    void applyKept(const QString& userName, const ReadingSource& source,
                   const AppliedHook& applied);

    void clearCounts();
    int processed() const { return m_processed; }
    int newRows() const { return m_newRows; }
    // Whether the last run reached its completion line.
    bool completed() const { return m_completed; }

  private:
    // Applies every reading of source in one transaction; with keep, each one
    // is also kept in the user's count with its class and whether it was applied.
    void applyAll(const QString& userName, const ReadingSource& source, bool holdInvalid,
                  const AppliedHook& applied, bool keep);
    // One reading, inside the run's record savepoints; false when it was held
    // or failed. found: the register's row for its code as it was before the
    // reading (unknown when the code is new).
    bool applyOne(RecordBatch& records, qint64 record, const Reading& reading,
                  const QString& userName, bool holdInvalid, const AppliedHook& applied,
                  RegisterRow& found);
    void writeLogRow(RecordBatch& records, const Reading& reading, const QString& userName,
                     const QString& code, const QString& occurrence);
    // The log row of a reading's change, as one write.
    static HeldWrite logRow(const Reading& reading, const QString& userName, const QString& code,
                            const QString& occurrence);

    // What a record did, kept until its batch is sent when the batch holds its
    // writes back (see RecordBatch): a record the engine refuses then must not
    // be counted, logged or kept as applied, and its message goes in its place.
    struct Dealt {
        Reading reading;
        RegisterRow found;
        bool done = false;
        bool logged = false;                       // its log row is written
        QList<std::pair<bool, QString>> messages;  // (an error?, the text)
    };
    void refused(Dealt& dealt, int part, const QString& error);
    // Shows the messages of the records whose batch was sent, and keeps their
    // readings in the count.
    void settle(ReadingKeeper* keeper);
    // A message of the current record.
    void note(const QString& text, bool error = false);
    void noteError(const QString& text) { note(text, true); }
    // Records under one savepoint (see RecordBatch).
    int recordsPerSavepoint(bool reviewing) const;
    static constexpr int kRecordsPerSavepoint = 1000;
    void finish(const QDateTime& start);

    TDados& m_dados;
    SyncLog& m_log;
    Progress& m_progress;
    int m_processed = 0;
    int m_newRows = 0;
    bool m_completed = false;
    bool m_holding = false;  // the run's batches hold their writes back
    QList<Dealt> m_dealt;    // the records of the open batch
    qint64 m_dealtFirst = 0;
};

}  // namespace ambitra
