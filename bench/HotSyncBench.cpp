// Loads a generated register onto a "handheld" folder and applies a returned
// inventory, with the readings in code order and as a handheld returns them (in
// the order they were taken: shuffled with a fixed seed), beside the sqlite3 tool
// doing the same work in the same run: the load as a comma-separated copy of the
// table in key order, the unload as a staging table, the log rows and one
// UPDATE ... FROM plus one INSERT.
//
// usage: bench_hotsync [ASSETS [ROUNDS]]   (defaults 100000 and 3)
#include "common/Progress.h"
#include "common/Prompter.h"
#include "data/TDados.h"
#include "sync/HandheldLoad.h"
#include "sync/InventoryUnload.h"
#include "sync/LocationCheckList.h"
#include "sync/SyncLog.h"
#include "xbase/HalcyonDataSet.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <random>
#include <vector>

using namespace ambitra;

namespace {

class SilentPrompter : public Prompter {
  public:
    Answer message(Kind, const QString& text, Buttons) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return Answer::Ok;
    }
    void beep() override {}
};

void generate(TDados& dados, int assets) {
    QSqlQuery q(dados.Conn().database());
    q.exec(QStringLiteral("BEGIN"));
    q.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50) "
        "INSERT INTO Operadores SELECT printf('%03d', i), 'x', 'Operador ' || i FROM n"));
    q.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
        "INSERT INTO Locais SELECT printf('%04d', i), 'P' || (i % 9), 'D' || (i % 50), 'S' || i "
        "FROM n"));
    q.prepare(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
        "INSERT INTO Bens SELECT printf('%013d', i), 'Bem patrimonial ' || i, printf('%04d', 1 + i "
        "% 500), "
        "'Fabricante ' || (i % 70), 'BO', 'SN' || i, (i % 100000) * 1.25, '2020-01-15', NULL, "
        "NULL, NULL FROM n"));
    q.addBindValue(assets);
    q.exec();
    q.exec(QStringLiteral("COMMIT"));
}

// The handheld's answer: every sent asset read ("X"), a tenth moved, a hundredth new.
void writeReturn(const QString& folder, int assets) {
    THalcyonDataSet sent;
    sent.SetDatabaseName(folder);
    sent.SetTableName(QStringLiteral("BENS.DBF"));
    sent.Open();
    THalcyonDataSet back;
    QDir(folder).mkpath(QStringLiteral("back"));
    const QString backFolder = QDir(folder).filePath(QStringLiteral("back"));
    QFile::copy(QDir(folder).filePath(QStringLiteral("BENS.DBF")),
                QDir(backFolder).filePath(QStringLiteral("BENS.DBF")));
    back.SetDatabaseName(backFolder);
    back.SetTableName(QStringLiteral("BENS.DBF"));
    back.Open();
    int i = 0;
    for (back.First(); !back.Eof(); back.Next(), ++i) {
        back.Edit();
        back.FieldByName(QStringLiteral("BEFLAG")).SetAsString(QStringLiteral("X"));
        back.FieldByName(QStringLiteral("BEULTINV")).SetAsVariant(QDate(2026, 12, 9));
        back.FieldByName(QStringLiteral("BEULTOPE")).SetAsString(QStringLiteral("Operador 7"));
        if (i % 10 == 0) {
            back.FieldByName(QStringLiteral("BELOCAL"))
                .SetAsString(QStringLiteral("%1").arg(1 + (i + 7) % 500, 4, 10, QLatin1Char('0')));
        }
        back.Post();
    }
    back.BeginBulkAppend();
    for (int n = 1; n <= assets / 100; ++n) {
        back.Insert();
        back.FieldByName(QStringLiteral("BECODIGO"))
            .SetAsString(QStringLiteral("9%1").arg(n, 12, 10, QLatin1Char('0')));
        back.FieldByName(QStringLiteral("BENOME")).SetAsString(QStringLiteral("Novo %1").arg(n));
        back.FieldByName(QStringLiteral("BELOCAL")).SetAsString(QStringLiteral("0001"));
        back.FieldByName(QStringLiteral("BEFLAG")).SetAsString(QStringLiteral("X"));
        back.Post();
    }
    back.EndBulkAppend();
    back.Close();
    sent.Close();
}

