#include "core/common/AsideFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ambitra {

namespace {

// A new file of that name, its owner's alone, failing (rather than opening) when
// any file or link stands there.
bool createNew(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
#else
    QFile file(path);
    return file.open(QIODevice::NewOnly);
#endif
}

}  // namespace

AsideFile::AsideFile(const QString& target) : m_target(target) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString candidate =
            target + QStringLiteral(".~%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                QLatin1Char('0'));
        if (createNew(candidate)) {
            m_temp = candidate;
            return;
        }
#ifdef Q_OS_UNIX
        if (errno != EEXIST) {
            return;  // the folder takes no new file: no use trying other names
        }
#endif
    }
}

AsideFile::~AsideFile() {
    if (!m_temp.isEmpty()) {
        QFile::remove(m_temp);
    }
}

QString AsideFile::fileName() const {
    return QFileInfo(m_temp).fileName();
}

bool AsideFile::commit() {
    if (m_temp.isEmpty()) {
        return false;
    }
#ifdef Q_OS_UNIX
    // rename() replaces the target itself, never what a link there points to.
    if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) !=
        0) {
        return false;
    }
#else
    QFile::remove(m_target);
    if (!QFile::rename(m_temp, m_target)) {
        return false;
    }
#endif
    m_temp.clear();
    return true;
}

QString unsafeTargetReason(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return QString();
    }
    if (S_ISLNK(info.st_mode)) {
        return QStringLiteral("O arquivo ") + QDir::toNativeSeparators(path) +
               QStringLiteral(" é um link simbólico e não será gravado.");
    }
    if (info.st_uid != ::geteuid()) {
        return QStringLiteral("O arquivo ") + QDir::toNativeSeparators(path) +
               QStringLiteral(" pertence a outro usuário e não será gravado.");
    }
#else
    Q_UNUSED(path);
#endif
    return QString();
}

}  // namespace ambitra
