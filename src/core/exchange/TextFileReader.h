#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace ambitra {

// Reads an exchange text file line by line, in large blocks. A line ends at
// CR LF, at a lone LF or at a lone CR, whichever tool wrote it. The file is
// Windows-1252, unless it starts with the UTF-8 byte-order mark (dropped) or
// is valid UTF-8 holding multi-byte sequences, as files saved by today's
// editors are; a Windows-1252 file with accents is never valid UTF-8 in
// practice, so the two are told apart safely.
class TextFileReader {
  public:
    // Reads the whole file once to decide its encoding, then starts over.
    explicit TextFileReader(QFile& file);

    // The next line, decoded, and how many bytes it took with its line end;
    // false at the end of the file.
    bool next(QString& line, qint64& bytes);
    // The number of the line last read, from 1.
    int lineNumber() const { return m_lineNumber; }
    bool isUtf8() const { return m_utf8; }

  private:
    bool detectUtf8();
    void refill();

    QFile& m_file;
    QByteArray m_block;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_utf8 = false;
    int m_lineNumber = 0;
};

// True when the line holds nothing but blanks and control characters (an
// end-of-file mark of old tools included): such a line is no record.
bool isBlankLine(QStringView line);

}  // namespace ambitra
