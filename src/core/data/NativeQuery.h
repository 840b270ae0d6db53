#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>
#include <vector>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace ambitra {

// What had been written to a database when it was taken: two equal stamps mean
// that nothing was written in between, by this connection or any other.
struct ChangeStamp {
    qint64 opening = 0;     // the connection's opening (its counts restart)
    qint64 commits = 0;     // the engine's count of other connections' commits
    qint64 ownChanges = 0;  // rows this connection changed
    bool operator==(const ChangeStamp&) const = default;
};

// The stamp of the embedded engine's database now; none for other engines and
// inside a transaction (what it wrote may yet be undone).
std::optional<ChangeStamp> changeStampOf(const QSqlDatabase& database, qint64 opening);

// A statement run on the embedded engine's own interface, for the reads that go
// through every row of a table (paging, exports) and for the statements that runs
// issue for every record (savepoints, the row written, the log row): the general
// driver converts each value twice, keeps a copy of each row and checks each
// binding, which costs more than the engine's own work. Other engines use the
// general driver.
class NativeQuery {
  public:
    NativeQuery() = default;
    ~NativeQuery();
    NativeQuery(const NativeQuery&) = delete;
    NativeQuery& operator=(const NativeQuery&) = delete;

    // False (and nothing prepared) when the connection is not the embedded
    // engine or the text holds more than one statement (the general driver then
    // reports it); raises when the statement is refused.
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

    // Binds a parameter of a statement without result rows by its place (from 0)
    // or by its name (":NAME"; a name the statement does not hold is passed over):
    // null, a number or text, stored as the general driver stores them.
    void bind(int index, const QVariant& value);
    void bind(const QString& name, const QVariant& value);
    // The same without a QVariant, for runs that bind every value of many rows;
    // bindAscii takes text of plain ASCII characters (dates, numbers).
    void bindNull(int index);
    void bindReal(int index, double value);
    void bindText(int index, QStringView text);
    void bindAscii(int index, const char* text, int size);
    // Runs the statement to its end with the values bound and clears them; false
    // when the engine refused it, errorText() then giving the engine's text.
    bool execute();
    const QString& errorText() const { return m_error; }

  private:
    QByteArray& textBuffer(int index);

    sqlite3* m_database = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_error;
    std::vector<QByteArray> m_texts;  // texts bound by place, until the run ends
};

}  // namespace ambitra
