#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace ambitra::legacy {

// One value as the old program's database file stores it: texts as Unicode,
// amounts as their exact count of ten-thousandths, moments as the stored day
// number (days since 30 December 1899, the fraction the time of day).
struct Value {
    enum class Kind { Null, Text, Money, DateTime, Boolean, Number, Other };
    Kind kind = Kind::Null;
    QString text;       // Text
    qint64 money = 0;   // Money: ten-thousandths
    double days = 0;    // DateTime
    double number = 0;  // Number (whole or real numeric columns); Boolean: 0 or 1

    bool isNull() const { return kind == Kind::Null; }
    // The day of a DateTime and its time of day in milliseconds, to the
    // millisecond; false when the stored day number is no date at all (damaged,
    // or beyond any calendar).
    bool dayAndTime(QDate& day, int& msecs) const;
    // The moment of a DateTime (dayAndTime); invalid when it is no date.
    QDateTime dateTime() const;
};

// The column types of the old file that the register knows.
enum class ColumnKind { Text, Memo, Money, DateTime, Boolean, Number, Other };

struct Column {
    QString name;
    ColumnKind kind = ColumnKind::Other;
    int size = 0;  // characters, for Text
};

// The old Windows program's register: a database file of the Jet 4.0 format,
// read page by page through the library of the mdbtools project (read only).
// Every failure is raised as an Error naming the file, in the user's words:
// a file of another kind or version, an encrypted or password-protected one,
// a damaged or truncated one (rows the table says it holds that cannot be read
// count as damage, never as a shorter table).
class File {
  public:
    explicit File(const QString& path);
    // A file held in memory (the fuzz target); the name only words the errors.
    File(const QByteArray& content, const QString& name);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // What the first bytes of a file say it is, without opening it as a database.
    enum class Signature { None, Jet, Ace };
    static Signature signatureOf(const QString& path);

    const QString& name() const { return m_name; }
    // The user tables, by their names in the file.
    QStringList tableNames() const;

    class Table;
    // The table of that name (any letter case); null when the file has none.
    std::unique_ptr<Table> table(const QString& name);

  private:
    struct Handle;
    void open(const QByteArray& header, qint64 size);
    void checkCatalogProperties();
    std::unique_ptr<Handle> m_handle;
    QByteArray m_content;
    QString m_name;
};

// The rows of one table in the order they lie in the file.
class File::Table {
  public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const QString& name() const { return m_name; }
    const QList<Column>& columns() const { return m_columns; }
    int indexOf(const QString& column) const;
    // The row count the table's definition holds.
    qint64 rowCount() const;
    // Reads the next row into values (one per column); false after the last
    // row. Raises when a row or page cannot be read, or when the table ends
    // before the rows its definition counts.
    bool next(QList<Value>& values);

  private:
    friend class File;
    struct Reader;
    explicit Table(std::unique_ptr<Reader> reader);
    std::unique_ptr<Reader> m_reader;
    QString m_name;
    QList<Column> m_columns;
};

// Jet 4 text bytes (UTF-16LE, or the compressed form behind FF FE) as Unicode.
QString decodeText(const unsigned char* data, qsizetype size);
// The same into text, which keeps its storage when it is not shared.
void decodeText(const unsigned char* data, qsizetype size, QString& text);

}  // namespace ambitra::legacy
