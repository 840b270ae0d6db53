#include "core/common/OutputFile.h"

#include "core/common/Error.h"
#include "core/common/Prompter.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ambitra {

namespace {

// The name as the system reaches it: the folder with its links resolved, and the
// last name as written (a link there is the file itself, not what it points to).
QString resolvedName(const QString& path) {
    const QFileInfo info(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    const QString folder = QFileInfo(info.path()).canonicalFilePath();
    return QDir::cleanPath((folder.isEmpty() ? info.path() : folder) + u'/' + info.fileName());
}

// A folder as the system reaches it, itself resolved when it exists.
QString resolvedFolder(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? resolvedName(path) : canonical;
}

#ifdef Q_OS_UNIX
bool sameFile(const QString& path, const struct stat& target) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           info.st_dev == target.st_dev && info.st_ino == target.st_ino;
}
#endif

}  // namespace

QString outputFileRefusal(const QString& path, const OwnFiles& own) {
    if (path.trimmed().isEmpty()) {
        return QStringLiteral("Nenhum arquivo foi informado para a gravação.");
    }
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString unsafe = unsafeTargetReason(path); !unsafe.isEmpty()) {
        return unsafe;
    }
    const QString ownFile =
        QStringLiteral("O arquivo ") + shown +
        QStringLiteral(
            " é um arquivo do próprio programa (banco de dados, opções ou leituras "
            "recebidas) e não será gravado.");
    const QString name = resolvedName(path);
#ifdef Q_OS_UNIX
    struct stat target {};
    const bool exists = ::lstat(QFile::encodeName(path).constData(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode)) {
        return QStringLiteral("O arquivo ") + shown +
               QStringLiteral(" não é um arquivo comum e não será gravado.");
    }
#endif
    for (const QString& file : own.files) {
        if (resolvedName(file) == name) {
            return ownFile;
        }
#ifdef Q_OS_UNIX
        // The same file under another name: a hard link, or a folder reached twice.
        if (exists && sameFile(file, target)) {
            return ownFile;
        }
#endif
    }
    for (const QString& folder : own.folders) {
        const QString resolved = resolvedFolder(folder);
        if (name == resolved || name.startsWith(resolved + u'/')) {
            return ownFile;
        }
#ifdef Q_OS_UNIX
        if (exists && target.st_nlink > 1) {
            const QDir dir(folder);
            const QStringList entries =
                dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
            for (const QString& entry : entries) {
                if (sameFile(dir.filePath(entry), target)) {
                    return ownFile;
                }
            }
        }
#endif
    }
    return {};
}

bool mayReplace(const QString& path, Prompter& prompter) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    return prompter.confirm(QStringLiteral("O arquivo %1 já existe. Deseja substituí-lo?")
                                .arg(QDir::toNativeSeparators(path)));
}

QString writtenText(const QString& what, const QString& path) {
    return what + QStringLiteral(" gravado em ") + QDir::toNativeSeparators(path) + u'.';
}

OutputFile::OutputFile(const QString& path, const OwnFiles& own) : m_path(path), m_own(own) {
    if (const QString refusal = outputFileRefusal(m_path, m_own); !refusal.isEmpty()) {
        throw Error(refusal);
    }
}

OutputFile::~OutputFile() {
    m_file.close();
}

bool OutputFile::open() {
    m_aside = std::make_unique<AsideFile>(m_path);
    if (!m_aside->created()) {
        return false;
    }
    m_file.setFileName(m_aside->path());
    return m_file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly);
}

bool OutputFile::commit() {
    if (!m_file.isOpen()) {
        return false;
    }
    bool written = m_file.flush() && m_file.error() == QFileDevice::NoError;
#ifdef Q_OS_UNIX
    written = written && ::fsync(m_file.handle()) == 0;
#endif
    m_file.close();
    if (!written) {
        return false;
    }
    // Another program may have put something else under the name meanwhile.
    if (const QString refusal = outputFileRefusal(m_path, m_own); !refusal.isEmpty()) {
        throw Error(refusal);
    }
    return m_aside->commit();
}

}  // namespace ambitra
