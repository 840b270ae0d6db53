#pragma once

#include <QString>
#include <QStringList>

namespace ambitra {

class Connection;

// The engine a benchmark's register lives in: the embedded file (the default),
// or a PostgreSQL server when the arguments hold "--engine PostgreSQL", reached
// through "--connection TEXT" or else the connection string in AMBITRA_TEST_PG.
// On the server the register gets a schema of its own, dropped at the end, and
// the peer doing the same work is psql.
class BenchEngine {
  public:
    // Takes the engine's arguments out of args; the others stay in order.
    explicit BenchEngine(QStringList& args);
    ~BenchEngine();
    BenchEngine(const BenchEngine&) = delete;
    BenchEngine& operator=(const BenchEngine&) = delete;

    bool onServer() const { return !m_schema.isEmpty(); }
    // The target of a ratio against the peer: on a server, at most 3x for every
    // work; on the embedded file, the work's own.
    const char* peerTarget(const char* embedded) const { return onServer() ? "3x" : embedded; }
    // Empty when the engine can be used; else why not.
    const QString& problem() const { return m_problem; }
    // Writes the settings file that puts the program's register on this engine
    // (nothing for the embedded file).
    void writeSettings(const QString& iniFile) const;
    // Finds the server's processes through the register's own connection, so
    // that their processor time is counted (a server on another machine is not).
    void attach(Connection& connection);
    bool countsServer() const { return m_postmaster > 0; }

    // The peer program (sqlite3 or psql), its arguments for the register (the
    // database file; the server's connection), the script it is given (on the
    // server, first set to work in the register's schema) and all three as a
    // shell command that anyone can run again.
    QString peerProgram() const;
    QStringList peerArguments(const QString& databaseFile) const;
    QString peerScript(const QString& script) const;
    QString peerCommand(const QString& databaseFile, const QString& script) const;

  private:
    QString m_connection;
    QString m_schema;
    QString m_problem;
    long m_postmaster = 0;
};

// Processor seconds the local server has spent so far, all its processes
// together (0 when the register is not on a server of this machine): a
// server's work is done there, not in the program that asks for it.
double serverCpuSeconds();

}  // namespace ambitra
