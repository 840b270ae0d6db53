#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QIODevice;

namespace ambitra {

class KeysetQuery;
class Progress;
struct OwnFiles;
struct Settings;

// The comma-separated form of the inventory log that spreadsheet programs open
// directly: Windows-1252 text, CR LF after every line, a header of six fields
// (the date and the time of a row are two fields, the time's caption is empty)
// and one line per log row.
class LogCsvFormat {
  public:
    // The delimiter is the setting when it is a comma or a semicolon, otherwise a
    // comma; the qualifier is the setting as it stands, possibly empty.
    explicit LogCsvFormat(const Settings& settings);
    LogCsvFormat(QString delimiter, QString qualifier)
        : m_delimiter(std::move(delimiter)), m_qualifier(std::move(qualifier)) {}

    const QString& delimiter() const { return m_delimiter; }
    const QString& qualifier() const { return m_qualifier; }

    QByteArray header() const;
    // One row: its date and time fields (below), then the four texts (null allowed).
    QByteArray line(const QString& dateTimeFields, const QVariant& user, const QVariant& op,
                    const QVariant& asset, const QVariant& occurrence) const;

    // Date, delimiter and time of a moment ("2006/08/15,14:30:00"); the day a
    // null moment reads as is left out, so a row without a date gives an empty
    // date field.
    QString dateTimeFields(const QVariant& when) const;
    // The same from a moment as the database stores it, without building a
    // moment (which costs a time-zone look-up per row).
    QString storedDateTimeFields(const QVariant& stored) const;
    // A text between qualifiers; a qualifier inside the text is doubled, so that
    // the value reads back whole.
    QString quoted(const QString& text) const;

  private:
    QString m_delimiter;
    QString m_qualifier;
};

// The lines of a report's comma-separated file, made in memory: each one's
// fields joined by the format's delimiter, in Windows-1252, ended by CR LF.
class CsvLines {
  public:
    explicit CsvLines(const LogCsvFormat& format) : m_format(format) {}
    void add(const QStringList& fields);
    // Raises the device's message when not every byte is written.
    void writeTo(QIODevice& out) const;

  private:
    const LogCsvFormat& m_format;
    QByteArray m_bytes;
};

// A report's comma-separated file written whole by `write` or not at all;
// raises "Arquivo NAME não pode ser criado!" when it cannot be.
void saveCsvFile(const QString& path, const OwnFiles& own,
                 const std::function<void(QIODevice&)>& write);

// Writes the header and every row of the query (a log selection) to out, from the
// first row to the last; nothing at all when the query has no rows. Returns the
// number of rows written and leaves the query on its last row. Raises on a write
// error. Each row written is one step of progress.
int writeLogCsv(KeysetQuery& rows, const LogCsvFormat& format, QIODevice& out);
int writeLogCsv(KeysetQuery& rows, const LogCsvFormat& format, QIODevice& out, Progress& progress);

}  // namespace ambitra
