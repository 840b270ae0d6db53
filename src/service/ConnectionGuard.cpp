#include "service/ConnectionGuard.h"

#include "service/ServiceHeaders.h"

#include <QSslSocket>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

namespace ambitra {

namespace {

// How much of what a refused client still sends is taken in at a time.
constexpr qint64 kDropChunk = 64 * 1024;

// Follows the requests of one connection through its bytes: the head up to its
// blank line, then as many body bytes as it announced, then the next request.
class ConnectionWatcher : public QObject {
  public:
    ConnectionWatcher(QTcpSocket* socket, const GuardLimits& limits)
        : QObject(socket), m_socket(socket), m_limits(limits) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { timedOut(); });
        QObject::connect(socket, &QIODevice::readyRead, this, [this] { bytesArrived(); });
        // A new connection has the head time for its first request.
        m_timer.start(m_limits.headTime);
        // Bytes that came with the handshake were announced before anyone
        // listened: the server reads them on the next signal, which is sent here.
        if (socket->bytesAvailable() > 0) {
            const QByteArray early = socket->peek(socket->bytesAvailable());
            m_skip = early.size();
            feed(early);
            QMetaObject::invokeMethod(socket, &QIODevice::readyRead, Qt::QueuedConnection);
        }
    }

  private:
    enum class State { Head, Body, Idle, Lingering, Closing };

    void bytesArrived() {
        if (m_state == State::Lingering || m_state == State::Closing) {
            m_socket->read(m_socket->bytesAvailable());  // the server never sees them
            return;
        }
        // The server reads everything at each signal, so what is unread is new.
        QByteArray bytes = m_socket->peek(m_socket->bytesAvailable());
        bytes.remove(0, qMin(m_skip, bytes.size()));
        m_skip = 0;
        feed(bytes);
    }

    void feed(const QByteArray& bytes) {
        qsizetype at = 0;
        while (at < bytes.size() &&
               (m_state == State::Head || m_state == State::Body || m_state == State::Idle)) {
            if (m_state == State::Idle) {
                m_state = State::Head;
                m_timer.start(m_limits.headTime);
            }
            if (m_state == State::Head) {
                at = takeHead(bytes, at);
            } else {
                const qint64 take = qMin<qint64>(m_remaining, bytes.size() - at);
                at += take;
                m_remaining -= take;
                if (m_remaining == 0) {
                    requestDone();
                } else {
                    m_timer.start(m_limits.bodyStall);
                }
            }
        }
    }

    // Adds bytes to the head; returns where the unread bytes begin.
    qsizetype takeHead(const QByteArray& bytes, qsizetype at) {
        const qsizetype before = m_head.size();
        // No more than can still make a head within the limit (and its end).
        const qsizetype room = m_limits.maxHead + 4 - before;
        m_head.append(bytes.mid(at, room));
        const qsizetype from = qMax<qsizetype>(0, before - 3);
        qsizetype end = m_head.indexOf("\r\n\r\n", from);
        qsizetype endLength = 4;
        const qsizetype bare = m_head.indexOf("\n\n", from);
        if (bare >= 0 && (end < 0 || bare < end)) {
            end = bare;
            endLength = 2;
        }
        if (end < 0 || end + endLength > m_limits.maxHead) {
            if (m_head.size() > m_limits.maxHead) {
                refuse(431, QStringLiteral("Cabeçalho da requisição grande demais."));
            }
            return bytes.size();
        }
        const qsizetype used = end + endLength - before;
        m_head.truncate(end);
        headComplete();
        m_head.clear();
        return at + used;
    }

