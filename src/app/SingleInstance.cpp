#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QWidget>

#include <unistd.h>

namespace ambitra::ui {

namespace {

// One name per user: the temporary folder is shared between users.
QString instanceName() {
    return QStringLiteral("Ambitra PC-%1").arg(::getuid());
}

const QByteArray kActivate = QByteArrayLiteral("activate\n");

}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent),
      m_lock(std::make_unique<QLockFile>(
          QDir::temp().filePath(instanceName() + QStringLiteral(".lock")))) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    if (m_lock->tryLock(0)) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(instanceName());
        m_server->listen(instanceName());
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_server->nextPendingConnection()) {
                connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                    if (socket->readAll().startsWith(kActivate.trimmed())) {
                        emit activationRequested();
                    }
                    socket->disconnectFromServer();
                });
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(instanceName());
    if (socket.waitForConnected(2000)) {
        socket.write(kActivate);
        socket.waitForBytesWritten(2000);
        socket.disconnectFromServer();
    }
    return false;
}

void bringForward(QWidget* window) {
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace ambitra::ui
