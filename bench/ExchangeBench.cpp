// Import/export of the asset table in every format, against the engine's own
// command-line tool (sqlite3, or psql on a server) doing the same
// comma-separated export and import. The comma-separated imports run twice more
// with the lines in random code order (a fixed seed), as files from spreadsheets
// come: into an empty table and as an update of every row.
//
// usage: bench_exchange [ASSETS [ROUNDS [csv]]] [--engine PostgreSQL [--connection TEXT]]
// (defaults 100000 and 3; "csv" leaves out the table of every format; the
// server's connection defaults to AMBITRA_TEST_PG). On a server, processor
// times include the server's when it runs on this machine.
//
// Every import is checked: the table must equal its copy taken before the runs.

#include "BenchEngine.h"

#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

using namespace ambitra;

namespace {

class PrintingPrompter : public Prompter {
  public:
    bool silent = true;
    Answer message(Kind, const QString& text, Buttons) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        silent = false;
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
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9 +
           serverCpuSeconds();
}

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return s(usage.ru_utime) + s(usage.ru_stime) + serverCpuSeconds();
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

// Runs the peer tool on the register with a script.
Timing peerRun(const BenchEngine& engine, const QString& database, const QString& script) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    const double cpu = childCpuSeconds();
    process.start(engine.peerProgram(), engine.peerArguments(database));
    process.write(engine.peerScript(script).toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const double wall = seconds(timer);
    if (engine.countsServer()) {
        // The server's process for the peer ends just after the peer: counted then.
        QThread::msleep(200);
    }
    const Timing t{wall, childCpuSeconds() - cpu};
    if (process.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(engine.peerProgram()),
                     process.readAllStandardError().constData());
    }
    return t;
}

// Rows that differ between the asset table and its copy taken before the runs.
int differences(TDados& dados) {
    QSqlQuery q(dados.Conn().database());
    q.exec(
        QStringLiteral("SELECT (SELECT count(*) FROM (SELECT * FROM Bens EXCEPT SELECT * FROM "
                       "Original) AS a) + (SELECT count(*) FROM (SELECT * FROM Original EXCEPT "
                       "SELECT * FROM Bens) AS b)"));
    return q.next() ? q.value(0).toInt() : -1;
}

// The best of a few rounds: the machine is shared, the least disturbed round
// is the fairest.
template <typename Work>
Timing best(int rounds, Work work) {
    Timing result{1e9, 1e9};
    for (int i = 0; i < rounds; ++i) {
        const Timing t = work();
        result.wall = std::min(result.wall, t.wall);
        result.cpu = std::min(result.cpu, t.cpu);
    }
    return result;
}

QString cell(const Timing& t) {
    return QStringLiteral("%1 (%2)").arg(t.cpu, 0, 'f', 3).arg(t.wall, 0, 'f', 3);
}

// The file's lines in an order that only the seed decides: the same for every
// run, and the same for our file and the peer's.
void shuffleLines(const QString& from, const QString& to) {
    QFile in(from);
    in.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = in.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    std::mt19937 random(20261209);
    std::shuffle(lines.begin(), lines.end(), random);
    QFile out(to);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const QByteArray& line : lines) {
        out.write(line + '\n');
    }
}

void replaceFile(const QString& from, const QString& to) {
    QFile::remove(to);
    QFile::copy(from, to);
}

