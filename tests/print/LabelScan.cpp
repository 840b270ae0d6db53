#include "print/LabelScan.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>

namespace ambitra::test {

namespace {

QString run(const QString& program, const QStringList& args, bool mayFind = false) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        throw std::runtime_error(program.toStdString() + " did not run (is it installed?)");
    }
    // zbarimg ends with 4 when it finds no bar code at all.
    if (p.exitCode() != 0 && !(mayFind && p.exitCode() == 4)) {
        throw std::runtime_error(program.toStdString() +
                                 " failed: " + p.readAllStandardError().toStdString());
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

ScannedPdf scanPdf(const QString& pdf) {
    QTemporaryDir dir;
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"),
         QStringLiteral("-png"), pdf, dir.filePath(QStringLiteral("page"))});
    ScannedPdf scanned;
    const QFileInfoList pages =
        QDir(dir.path()).entryInfoList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name);
    scanned.pages = static_cast<int>(pages.size());
    for (const QFileInfo& page : pages) {
        QStringList found =
            run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), page.filePath()}, true)
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        found.sort();
        scanned.codes << found;
    }
    return scanned;
}

}  // namespace ambitra::test