// The records of a table file in an order that only the seed decides.
void shuffleRecords(const QString& from, const QString& to) {
    QFile in(from);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    auto number = [&](int at, int size) {
        qint64 n = 0;
        for (int i = size - 1; i >= 0; --i) {
            n = n << 8 | static_cast<uchar>(bytes[at + i]);
        }
        return n;
    };
    const qint64 count = number(4, 4);
    const qint64 header = number(8, 2);
    const qint64 length = number(10, 2);
    std::vector<qint64> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 random(20261209);
    std::shuffle(order.begin(), order.end(), random);
    QByteArray shuffled = bytes.left(header);
    for (const qint64 i : order) {
        shuffled += bytes.mid(header + i * length, length);
    }
    shuffled += bytes.mid(header + count * length);
    QFile out(to);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(shuffled);
}

QByteArray csvField(const QVariant& value) {
    if (value.isNull()) {
        return {};
    }
    const QString text = value.typeId() == QMetaType::QDate ? value.toDate().toString(Qt::ISODate)
                                                            : value.toString();
    return '"' + text.toUtf8().replace('"', "\"\"") + '"';
}

// The readings of a returned file as comma-separated lines, in the file's order,
// for the peer.
void writeReadings(const QString& folder, const QString& csv) {
    THalcyonDataSet dbf;
    dbf.SetDatabaseName(folder);
    dbf.SetTableName(QStringLiteral("BENS.DBF"));
    dbf.Open();
    QFile out(csv);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray lines;
    for (dbf.First(); !dbf.Eof(); dbf.Next()) {
        if (dbf.FieldByName(QStringLiteral("BEFLAG")).AsString() != QLatin1String("X")) {
            continue;
        }
        QByteArrayList fields;
        for (const char* name : {"BECODIGO", "BENOME", "BELOCAL", "BEFABRICA", "BESITUACAO",
                                 "BENSERIE", "BEVALOR", "BECOMPRA", "BEULTINV", "BEULTOPE"}) {
            fields << csvField(dbf.FieldByName(QString::fromLatin1(name)).AsVariant());
        }
        lines += fields.join(',') + '\n';
    }
    out.write(lines);
}

QString peerUnloadScript(const QString& csv) {
    auto changed = [](const char* column, const char* label) {
        return QStringLiteral(
                   "CASE WHEN b.%1 IS NOT s.%1 THEN ';%2:' || ifnull(b.%1, '') || "
                   "'>' || ifnull(s.%1, '') ELSE '' END")
            .arg(QLatin1String(column), QLatin1String(label));
    };
    return QStringLiteral(
               "BEGIN;\n"
               "CREATE TEMP TABLE staging (BECODIGO, BENOME, BELOCAL, BEFABRICA, BESITUACAO, "
               "BENSERIE, BEVALOR, BECOMPRA, BEULTINV, BEULTOPE);\n"
               ".mode csv\n.import %1 staging\n"
               "INSERT INTO Log (LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, LGOCORRENC) SELECT "
               "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), 'Bench', s.BEULTOPE, "
               "s.BECODIGO, CASE WHEN b.BECODIGO IS NULL THEN 'NOVO' ELSE substr(%2 || %3 || "
               "%4, 2) END FROM staging s LEFT JOIN Bens b ON b.BECODIGO = s.BECODIGO WHERE "
               "b.BECODIGO IS NULL OR b.BELOCAL IS NOT s.BELOCAL OR b.BESITUACAO IS NOT "
               "s.BESITUACAO OR b.BENSERIE IS NOT s.BENSERIE;\n"
               "UPDATE Bens SET BELOCAL = s.BELOCAL, BESITUACAO = s.BESITUACAO, BENSERIE = "
               "s.BENSERIE, BEULTINV = s.BEULTINV, BEULTOPE = s.BEULTOPE FROM staging s WHERE "
               "Bens.BECODIGO = s.BECODIGO;\n"
               "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEFABRICA, BESITUACAO, BENSERIE, "
               "BEVALOR, BECOMPRA, BEULTINV, BEULTOPE) SELECT * FROM staging WHERE true ON "
               "CONFLICT DO NOTHING;\n"
               "COMMIT;\n")
        .arg(csv, changed("BELOCAL", "LOCAL"), changed("BESITUACAO", "SITUACAO"),
             changed("BENSERIE", "NSERIE"));
}

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
    // Keeps the better of two measures of the same work.
    void keepBest(const Timing& t) {
        wall = std::min(wall, t.wall);
        cpu = std::min(cpu, t.cpu);
    }
};

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