// Peak resident memory in MiB, of this process or of the largest child.
double peakMiB(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The peer's comma-separated import: the file into a staging table, then one
// upsert; into an empty table when emptying.
QString peerImportScript(const BenchEngine& engine, const QString& file, bool emptying) {
    const QString staging =
        engine.onServer()
            ? QStringLiteral(
                  "CREATE TEMP TABLE staging (LIKE Bens) ON COMMIT DROP;\n"
                  "\\copy staging FROM '%1' WITH (FORMAT csv)\n")
            : QStringLiteral(
                  "CREATE TEMP TABLE staging (c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, "
                  "c11);\n.mode csv\n.import %1 staging\n");
    return QStringLiteral("BEGIN;\n") +
           (emptying ? QStringLiteral("DELETE FROM Bens;\n") : QString()) + staging.arg(file) +
           QStringLiteral(
               "INSERT INTO Bens SELECT * FROM staging WHERE true ON CONFLICT(BECODIGO) DO "
               "UPDATE SET BENOME = excluded.BENOME, BELOCAL = excluded.BELOCAL, BEFABRICA = "
               "excluded.BEFABRICA, BESITUACAO = excluded.BESITUACAO, BENSERIE = "
               "excluded.BENSERIE, BEVALOR = excluded.BEVALOR, BECOMPRA = excluded.BECOMPRA, "
               "BEULTINV = excluded.BEULTINV, BEULTOPE = excluded.BEULTOPE, BEFLAG = "
               "NULL;\nCOMMIT;\n");
}

// The peer's export of the table in key order.
QString peerExportScript(const BenchEngine& engine, const QString& file) {
    return (engine.onServer() ? QStringLiteral("\\copy (SELECT * FROM Bens ORDER BY BECODIGO) TO "
                                               "'%1' WITH (FORMAT csv)\n")
                              : QStringLiteral(".mode csv\n.output %1\nSELECT * FROM Bens ORDER "
                                               "BY BECODIGO;\n"))
        .arg(file);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    BenchEngine engine(args);
    if (!engine.problem().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(engine.problem()));
        return 2;
    }
    const int count = args.size() > 1 ? args[1].toInt() : 100000;
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 3;
    const bool csvOnly = args.size() > 3 && args[3] == QLatin1String("csv");
    QTemporaryDir dir;
    PrintingPrompter prompter;
    engine.writeSettings(dir.filePath(QStringLiteral("ambitra.ini")));
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    if (!dados.OpenDatabase()) {
        return 1;
    }
    engine.attach(dados.Conn());
    QElapsedTimer timer;
    timer.start();
    fillAssets(dados, count);
    dados.Conn().exec(QStringLiteral("CREATE TABLE Original AS SELECT * FROM Bens"));
    std::printf("%d assets generated in %.2f s; best of %d rounds\n", count, seconds(timer),
                rounds);

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
        {"dBase", &ExchangeRun::ExportDBF, &ExchangeRun::ImportDBF},
        {"fixed width", &ExchangeRun::ExportSDF, &ExchangeRun::ImportSDF},
        {"delimited", &ExchangeRun::ExportTXT, &ExchangeRun::ImportTXT},
        {"comma-separated", &ExchangeRun::ExportCSV, &ExchangeRun::ImportCSV},
    };
    bool restored = true;
    auto importing = [&](Routine routine, bool overwrite) {
        return best(rounds, [&] {
            run.OverwriteData = overwrite;
            const Timing t = timed([&] { (run.*routine)(bens, folder); });
            restored = restored && differences(dados) == 0 && bens.rowCount() == count;
            return t;
        });
    };
    std::printf("seconds: processor (wall)\n");
    if (!csvOnly) {
        std::printf("%-16s %16s %16s %18s %9s\n", "format", "export", "import", "import overwrite",
                    "restored");
        for (const Format& f : formats) {
            const Timing exported =
                best(rounds, [&] { return timed([&] { (run.*f.exportRoutine)(bens, folder); }); });
            const Timing updated = importing(f.importRoutine, false);
            const Timing inserted = importing(f.importRoutine, true);
            std::printf("%-16s %16s %16s %18s %9s\n", f.name, qPrintable(cell(exported)),
                        qPrintable(cell(updated)), qPrintable(cell(inserted)),
                        restored ? "yes" : "NO");
            std::printf("%-16s %13.2f us %13.2f us %15.2f us  per asset (processor)\n", "",
                        exported.cpu * 1e6 / count, updated.cpu * 1e6 / count,
                        inserted.cpu * 1e6 / count);
        }
        std::printf("\n");
    }

    // The comma-separated file in code order (as exported) and in random code order.
    const Timing csvExport =
        best(rounds, [&] { return timed([&] { run.ExportCSV(bens, folder); }); });
    const QString csvFile = QDir(folder).filePath(textFileName(bens.tableName(), TextFormat::Csv));
    const QString codeOrder = dir.filePath(QStringLiteral("code-order.csv"));
    const QString randomOrder = dir.filePath(QStringLiteral("random-order.csv"));
    replaceFile(csvFile, codeOrder);
    shuffleLines(codeOrder, randomOrder);
    replaceFile(codeOrder, csvFile);
    const Timing newCode = importing(&ExchangeRun::ImportCSV, true);
    const Timing updateCode = importing(&ExchangeRun::ImportCSV, false);
    replaceFile(randomOrder, csvFile);
    const Timing newRandom = importing(&ExchangeRun::ImportCSV, true);
    const Timing updateRandom = importing(&ExchangeRun::ImportCSV, false);
    if (!prompter.silent || !restored) {
        std::printf("an import did not restore the table\n");
        return 1;
    }
    const double ourPeak = peakMiB(RUSAGE_SELF);

    if (QStandardPaths::findExecutable(engine.peerProgram()).isEmpty()) {
        std::printf("%s not found: no comparison\n", qPrintable(engine.peerProgram()));
        return 0;
    }
    dados.CloseDatabase();
    const QString database = dados.settings().DBName;
    const QString peerFile = dir.filePath(QStringLiteral("peer.csv"));
    const QString peerRandom = dir.filePath(QStringLiteral("peer-random.csv"));
    const QString exportScript = peerExportScript(engine, peerFile);
    const Timing peerExport = best(rounds, [&] { return peerRun(engine, database, exportScript); });
    shuffleLines(peerFile, peerRandom);
    auto peerImport = [&](const QString& file, bool emptying) {
        return best(rounds, [&] {
            return peerRun(engine, database, peerImportScript(engine, file, emptying));
        });
    };
    const Timing peerNewCode = peerImport(peerFile, true);
    const Timing peerUpdateCode = peerImport(peerFile, false);
    const Timing peerNewRandom = peerImport(peerRandom, true);
    const Timing peerUpdateRandom = peerImport(peerRandom, false);
    dados.OpenDatabase();
    const bool peerRestored = differences(dados) == 0;

    std::printf("comma-separated, %d assets   %16s %16s %16s %16s\n", count, "code order",
                "random order", "peer code", "peer random");
    auto line = [&](const char* job, const Timing& code, const Timing* random, const Timing& peer,
                    const Timing* peerRnd) {
        std::printf("%-29s %16s %16s %16s %16s\n", job, qPrintable(cell(code)),
                    random ? qPrintable(cell(*random)) : "-", qPrintable(cell(peer)),
                    peerRnd ? qPrintable(cell(*peerRnd)) : "-");
    };
    line("import into an empty table", newCode, &newRandom, peerNewCode, &peerNewRandom);
    line("import as update", updateCode, &updateRandom, peerUpdateCode, &peerUpdateRandom);
    line("export", csvExport, nullptr, peerExport, nullptr);
    std::printf("\nratios, processor (wall)              random/code   ours/peer (random)\n");
    auto ratio = [](const Timing& a, const Timing& b) {
        return QStringLiteral("%1x (%2x)")
            .arg(a.cpu / b.cpu, 0, 'f', 2)
            .arg(a.wall / b.wall, 0, 'f', 2);
    };
    std::printf("import into an empty table  %16s %18s   targets 1.2x, %s\n",
                qPrintable(ratio(newRandom, newCode)), qPrintable(ratio(newRandom, peerNewRandom)),
                engine.peerTarget("2x"));
    std::printf("import as update            %16s %18s   targets 1.2x, %s\n",
                qPrintable(ratio(updateRandom, updateCode)),
                qPrintable(ratio(updateRandom, peerUpdateRandom)), engine.peerTarget("2x"));
    std::printf("export                      %16s %18s   target %s\n", "-",
                qPrintable(ratio(csvExport, peerExport)), engine.peerTarget("1.5x"));
    std::printf("\npeak memory: ours %.0f MiB, peer %.0f MiB; peer restored the table: %s\n",
                ourPeak, peakMiB(RUSAGE_CHILDREN), peerRestored ? "yes" : "NO");
    std::printf(
        "\npeer commands (the update import; the others differ in the file and, "
        "into an empty table, a DELETE FROM Bens after BEGIN):\n");
    for (const QString& script : {exportScript, peerImportScript(engine, peerRandom, false)}) {
        std::printf("  %s", qPrintable(engine.peerCommand(database, script)));
    }
    return 0;
}
