#pragma once

#include "core/sync/HotSyncControl.h"

#include <QList>
#include <QString>

namespace ambitra {

class Registry;

// The HotSync control over a cradle whose handheld storage is a folder (the
// device folder): a cycle runs for one HotSync user against one device folder,
// and each transfer copies a table file between the user's exchange folder and
// the device folder.
//
// The HotSync users and their user folder names are kept in the registry; a user
// is added the first time that user synchronises.
class Cradle : public HotSyncControl {
    Q_OBJECT

  public:
    // Where the users are listed: one key per user, numbered from 0.
    static QString userKey(int index);

    explicit Cradle(Registry& registry, QObject* parent = nullptr);

    bool Enabled() const override { return m_enabled; }
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    QString PilotUserName() const override { return m_userName; }
    int CmdType() const override { return m_cmdType; }
    QString CmdFilename() const override { return m_cmdFilename; }
    int FirstUser(int& position, QString& userName, QString& userFolder, int& flags) override;
    int NextUser(int& position, QString& userName, QString& userFolder, int& flags) override;
    void SendFile(const QString& path, const QString& creator, const QString& library, int reserved,
                  int versionMajor, int versionMinor) override;
    void ReceiveFile(const QString& path, const QString& creator, const QString& library,
                     int reserved, int versionMajor, int versionMinor) override;

    // Adds the user with a folder named after it unless the user is known.
    void registerUser(const QString& userName);

    // One complete HotSync of userName with the handheld whose storage is
    // deviceDir: status 1, the transfers the handlers request, status 2. Raises an
    // Error (and runs nothing) while support is off or another cycle runs.
    void runCycle(const QString& userName, const QString& deviceDir);

  private:
    struct Transfer {
        bool send;
        QString path;
    };

    bool carryOut(const Transfer& transfer) const;
    QString deviceFile(const QString& path) const;

    Registry& m_registry;
    bool m_enabled = false;
    bool m_running = false;
    QString m_userName;
    QString m_deviceDir;
    int m_cmdType = 0;
    QString m_cmdFilename;
    QList<Transfer> m_queue;
};

}  // namespace ambitra
