#include "ServiceClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSslConfiguration>

namespace ambitra::test {

ServiceOnThread::ServiceOnThread(const QString& appDir, const ColetorOptions& options,
                                 ColetorService::Handler api) {
    m_anchor = new QObject;
    m_anchor->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_anchor,
        [&] {
            m_service = new ColetorService(appDir, m_prompter);
            m_service->setApiHandler(std::move(api));
            started = m_service->start(options);
            port = m_service->port();
            setupPort = m_service->setupPort();
            httpsAddress = m_service->httpsAddress();
            fingerprint = m_service->fingerprint();
            messages = m_prompter.texts();
        },
        Qt::BlockingQueuedConnection);
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(
        QDir(appDir).filePath(QStringLiteral("Certificados/autoridade.pem")));
    authority = certificates.value(0);
}

ServiceOnThread::~ServiceOnThread() {
    QMetaObject::invokeMethod(
        m_anchor, [this] { delete m_service; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_anchor;
}

int ServiceOnThread::openConnections() {
    int open = 0;
    QMetaObject::invokeMethod(
        m_anchor, [&] { open = m_service->openConnections(); }, Qt::BlockingQueuedConnection);
    return open;
}

ColetorOptions loopbackOptions() {
    ColetorOptions options;
    options.address = QStringLiteral("127.0.0.1");
    options.port = 0;
    options.setupPort = 0;
    return options;
}

std::unique_ptr<QSslSocket> connectTls(quint16 port, const QSslCertificate& authority) {
    auto socket = std::make_unique<QSslSocket>();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates({authority});
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket->setSslConfiguration(tls);
    socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    if (!socket->waitForEncrypted(5000)) {
        return nullptr;
    }
    return socket;
}

HttpReply readReply(QTcpSocket& socket, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QByteArray bytes;
    HttpReply reply;
    qsizetype headEnd = -1;
    qint64 length = -1;
    while (true) {
        bytes += socket.readAll();
        if (headEnd < 0 && (headEnd = bytes.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> lines = bytes.left(headEnd).split('\n');
            reply.status = lines.value(0).split(' ').value(1).toInt();
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                reply.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                     lines[i].mid(colon + 1).trimmed());
            }
            length = reply.headers.value("content-length", "0").toLongLong();
        }
        if (headEnd >= 0 && bytes.size() - headEnd - 4 >= length) {
            reply.body = bytes.mid(headEnd + 4, length);
            return reply;
        }
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || (!socket.waitForReadyRead(int(left)) && socket.bytesAvailable() == 0)) {
            if (headEnd < 0) {
                reply.status = 0;
            }
            reply.body = bytes.mid(headEnd + 4);
            return reply;
        }
    }
}

HttpReply exchange(quint16 port, const QSslCertificate& authority, const QByteArray& request) {
    std::unique_ptr<QTcpSocket> socket;
    if (authority.isNull()) {
        socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!socket->waitForConnected(5000)) {
            return {};
        }
    } else {
        socket = connectTls(port, authority);
        if (!socket) {
            return {};
        }
    }
    socket->write(request);
    return readReply(*socket);
}

QByteArray getRequest(const QByteArray& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

QByteArray postRequest(const QByteArray& path, const QByteArray& body) {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

}  // namespace ambitra::test
