#pragma once

#include "core/xbase/HalcyonField.h"
#include "core/xbase/TableFile.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <deque>

namespace ambitra {

// The dBase table object. It is pointed at one file at a time: close it, set
// the folder and the file name, open it, read or write records, close it.
//
// The file is opened shared: other programs may read and append at the same
// time. Reading visits the live records in file order, skipping deleted ones.
// Every write re-reads the header and derives the record count from the file
// size, so records appended by others are counted and never overwritten.
class THalcyonDataSet {
  public:
    enum class State { Inactive, Browse, Edit, Insert };

    THalcyonDataSet();
    ~THalcyonDataSet();
    THalcyonDataSet(const THalcyonDataSet&) = delete;
    THalcyonDataSet& operator=(const THalcyonDataSet&) = delete;

    // The folder and the file name; ".DBF" is assumed for a name without
    // extension. Both may change only while the table is closed.
    const QString& DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString& folder);
    const QString& TableName() const { return m_tableName; }
    void SetTableName(const QString& fileName);
    // Opens the file for reading only (no Edit, Insert or locks); for tools that
    // inspect a table on read-only media. Only while closed.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    // How long an append waits for another program's append to finish.
    std::chrono::milliseconds AppendLockWait() const { return m_appendLockWait; }
    void SetAppendLockWait(std::chrono::milliseconds wait) { m_appendLockWait = wait; }

    void Open();
    // Discards an unsaved Edit or Insert, writes records of a bulk append still
    // held, and closes the file. Field objects are gone afterwards.
    void Close();
    bool Active() const { return m_state != State::Inactive; }
    State GetState() const { return m_state; }
    // Folder and file name joined, as used in messages.
    const QString& FilePath() const { return m_path; }

    void First();
    void Next();
    bool Eof() const { return m_eof; }
    bool IsEmpty() const { return !m_anyLive; }
    // Records in the file by its size, deleted ones included.
    qint64 RecordCount() const { return m_recordCount + m_pendingCount; }
    // Number of the current record in the file (1 = first); 0 when there is none.
    qint64 RecNo() const { return m_recNo; }

    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    THalcyonField& Fields(int index) { return m_fields.at(static_cast<size_t>(index)); }
    const THalcyonField& Fields(int index) const { return m_fields.at(static_cast<size_t>(index)); }
    // Letter case is ignored. FindField gives nullptr for a missing name,
    // FieldByName raises "Field '%s' not found".
    THalcyonField* FindField(const QString& name);
    THalcyonField& FieldByName(const QString& name);

    // Edit locks and re-reads the current record (on an empty table it acts as
    // Insert); Insert prepares a blank record; Post writes the prepared record
    // in place or at the end; Cancel drops it.
    void Edit();
    void Insert();
    void Post();
    void Cancel();

    // Bulk append: until EndBulkAppend, posted inserts collect in memory and go
    // to the file in large blocks, each under the append lock with one header
    // update: the same bytes as one append per record, and still safe against
    // another appender. Reading, Edit and Close write what is held first.
    void BeginBulkAppend();
    void EndBulkAppend();

  private:
    friend class THalcyonField;

    char* record() { return m_record.data(); }
    const char* record() const { return m_record.constData(); }
    void requireActive() const;
    void requireWritable() const;
    void requireEditing() const;
    const char* blankRecord() const { return m_blank.constData(); }
    QString tableBaseName() const;

    void readHeader(char* header);
    void buildFields(const char* descriptors, int count, int recordLength);
    qint64 recordOffset(qint64 recNo) const {
        return m_headerLength + (recNo - 1) * m_recordLength;
    }
    qint64 sizeDerivedCount() const;
    // Moves to the first live record at or after recNo; Eof when none.
    void seekLive(qint64 recNo);
    const char* cachedRecord(qint64 recNo);
    void resetRecordBuffer();

    void markPosted(qint64 recNo);
    void appendRecords(const char* records, qint64 count);
    void readCurrentHeader(char* header);
    void writeHeader(char* header, qint64 recordCount);
    void flushBulk();
    void releaseRecordLock();
    void closeFile();

    QString m_databaseName;
    QString m_tableName;
    QString m_path;
    bool m_readOnly = false;
    std::chrono::milliseconds m_appendLockWait{2000};

    TableFile m_file;
    State m_state = State::Inactive;
    int m_headerLength = 0;
    int m_recordLength = 0;
    std::deque<THalcyonField> m_fields;  // deque: field references stay valid

    qint64 m_recordCount = 0;
    qint64 m_recNo = 0;
    bool m_eof = true;
    bool m_anyLive = false;
    QByteArray m_record;  // the current record, deletion byte first
    QByteArray m_saved;   // the record before Edit or Insert, for Cancel
    QByteArray m_blank;   // a new record: blanks, N fields zero
    qint64 m_lockedRecord = 0;

    QByteArray m_readAhead;  // whole records read in one block
    qint64 m_readAheadFirst = 0;
    qint64 m_readAheadCount = 0;

    bool m_bulk = false;
    QByteArray m_pending;  // posted records of a bulk append not yet written
    qint64 m_pendingCount = 0;
    QByteArray m_writeBuffer;
};

}  // namespace ambitra
