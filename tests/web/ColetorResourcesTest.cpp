#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QString read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

// The addresses the service worker keeps for starting without the network.
QSet<QString> offlineFiles() {
    const QString worker = read(QStringLiteral(":/coletor/sw.js"));
    const qsizetype begin = worker.indexOf(QLatin1String("ARQUIVOS = ["));
    const QString list = worker.mid(begin, worker.indexOf(u']', begin) - begin);
    QSet<QString> files;
    const QRegularExpression quoted(QStringLiteral("'(/[^']*)'"));
    for (const auto& match : quoted.globalMatch(list)) {
        files.insert(match.captured(1));
    }
    return files;
}

QString resourceOf(const QString& address) {
    return QStringLiteral(":/coletor") +
           (address == QLatin1String("/") ? QStringLiteral("/index.html") : address);
}

}  // namespace

// A file the app loads but the build left out of the resources is a 404 on the
// device, and one the service worker does not keep breaks the offline start.
TEST(ColetorResources, HoldEveryFileTheAppLoadsAndTheWorkerKeepsThem) {
    const QSet<QString> offline = offlineFiles();
    ASSERT_TRUE(offline.contains(QStringLiteral("/decodificador/reader/zxing_reader.wasm")));
    for (const QString& address : offline) {
        EXPECT_TRUE(QFile::exists(resourceOf(address))) << address.toStdString();
    }

    const QRegularExpression reference(
        QStringLiteral(R"((?:from\s+|import\(\s*|src=|href=)['"]([^'"#]+)['"])"));
    QDirIterator it(QStringLiteral(":/coletor"), QDirIterator::Subdirectories);
    int scanned = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QLatin1String(".js")) && !path.endsWith(QLatin1String(".html"))) {
            continue;
        }
        ++scanned;
        const QString folder = path.mid(9, path.lastIndexOf(u'/') - 8);  // after ":/coletor"
        for (const auto& match : reference.globalMatch(read(path))) {
            QString address = match.captured(1);
            if (address.startsWith(QLatin1String("./"))) {
                address = folder + address.mid(2);
            } else if (address.startsWith(QLatin1String("../"))) {
                address = folder.left(folder.lastIndexOf(u'/', -2) + 1) + address.mid(3);
            }
            if (!address.startsWith(u'/')) {
                continue;
            }
            EXPECT_TRUE(QFile::exists(resourceOf(address)))
                << path.toStdString() << " loads " << address.toStdString();
            EXPECT_TRUE(offline.contains(address))
                << path.toStdString() << " loads " << address.toStdString()
                << ", which the service worker does not keep";
        }
    }
    EXPECT_GE(scanned, 8);
}