    void headComplete() {
        const QList<QByteArray> lines = m_head.split('\n');
        const QByteArray method = lines.value(0).trimmed().split(' ').value(0);
        qint64 length = -1;
        bool chunked = false;
        bool expectContinue = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray& line = lines[i];
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) {
                continue;
            }
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length") {
                bool ok = false;
                const qint64 given = value.toLongLong(&ok);
                const bool digits =
                    !value.isEmpty() && std::all_of(value.begin(), value.end(),
                                                    [](char c) { return c >= '0' && c <= '9'; });
                if (!ok || !digits || (length >= 0 && given != length)) {
                    // Too long for a number is too long for the limit.
                    if (digits && !ok) {
                        refuse(413, bodyTooLarge());
                    } else {
                        refuse(400, QStringLiteral("Requisição malformada."));
                    }
                    return;
                }
                length = given;
            } else if (name == "transfer-encoding") {
                chunked = true;
            } else if (name == "expect") {
                expectContinue = value.compare("100-continue", Qt::CaseInsensitive) == 0;
            }
        }
        const bool bodyMethod = method == "POST" || method == "PUT" || method == "PATCH";
        if (chunked || (length < 0 && bodyMethod)) {
            refuse(411, QStringLiteral("A requisição não informa o tamanho do corpo."));
            return;
        }
        if (length > m_limits.maxBody) {
            refuse(413, bodyTooLarge());
            return;
        }
        if (length > 0) {
            if (expectContinue) {
                m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            }
            m_state = State::Body;
            m_remaining = length;
            m_timer.start(m_limits.bodyStall);
        } else {
            requestDone();
        }
    }

    QString bodyTooLarge() const {
        return QStringLiteral("Requisição grande demais (o limite é de %1 MB).")
            .arg(m_limits.maxBody / (1024 * 1024));
    }

    void requestDone() {
        m_state = State::Idle;
        m_timer.start(m_limits.idle);
    }

    void timedOut() {
        switch (m_state) {
            case State::Head:
            case State::Body:
                refuse(408, QStringLiteral("Tempo esgotado esperando a requisição."));
                break;
            case State::Idle:
            case State::Lingering:
                m_state = State::Closing;
                m_timer.start(m_limits.closeGrace);
                m_socket->disconnectFromHost();
                break;
            case State::Closing:
                m_socket->abort();
                break;
        }
    }

    // Answers for the server and closes: the unread bytes are taken away, so
    // the server never handles the rest of this request. What the client still
    // sends is read and dropped for a moment before the connection closes, so
    // that the answer reaches it rather than a reset.
    void refuse(int status, const QString& text) {
        m_state = State::Lingering;
        m_timer.start(m_limits.closeGrace);
        m_socket->setReadBufferSize(kDropChunk);
        m_socket->read(m_socket->bytesAvailable());
        m_socket->write(closingAnswer(status, text));
    }

    QTcpSocket* m_socket;
    GuardLimits m_limits;
    State m_state = State::Head;
    QByteArray m_head;
    qint64 m_remaining = 0;
    qsizetype m_skip = 0;
    QTimer m_timer;
};

}  // namespace

bool ConnectionGuard::admit(QTcpSocket* socket) {
    if (m_open.size() >= m_limits.maxConnections) {
        return false;
    }
    m_open.insert(socket);
    // Not the server as context: it drops its connections to a socket once
    // the handshake is over.
    QObject::connect(socket, &QObject::destroyed, &m_context,
                     [this](QObject* gone) { m_open.remove(gone); });
    return true;
}

void ConnectionGuard::watch(QTcpSocket* socket) {
    new ConnectionWatcher(socket, m_limits);
}

GuardedSslServer::GuardedSslServer(const GuardLimits& limits, QObject* parent)
    : QSslServer(parent), m_guard(limits) {
    setMaxPendingConnections(limits.maxConnections + 1);
    setHandshakeTimeout(int(limits.headTime.count()));
}

void GuardedSslServer::incomingConnection(qintptr descriptor) {
    if (m_guard.openConnections() >= m_guard.limits().maxConnections) {
        ::close(int(descriptor));
        return;
    }
    QSslServer::incomingConnection(descriptor);
    // The socket the base made for it, still in its handshake.
    for (QSslSocket* socket : findChildren<QSslSocket*>(Qt::FindDirectChildrenOnly)) {
        if (socket->socketDescriptor() == descriptor) {
            m_guard.admit(socket);
        }
    }
}

QTcpSocket* GuardedSslServer::nextPendingConnection() {
    QTcpSocket* socket = QSslServer::nextPendingConnection();
    if (socket) {
        m_guard.watch(socket);
    }
    return socket;
}

GuardedTcpServer::GuardedTcpServer(const GuardLimits& limits, QObject* parent)
    : QTcpServer(parent), m_guard(limits) {
    setMaxPendingConnections(limits.maxConnections + 1);
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    if (!m_guard.admit(socket)) {
        socket->abort();
        delete socket;
        return;
    }
    addPendingConnection(socket);
}

QTcpSocket* GuardedTcpServer::nextPendingConnection() {
    QTcpSocket* socket = QTcpServer::nextPendingConnection();
    if (socket) {
        m_guard.watch(socket);
    }
    return socket;
}

}  // namespace ambitra
