// What the inventory count costs: the unload of a returned inventory on a
// register that keeps counts (each reading kept, with its class, as it is
// applied) beside the same unload on the same register without the count
// tables, the storing alone (what an unload with review on does), and the
// report of a count of every asset.
//
// usage: bench_count [ASSETS [ROUNDS]]   (defaults 100000 and 3)
#include "BenchTiming.h"
#include "SilentPrompter.h"
#include "core/common/Progress.h"
#include "core/count/CountReport.h"
#include "core/count/CountStore.h"
#include "core/data/TDados.h"
#include "core/sync/InventoryUnload.h"
#include "core/common/SyncLog.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <numeric>
#include <random>
#include <vector>

using namespace ambitra;

namespace {

QString code(int i) {
    return QStringLiteral("%1").arg(i, 13, 10, QLatin1Char('0'));
}
QString location(int i) {
    return QStringLiteral("%1").arg(1 + i % 500, 4, 10, QLatin1Char('0'));
}

// A register of assets in 500 locations, kept aside as Original for restoring.
void generate(TDados& dados, int assets) {
    Transaction transaction(dados.Conn());
    QSqlQuery q(dados.Conn().database());
    q.prepare(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BENSERIE, "
                       "BEVALOR) VALUES (?, ?, ?, 'BO', ?, 10.5)"));
    for (int i = 1; i <= assets; ++i) {
        q.addBindValue(code(i));
        q.addBindValue(QStringLiteral("Bem patrimonial %1").arg(i));
        q.addBindValue(location(i));
        q.addBindValue(QStringLiteral("SN%1").arg(i));
        q.exec();
    }
    dados.Conn().exec(QStringLiteral("CREATE TABLE Original AS SELECT * FROM Bens"));
    transaction.commit();
}

// The handheld's answer in the order the readings were taken: every asset read,
// a tenth of them elsewhere, a hundredth new codes.
void writeReturn(const QString& folder, int assets) {
    CreateDBFTable(folder, QStringLiteral("BENS.DBF"));
    std::vector<int> order(static_cast<size_t>(assets + assets / 100));
    std::iota(order.begin(), order.end(), 1);
    std::mt19937 random(20261209);
    std::shuffle(order.begin(), order.end(), random);
    THalcyonDataSet dbf;
    dbf.SetDatabaseName(folder);
    dbf.SetTableName(QStringLiteral("BENS.DBF"));
    dbf.Open();
    dbf.BeginBulkAppend();
    for (const int i : order) {
        dbf.Insert();
        const bool added = i > assets;
        dbf.FieldByName(QStringLiteral("BECODIGO"))
            .SetAsString(added ? QStringLiteral("9%1").arg(i, 12, 10, QLatin1Char('0')) : code(i));
        dbf.FieldByName(QStringLiteral("BELOCAL")).SetAsString(location(i % 10 == 0 ? i + 7 : i));
        dbf.FieldByName(QStringLiteral("BESITUACAO")).SetAsString(QStringLiteral("BO"));
        dbf.FieldByName(QStringLiteral("BENSERIE")).SetAsString(QStringLiteral("SN%1").arg(i));
        dbf.FieldByName(QStringLiteral("BEULTINV")).SetAsVariant(QDate(2026, 12, 9));
        dbf.FieldByName(QStringLiteral("BEULTOPE")).SetAsString(QStringLiteral("Operador 7"));
        dbf.FieldByName(QStringLiteral("BEFLAG")).SetAsString(QStringLiteral("X"));
        dbf.Post();
    }
    dbf.EndBulkAppend();
    dbf.Close();
}

void restore(TDados& dados) {
    Transaction transaction(dados.Conn());
    dados.Conn().exec(QStringLiteral("DELETE FROM Log"));
    dados.Conn().exec(QStringLiteral("DELETE FROM Bens"));
    dados.Conn().exec(QStringLiteral("INSERT INTO Bens SELECT * FROM Original"));
    if (dados.CountsAvailable()) {
        dados.Conn().exec(QStringLiteral("DELETE FROM Leituras"));
    }
    transaction.commit();
    if (dados.TBens().isOpen()) {
        dados.TBens().requery();
    }
}

