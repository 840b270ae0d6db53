#include "core/common/FileAccess.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace ambitra {

bool makePrivatePath(const QString& path) {
    const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (QFileInfo(clean).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !makePrivatePath(parent)) {
        return false;
    }
#ifdef Q_OS_UNIX
    // mkdir applies the mask to the mode it is given: narrowing it afterwards
    // would leave a moment in which others may enter.
    if (::mkdir(QFile::encodeName(clean).constData(), 0700) == 0) {
        return true;
    }
#else
    if (QDir().mkdir(clean)) {
        return true;
    }
#endif
    return QFileInfo(clean).isDir();  // made meanwhile by another program
}

void restrictNewFiles() {
#ifdef Q_OS_UNIX
    ::umask(077);
#endif
}

}  // namespace ambitra
