// Import/export of the asset table in every format, against the sqlite3
// command-line tool doing the same comma-separated export and import.
//
// usage: bench_exchange [ASSETS [export]]   (default 100000; "export": exports only)

#include "common/Progress.h"
#include "common/Prompter.h"
#include "data/Connection.h"
#include "data/TDados.h"
#include "exchange/ExchangeRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

using namespace ambitra;

namespace {

class PrintingPrompter : public Prompter {
  public:
    Answer message(Kind, const QString& text, Buttons) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    void beep() override {}
};

void fillAssets(TDados& dados, int count) {
    Transaction transaction(dados.Conn());
    QSqlQuery q(dados.Conn().database());
    q.prepare(QStringLiteral("INSERT INTO Bens VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL)"));
    for (int i = 0; i < count; ++i) {
        q.bindValue(0, QStringLiteral("%1").arg(i + 1, 13, 10, QLatin1Char('0')));
        q.bindValue(1, QStringLiteral("Bem patrimonial nº %1").arg(i));
        q.bindValue(2, QStringLiteral("%1").arg(i % 500));
        q.bindValue(3, QStringLiteral("Fabricante %1").arg(i % 97));
        q.bindValue(4, QStringLiteral("BO"));
        q.bindValue(5, QStringLiteral("SN%1").arg(i * 7919));
        q.bindValue(6, (i % 100000) * 1.25);
        q.bindValue(7, QDate(2000, 1, 1).addDays(i % 9000).toString(Qt::ISODate));
        q.bindValue(8, QDate(2023, 1, 1).addDays(i % 700).toString(Qt::ISODate));
        q.bindValue(9, QStringLiteral("Operador %1").arg(i % 13));
        q.exec();
    }
    transaction.commit();
}

double seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// The machine is shared with other work: processor time is the fairer measure,
// wall time is shown beside it.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Times a piece of work in wall and processor seconds.
template <typename Work>
Timing timed(Work work) {
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuSeconds();
    work();
    return {seconds(timer), cpuSeconds() - cpu};
}

// Runs the sqlite3 tool on the database with a script.
Timing sqlite3Run(const QString& database, const QString& script) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    const double cpu = childCpuSeconds();
    process.start(QStringLiteral("sqlite3"), {database});
    process.write(script.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const Timing t{seconds(timer), childCpuSeconds() - cpu};
    if (process.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3: %s\n", process.readAllStandardError().constData());
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const bool exportOnly = argc > 2 && qstrcmp(argv[2], "export") == 0;
    QTemporaryDir dir;
    PrintingPrompter prompter;
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    if (!dados.OpenDatabase()) {
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    fillAssets(dados, count);
    std::printf("%d assets generated in %.2f s\n", count, seconds(timer));

    DataTable& bens = dados.TBens();
    timer.restart();
    bens.open();
    std::printf("table opened in %.3f s\n\n", seconds(timer));

    ExchangeRun run(dados, prompter, noProgress());
    const QString folder = dados.AppDir();
    using Routine = void (ExchangeRun::*)(DataTable&, const QString&);
    struct Format {
        const char* name;
        Routine exportRoutine;
        Routine importRoutine;
    };
    const Format formats[] = {
        {"fixed width", &ExchangeRun::ExportSDF, &ExchangeRun::ImportSDF},
        {"delimited", &ExchangeRun::ExportTXT, &ExchangeRun::ImportTXT},
        {"comma-separated", &ExchangeRun::ExportCSV, &ExchangeRun::ImportCSV},
    };
    std::printf("seconds: processor (wall)\n%-16s %16s %16s %16s\n", "format", "export", "import",
                "import overwrite");
    auto cell = [](const Timing& t) {
        return QStringLiteral("%1 (%2)").arg(t.cpu, 0, 'f', 3).arg(t.wall, 0, 'f', 3);
    };
    Timing csvExport;
    Timing csvImport;
    for (const Format& f : formats) {
        const Timing exported = timed([&] { (run.*f.exportRoutine)(bens, folder); });
        if (exportOnly) {
            std::printf("%-16s %16s\n", f.name, qPrintable(cell(exported)));
            continue;
        }
        run.OverwriteData = false;
        const Timing updated = timed([&] { (run.*f.importRoutine)(bens, folder); });
        run.OverwriteData = true;
        const Timing inserted = timed([&] { (run.*f.importRoutine)(bens, folder); });
        std::printf("%-16s %16s %16s %16s\n", f.name, qPrintable(cell(exported)),
                    qPrintable(cell(updated)), qPrintable(cell(inserted)));
        if (f.exportRoutine == &ExchangeRun::ExportCSV) {
            csvExport = exported;
            csvImport = updated;
        }
    }
    std::printf("\n%s",
                qPrintable(run.RunMessages.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));

    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) {
        std::printf("\nsqlite3 not found: no comparison\n");
        return 0;
    }
    dados.CloseDatabase();
    const QString database = dados.settings().DBName;
    const QString peerFile = dir.filePath(QStringLiteral("peer.csv"));
    const Timing peerExport = sqlite3Run(
        database, QStringLiteral(".mode csv\n.output %1\nSELECT * FROM Bens;\n").arg(peerFile));
    const Timing peerImport = sqlite3Run(
        database,
        QStringLiteral(
            "BEGIN;\nCREATE TEMP TABLE staging (c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11);\n"
            ".mode csv\n.import %1 staging\n"
            "INSERT INTO Bens SELECT * FROM staging WHERE true ON CONFLICT(BECODIGO) DO UPDATE "
            "SET BENOME = excluded.BENOME, BELOCAL = excluded.BELOCAL, BEFABRICA = "
            "excluded.BEFABRICA, BESITUACAO = excluded.BESITUACAO, BENSERIE = excluded.BENSERIE, "
            "BEVALOR = excluded.BEVALOR, BECOMPRA = excluded.BECOMPRA, BEULTINV = "
            "excluded.BEULTINV, BEULTOPE = excluded.BEULTOPE, BEFLAG = NULL;\nCOMMIT;\n")
            .arg(peerFile));
    std::printf("\nsqlite3 tool: CSV export %s, CSV import (staging + upsert) %s\n",
                qPrintable(cell(peerExport)), qPrintable(cell(peerImport)));
    std::printf("ratios (processor): CSV export %.2fx (target 3x), CSV import %.2fx (target 4x)\n",
                csvExport.cpu / peerExport.cpu, csvImport.cpu / peerImport.cpu);
    std::printf("ratios (wall):      CSV export %.2fx, CSV import %.2fx\n",
                csvExport.wall / peerExport.wall, csvImport.wall / peerImport.wall);
    return 0;
}
