// Loads a generated register onto a "handheld" folder and applies a returned
// inventory, printing the times: bench_hotsync [ASSETS] (default 100000).
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
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int assets = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SilentPrompter prompter;
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    dados.OpenDatabase();
    generate(dados, assets);
    const QString folder = dir.filePath(QStringLiteral("device"));
    QDir().mkpath(folder);

    SyncLog log;
    LocationCheckList locations;
    QElapsedTimer timer;
    timer.start();
    // Processor time as well as wall time: on a shared machine the wall time
    // also counts the other processes.
    std::clock_t cpu = std::clock();
    dados.TOperadores().open();
    dados.TLocais().open();
    dados.TBens().open();
    locations.fill(dados.TLocais());
    locations.setAll(true);
    HandheldLoad load(dados, locations, log, noProgress());
    load.ExportForHandheld(dados.TOperadores(), folder);
    load.ExportForHandheld(dados.TLocais(), folder);
    load.ExportForHandheld(dados.TBens(), folder);
    const double loadSeconds = timer.nsecsElapsed() / 1e9;
    const double loadCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;

    writeReturn(folder, assets);
    timer.restart();
    cpu = std::clock();
    InventoryUnload unload(dados, log, noProgress());
    unload.ProcessInventory(QStringLiteral("Bench"), QDir(folder).filePath(QStringLiteral("back")));
    const double unloadSeconds = timer.nsecsElapsed() / 1e9;
    const double unloadCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;

    std::printf("assets %d in 500 locations\n", assets);
    std::printf("load (3 files, all marked): %.3f s wall, %.3f s processor\n", loadSeconds,
                loadCpu);
    std::printf("unload (%d processed, %d log rows): %.3f s wall, %.3f s processor\n",
                unload.processed(), unload.newRows(), unloadSeconds, unloadCpu);
    for (const QString& line : log.lines()) {
        std::printf("  %s\n", qPrintable(line));
    }
    return 0;
}
