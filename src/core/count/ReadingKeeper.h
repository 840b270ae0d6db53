#pragma once

#include "core/count/CountStore.h"
#include "core/count/ReadingClass.h"

#include <QHash>
#include <QString>
#include <QVariant>

namespace ambitra {

class NativeQuery;

// Keeps the readings of one returned table in the user's count, one at a time,
// inside the caller's transaction: the user's latest open count, or a new one
// without expected assets when none is open.
class ReadingKeeper {
  public:
    ReadingKeeper(CountStore& store, const QString& user, const QString& coding);
    ReadingKeeper(const ReadingKeeper&) = delete;
    ReadingKeeper& operator=(const ReadingKeeper&) = delete;

    // A reading kept pending and without class (the store classifies the whole
    // batch afterwards).
    void keepPending(const Reading& reading);
    // A reading kept as the unload dealt with it: classified against the row the
    // unload found for it (for a code read again, the row as it was before this
    // table), applied or left pending.
    void keepDealt(const Reading& reading, const RegisterRow& found, bool applied);

    // Writes the readings still held back (a server gets them in rows); to be
    // called before the transaction commits or the batch is read.
    void finish();

    const StoredBatch& batch() const { return m_batch; }

  private:
    void insert(const Reading& reading, std::optional<ReadingClass> readingClass,
                const RegisterRow& row, const char* state);
    // By place, in order: a server's values are held until a row of readings is full.
    void bind(int index, const QVariant& value);
    void send();

    CountStore& m_store;
    const QString m_coding;
    const QString m_now;
    const int m_columns;  // bound per reading
    StoredBatch m_batch;
    NativeQuery* m_native = nullptr;
    QString m_rowsText;                    // a server's insert of many readings at once
    QVariantList m_held;                   // values of the readings not yet sent to a server
    QHash<QString, RegisterRow> m_before;  // rows this table changed, as they were
};

}  // namespace ambitra
