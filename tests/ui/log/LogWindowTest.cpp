#include "app/TAbertura.h"
#include "core/data/TDados.h"
#include "ui/log/TLog.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/common/Progress.h"
#include "core/sync/InventoryUnload.h"
#include "core/sync/SyncFixture.h"

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// Inserts a log row the way the inventory unload does: through the data
// module's command, stamped with the given moment.
void addLogRow(TDados& dados, const QDateTime& when, const QString& asset = QStringLiteral("1")) {
    Command& cmd = dados.SQLCmd();
    cmd.setText(
        QStringLiteral("INSERT INTO Log (LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, LGOCORRENC) "
                       "VALUES (:LGDATA, :LGUSUARIO, :LGOPERADOR, :LGBEM, :LGOCORRENC)"));
    cmd.setParameter(QStringLiteral("LGDATA"), when);
    cmd.setParameter(QStringLiteral("LGUSUARIO"), QStringLiteral("palm"));
    cmd.setParameter(QStringLiteral("LGOPERADOR"), QStringLiteral("Ana"));
    cmd.setParameter(QStringLiteral("LGBEM"), asset);
    cmd.setParameter(QStringLiteral("LGOCORRENC"), QStringLiteral("NOVO"));
    cmd.execute();
}

// The controls of a log window, found as assistive technology would.
struct LogControls {
    explicit LogControls(QWidget& w)
        : start(w.findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker1"))),
          end(w.findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker2"))),
          all(w.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))),
          execute(w.findChild<QPushButton*>(QStringLiteral("BitBtn1"))),
          save(w.findChild<QPushButton*>(QStringLiteral("BitBtn2"))),
          grid(w.findChild<QTableView*>(QStringLiteral("DBGrid1"))),
          status(w.findChild<QLabel*>(QStringLiteral("StatusPanel"))) {}
    QDateTimeEdit* start;
    QDateTimeEdit* end;
    QToolButton* all;
    QPushButton* execute;
    QPushButton* save;
    QTableView* grid;
    QLabel* status;
};

struct LogWindow : ::testing::Test {
    TestDatabase db;
    TDados& dados = db.dados();
    ScriptedPrompter& prompter = db.prompter();
    TLog window{dados, prompter, 800, 500};
    LogControls c{window};

    void SetUp() override {
        db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('1')"));
        window.show();
    }
    void setPeriod(const QDateTime& start, const QDateTime& end) {
        const QSignalBlocker a(c.start);
        const QSignalBlocker b(c.end);
        c.start->setDateTime(start);
        c.end->setDateTime(end);
    }
};

}  // namespace

TEST_F(LogWindow, OpensOnTheDayRangeWithHiddenGridAndSaveDisabled) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Log de Inventário"));
    EXPECT_EQ(c.start->dateTime(), dados.DayStart);
    EXPECT_EQ(c.end->dateTime(), dados.DayEnd);
    EXPECT_EQ(c.end->dateTime().time(), QTime(23, 59, 59, 999));
    EXPECT_FALSE(c.grid->isVisible());
    EXPECT_FALSE(c.save->isEnabled());
    EXPECT_EQ(c.all->toolTip(),
              QStringLiteral("Clique aqui para selecionar todas as datas possíveis!"));
    EXPECT_EQ(c.grid->model()->columnCount(), 5);
    EXPECT_EQ(c.grid->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Data e Hora"));
}

