// The assets window on a large register: time from the menu choice to the first
// paint of its grid, finding a code (the table's look-up plus the grid scrolling
// to it and painting), and paints after jumps through the grid. The peer is the
// plain approach of a query model over the same rows in a table view, which has
// to read every row before the one it is asked to show.
//
// usage: bench_assets_window [ROWS] (default 100000); runs offscreen unless
// QT_QPA_PLATFORM says otherwise.

#include "SilentPrompter.h"
#include "app/TAbertura.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "ui/widgets/DBGrid.h"
#include "ui/records/RecordWindows.h"
#include "ui/records/TBens.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace ambitra;

namespace {

// Notes the paint events of a widget.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(QWidget* w) : m_widget(w) { w->installEventFilter(this); }
    bool painted = false;

    // Processes events until the widget has painted; milliseconds waited.
    void waitForPaint() {
        while (!painted) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::Paint) {
            painted = true;
        }
        return false;
    }

  private:
    QWidget* m_widget;
};

QString codeOf(int i) {
    return QStringLiteral("%1").arg(i * 7 + 1000000, 13, 10, QLatin1Char('0'));
}

void fill(const QString& file, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Locais VALUES (?, 'P1', 'ADM', ?)", -1, &st, nullptr);
    for (int i = 0; i < 200; ++i) {
        const QByteArray code = QByteArray::number(1000 + i);
        sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db, "INSERT INTO Operadores VALUES (?, NULL, ?)", -1, &st, nullptr);
    for (int i = 0; i < 300; ++i) {
        const QByteArray code = QByteArray::number(i);
        const QByteArray name = "Operador " + code;
        sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db,
                       "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEFABRICA, BESITUACAO, "
                       "BENSERIE, BEVALOR, BECOMPRA, BEULTINV, BEULTOPE) "
                       "VALUES (?, ?, ?, ?, 'BO', ?, ?, '2020-03-15', '2024-05-02', 'Operador 7')",
                       -1, &st, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray code = codeOf(i).toUtf8();
        const QByteArray name = "Bem patrimonial " + QByteArray::number(i);
        const QByteArray local = QByteArray::number(1000 + i % 200);
        const QByteArray maker = "Fabricante " + QByteArray::number(i % 250);
        const QByteArray serial = "S" + QByteArray::number(i * 13);
        sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, local.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, maker.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, serial.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 6, (i % 100000) * 1.25);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

double elapsed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

struct Stats {
    double median;
    double max;
};

Stats stats(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

// Opens the assets window from the menu and waits for its grid's first paint;
// milliseconds until the window is created and activated, and until the paint.
std::pair<double, double> openAssets(ui::TAbertura& main) {
    QElapsedTimer t;
    t.start();
    main.MainMenuClick(QStringLiteral("Bens1"));
    const double created = t.nsecsElapsed() / 1e6;
    auto* w = qobject_cast<ui::TBens*>(main.findChildWindow(QStringLiteral("Bens"))->widget());
    PaintWatch watch(w->grid()->viewport());
    watch.waitForPaint();
    return {created, t.nsecsElapsed() / 1e6};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SilentPrompter prompter;
    const QString ini = dir.filePath(QStringLiteral("ambitra.ini"));
    {
        TDados create(dir.path(), ini, prompter);
        create.ReadIniFile();
        create.OpenDatabase();
        create.CloseDatabase();
    }
    const double fillMs = elapsed([&] { fill(dir.filePath(QStringLiteral("Ambitra.db")), rows); });
    std::printf("rows: %d (generated in %.0f ms)\n", rows, fillMs);

    TDados dados(dir.path(), ini, prompter);
    ui::TAbertura main(dados, prompter, QCoreApplication::applicationFilePath());
    ui::registerRecordWindows(main, dados, prompter);
    main.resize(1280, 800);
    main.show();
    main.FormActivate();

    // First opening: the tables are opened; later ones find them open.
    const auto [firstCreated, first] = openAssets(main);
    std::vector<double> again;
    std::vector<double> againCreated;
    for (int i = 0; i < 5; ++i) {
        main.CloseAllForms();
        QApplication::processEvents();
        const auto [created, painted] = openAssets(main);
        againCreated.push_back(created);
        again.push_back(painted);
    }
    const Stats reopen = stats(again);
    const Stats reopenCreated = stats(againCreated);
    auto* w = qobject_cast<ui::TBens*>(main.findChildWindow(QStringLiteral("Bens"))->widget());
    DataTable& bens = dados.TBens();

    // Finding a code: the look-up alone, then with the grid following and painting.
    QRandomGenerator random(42);
    std::vector<double> locate;
    for (int i = 0; i < 2000; ++i) {
        const QString code = codeOf(static_cast<int>(random.bounded(rows)));
        locate.push_back(elapsed([&] { bens.locate(code); }));
    }
    std::vector<double> find;
    for (int i = 0; i < 100; ++i) {
        const QString code = codeOf(static_cast<int>(random.bounded(rows)));
        PaintWatch watch(w->grid()->viewport());
        find.push_back(elapsed([&] {
            bens.locate(code);
            watch.waitForPaint();
        }));
    }
    // Jumps through the grid: a paint at a random place, as dragging the scroll bar.
    std::vector<double> jumps;
    QScrollBar* bar = w->grid()->verticalScrollBar();
    for (int i = 0; i < 200; ++i) {
        PaintWatch watch(w->grid()->viewport());
        const int to = static_cast<int>(random.bounded(bar->maximum() + 1));
        jumps.push_back(elapsed([&] {
            bar->setValue(to);
            watch.waitForPaint();
        }));
    }
    const Stats l = stats(locate);
    const Stats f = stats(find);
    const Stats j = stats(jumps);

    // The peer: a query model over the same rows and columns in a table view.
    QTableView peer;
    peer.resize(1200, 700);
    QSqlQueryModel model;
    double peerFirst = 0;
    double peerFind = 0;
    {
        PaintWatch watch(peer.viewport());
        peerFirst = elapsed([&] {
            model.setQuery(QSqlQuery(QStringLiteral("SELECT b.*, l.LOPREDIO, l.LODEPTO, "
                                                    "l.LOSALA FROM Bens b LEFT JOIN Locais l "
                                                    "ON l.LOCODIGO = b.BELOCAL ORDER BY "
                                                    "b.BECODIGO"),
                                     dados.Conn().database()));
            peer.setModel(&model);
            peer.show();
            watch.waitForPaint();
        });
    }
    {
        // Finding the last code means reading every row before it.
        const QString code = codeOf(rows - 1);
        PaintWatch watch(peer.viewport());
        peerFind = elapsed([&] {
            while (model.canFetchMore()) {
                model.fetchMore();
            }
            int row = model.rowCount() - 1;
            while (row >= 0 && model.index(row, 0).data().toString() != code) {
                --row;
            }
            peer.scrollTo(model.index(row, 0));
            watch.waitForPaint();
        });
    }

    std::printf(
        "open assets window, first paint (tables opened):  %8.1f ms (%.1f ms to "
        "create and activate)\n",
        first, firstCreated);
    std::printf(
        "open again, first paint (median of 5 / max):       %8.1f / %.1f ms (%.1f ms to "
        "create and activate)\n",
        reopen.median, reopen.max, reopenCreated.median);
    std::printf("find a code, look-up only (median / max of 2000):  %8.3f / %.3f ms\n", l.median,
                l.max);
    std::printf("find a code, grid follows and paints (median/max): %8.1f / %.1f ms\n", f.median,
                f.max);
    std::printf("grid jump and paint (median / max of 200):         %8.1f / %.1f ms\n", j.median,
                j.max);
    std::printf("peer: query model, first paint:                    %8.1f ms\n", peerFirst);
    std::printf("peer: query model, find the last code:             %8.1f ms\n", peerFind);
    std::printf("ratio first paint (window / peer):                 %8.2f\n", first / peerFirst);
    std::printf("ratio find last code (peer / window find median):  %8.1f\n", peerFind / f.median);
    return 0;
}