template <typename Work>
Timing timed(Work work, int who = RUSAGE_SELF) {
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuSeconds(who);
    work();
    return {static_cast<double>(timer.nsecsElapsed()) / 1e9, cpuSeconds(who) - cpu};
}

Timing sqlite3Run(const QString& database, const QString& script) {
    return timed(
        [&] {
            QProcess process;
            process.start(QStringLiteral("sqlite3"), {database});
            process.write(script.toUtf8());
            process.closeWriteChannel();
            process.waitForFinished(-1);
            if (process.exitCode() != 0) {
                std::fprintf(stderr, "sqlite3: %s\n", process.readAllStandardError().constData());
            }
        },
        RUSAGE_CHILDREN);
}

QString cell(const Timing& t) {
    return QStringLiteral("%1 (%2)").arg(t.cpu, 0, 'f', 3).arg(t.wall, 0, 'f', 3);
}

QString ratio(const Timing& a, const Timing& b) {
    return QStringLiteral("%1x (%2x)")
        .arg(a.cpu / b.cpu, 0, 'f', 2)
        .arg(a.wall / b.wall, 0, 'f', 2);
}

double peakMiB(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

int count(TDados& dados, const QString& sql) {
    QSqlQuery q(dados.Conn().database());
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}

// The register as generated, before an unload.
void restore(TDados& dados) {
    Transaction transaction(dados.Conn());
    dados.Conn().exec(QStringLiteral("DELETE FROM Log"));
    dados.Conn().exec(QStringLiteral("DELETE FROM Bens"));
    dados.Conn().exec(QStringLiteral("INSERT INTO Bens SELECT * FROM Original"));
    transaction.commit();
    if (dados.TBens().isOpen()) {
        dados.TBens().requery();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int assets = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    const int rounds = argc > 2 ? std::max(1, QString::fromLatin1(argv[2]).toInt()) : 3;
    QTemporaryDir dir;
    SilentPrompter prompter;
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    dados.OpenDatabase();
    generate(dados, assets);
    dados.Conn().exec(QStringLiteral("CREATE TABLE Original AS SELECT * FROM Bens"));
    const QString folder = dir.filePath(QStringLiteral("device"));
    QDir().mkpath(folder);

    SyncLog log;
    LocationCheckList locations;
    Timing load;
    for (int round = 0; round < rounds; ++round) {
        load.keepBest(timed([&] {
            dados.TOperadores().open();
            dados.TLocais().open();
            dados.TBens().open();
            locations.fill(dados.TLocais());
            locations.setAll(true);
            HandheldLoad handheld(dados, locations, log, noProgress());
            handheld.ExportForHandheld(dados.TOperadores(), folder);
            handheld.ExportForHandheld(dados.TLocais(), folder);
            handheld.ExportForHandheld(dados.TBens(), folder);
        }));
        if (round + 1 < rounds) {
            dados.CloseDatabase();
            dados.OpenDatabase();
        }
    }

    writeReturn(folder, assets);
    const QString inOrder = QDir(folder).filePath(QStringLiteral("back"));
    const QString shuffled = QDir(folder).filePath(QStringLiteral("shuffled"));
    QDir().mkpath(shuffled);
    shuffleRecords(QDir(inOrder).filePath(QStringLiteral("BENS.DBF")),
                   QDir(shuffled).filePath(QStringLiteral("BENS.DBF")));
    const QString readings = dir.filePath(QStringLiteral("readings.csv"));
    const QString readingsShuffled = dir.filePath(QStringLiteral("readings-shuffled.csv"));
    writeReadings(inOrder, readings);
    writeReadings(shuffled, readingsShuffled);

    int processed = 0;
    int newRows = 0;
    auto unloading = [&](const QString& from) {
        Timing best;
        for (int round = 0; round < rounds; ++round) {
            restore(dados);
            log.clear();
            InventoryUnload unload(dados, log, noProgress());
            best.keepBest(timed([&] { unload.ProcessInventory(QStringLiteral("Bench"), from); }));
            processed = unload.processed();
            newRows = unload.newRows();
        }
        return best;
    };
    const Timing unloadInOrder = unloading(inOrder);
    const Timing unloadShuffled = unloading(shuffled);
    const int assetsAfter = count(dados, QStringLiteral("SELECT count(*) FROM Bens"));
    const int logRows = count(dados, QStringLiteral("SELECT count(*) FROM Log"));
    const double ourPeak = peakMiB(RUSAGE_SELF);

    std::printf("assets %d in 500 locations; best of %d rounds; seconds: processor (wall)\n",
                assets, rounds);
    std::printf("%-52s %18s\n", "load (3 files, all marked)", qPrintable(cell(load)));
    std::printf("%-52s %18s\n", "unload, readings in code order", qPrintable(cell(unloadInOrder)));
    std::printf("%-52s %18s\n", "unload, readings as taken (shuffled)",
                qPrintable(cell(unloadShuffled)));
    std::printf("unload: %d processed, %d new log rows (%d in the table), %d assets after\n",
                processed, newRows, logRows, assetsAfter);
    for (const QString& line : log.lines()) {
        std::printf("  %s\n", qPrintable(line));
    }
    std::printf("peak memory %.0f MiB\n", ourPeak);

    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) {
        std::printf("sqlite3 not found: no comparison\n");
        return 0;
    }
    dados.CloseDatabase();
    const QString database = dados.settings().DBName;
    const QString peerLoad = QStringLiteral(
                                 ".mode csv\n.output %1\nSELECT * FROM Bens ORDER "
                                 "BY BECODIGO;\n")
                                 .arg(dir.filePath(QStringLiteral("peer-load.csv")));
    Timing peerLoadTime;
    Timing peerUnload;
    for (int round = 0; round < rounds; ++round) {
        dados.OpenDatabase();
        restore(dados);
        dados.CloseDatabase();
        peerLoadTime.keepBest(sqlite3Run(database, peerLoad));
        peerUnload.keepBest(sqlite3Run(database, peerUnloadScript(readingsShuffled)));
    }
    dados.OpenDatabase();
    const int peerAssets = count(dados, QStringLiteral("SELECT count(*) FROM Bens"));
    const int peerLog = count(dados, QStringLiteral("SELECT count(*) FROM Log"));
    std::printf("\npeer: load %s, unload (shuffled) %s; %d log rows, %d assets after\n",
                qPrintable(cell(peerLoadTime)), qPrintable(cell(peerUnload)), peerLog, peerAssets);
    std::printf(
        "ratios, processor (wall): load/peer %s (target 1.5x); unload shuffled/code "
        "order %s (target 1.2x); unload shuffled/peer %s (target 2x)\n",
        qPrintable(ratio(load, peerLoadTime)), qPrintable(ratio(unloadShuffled, unloadInOrder)),
        qPrintable(ratio(unloadShuffled, peerUnload)));
    std::printf("peer peak memory %.0f MiB\npeer commands:\n", peakMiB(RUSAGE_CHILDREN));
    for (const QString& script : {peerLoad, peerUnloadScript(readingsShuffled)}) {
        std::printf("  sqlite3 %s <<'EOF'\n%sEOF\n", qPrintable(database), qPrintable(script));
    }
    return 0;
}
