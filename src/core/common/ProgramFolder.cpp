#include "core/common/ProgramFolder.h"

#include "core/common/FileAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ambitra {

namespace {

bool isPortable(const QDir& programDir) {
    return isWritable(QFileInfo(programDir.path())) ||
           QFileInfo::exists(programDir.filePath(QStringLiteral("ambitra.ini"))) ||
           QFileInfo::exists(programDir.filePath(QStringLiteral("Ambitra.db")));
}

// Parents are made as the system makes them; the folder itself, which will hold
// the register and the operators' passwords, is made private from the start
// rather than narrowed afterwards.
void createPrivateFolder(const QString& path) {
    if (QFileInfo::exists(path)) {
        return;
    }
    QDir().mkpath(QFileInfo(path).path());
    QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

QString UserDataAppDir() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(base + QStringLiteral("/ambitra"));
}

QString ResolveAppDir(const QString& programDir) {
    const QDir dir(QDir::cleanPath(QDir(programDir).absolutePath()));
    if (isPortable(dir)) {
        return dir.path();
    }
    const QString userDir = UserDataAppDir();
    createPrivateFolder(userDir);
    return userDir;
}

QString ReceivedFolder(const QString& appDir) {
    return QDir(appDir).filePath(QStringLiteral("Recebidos"));
}

QString GetAppDir() {
    return ResolveAppDir(QCoreApplication::applicationDirPath());
}

}  // namespace ambitra
