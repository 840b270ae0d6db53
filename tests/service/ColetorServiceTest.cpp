#include "ServiceClient.h"

#include "support/TempAppDir.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <mutex>

using namespace ambitra;
using namespace ambitra::test;

namespace {

const QByteArray kPolicy =
    "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' "
    "data: blob:; media-src 'self' blob:; connect-src 'self'; object-src 'none'; base-uri 'none'; "
    "frame-ancestors 'none'";

bool hasSecurityHeaders(const HttpReply& reply) {
    return reply.headers.value("content-security-policy") == kPolicy &&
           reply.headers.value("x-content-type-options") == "nosniff" &&
           reply.headers.value("referrer-policy") == "no-referrer";
}

}  // namespace

TEST(ColetorService, ServesTheAppTheApiAndTheSetupPageEachWithTheSecurityHeaders) {
    TempAppDir dir;
    std::mutex lock;
    ServiceRequest seen;
    ServiceOnThread service(dir.path(), loopbackOptions(), [&](const ServiceRequest& request) {
        const std::lock_guard<std::mutex> guard(lock);
        seen = request;
        ServiceResponse answer;
        answer.status = 409;
        answer.body = R"({"erro":"x"})";
        return answer;
    });
    ASSERT_TRUE(service.started) << service.messages.join(u'\n').toStdString();
    ASSERT_FALSE(service.authority.isNull());
    const QSslCertificate& ca = service.authority;

    const HttpReply index = exchange(service.port, ca, getRequest("/"));
    EXPECT_EQ(index.status, 200);
    EXPECT_EQ(index.headers.value("content-type"), "text/html; charset=utf-8");
    EXPECT_TRUE(index.body.contains("teste"));
    EXPECT_TRUE(hasSecurityHeaders(index));
    EXPECT_FALSE(index.headers.contains("cache-control"));
    const HttpReply wasm = exchange(service.port, ca, getRequest("/decodificador/leitor.wasm"));
    EXPECT_EQ(wasm.headers.value("content-type"), "application/wasm");
    EXPECT_EQ(wasm.body, QByteArray("\0asm\1\0\0\0", 8));

    // Missing, and outside the app's folder of the resources: 404 with the headers.
    for (const QByteArray& path : {QByteArray("/nada.js"), QByteArray("/%2E%2E/outro/segredo.txt"),
                                   QByteArray("/decodificador")}) {
        const HttpReply missing = exchange(service.port, ca, getRequest(path));
        EXPECT_EQ(missing.status, 404) << path.constData();
        EXPECT_EQ(missing.body, QByteArray(R"({"erro":"Endereço não encontrado."})"));
        EXPECT_TRUE(hasSecurityHeaders(missing)) << path.constData();
    }

    const HttpReply api = exchange(
        service.port, ca,
        "POST /api/v1/pair HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Teste: Um\r\nContent-Length: 4\r\n\r\n"
        "{}\r\n");
    EXPECT_EQ(api.status, 409);
    EXPECT_EQ(api.body, QByteArray(R"({"erro":"x"})"));
    EXPECT_EQ(api.headers.value("cache-control"), "no-store");
    EXPECT_TRUE(hasSecurityHeaders(api));
    {
        const std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(seen.method, "POST");
        EXPECT_EQ(seen.path, u"/api/v1/pair");
        EXPECT_EQ(seen.header("x-teste"), "Um");
        EXPECT_EQ(seen.body, "{}\r\n");
        EXPECT_EQ(seen.peer, QHostAddress(QHostAddress::LocalHost));
    }

    // The setup port: the page and the authority, nothing else.
    const HttpReply page = exchange(service.setupPort, QSslCertificate(), getRequest("/"));
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains(service.httpsAddress.toUtf8()));
    EXPECT_TRUE(page.body.contains(service.fingerprint.toUtf8()));
    EXPECT_TRUE(hasSecurityHeaders(page));
    const HttpReply authority =
        exchange(service.setupPort, QSslCertificate(), getRequest("/autoridade.crt"));
    EXPECT_EQ(authority.headers.value("content-type"), "application/x-x509-ca-cert");
    EXPECT_EQ(authority.body, ca.toDer());
    EXPECT_EQ(exchange(service.setupPort, QSslCertificate(), getRequest("/api/v1/locais")).status,
              404);
    EXPECT_EQ(exchange(service.setupPort, QSslCertificate(), getRequest("/index.html")).status,
              404);
}

TEST(ColetorService, SaysWhyItCannotListenAndLeavesNothingListening) {
    TempAppDir dir;
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
    QTcpServer probe;  // a free port for the app, taken back to see it released
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 appPort = probe.serverPort();
    probe.close();

    ColetorOptions options = loopbackOptions();
    options.port = appPort;
    options.setupPort = taken.serverPort();
    ServiceOnThread busy(dir.path(), options);
    EXPECT_FALSE(busy.started);
    EXPECT_EQ(busy.messages,
              QStringList(QStringLiteral("Não foi possível iniciar o coletor na porta %1: a porta "
                                         "já está em uso por outro programa.")
                              .arg(taken.serverPort())));
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, appPort));

    options = loopbackOptions();
    options.address = QStringLiteral("caixa");
    ServiceOnThread wrong(dir.path(), options);
    EXPECT_FALSE(wrong.started);
    EXPECT_EQ(wrong.messages, QStringList(QStringLiteral("Endereço do coletor inválido: caixa.")));
}
