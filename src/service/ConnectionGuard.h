#pragma once

#include <QSet>
#include <QSslServer>
#include <QTcpServer>

#include <chrono>

namespace ambitra {

// What one connection may do before the guard answers for the server and
// closes it. Qt's HTTP server keeps no limit itself: it buffers whole requests,
// waits forever for a body or the rest of a head, and keeps idle connections.
struct GuardLimits {
    qsizetype maxHead = 16 * 1024;      // request line and headers: 431 beyond
    qint64 maxBody = 16 * 1024 * 1024;  // announced body: 413 beyond, before any of it is read
    std::chrono::milliseconds headTime{10000};   // a head not complete by then: 408
    std::chrono::milliseconds bodyStall{10000};  // a body with no byte for that long: 408
    std::chrono::milliseconds idle{30000};       // a kept-alive connection without a request
    std::chrono::milliseconds closeGrace{2000};  // a closing one that does not take its answer
    int maxConnections = 200;                    // those beyond are closed at once
};

// Watches the connections of one server: each accepted socket gets a watcher
// that sees its bytes before the HTTP server reads them (it is connected
// first) and answers 431, 413, 411 and 408 itself, hiding the rest of the
// request from the server; the count of open connections is capped.
class ConnectionGuard {
  public:
    explicit ConnectionGuard(const GuardLimits& limits) : m_limits(limits) {}

    const GuardLimits& limits() const { return m_limits; }
    int openConnections() const { return int(m_open.size()); }

    // Counts a new connection until its socket is gone; false when the cap is reached.
    bool admit(QTcpSocket* socket);
    // Starts watching a connection handed to the HTTP server.
    void watch(QTcpSocket* socket);

  private:
    GuardLimits m_limits;
    QSet<QObject*> m_open;
    QObject m_context;  // of the connections that keep the count
};

// The HTTPS server with the guard in front. Sockets still in the handshake
// count against the pending-connection limit, which is raised above the cap so
// that silent clients cannot stall new ones.
class GuardedSslServer : public QSslServer {
    Q_OBJECT

  public:
    explicit GuardedSslServer(const GuardLimits& limits = {}, QObject* parent = nullptr);

    QTcpSocket* nextPendingConnection() override;
    int openConnections() const { return m_guard.openConnections(); }

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    ConnectionGuard m_guard;
};

// The plain HTTP server (the setup page) with the same guard.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT

  public:
    explicit GuardedTcpServer(const GuardLimits& limits = {}, QObject* parent = nullptr);

    QTcpSocket* nextPendingConnection() override;
    int openConnections() const { return m_guard.openConnections(); }

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    ConnectionGuard m_guard;
};

}  // namespace ambitra
