#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace ambitra {

class Cradle;
class SyncLog;

// Where the handheld presses HotSync on the running program: a local socket
// named after the user and the program's folder. The handheld sends one line
// "HOTSYNC <user>\t<device folder>"; the program runs one cycle through the
// cradle and answers with the log lines of the cycle ("L " + line) and a last
// line "OK" (the cycle ended) or "FAIL " + the reason (support is off, ...).
class HotSyncServer : public QObject {
    Q_OBJECT

  public:
    static QString serverName(const QString& appDir);

    HotSyncServer(Cradle& cradle, SyncLog& log, QString appDir, QObject* parent = nullptr);
    ~HotSyncServer() override;

    // Starts listening; false when the name is taken by a live program.
    bool listen();
    void close();

  signals:
    void cycleFinished();

  private:
    void serve(QLocalSocket* socket);
    void answer(QLocalSocket* socket, const QByteArray& request);

    Cradle& m_cradle;
    SyncLog& m_log;
    QString m_appDir;
    QLocalServer* m_server;
};

}  // namespace ambitra
