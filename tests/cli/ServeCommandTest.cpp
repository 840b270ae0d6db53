// ambitra-cli serve: the handheld service without a window, as the browser
// tests start it.
#include "support/ProgramRun.h"
#include "support/TempAppDir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <csignal>

using namespace ambitra::test;

namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

QStringList serveArgs(const TempAppDir& dir, quint16 port, quint16 setupPort) {
    return {QStringLiteral("--app-dir"), dir.path(),
            QStringLiteral("serve"),     QStringLiteral("--port"),
            QString::number(port),       QStringLiteral("--setup-port"),
            QString::number(setupPort),  QStringLiteral("--address"),
            QStringLiteral("127.0.0.1")};
}

}  // namespace

TEST(ServeCommand, PrintsItsAddressesServesAndStopsCleanlyOnSigterm) {
    TempAppDir dir(TempAppDir::Register::File);
    const quint16 port = freePort();
    const quint16 setupPort = freePort();
    QProcess serve;
    serve.start(QStringLiteral(AMBITRA_CLI), serveArgs(dir, port, setupPort));
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains("SHA-256") && clock.elapsed() < 20000 && serve.waitForReadyRead(1000)) {
        out += serve.readAllStandardOutput();
    }
    const QStringList lines = QString::fromUtf8(out).split(u'\n');
    ASSERT_GE(lines.size(), 3) << serve.readAllStandardError().toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Endereço: https://127.0.0.1:%1/").arg(port));
    EXPECT_EQ(lines[1], QStringLiteral("Configuração: http://127.0.0.1:%1/").arg(setupPort));
    EXPECT_TRUE(lines[2].startsWith(u"Impressão digital da autoridade (SHA-256): "));

    QTcpSocket setup;
    setup.connectToHost(QStringLiteral("127.0.0.1"), setupPort);
    ASSERT_TRUE(setup.waitForConnected(5000));
    setup.write("GET /autoridade.crt HTTP/1.1\r\nHost: a\r\n\r\n");
    ASSERT_TRUE(setup.waitForReadyRead(5000));
    EXPECT_TRUE(setup.readAll().startsWith("HTTP/1.1 200 "));

    ::kill(pid_t(serve.processId()), SIGTERM);
    ASSERT_TRUE(serve.waitForFinished(10000));
    EXPECT_EQ(serve.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(serve.exitCode(), 0);
}

TEST(ServeCommand, APortInUseEndsWithTheReasonAndExitCode1) {
    TempAppDir dir(TempAppDir::Register::File);
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
    const ProgramRun busy = run(AMBITRA_CLI, serveArgs(dir, taken.serverPort(), freePort()));
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_TRUE(busy.err.contains(QStringLiteral("Não foi possível iniciar o coletor na porta %1: "
                                                 "a porta já está em uso por outro programa.")
                                      .arg(taken.serverPort())))
        << busy.err.toStdString();
    EXPECT_EQ(busy.out, u"");
    EXPECT_EQ(run(AMBITRA_CLI,
                  {QStringLiteral("serve"), QStringLiteral("--port"), QStringLiteral("80000")})
                  .exitCode,
              2);
}
