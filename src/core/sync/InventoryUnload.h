#pragma once

#include "core/count/ReadingApplier.h"

#include <QString>
#include <QStringList>

namespace ambitra {

class Progress;
class SyncLog;
class TDados;

// Applies the inventory the handheld sent back (BENS.DBF): every record marked
// "X" updates its asset (or adds a new one), and each change of location,
// condition or serial number, and each new asset, becomes a row of the
// inventory log (see ReadingApplier).
//
// Where the register keeps inventory counts, every record is also kept as a
// reading of the user's count, with its class against the register: with review
// on they all wait there, and are applied later by the same rules (CountReview);
// without review each is kept as it is applied, in the same transaction. A
// record whose code fails the check digit of the coding is held in the count
// instead of becoming a new asset.
class InventoryUnload {
  public:
    InventoryUnload(TDados& dados, SyncLog& log, Progress& progress);

    // userName: the HotSync user of the cycle; folder: the user's exchange folder.
    void ProcessInventory(const QString& userName, const QString& folder);
    // The same for a returned assets table kept under another name (a copy of
    // one received earlier): path names the file itself.
    void ProcessFile(const QString& userName, const QString& path);

    // The identifiers of the records taking part in the next run, in file order
    // (readings a handheld sent through the service): kept with each reading.
    void setReadingIds(const QStringList& ids) { m_ids = ids; }

    int processed() const { return m_applier.processed(); }
    int newRows() const { return m_applier.newRows(); }
    // Whether the last run reached its completion line.
    bool completed() const { return m_completed; }

  private:
    // Keeps the file's readings in the user's count and, unless they wait for
    // review, applies them.
    void processRecords(const QString& userName);

    TDados& m_dados;
    SyncLog& m_log;
    Progress& m_progress;
    ReadingApplier m_applier;
    bool m_completed = false;
    QStringList m_ids;
};

}  // namespace ambitra
