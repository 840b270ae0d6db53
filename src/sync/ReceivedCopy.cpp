#include "sync/ReceivedCopy.h"

#include "common/Error.h"

#include <QDir>
#include <QFile>

namespace ambitra {

QString ReceivedCopy::folder(const QString& appDir) {
    return QDir(appDir).filePath(QStringLiteral("Recebidos"));
}

QString ReceivedCopy::fileName(const QString& userFolder, const QDateTime& when) {
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss-")) + userFolder +
           QStringLiteral("-BENS.DBF");
}

QString ReceivedCopy::keep(const QString& appDir, const QString& userFolder, const QString& file,
                           const QDateTime& when) {
    const QString target = QDir(folder(appDir)).filePath(fileName(userFolder, when));
    // An existing copy is never replaced: it holds readings of its own.
    if (!QDir().mkpath(folder(appDir)) || QFileInfo::exists(target) || !QFile::copy(file, target)) {
        throw Error(QStringLiteral("Não foi possível guardar a cópia ") +
                    QDir::toNativeSeparators(target) + QStringLiteral(" do arquivo recebido ") +
                    QDir::toNativeSeparators(file) + u'.');
    }
    return target;
}

}  // namespace ambitra
