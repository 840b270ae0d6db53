#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QtGlobal>

namespace ambitra {

// The operating-system file under a dBase table: opened shared with other
// processes, read and written at explicit offsets (no file position, no
// buffering), with one-byte advisory locks that other processes see.
// This header is platform neutral; TableFilePosix.cpp implements it with
// pread/pwrite and open-file-description locks, which conflict between
// processes and also between two openings of the same file in one process.
class TableFile {
  public:
    enum class OpenResult { Ok, NotFound, AccessDenied };

    // The local date and time for a header stamp. Cheaper than QDateTime's, which
    // re-reads the time-zone settings on every call: this runs once per append.
    static void localNow(QDate& date, QTime& time);

    // The folder, a path delimiter when it does not end with one, and the name.
    static QString joinPath(const QString& folder, const QString& fileName);

    TableFile() = default;
    ~TableFile() { close(); }
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    // Opens an existing file, shared, for reading and (when writable) writing.
    OpenResult open(const QString& path, bool writable);
    // Creates the file or truncates an existing one; ownerOnly restricts a new
    // or existing file to its owner.
    bool create(const QString& path, bool ownerOnly);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Reads up to size bytes at offset; the count read (short at end of file),
    // or -1 on an error.
    qint64 readAt(qint64 offset, char* data, qint64 size) const;
    // Writes all bytes at offset; false when any could not be written.
    bool writeAt(qint64 offset, const char* data, qint64 size);
    // The current size, or -1 on an error.
    qint64 size() const;

    // One-byte locks. tryLockByte never waits: false when another opening holds
    // the byte. Locks go away with unlockByte or when the file is closed.
    bool tryLockByte(qint64 offset);
    void unlockByte(qint64 offset);

  private:
    int m_fd = -1;
};

}  // namespace ambitra
