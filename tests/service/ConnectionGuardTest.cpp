#include "ServiceClient.h"

#include "support/TempAppDir.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace ambitra;
using namespace ambitra::test;
using namespace std::chrono_literals;

namespace {

// Short times, so that the test waits little for them.
ColetorOptions shortLimits() {
    ColetorOptions options = loopbackOptions();
    options.limits.headTime = 400ms;
    options.limits.bodyStall = 400ms;
    options.limits.idle = 600ms;
    options.limits.closeGrace = 200ms;
    return options;
}

bool closedWithin(QTcpSocket& socket, int ms) {
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(ms);
}

struct Guard : ::testing::Test {
    TempAppDir dir;
    std::atomic<int> handled{0};
    std::atomic<qsizetype> lastBody{-1};
    ServiceOnThread service{dir.path(), shortLimits(), [this](const ServiceRequest& request) {
                                ++handled;
                                lastBody = request.body.size();
                                return ServiceResponse{200, "application/json", "{}", {}};
                            }};

    // A request sent whole; the guard's answer, and whether it closed the connection.
    std::pair<HttpReply, bool> refused(const QByteArray& bytes, int waitMs = 3000) {
        auto socket = connectTls(service.port, service.authority);
        if (!socket) {
            return {};
        }
        socket->write(bytes);
        const HttpReply reply = readReply(*socket, waitMs);
        return {reply, closedWithin(*socket, 2000)};
    }
};

}  // namespace

TEST_F(Guard, AnswersForTheServerWhatItMustNotBufferOrWaitFor) {
    ASSERT_TRUE(service.started);
    struct Case {
        const char* what;
        QByteArray bytes;
        int status;
        const char* error;
    };
    const QList<Case> cases = {
        // Announced beyond the limit: refused before a byte of it is sent.
        {"big body",
         "POST /api/v1/descarga HTTP/1.1\r\nHost: a\r\nContent-Length: 52428800\r\n\r\n", 413,
         "Requisição grande demais (o limite é de 16 MB)."},
        {"big head",
         "GET / HTTP/1.1\r\nHost: a\r\nX-Grande: " + QByteArray(17000, 'a') + "\r\n\r\n", 431,
         "Cabeçalho da requisição grande demais."},
        {"no length", "POST /api/v1/pair HTTP/1.1\r\nHost: a\r\n\r\n", 411,
         "A requisição não informa o tamanho do corpo."},
        {"chunked", "POST /api/v1/pair HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n{}{}\r\n",
         411, "A requisição não informa o tamanho do corpo."},
        {"slow head", "GET / HTTP/1.1\r\nHost: a\r\n", 408,
         "Tempo esgotado esperando a requisição."},
        {"stalled body", "POST /api/v1/pair HTTP/1.1\r\nContent-Length: 10\r\n\r\n{\"a\"", 408,
         "Tempo esgotado esperando a requisição."},
    };
    for (const Case& c : cases) {
        const auto [reply, closed] = refused(c.bytes);
        EXPECT_EQ(reply.status, c.status) << c.what;
        EXPECT_EQ(QString::fromUtf8(reply.body),
                  u"{\"erro\":\"" + QString::fromUtf8(c.error) + u"\"}")
            << c.what;
        EXPECT_FALSE(reply.headers.value("content-security-policy").isEmpty()) << c.what;
        EXPECT_TRUE(closed) << c.what;
    }
    EXPECT_EQ(handled, 0);

    // Within the limits: several requests on one connection, a body of 1 MB
    // whole, then the idle connection closed.
    auto socket = connectTls(service.port, service.authority);
    ASSERT_TRUE(socket);
    const QByteArray body(1024 * 1024, 'x');
    for (int i = 0; i < 2; ++i) {
        socket->write(postRequest("/api/v1/descarga", body));
        EXPECT_EQ(readReply(*socket).status, 200);
        EXPECT_EQ(lastBody, body.size());
    }
    EXPECT_EQ(handled, 2);
    QElapsedTimer idle;
    idle.start();
    EXPECT_TRUE(closedWithin(*socket, 3000));
    EXPECT_GE(idle.elapsed(), 500);
    socket.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return service.openConnections() == 0; }, 3000))
        << service.openConnections() << " still open";
}

