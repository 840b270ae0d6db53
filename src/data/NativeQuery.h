#pragma once

#include <QString>
#include <QVariant>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace ambitra {

// A read-only statement run on the embedded engine's own interface, for the
// reads that go through every row of a table (paging, exports): the general
// driver converts each value twice and keeps a copy of each row, which costs
// more than the engine's own work. Other engines use the general driver.
class NativeQuery {
  public:
    NativeQuery() = default;
    ~NativeQuery();
    NativeQuery(const NativeQuery&) = delete;
    NativeQuery& operator=(const NativeQuery&) = delete;

    // False (and nothing prepared) when the connection is not the embedded
    // engine; raises when the statement is refused.
    bool prepare(const QSqlDatabase& database, const QString& sql);
    bool isValid() const { return m_statement != nullptr; }
    void clear();

    // Starts the statement; with a parameter, binds it to the first "?".
    void exec(const QString* parameter = nullptr);
    // Steps to the next row; false after the last one; raises on an engine error.
    bool next();
    // A value of the current row: null, a whole number, a real number or text.
    QVariant value(int column) const;
    // Ends the run and releases what the engine holds for it.
    void finish();

  private:
    sqlite3* m_database = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};

}  // namespace ambitra
