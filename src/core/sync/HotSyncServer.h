#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace ambitra {

class Cradle;
class SyncLog;

// Where the handheld presses HotSync on the running program: a local socket in
// the user's private runtime folder, named after the program's folder, that
// serves only processes of the same user. The handheld sends one request; the
// program runs one cycle through the cradle and answers with the log lines of
// the cycle and the outcome (HotSyncProtocol).
class HotSyncServer : public QObject {
    Q_OBJECT

  public:
    // The socket's full path; raises Error when the private folder is not usable.
    static QString serverName(const QString& appDir);

    HotSyncServer(Cradle& cradle, SyncLog& log, QString appDir, QObject* parent = nullptr);
    ~HotSyncServer() override;

    // Starts listening; false when the name is taken by a live program or the
    // socket cannot be made, with the reason in errorText().
    bool listen();
    QString errorText() const;
    void close();

  signals:
    void cycleFinished();

  private:
    void serve(QLocalSocket* socket);
    void answer(QLocalSocket* socket, const QByteArray& line);

    Cradle& m_cradle;
    SyncLog& m_log;
    QString m_appDir;
    QLocalServer* m_server;
    QString m_error;
};

}  // namespace ambitra
