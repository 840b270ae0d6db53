#pragma once

#include <QObject>
#include <QString>

namespace ambitra {

class HotSyncControl;
class LocationCheckList;
class Progress;
class SyncLog;
class TDados;
struct SentAsset;

// The synchronisation cycle, driven by the status events of the HotSync control:
// at the start the handheld's request table COMUNICA.DBF is fetched; when it
// arrives its request is answered (load the master data onto the handheld, or
// fetch its inventory) and the table goes back marked as answered; returned
// inventory is applied at the end of the cycle. Every step writes to the log.
class SyncCycle : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kCreatorCode = "QMRV";
    static constexpr const char* kTransferLibrary = "Sddi_PalmDB.dll";
    static constexpr int kAppVerMajor = 3;
    static constexpr int kAppVerMinor = 0;

    // Handles every status event of control from now on. An error escaping the
    // handling of one event is shown in an error box and the cycle goes on.
    SyncCycle(TDados& dados, HotSyncControl& control, const LocationCheckList& locations,
              SyncLog& log, Progress& progress, QObject* parent = nullptr);

    // The status event handler.
    void HotSyncStatus(int statusCode, int param);

    // The name of the user's HotSync folder, trimmed; empty when support is off
    // or the user is unknown.
    QString UserFolder(const QString& userName);

    // Where the HotSync user folders lie: appDir/Pilot, else appDir/Palm, else the
    // temporary folder (without its trailing delimiter).
    static QString BaseFolder(const QString& appDir);

    const QString& HandheldDir() const { return m_handheldDir; }
    bool InventoryReceived() const { return m_inventoryReceived; }
    // Whether the last cycle reached its end (status 2).
    bool cycleEnded() const { return m_cycleEnded; }

  signals:
    void cycleFinished();

  private:
    void cycleStart();
    void transferSucceeded();
    void transferFailed();
    void cycleEnd();
    void answerRequest();
    // Opens the inventory count of the load just written.
    void openCount(const QList<SentAsset>& sent);
    QString markRequestAnswered();
    void makeHandheldDir(const QString& base);
    void requireOwnFile(const QString& path) const;
    QString exchangePath(const QString& fileName) const;
    void send(const QString& fileName);
    void receive(const QString& fileName);

    TDados& m_dados;
    HotSyncControl& m_control;
    const LocationCheckList& m_locations;
    SyncLog& m_log;
    Progress& m_progress;
    QString m_handheldDir;
    QString m_userFolder;
    bool m_inventoryReceived = false;
    bool m_sharedBase = false;  // the exchange folder lies in the shared temporary folder
    bool m_cycleEnded = false;
};

}  // namespace ambitra
