// Labels of a register to PDF: the whole printing (assets read, bar codes
// encoded, sheets painted, the file written), on A4 sheets of 24, in the order
// codes come from the register and for a shuffled list of chosen rows, against
// the bar-code library's own command-line tool writing the same symbols as
// vector files (when installed).
//
// usage: bench_labels [ASSETS [ROUNDS]] (default 1000 assets, best of 3)

#include "SilentPrompter.h"
#include "core/common/Conversions.h"
#include "core/common/Progress.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/labels/LabelJob.h"
#include "print/LabelPainter.h"
#include "core/labels/LabelSheet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace ambitra;

namespace {

double bestOf(int rounds, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// Half the codes valid EAN-13, half alphanumeric, inserted in no particular order.
QStringList fill(TDados& dados, int assets) {
    QStringList codes;
    for (int i = 0; i < assets; ++i) {
        codes << (i % 2 == 0
                      ? AddEANCheckDigit(QStringLiteral("789%1").arg(i, 9, 10, QLatin1Char('0')))
                      : QStringLiteral("PAT-%1").arg(i, 7, 10, QLatin1Char('0')));
    }
    QStringList shuffled = codes;
    std::shuffle(shuffled.begin(), shuffled.end(), *QRandomGenerator::global());
    QSqlQuery q(dados.Conn().database());
    q.exec(QStringLiteral("INSERT INTO Locais VALUES ('0101', 'ADM', 'FIN', '12A')"));
    q.exec(QStringLiteral("BEGIN"));
    q.prepare(QStringLiteral(
        "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES (?, 'Mesa de escritório', '0101')"));
    for (const QString& code : shuffled) {
        q.bindValue(0, code);
        q.exec();
    }
    QSqlQuery(dados.Conn().database()).exec(QStringLiteral("COMMIT"));
    return shuffled;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const int assets = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir dir;
    SilentPrompter prompter;
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    dados.settings().CodeBar = QStringLiteral("EAN13");
    dados.settings().LabelTitle = QStringLiteral("Prefeitura Municipal");
    if (!dados.OpenDatabase()) {
        return 1;
    }
    const QStringList shuffled = fill(dados, assets);
    const QString pdf = dir.filePath(QStringLiteral("etiquetas.pdf"));
    const LabelSheet& sheet = LabelSheet::all().first();

    auto print = [&](const AssetSelection& selection) {
        LabelJob job(dados);
        job.addAssets(selection);
        if (!writeLabelsPdf(job, sheet, 1, pdf, prompter, noProgress()) ||
            job.printedCount() != assets) {
            std::fprintf(stderr, "printing failed\n");
            std::exit(1);
        }
    };
    const double all = bestOf(rounds, [&] { print({}); });
    std::printf("labels, %d assets in code order: %.0f ms (%lld bytes, %d sheets)\n", assets, all,
                static_cast<long long>(QFileInfo(pdf).size()),
                (assets + sheet.labelsPerSheet() - 1) / sheet.labelsPerSheet());
    const double chosen = bestOf(rounds, [&] { print({shuffled, {}, {}, {}}); });
    std::printf("labels, %d chosen rows in shuffled order: %.0f ms\n", assets, chosen);

    const QString zint = QStandardPaths::findExecutable(QStringLiteral("zint"));
    if (zint.isEmpty()) {
        std::printf("peer: the zint tool is not installed (Debian package zint)\n");
        return 0;
    }
    // The peer encodes the same codes as separate SVG files; EAN-13 and Code 128
    // run apart, as the tool takes one symbology a run.
    QStringList ean;
    QStringList other;
    for (const QString& code : shuffled) {
        (code.startsWith(QLatin1String("789")) ? ean : other) << code;
    }
    const QString out = dir.filePath(QStringLiteral("peer"));
    QDir().mkpath(out);
    QList<QStringList> commands;
    for (const auto& [name, codes, type] : {std::tuple{"ean", ean, "--barcode=EANX_CHK"},
                                            std::tuple{"c128", other, "--barcode=CODE128"}}) {
        const QString list = dir.filePath(QString::fromLatin1(name) + u".txt");
        QFile f(list);
        f.open(QIODevice::WriteOnly);
        f.write(codes.join(u'\n').toUtf8() + '\n');
        f.close();
        commands << QStringList{
            QString::fromLatin1(type),
            QStringLiteral("--batch"),
            QStringLiteral("--filetype=svg"),
            QStringLiteral("--quietzones"),
            u"--output=" + out + u'/' + QString::fromLatin1(name) + u"~~~~~.svg",
            u"--input=" + list};
    }
    for (const QStringList& c : commands) {
        std::printf("peer command: zint %s\n", qPrintable(c.join(u' ')));
    }
    const double peer = bestOf(rounds, [&] {
        for (const QStringList& c : commands) {
            QProcess::execute(zint, c);
        }
    });
    std::printf("peer (zint tool, %d SVG symbols, no sheets): %.0f ms; ratio %.2f\n", assets, peer,
                all / peer);
    return 0;
}
