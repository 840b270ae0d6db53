#pragma once

#include <QString>

#include <optional>

namespace ambitra::test {

// The second run of the database tests puts every test's register on a
// PostgreSQL server: CTest sets AMBITRA_TEST_ENGINE=PostgreSQL for it, and
// AMBITRA_TEST_PG holds the server's libpq connection string.
bool onServer();
QString serverConnection();

// The exit status of a test program started for the server run when no server
// is named: skipped (CTest shows it so) on a developer's machine, a failure in
// CI, where the server is always started. None when the tests are to run (or
// only be listed).
std::optional<int> serverRunWithoutServer(int argc, char** argv);

// A schema of its own on the test server for one test's register, dropped with
// everything in it when the test ends.
class TestSchema {
  public:
    TestSchema();
    ~TestSchema();
    TestSchema(const TestSchema&) = delete;
    TestSchema& operator=(const TestSchema&) = delete;

    const QString& name() const { return m_name; }
    // The connection string of a register in this schema.
    QString connection() const;

  private:
    QString m_name;
};

// Runs one statement on the test server, outside any register.
void execOnServer(const QString& sql);

// How a refused statement's text begins: the Portuguese words, then the
// engine's own in parentheses. The embedded engine's own words are known; a
// server words them its own way, so there the text is known up to "(".
QString refusal(const char* portuguese, const char* fileEngineText);

}  // namespace ambitra::test
