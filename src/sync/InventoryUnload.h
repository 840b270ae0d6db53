#pragma once

#include <QString>

namespace ambitra {

class Progress;
class SyncLog;
class TDados;

// Applies the inventory the handheld sent back (BENS.DBF): every record marked
// "X" updates its asset (or adds a new one), and each change of location,
// condition or serial number, and each new asset, becomes a row of the
// inventory log.
//
// The whole unload is one transaction with a savepoint per record: a record that
// cannot be applied is rolled back alone, and an interrupted unload leaves the
// register as it was before.
class InventoryUnload {
  public:
    InventoryUnload(TDados& dados, SyncLog& log, Progress& progress);

    // userName: the HotSync user of the cycle; folder: the user's exchange folder.
    void ProcessInventory(const QString& userName, const QString& folder);
    // The same for a returned assets table kept under another name (a copy of
    // one received earlier): path names the file itself.
    void ProcessFile(const QString& userName, const QString& path);

    int processed() const { return m_processed; }
    int newRows() const { return m_newRows; }
    // Whether the last run reached its completion line.
    bool completed() const { return m_completed; }

  private:
    void applyRecords(const QString& userName);

    TDados& m_dados;
    SyncLog& m_log;
    Progress& m_progress;
    int m_processed = 0;
    int m_newRows = 0;
    bool m_completed = false;
};

}  // namespace ambitra
