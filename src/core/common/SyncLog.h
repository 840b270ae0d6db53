#pragma once

#include <QObject>
#include <QStringList>

namespace ambitra {

// The synchronisation log: one line per message ("> " opens a step, three blanks
// a result line). A CR LF inside a message breaks it into lines, so one at its
// start or end leaves an empty line. The log keeps at most 8192 characters,
// dropping its oldest lines first. The window shows it; the command-line
// companion prints the lines as they come.
class SyncLog : public QObject {
    Q_OBJECT

  public:
    static constexpr int kMaxCharacters = 8192;

    explicit SyncLog(QObject* parent = nullptr) : QObject(parent) {}

    void append(const QString& message);
    // A line that reports a failure (an error text after "> ", a file that could
    // not be made or read): counted, so a caller knows the run did not go clean.
    void appendError(const QString& line);
    void clear();

    // Failure lines appended since the last clear() or resetErrors().
    int errorCount() const { return m_errors; }
    void resetErrors() { m_errors = 0; }

    const QStringList& lines() const { return m_lines; }
    // The whole text as a multi-line edit holds it: lines joined by CR LF.
    QString text() const { return m_lines.join(QStringLiteral("\r\n")); }

  signals:
    // The lines one message added, before any old line was dropped.
    void linesAdded(const QStringList& lines);
    void changed();

  private:
    QStringList m_lines;
    qsizetype m_length = 0;  // length of text()
    int m_errors = 0;
};

}  // namespace ambitra