TEST_F(LogWindow, ExecuteReportsZeroOneAndManyRows) {
    setPeriod(at(2006, 8, 15, 0, 0, 0), at(2006, 8, 15, 23, 59, 59, 999));
    QString statusAtMessage;
    bool gridAtMessage = false;
    prompter.onMessage = [&](const auto&) {
        statusAtMessage = c.status->text();
        gridAtMessage = c.grid->isVisibleTo(c.grid->window());
    };
    c.execute->click();
    // The empty result is on screen before the notice.
    EXPECT_EQ(statusAtMessage, QStringLiteral(" Nenhum registro selecionado no período!"));
    EXPECT_TRUE(gridAtMessage);
    prompter.onMessage = nullptr;
    EXPECT_EQ(c.status->text(), QStringLiteral(" Nenhum registro selecionado no período!"));
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Nenhum registro selecionado no período!")});
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_TRUE(c.grid->isVisible());
    EXPECT_FALSE(c.save->isEnabled());

    prompter.clear();
    addLogRow(dados, at(2006, 8, 15, 14, 30, 0));
    c.execute->click();
    EXPECT_EQ(c.status->text(), QStringLiteral(" Apenas 1 registro selecionado!"));
    EXPECT_TRUE(c.save->isEnabled());
    EXPECT_EQ(c.grid->model()->rowCount(), 1);

    addLogRow(dados, at(2006, 8, 15, 8, 0, 0));
    addLogRow(dados, at(2006, 8, 15, 9, 0, 0));
    c.execute->click();
    EXPECT_EQ(c.status->text(), QStringLiteral(" Foram selecionados 3 registros!"));
    EXPECT_EQ(c.grid->model()->rowCount(), 3);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(LogWindow, AllThenExecuteSelectsRowsAtTheFirstAndLastMoments) {
    const QDateTime before = c.start->dateTime();
    c.all->click();
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Nenhum registro encontrado no arquivo!")});
    EXPECT_EQ(c.start->dateTime(), before);

    addLogRow(dados, at(2005, 3, 1, 0, 0, 0, 0));
    addLogRow(dados, at(2006, 8, 15, 12, 0, 0));
    addLogRow(dados, at(2007, 11, 30, 23, 59, 59, 999));
    prompter.clear();
    c.all->click();
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(c.start->dateTime(), at(2005, 3, 1, 0, 0, 0, 0));
    EXPECT_EQ(c.end->dateTime(), at(2007, 11, 30, 23, 59, 59, 999));
    EXPECT_FALSE(c.grid->isVisible());  // nothing selected yet
    c.execute->click();
    EXPECT_EQ(c.status->text(), QStringLiteral(" Foram selecionados 3 registros!"));
}

TEST_F(LogWindow, ChangingTheEndByHandResetsTheStartTimeToWholeDays) {
    addLogRow(dados, at(2006, 8, 15, 10, 30, 0));
    addLogRow(dados, at(2006, 8, 20, 16, 45, 0));
    c.all->click();
    ASSERT_EQ(c.start->dateTime(), at(2006, 8, 15, 10, 30, 0));
    c.end->setFocus();
    c.end->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(c.end, Qt::Key_Up);  // the user moves "Término" a day on
    EXPECT_EQ(c.start->dateTime(), at(2006, 8, 15, 0, 0, 0, 0));
    EXPECT_EQ(c.end->dateTime(), at(2006, 8, 21, 23, 59, 59, 999));
    c.execute->click();
    EXPECT_EQ(c.status->text(), QStringLiteral(" Foram selecionados 2 registros!"));
}

TEST_F(LogWindow, SaveProposesThePeriodsNameAndEndsOnTheLastRow) {
    addLogRow(dados, at(2006, 8, 1, 9, 0, 0));
    addLogRow(dados, at(2006, 8, 31, 17, 0, 0));
    setPeriod(at(2006, 8, 1, 0, 0, 0), at(2006, 8, 31, 23, 59, 59, 999));
    c.execute->click();
    const QString path = db.dir().file(QStringLiteral("agosto.csv"));
    QString proposed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        proposed = dialog->selectedFiles().value(0);
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    c.save->click();
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("/Ambitra-Log_20060801-20060831.csv")))
        << proposed.toStdString();
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Exportação de 2 registros concluída!")});
    EXPECT_TRUE(readAll(path).endsWith("2006/08/31,17:00:00,\"palm\",\"Ana\",\"1\",\"NOVO\"\r\n"));
    EXPECT_EQ(c.grid->currentIndex().row(), 1);
}

// The log window opened after an unload shows exactly the rows of that unload.
// The unload is stood in for by what it leaves behind: rows inserted through the
// data module's command between the moments it stores as DayStart and DayEnd.
TEST(LogAfterUnload, OpensOnTheUnloadsPeriodAndShowsExactlyItsRows) {
    SyncFixture sync;
    TestDatabase& db = sync.db;
    TDados& dados = db.dados();
    db.exec(QStringLiteral(
        "INSERT INTO Bens (BECODIGO, BELOCAL) VALUES ('1', 'A'), ('2', 'A'), ('3', 'A')"));
    addLogRow(dados, QDateTime::currentDateTime().addSecs(-60),
              QStringLiteral("1"));  // an earlier unload

    // A real unload: two assets moved, one read where it stood (no log row).
    auto reading = [](const char* code, const char* location) {
        return QMap<QString, QVariant>{{QStringLiteral("BECODIGO"), QString::fromLatin1(code)},
                                       {QStringLiteral("BELOCAL"), QString::fromLatin1(location)},
                                       {QStringLiteral("BEFLAG"), QStringLiteral("X")}};
    };
    sync.writeReturnedAssets({reading("1", "A"), reading("2", "B"), reading("3", "C")});
    InventoryUnload(dados, sync.log, noProgress())
        .ProcessInventory(QStringLiteral("Coletor"), sync.folder.path());
    addLogRow(dados, dados.DayEnd.addMSecs(1), QStringLiteral("3"));  // after it
    TAbertura main(dados, db.prompter(), QCoreApplication::applicationFilePath());
    main.setChildFactory(QStringLiteral("Log"), [&](QSize area) {
        return new TLog(dados, db.prompter(), area.width(), area.height());
    });
    main.resize(1000, 700);
    main.show();
    main.MainMenuClick(QStringLiteral("Log1"));
    main.MainMenuClick(QStringLiteral("Log1"));
    ASSERT_EQ(main.mdiArea()->subWindowList().size(), 1);  // one log window at most
    QMdiSubWindow* frame = main.findChildWindow(QStringLiteral("Log"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->geometry(), QRect(0, 0, main.ChildWidth(), main.ChildHeight()));

    LogControls c(*frame->widget());
    c.execute->click();
    EXPECT_EQ(c.status->text(), QStringLiteral(" Foram selecionados 2 registros!"));
    const int asset = 3;
    EXPECT_EQ(c.grid->model()->index(0, asset).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(c.grid->model()->index(1, asset).data().toString(), QStringLiteral("3"));

    // Closing the window closes the log query: the next one starts with a hidden grid.
    frame->close();
    QApplication::processEvents();
    EXPECT_FALSE(dados.QLog().isOpen());
}
