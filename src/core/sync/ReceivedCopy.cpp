#include "core/sync/ReceivedCopy.h"

#include "core/common/AsideFile.h"
#include "core/common/Error.h"
#include "core/common/FileAccess.h"
#include "core/common/ProgramFolder.h"

#include <QDir>
#include <QFile>

namespace ambitra {

QString ReceivedCopy::folder(const QString& appDir) {
    return ReceivedFolder(appDir);
}

QString ReceivedCopy::fileName(const QString& userFolder, const QDateTime& when) {
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss-")) + userFolder +
           QStringLiteral("-BENS.DBF");
}

QString ReceivedCopy::keep(const QString& appDir, const QString& userFolder, const QString& file,
                           const QDateTime& when) {
    const QString dir = folder(appDir);
    const QString target = QDir(dir).filePath(fileName(userFolder, when));
    const Error failed(QStringLiteral("Não foi possível guardar a cópia ") +
                       QDir::toNativeSeparators(target) + QStringLiteral(" do arquivo recebido ") +
                       QDir::toNativeSeparators(file) + u'.');
    // The readings are the organisation's data: the folder and its copies are
    // the user's alone, also a folder an older version left open to others.
    if (!makePrivatePath(dir)) {
        throw failed;
    }
    QFile::setPermissions(dir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // An existing copy is never replaced: it holds readings of its own.
    if (QFileInfo::exists(target)) {
        throw failed;
    }
    QFile source(file);
    AsideFile aside(target);
    QFile copy(aside.path());
    if (!aside.created() || !source.open(QIODevice::ReadOnly) ||
        !copy.open(QIODevice::WriteOnly | QIODevice::ExistingOnly)) {
        throw failed;
    }
    QByteArray block;
    while (!(block = source.read(1 << 16)).isEmpty()) {
        if (copy.write(block) != block.size()) {
            throw failed;
        }
    }
    copy.close();
    if (source.error() != QFileDevice::NoError || copy.error() != QFileDevice::NoError ||
        QFileInfo::exists(target) || !aside.commit()) {
        throw failed;
    }
    return target;
}

}  // namespace ambitra
