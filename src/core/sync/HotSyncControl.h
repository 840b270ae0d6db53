#pragma once

#include <QObject>
#include <QString>

namespace ambitra {

// The HotSync transfer control: it reports each HotSync of the handheld
// application through OnHotSyncStatus and moves files between the desktop and
// the handheld.
//
// Status 1 opens a cycle, each transfer requested while an event is handled is
// carried out later in the same cycle and answered by one status 3 event (Param
// 1 on success), and status 2 follows the last of them. Events arrive one at a
// time on the thread that owns the control.
class HotSyncControl : public QObject {
    Q_OBJECT

  public:
    // Kinds of a finished transfer (CmdType).
    static constexpr int kSent = 3;
    static constexpr int kSentAlso = 8;
    static constexpr int kReceived = 4;

    // Status codes of OnHotSyncStatus.
    static constexpr int kCycleStart = 1;
    static constexpr int kCycleEnd = 2;
    static constexpr int kTransferDone = 3;

    using QObject::QObject;

    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual QString PilotUserName() const = 0;
    virtual int CmdType() const = 0;
    virtual QString CmdFilename() const = 0;

    // Deliver the known HotSync users one by one: the result is > 0 (FirstUser) or
    // non-zero (NextUser) when userName and userFolder hold the next one. The two
    // integers belong to the control; callers pass the same variables each time.
    virtual int FirstUser(int& position, QString& userName, QString& userFolder, int& flags) = 0;
    virtual int NextUser(int& position, QString& userName, QString& userFolder, int& flags) = 0;

    // Request a transfer of the handheld's table of that file name.
    virtual void SendFile(const QString& path, const QString& creator, const QString& library,
                          int reserved, int versionMajor, int versionMinor) = 0;
    virtual void ReceiveFile(const QString& path, const QString& creator, const QString& library,
                             int reserved, int versionMajor, int versionMinor) = 0;

  signals:
    void OnHotSyncStatus(int StatusCode, int Param);
};

}  // namespace ambitra
