#include "core/xbase/TableFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace ambitra {

namespace {

bool setByteLock(int fd, qint64 offset, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    lock.l_pid = 0;  // required for open-file-description locks
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &lock);
    } while (rc < 0 && errno == EINTR);
    return rc == 0;
}

}  // namespace

void TableFile::localNow(QDate& date, QTime& time) {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm local {};
    ::localtime_r(&now.tv_sec, &local);
    date = QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    time = QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                 static_cast<int>(now.tv_nsec / 1000000));
}

QString TableFile::joinPath(const QString& folder, const QString& fileName) {
    if (folder.isEmpty() || folder.endsWith(u'/')) {
        return folder + fileName;
    }
    return folder + u'/' + fileName;
}

TableFile::OpenResult TableFile::open(const QString& path, bool writable) {
    close();
    const QByteArray native = QFile::encodeName(path);
    do {
        m_fd = ::open(native.constData(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd >= 0) {
        struct stat st {};
        // A folder opens read-only on POSIX; it is no table.
        if (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) {
            return OpenResult::Ok;
        }
        close();
        return OpenResult::AccessDenied;
    }
    return errno == ENOENT ? OpenResult::NotFound : OpenResult::AccessDenied;
}

bool TableFile::create(const QString& path, bool ownerOnly) {
    close();
    const QByteArray native = QFile::encodeName(path);
    // A new table is its owner's alone: exchange files are the organisation's
    // data, and the programs that read them run as the same user.
    do {
        m_fd = ::open(native.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        return false;
    }
    // An existing file keeps its old mode through O_TRUNC.
    if (ownerOnly && ::fchmod(m_fd, 0600) != 0) {
        close();
        return false;
    }
    return true;
}

void TableFile::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

qint64 TableFile::readAt(qint64 offset, char* data, qint64 size) const {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, data + done, static_cast<size_t>(size - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

bool TableFile::writeAt(qint64 offset, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(m_fd, data + done, static_cast<size_t>(size - done),
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;  // no progress: the device takes no more
        }
        done += n;
    }
    return true;
}

qint64 TableFile::size() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return -1;
    }
    return st.st_size;
}

bool TableFile::tryLockByte(qint64 offset) {
    return setByteLock(m_fd, offset, F_WRLCK);
}

void TableFile::unlockByte(qint64 offset) {
    setByteLock(m_fd, offset, F_UNLCK);
}

}  // namespace ambitra
