#include "BenchEngine.h"

#include "core/data/Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <unistd.h>

#include <cstdio>

namespace ambitra {

namespace {

long g_postmaster = 0;

// Fields of /proc/PID/stat after the program's name: the state is field 3.
QList<QByteArray> statFields(long pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray text = file.readAll();
    const qsizetype name = text.lastIndexOf(')');
    return name < 0 ? QList<QByteArray>{} : text.mid(name + 2).split(' ');
}

// Processor ticks of a process (fields 14 and 15), and with its waited-for
// children (16 and 17).
long long ticks(const QList<QByteArray>& fields, bool children) {
    if (fields.size() < 15) {
        return 0;
    }
    long long sum = fields[11].toLongLong() + fields[12].toLongLong();
    if (children) {
        sum += fields[13].toLongLong() + fields[14].toLongLong();
    }
    return sum;
}

QString runAdmin(const QString& connection, const QString& sql) {
    QString error;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench"));
        db.setConnectOptions(connection);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("SET client_min_messages = warning")) ||
                !query.exec(sql)) {
                error = query.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return error;
}

}  // namespace

double serverCpuSeconds() {
    if (g_postmaster <= 0) {
        return 0;
    }
    // The server itself with every process it has ended, and those still running.
    long long sum = ticks(statFields(g_postmaster), true);
    const QByteArray parent = QByteArray::number(static_cast<qlonglong>(g_postmaster));
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const long pid = entry.toLong(&number);
        if (!number) {
            continue;
        }
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() > 1 && fields[1] == parent) {
            sum += ticks(fields, false);
        }
    }
    return static_cast<double>(sum) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

BenchEngine::BenchEngine(QStringList& args) {
    QString engine;
    m_connection = qEnvironmentVariable("AMBITRA_TEST_PG");
    for (int i = 1; i + 1 < args.size();) {
        if (args[i] == QLatin1String("--engine")) {
            engine = args[i + 1];
        } else if (args[i] == QLatin1String("--connection")) {
            m_connection = args[i + 1];
        } else {
            ++i;
            continue;
        }
        args.remove(i, 2);
    }
    if (engine.isEmpty() || engine.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) {
        return;
    }
    if (engine.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) != 0) {
        m_problem = QStringLiteral("unknown engine %1 (SQLite or PostgreSQL)").arg(engine);
        return;
    }
    if (m_connection.isEmpty()) {
        m_problem = QStringLiteral("no server: give --connection or set AMBITRA_TEST_PG");
        return;
    }
    const QString schema = QStringLiteral("bench_%1").arg(QCoreApplication::applicationPid());
    m_problem =
        runAdmin(m_connection,
                 QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(schema));
    if (m_problem.isEmpty()) {
        m_schema = schema;
    }
}

BenchEngine::~BenchEngine() {
    if (onServer()) {
        runAdmin(m_connection, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema));
    }
}

void BenchEngine::writeSettings(const QString& iniFile) const {
    if (!onServer()) {
        return;
    }
    QFile file(iniFile);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("[DB]\r\nEngine=PostgreSQL\r\nConnection=" + m_connection.toUtf8() +
               " options='-csearch_path=" + m_schema.toUtf8() + "'\r\n");
}

void BenchEngine::attach(Connection& connection) {
    if (!onServer()) {
        return;
    }
    QSqlQuery query(connection.database());
    if (query.exec(QStringLiteral("SELECT pg_backend_pid()")) && query.next()) {
        const QList<QByteArray> fields = statFields(query.value(0).toLongLong());
        m_postmaster = fields.size() > 1 ? fields[1].toLong() : 0;
    }
    g_postmaster = m_postmaster;
}

QString BenchEngine::peerProgram() const {
    return onServer() ? QStringLiteral("psql") : QStringLiteral("sqlite3");
}

QStringList BenchEngine::peerArguments(const QString& databaseFile) const {
    if (!onServer()) {
        return {databaseFile};
    }
    return {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
            QStringLiteral("ON_ERROR_STOP=1"), m_connection};
}

QString BenchEngine::peerScript(const QString& script) const {
    return onServer() ? QStringLiteral("SET search_path = %1;\n").arg(m_schema) + script : script;
}

QString BenchEngine::peerCommand(const QString& databaseFile, const QString& script) const {
    QStringList words{peerProgram()};
    for (const QString& arg : peerArguments(databaseFile)) {
        words << (arg.contains(u' ') ? u'\'' + arg + u'\'' : arg);
    }
    return words.join(u' ') + QStringLiteral(" <<'EOF'\n") + peerScript(script) +
           QStringLiteral("EOF\n");
}

}  // namespace ambitra
