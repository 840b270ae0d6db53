#pragma once

#include "service/ColetorService.h"
#include "support/ScriptedPrompter.h"

#include <QByteArray>
#include <QHash>
#include <QSslCertificate>
#include <QSslSocket>
#include <QThread>

#include <memory>

namespace ambitra::test {

// The service on a thread of its own, as the program runs it on the thread of
// the register's connection: the test's clients wait on theirs.
class ServiceOnThread {
  public:
    ServiceOnThread(const QString& appDir, const ColetorOptions& options,
                    ColetorService::Handler api = {});
    ~ServiceOnThread();

    bool started = false;
    quint16 port = 0;
    quint16 setupPort = 0;
    QString httpsAddress;
    QString fingerprint;
    QSslCertificate authority;
    QStringList messages;  // what the service told the user

    int openConnections();

  private:
    QThread m_thread;
    QObject* m_anchor = nullptr;
    ScriptedPrompter m_prompter;
    ColetorService* m_service = nullptr;
};

// Both ports on loopback, chosen by the system.
ColetorOptions loopbackOptions();

struct HttpReply {
    int status = 0;                         // 0: no answer came
    QHash<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
};

// A connection to the HTTPS port that trusts only the service's authority and
// checks the certificate's name for 127.0.0.1; null when the handshake failed.
std::unique_ptr<QSslSocket> connectTls(quint16 port, const QSslCertificate& authority);
// Reads one answer (waiting on this thread).
HttpReply readReply(QTcpSocket& socket, int timeoutMs = 5000);
// A new connection (TLS with an authority, plain without), one request, one answer.
HttpReply exchange(quint16 port, const QSslCertificate& authority, const QByteArray& request);
QByteArray getRequest(const QByteArray& path);
QByteArray postRequest(const QByteArray& path, const QByteArray& body);

// The resident memory of this process, in KB.
qint64 residentKb();

}  // namespace ambitra::test
