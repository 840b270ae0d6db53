#include "core/sync/PrivateSocket.h"

#include "core/common/Conversions.h"
#include "core/common/Error.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ambitra::PrivateSocket {

namespace {

#ifdef Q_OS_UNIX
// A real folder (not a link) of this user that group and others cannot enter.
bool isPrivateFolder(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

QString fallbackFolder() {
    const QString path = GetTempDir() + QStringLiteral("ambitra-%1").arg(::geteuid());
    const QByteArray name = QFile::encodeName(path);
    ::mkdir(name.constData(), 0700);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid()) {
        throw Error(QStringLiteral("A pasta ") + QDir::toNativeSeparators(path) +
                    QStringLiteral(" pertence a outro usuário e não pode ser usada."));
    }
    if ((info.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0) {
        throw Error(QStringLiteral("A pasta ") + QDir::toNativeSeparators(path) +
                    QStringLiteral(" não pode ser tornada privada."));
    }
    return path;
}
#endif

}  // namespace

QString Folder() {
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime)) {
        return QDir::cleanPath(runtime);
    }
    return fallbackFolder();
#else
    return QDir::cleanPath(QDir::tempPath());
#endif
}

bool PeerIsSameUser(qintptr socketDescriptor) {
#if defined(Q_OS_LINUX)
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    return ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                        &size) == 0 &&
           credentials.uid == ::geteuid();
#elif defined(Q_OS_UNIX)
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(static_cast<int>(socketDescriptor), &uid, &gid) == 0 && uid == ::geteuid();
#else
    Q_UNUSED(socketDescriptor);
    return true;
#endif
}

}  // namespace ambitra::PrivateSocket
