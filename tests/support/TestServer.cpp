#include "support/TestServer.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace ambitra::test {

bool onServer() {
    return qEnvironmentVariable("AMBITRA_TEST_ENGINE")
               .compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0;
}

QString serverConnection() {
    return qEnvironmentVariable("AMBITRA_TEST_PG");
}

void execOnServer(const QString& sql) {
    static QAtomicInt counter;
    const QString name = QStringLiteral("test-server-%1").arg(counter.fetchAndAddRelaxed(1));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setConnectOptions(serverConnection());
        if (db.open()) {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("SET client_min_messages = warning")) ||
                !query.exec(sql)) {
                error = query.lastError().text();
            }
        } else {
            error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty()) {
        throw std::runtime_error("test server: " + error.toStdString());
    }
}

QString refusal(const char* portuguese, const char* fileEngineText) {
    const QString words = QString::fromUtf8(portuguese) + QStringLiteral(" (");
    return onServer() ? words : words + QString::fromUtf8(fileEngineText) + u')';
}

TestSchema::TestSchema() {
    static QAtomicInt counter;
    m_name = QStringLiteral("t_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(counter.fetchAndAddRelaxed(1));
    execOnServer(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(m_name));
}

TestSchema::~TestSchema() {
    try {
        execOnServer(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_name));
    } catch (const std::exception&) {
        // A schema left behind dies with the throw-away cluster.
    }
}

QString TestSchema::connection() const {
    return serverConnection() + QStringLiteral(" options='-csearch_path=%1'").arg(m_name);
}

std::optional<int> serverRunWithoutServer(int argc, char** argv) {
    if (!onServer() || !serverConnection().isEmpty()) {
        return std::nullopt;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            return std::nullopt;
        }
    }
    if (!qEnvironmentVariableIsEmpty("CI")) {
        std::fprintf(stderr, "AMBITRA_TEST_PG names no PostgreSQL server for the server run\n");
        return EXIT_FAILURE;
    }
    std::printf("[  SKIPPED ] no PostgreSQL server configured (AMBITRA_TEST_PG)\n");
    return EXIT_SUCCESS;
}

}  // namespace ambitra::test