TEST(GuardCap, ConnectionsBeyondTheCapAreClosedAtOnceAndTheirPlacesFreedOnClose) {
    TempAppDir dir;
    ColetorOptions options = loopbackOptions();
    options.limits.maxConnections = 3;
    ServiceOnThread service(dir.path(), options);
    ASSERT_TRUE(service.started);
    std::vector<std::unique_ptr<QSslSocket>> open;
    for (int i = 0; i < 3; ++i) {
        open.push_back(connectTls(service.port, service.authority));
        ASSERT_TRUE(open.back());
    }
    QTcpSocket beyond;
    beyond.connectToHost(QStringLiteral("127.0.0.1"), service.port);
    EXPECT_TRUE(closedWithin(beyond, 2000));
    open.pop_back();
    EXPECT_TRUE(QTest::qWaitFor([&] { return service.openConnections() == 2; }, 2000));
    EXPECT_EQ(exchange(service.port, service.authority, getRequest("/")).status, 200);
}

// 50 clients sending a byte a second, 40 silent connections and a 50 MB body
// at once: another client is still served at once, memory stays flat, and the
// slow and silent ones are closed.
TEST(GuardUnderLoad, SlowSilentAndHugeClientsLeaveAnotherServedAtOnce) {
    TempAppDir dir;
    ColetorOptions options = loopbackOptions();
    options.limits.headTime = 3s;
    options.limits.idle = 3s;
    options.limits.closeGrace = 1s;
    ServiceOnThread service(dir.path(), options);
    ASSERT_TRUE(service.started);
    // Warm up: the first handshake loads the TLS library.
    EXPECT_EQ(exchange(service.port, service.authority, getRequest("/")).status, 200);
    const qint64 memoryBefore = residentKb();

    std::vector<std::unique_ptr<QTcpSocket>> silent;
    for (int i = 0; i < 40; ++i) {
        silent.push_back(std::make_unique<QTcpSocket>());
        silent.back()->connectToHost(QStringLiteral("127.0.0.1"), service.port);
    }
    std::vector<std::unique_ptr<QSslSocket>> slow;
    for (int i = 0; i < 50; ++i) {
        slow.push_back(connectTls(service.port, service.authority));
        ASSERT_TRUE(slow.back());
    }
    const QByteArray slowRequest = getRequest("/");
    int sent = 0;
    QTimer drip;
    QObject::connect(&drip, &QTimer::timeout, &drip, [&] {
        for (auto& socket : slow) {
            socket->write(slowRequest.mid(sent, 1));
        }
        ++sent;
    });
    drip.start(1000);

    // The huge body keeps coming as long as the connection takes it.
    auto huge = connectTls(service.port, service.authority);
    ASSERT_TRUE(huge);
    huge->write("POST /api/v1/descarga HTTP/1.1\r\nHost: a\r\nContent-Length: 52428800\r\n\r\n");
    qint64 hugeSent = 0;
    const QByteArray chunk(64 * 1024, 'x');
    QObject::connect(huge.get(), &QIODevice::bytesWritten, huge.get(), [&] {
        while (huge->state() == QAbstractSocket::ConnectedState && hugeSent < 52428800 &&
               huge->bytesToWrite() < 1024 * 1024) {
            huge->write(chunk);
            hugeSent += chunk.size();
        }
    });

    // Others are served meanwhile.
    qint64 slowest = 0;
    for (int probe = 0; probe < 5; ++probe) {
        QTest::qWait(400);
        QElapsedTimer clock;
        clock.start();
        const HttpReply reply = exchange(service.port, service.authority, getRequest("/"));
        slowest = qMax(slowest, clock.elapsed());
        EXPECT_EQ(reply.status, 200);
    }
    const HttpReply hugeReply = readReply(*huge, 3000);
    EXPECT_EQ(hugeReply.status, 413);

    // The slow and silent ones are closed once their head time is over.
    QElapsedTimer closing;
    closing.start();
    const auto allClosed = [&] {
        for (const auto& socket : slow) {
            if (socket->state() != QAbstractSocket::UnconnectedState) {
                return false;
            }
        }
        for (const auto& socket : silent) {
            if (socket->state() != QAbstractSocket::UnconnectedState) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(QTest::qWaitFor(allClosed, 8000));
    const qint64 memoryAfter = residentKb();
    drip.stop();
    EXPECT_LT(slowest, 100);
    EXPECT_LT(memoryAfter - memoryBefore, 20 * 1024);
    EXPECT_TRUE(QTest::qWaitFor([&] { return service.openConnections() == 0; }, 5000))
        << service.openConnections() << " still open";
    std::printf(
        "[ figures  ] slowest other client %lld ms; resident memory %lld KB -> %lld KB; "
        "huge body written by its client (read and dropped after the 413): %lld bytes; slow and "
        "silent closed %lld ms after "
        "the probes\n",
        slowest, memoryBefore, memoryAfter, hugeSent, closing.elapsed());
}
