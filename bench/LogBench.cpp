// Inventory log period queries over a million log rows: the one-day selection the
// log window runs, against the engine's own plain query of the same rows, plus
// the whole-log figures ("TUDO", a selection of every row, the CSV export).
//
// usage: bench_log [ROWS] (default 1000000; 1000 rows a day)

#include "SilentPrompter.h"
#include "core/common/Progress.h"
#include "core/data/TDados.h"
#include "core/log/LogSelection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace ambitra;

namespace {

constexpr int kRowsPerDay = 1000;
// Generated in UTC: the same texts, without a time-zone look-up per row.
const QDateTime kFirstDay(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);

// Median of runs, in milliseconds.
double timed(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Filled through the engine directly: the figures are about reading.
void fill(sqlite3* db, int rows) {
    sqlite3_exec(db, "PRAGMA cache_size = -200000", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Bens (BECODIGO) VALUES (?)", -1, &st, nullptr);
    for (int i = 0; i < 1000; ++i) {
        const QByteArray code = QByteArray::number(i);
        sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db,
                       "INSERT INTO Log (LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, LGOCORRENC) "
                       "VALUES (?, 'palm', 'Operador', ?, 'LOCAL:0101>0202;SITUACAO:01>02')",
                       -1, &st, nullptr);
    // Rows of a day spread over its hours; inserted day after day, as unloads do.
    const qint64 step = 86'400'000 / kRowsPerDay;
    for (int i = 0; i < rows; ++i) {
        const QDateTime when =
            kFirstDay.addDays(i / kRowsPerDay).addMSecs((i % kRowsPerDay) * step);
        const QByteArray text = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
        const QByteArray asset = QByteArray::number(i % 1000);
        sqlite3_bind_text(st, 1, text.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, asset.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

// The peer: the engine's plain query of the same period, every column read.
int plainQuery(sqlite3* db, const char* from, const char* to) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM Log WHERE LGDATA BETWEEN ? AND ? ORDER BY LGDATA", -1,
                       &st, nullptr);
    sqlite3_bind_text(st, 1, from, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, to, -1, SQLITE_STATIC);
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 5; ++c) {
            sqlite3_column_text(st, c);
        }
        ++n;
    }
    sqlite3_finalize(st);
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    QTemporaryDir dir;
    SilentPrompter prompter;
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    if (!dados.OpenDatabase()) {
        return 1;
    }
    sqlite3* raw = nullptr;
    sqlite3_open_v2(dados.Conn().fileName().toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE,
                    nullptr);
    QElapsedTimer t;
    t.start();
    fill(raw, rows);
    std::printf("log rows: %d (%d a day), filled in %.0f ms\n", rows, kRowsPerDay,
                t.nsecsElapsed() / 1e6);

    LogSelection log(dados, prompter, noProgress());
    const int day = rows / kRowsPerDay / 2;
    // The period as the window's pickers give it: local moments.
    const QDate date = kFirstDay.date().addDays(day);
    const LogSelection::Period oneDay{QDateTime(date, QTime(0, 0)),
                                      QDateTime(date, QTime(23, 59, 59, 999))};
    int selected = 0;
    // What the window does: select the period and show the first screen of rows.
    const double window = timed(9, [&] {
        selected = log.Execute(oneDay);
        for (int r = 0; r < std::min(selected, 40); ++r) {
            dados.QLog().valueAt(r, 4);
        }
    });
    const double export1 = timed(5, [&] {
        log.SaveCsv(dir.filePath(QStringLiteral("day.csv")), LogSelection::Overwrite::Always);
    });

    const QByteArray from =
        oneDay.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    const QByteArray to = oneDay.end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    int plainRows = 0;
    const double plain = timed(9, [&] { plainRows = plainQuery(raw, from, to); });

    std::printf(
        "one day (%d rows): log selection + first screen %.2f ms; plain engine query of "
        "all its rows %.2f ms (%d rows); ratio %.2f\n",
        selected, window, plain, plainRows, window / plain);
    std::printf("one day CSV export: %.2f ms\n", export1);

    std::optional<LogSelection::Period> all;
    const double tudo = timed(5, [&] { all = log.SelectAllDates(); });
    const double everything = timed(3, [&] { selected = log.Execute(*all); });
    const double exportAll = timed(1, [&] {
        log.SaveCsv(dir.filePath(QStringLiteral("all.csv")), LogSelection::Overwrite::Always);
    });
    std::printf("TUDO (count, first and last moment): %.1f ms\n", tudo);
    std::printf("selection of every row (%d): %.1f ms\n", selected, everything);
    std::printf("CSV export of every row: %.0f ms\n", exportAll);

    // Without the index the period query scans the whole table.
    sqlite3_exec(raw, "DROP INDEX IX_Log_LGDATA", nullptr, nullptr, nullptr);
    const double scan = timed(3, [&] { plainQuery(raw, from, to); });
    std::printf("one day without the LGDATA index (plain engine query): %.1f ms\n", scan);
    sqlite3_close(raw);
    return 0;
}