// One unload of the file in folder on a restored register; the first one of a
// register prints its log.
Timing unloadOnce(TDados& dados, const QString& folder, bool print) {
    restore(dados);
    SyncLog log;
    InventoryUnload unload(dados, log, noProgress());
    const Timing t = seconds([&] { unload.ProcessInventory(QStringLiteral("Bench"), folder); });
    if (print) {
        std::printf("  %s\n", qPrintable(log.lines().join(QStringLiteral(" / "))));
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int assets = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    const int rounds = argc > 2 ? std::max(1, QString::fromLatin1(argv[2]).toInt()) : 3;
    QTemporaryDir counted;
    QTemporaryDir plain;
    SilentPrompter prompter(Prompter::Answer::Ok, SilentPrompter::Show::Messages);
    TDados dados(counted.path(), counted.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    dados.OpenDatabase();
    generate(dados, assets);
    QList<SentAsset> sent;
    for (int i = 1; i <= assets; ++i) {
        sent.append({code(i), location(i)});
    }
    CountStore(dados).openCount(QStringLiteral("Bench"), {}, sent);
    const QString folder = counted.filePath(QStringLiteral("device"));
    QDir().mkpath(folder);
    writeReturn(folder, assets);

    // The same register as a file without our version: no count tables, nothing
    // stored; the same journal mode, so that only the count makes the difference.
    dados.CloseDatabase();
    QFile::copy(dados.settings().DBName, plain.filePath(QStringLiteral("Ambitra.db")));
    TDados other(plain.path(), plain.filePath(QStringLiteral("ambitra.ini")), prompter);
    other.ReadIniFile();
    other.OpenDatabase();
    for (const char* sql :
         {"DROP TABLE Leituras", "DROP TABLE Esperados", "DROP TABLE ContagemLocais",
          "DROP TABLE Contagens", "PRAGMA user_version = 0"}) {
        other.Conn().exec(QString::fromLatin1(sql));
    }
    other.CloseDatabase();
    other.OpenDatabase();
    QSqlQuery mode(other.Conn().database());
    mode.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    mode.finish();
    dados.OpenDatabase();

    std::printf("assets %d (+%d new readings) in 500 locations; best of %d rounds; seconds\n",
                assets, assets / 100, rounds);
    // The two registers take turns, so that other work on the machine falls on
    // both alike.
    Timing withoutCounts;
    Timing withCounts;
    for (int round = 0; round < rounds; ++round) {
        keepBest(withoutCounts, unloadOnce(other, folder, round == 0));
        keepBest(withCounts, unloadOnce(dados, folder, round == 0));
    }
    Timing storing;
    for (int round = 0; round < rounds; ++round) {
        restore(dados);
        THalcyonDataSet& dbf = dados.DBFTmp();
        dbf.Close();
        dbf.SetDatabaseName(folder);
        dbf.SetTableName(QStringLiteral("BENS.DBF"));
        dbf.Open();
        ReturnedRecords records(dbf, noProgress());
        keepBest(storing, seconds([&] {
                     CountStore(dados).storeReadings(records, QStringLiteral("Bench"), QString(),
                                                     noProgress());
                 }));
        dbf.Close();
    }
    Timing report;
    QStringList totals;
    for (int round = 0; round < rounds; ++round) {
        keepBest(report,
                 seconds([&] { totals = CountReport::build(dados, 1).lines(false).mid(500); }));
    }
    const auto row = [](const char* what, const Timing& t, const char* note = "") {
        std::printf("%-50s %8.3f %8.3f%s\n", what, t.wall, t.cpu, note);
    };
    std::printf("%-50s %8s %8s\n", "", "wall", "cpu");
    row("unload, register without count tables", withoutCounts);
    row("unload, readings kept and classified", withCounts);
    std::printf("%-50s %7.1f%% %7.1f%% (target at most 30%%)\n", "added by the count",
                100.0 * (withCounts.wall - withoutCounts.wall) / withoutCounts.wall,
                100.0 * (withCounts.cpu - withoutCounts.cpu) / withoutCounts.cpu);
    row("storing and classifying alone (review on)", storing);
    row("report of the count", report, " (target under 1 s)");
    std::printf("  %s\n", qPrintable(totals.join(QStringLiteral(" / "))));
    return 0;
}
