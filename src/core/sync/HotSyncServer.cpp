#include "core/sync/HotSyncServer.h"

#include "core/common/Error.h"
#include "core/sync/Cradle.h"
#include "core/sync/HotSyncProtocol.h"
#include "core/sync/PrivateSocket.h"
#include "core/common/SyncLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace ambitra {

QString HotSyncServer::serverName(const QString& appDir) {
    QByteArray key = QDir(appDir).canonicalPath().toUtf8();
    if (key.isEmpty()) {
        key = QDir::cleanPath(appDir).toUtf8();
    }
#ifdef Q_OS_UNIX
    key += '/' + QByteArray::number(::geteuid());
#endif
    return PrivateSocket::Folder() + QStringLiteral("/ambitra-hotsync-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

HotSyncServer::HotSyncServer(Cradle& cradle, SyncLog& log, QString appDir, QObject* parent)
    : QObject(parent),
      m_cradle(cradle),
      m_log(log),
      m_appDir(std::move(appDir)),
      m_server(new QLocalServer(this)) {
    // Only this user may press HotSync on this program.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            if (PrivateSocket::PeerIsSameUser(socket->socketDescriptor())) {
                serve(socket);
            } else {
                // Another user's process: not a word, not a cycle.
                socket->abort();
                socket->deleteLater();
            }
        }
    });
}

HotSyncServer::~HotSyncServer() = default;

bool HotSyncServer::listen() {
    if (m_server->isListening()) {
        return true;
    }
    QString name;
    try {
        name = serverName(m_appDir);
    } catch (const Error& error) {
        m_error = error.message();
        return false;
    }
    if (m_server->listen(name)) {
        m_error.clear();
        return true;
    }
    // A name left by a program that ended without closing it is taken over; one
    // that a live program answers on is not.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) {
        m_error = QStringLiteral("o canal ") + QDir::toNativeSeparators(name) +
                  QStringLiteral(" já está em uso por outro programa.");
        return false;
    }
    QLocalServer::removeServer(name);
    if (m_server->listen(name)) {
        m_error.clear();
        return true;
    }
    m_error = QStringLiteral("não foi possível criar o canal ") + QDir::toNativeSeparators(name) +
              QStringLiteral(" (") + m_server->errorString() + u')';
    return false;
}

QString HotSyncServer::errorText() const {
    return m_error;
}

void HotSyncServer::close() {
    m_server->close();
}

void HotSyncServer::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            return;
        }
        const QByteArray request = socket->readLine().trimmed();
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        answer(socket, request);
        socket->flush();
        socket->disconnectFromServer();
    });
}

void HotSyncServer::answer(QLocalSocket* socket, const QByteArray& line) {
    const std::optional<HotSyncProtocol::Request> request = HotSyncProtocol::parseRequest(line);
    if (!request) {
        socket->write(HotSyncProtocol::failLine(QStringLiteral("Pedido desconhecido.")));
        return;
    }
    const QMetaObject::Connection lines =
        connect(&m_log, &SyncLog::linesAdded, socket, [socket](const QStringList& added) {
            for (const QString& text : added) {
                socket->write(HotSyncProtocol::logLine(text));
            }
            socket->flush();
        });
    try {
        m_cradle.runCycle(request->user, request->device);
        socket->write(HotSyncProtocol::okLine());
    } catch (const Error& error) {
        socket->write(HotSyncProtocol::failLine(error.message()));
    }
    disconnect(lines);
    emit cycleFinished();
}

}  // namespace ambitra
