#include "app/TAbertura.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/data/TableModel.h"
#include "ui/widgets/DBGrid.h"
#include "ui/widgets/DBLookupComboBox.h"
#include "ui/widgets/DBNavigator.h"
#include "ui/widgets/DatePicker.h"
#include "core/records/EditingProtocol.h"
#include "ui/records/RecordWindows.h"
#include "ui/records/TBens.h"
#include "ui/records/TLocais.h"
#include "ui/records/TOperadores.h"
#include "support/ScriptedPrompter.h"
#include "support/TempAppDir.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;
using Answer = Prompter::Answer;

namespace {

// The program's main window on a fresh program folder, started, with the
// maintenance windows registered as the program registers them.
struct Program : ::testing::Test {
    TempAppDir dir;
    ScriptedPrompter prompter;
    TDados dados{dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter};
    TAbertura main{dados, prompter, QCoreApplication::applicationFilePath()};

    void SetUp() override {
        registerRecordWindows(main, dados, prompter);
        main.resize(1000, 720);
        main.show();
        QApplication::setActiveWindow(&main);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
        main.FormActivate();
        ASSERT_TRUE(main.StartupDone());
    }

    void exec(const QString& sql) {
        QSqlQuery q(dados.Conn().database());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
    }
    QStringList column(const QString& sql) {
        QSqlQuery q(dados.Conn().database());
        EXPECT_TRUE(q.exec(sql));
        QStringList values;
        while (q.next()) {
            values << (q.value(0).isNull() ? QStringLiteral("<null>") : q.value(0).toString());
        }
        return values;
    }

    template <class W>
    W* open(const char* item, const char* name) {
        main.MainMenuClick(QString::fromLatin1(item));
        QMdiSubWindow* sub = main.findChildWindow(QString::fromLatin1(name));
        return sub == nullptr ? nullptr : qobject_cast<W*>(sub->widget());
    }
    static QMdiSubWindow* frame(QWidget* w) {
        return qobject_cast<QMdiSubWindow*>(w->parentWidget());
    }

    static void press(RecordWindow* w, NavButton b) {
        QTest::mouseClick(w->navigator()->button(b), Qt::LeftButton);
    }
    static void type(QWidget* w, const char* text) {
        w->setFocus();
        QTest::keyClicks(w, QString::fromLatin1(text));
    }
    static void clear(QLineEdit* e) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
    }
    static QStringList captions(DBGrid* grid) {
        QStringList c;
        for (int i = 0; i < grid->model()->columnCount(); ++i) {
            c << grid->model()->headerData(i, Qt::Horizontal).toString();
        }
        return c;
    }
    static QColor base(QWidget* w) { return w->palette().color(QPalette::Base); }
    int children() const {
        int n = 0;
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
            n += sub->property("tag").toInt() >= 0 ? 1 : 0;
        }
        return n;
    }
};

using OperatorsWindow = Program;
using LocationsWindow = Program;
using AssetsWindow = Program;

}  // namespace

TEST(RecordWindowPlacement, DesignPositionDecidesBetweenTopLeftAndTheSystemsChoice) {
    EXPECT_EQ(RecordWindow::Placement({480, 240}, {672, 600}), QRect(0, 0, 480, 240));
    EXPECT_EQ(RecordWindow::Placement({480, 240}, {673, 354}), QRect(0, 0, 480, 240));
    EXPECT_FALSE(RecordWindow::Placement({480, 240}, {673, 355}).isValid());
    EXPECT_EQ(RecordWindow::Placement({900, 500}, {900, 500}), QRect(0, 0, 900, 500));
}

TEST_F(OperatorsWindow, InsertValidatesInOrderAndStoresWithTheExactQuestions) {
    auto* w = open<TOperadores>("Operadores1", "Operadores");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Operadores"));
    EXPECT_TRUE(dados.TOperadores().isOpen());
    // Browse: everything locked, the retype field hidden, the focus on the panel.
    EXPECT_FALSE(w->DBEdit1->isEnabled());
    EXPECT_TRUE(w->Edit1->isHidden());
    EXPECT_TRUE(w->panel()->hasFocus());
    EXPECT_EQ(captions(w->grid()), (QStringList{QStringLiteral("Código"), QStringLiteral("Nome")}));

    press(w, NavButton::Insert);
    EXPECT_FALSE(w->Edit1->isHidden());
    EXPECT_FALSE(w->Label4->isHidden());
    EXPECT_FALSE(w->grid()->isEnabled());
    EXPECT_TRUE(w->DBEdit1->hasFocus());
    EXPECT_EQ(w->DBEdit2->echoMode(), QLineEdit::Password);
    QTest::keyClicks(w->DBEdit1, QStringLiteral("0012345"));  // six at most
    EXPECT_EQ(w->DBEdit1->text(), QStringLiteral("001234"));
    QTest::keyClick(w->DBEdit1, Qt::Key_Return);  // Enter moves on, as Tab would
    EXPECT_TRUE(w->DBEdit2->hasFocus());
    QTest::keyClicks(w->DBEdit2, QStringLiteral("abc"));
    QTest::keyClick(w->DBEdit2, Qt::Key_Return);
    EXPECT_TRUE(w->Edit1->hasFocus());
    QTest::keyClicks(w->Edit1, QStringLiteral("ABC"));

    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Redigitação da senha não confere!")});
    EXPECT_TRUE(w->Edit1->hasFocus());
    EXPECT_EQ(w->Edit1->selectedText(), QStringLiteral("ABC"));
    QTest::keyClicks(w->Edit1, QStringLiteral("abc"));  // replaces the selection
    prompter.clear();
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Nome deve ser informado!")});
    EXPECT_TRUE(w->DBEdit3->hasFocus());
    QTest::keyClicks(w->DBEdit3, QStringLiteral("Ana"));

    prompter.clear();
    prompter.plan({Answer::No});
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Gravar o registro corrente?")});
    EXPECT_TRUE(w->protocol().Inserting());
    EXPECT_EQ(w->DBEdit3->text(), QStringLiteral("Ana"));
    press(w, NavButton::Post);
    EXPECT_EQ(column(QStringLiteral("SELECT OPCODIGO || OPSENHA || OPNOME FROM Operadores")),
              QStringList{QStringLiteral("001234abcAna")});
    EXPECT_TRUE(w->Edit1->isHidden());
    EXPECT_TRUE(w->grid()->isEnabled());
    EXPECT_EQ(w->grid()->model()->rowCount(), 1);
}

TEST_F(OperatorsWindow, EditCancelDeleteAndCloseAskOnlyWhatTheyMust) {
    exec(QStringLiteral("INSERT INTO Operadores VALUES ('001', 'abc', 'Ana')"));
    exec(QStringLiteral("INSERT INTO Operadores VALUES ('002', NULL, 'Rui')"));
    auto* w = open<TOperadores>("Operadores1", "Operadores");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->grid()->model()->rowCount(), 2);

    // A double click edits; the retype field holds the password, the focus is on it.
    const QRect cell = w->grid()->visualRect(w->grid()->model()->index(0, 1));
    QTest::mouseDClick(w->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(w->protocol().Editing());
    EXPECT_FALSE(w->DBEdit1->isEnabled());
    EXPECT_EQ(w->Edit1->text(), QStringLiteral("abc"));
    EXPECT_TRUE(w->DBEdit2->hasFocus());
    EXPECT_FALSE(w->protocol().Modified());
    // Focus colours: tooltip colour with the focus, window colour when enabled.
    EXPECT_EQ(base(w->DBEdit2), QApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(base(w->DBEdit3), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(base(w->DBEdit1), w->panel()->palette().color(QPalette::Window));

    press(w, NavButton::Cancel);  // nothing changed: no question
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_FALSE(w->protocol().Editing());

    press(w, NavButton::Edit);
    QTest::keyClicks(w->DBEdit2, QStringLiteral("x"));
    prompter.plan({Answer::No});
    press(w, NavButton::Cancel);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Cancelar a edição do registro corrente?")});
    EXPECT_TRUE(w->protocol().Editing());

    // Closing with the change pending asks the same; No keeps the window open.
    prompter.clear();
    prompter.plan({Answer::No});
    EXPECT_FALSE(main.CloseAllForms());
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Cancelar a edição do registro corrente?")});
    EXPECT_EQ(children(), 1);
    EXPECT_TRUE(w->protocol().Editing());
    press(w, NavButton::Cancel);  // Yes
    EXPECT_EQ(column(QStringLiteral("SELECT OPSENHA FROM Operadores WHERE OPCODIGO = '001'")),
              QStringList{QStringLiteral("abc")});

    prompter.clear();
    prompter.plan({Answer::No});
    press(w, NavButton::Delete);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Excluir o registro corrente?")});
    EXPECT_EQ(dados.TOperadores().rowCount(), 2);
    press(w, NavButton::Delete);
    EXPECT_EQ(column(QStringLiteral("SELECT OPCODIGO FROM Operadores")),
              QStringList{QStringLiteral("002")});

    // One window at most; closing destroys it and the next request makes a new one.
    EXPECT_EQ(open<TOperadores>("Operadores1", "Operadores"), w);
    QPointer<TOperadores> old(w);
    EXPECT_TRUE(main.CloseAllForms());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(children(), 0);
}

TEST_F(OperatorsWindow, OpensAtTheTopLeftWhenItsDesignPositionDoesNotFit) {
    main.resize(600, 420);
    QApplication::processEvents();
    auto* w = open<TOperadores>("Operadores1", "Operadores");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(frame(w)->geometry(), QRect(0, 0, 480, 240));
    EXPECT_EQ(frame(w)->minimumSize(), QSize(420, 160));
    auto* l = open<TLocais>("Locais1", "Locais");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(frame(l)->geometry(), QRect(0, 0, 480, 240));
    EXPECT_EQ(frame(l)->minimumSize(), QSize(440, 160));
}

TEST_F(LocationsWindow, CodeOnlyRecordsStoreNullsAndDuplicatesAreRefused) {
    auto* w = open<TLocais>("Locais1", "Locais");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Locais"));
    EXPECT_EQ(captions(w->grid()), (QStringList{QStringLiteral("Código"), QStringLiteral("Prédio"),
                                                QStringLiteral("Depto."), QStringLiteral("Sala")}));
    // Double click on an empty table: Edit is not available, nothing happens.
    QTest::mouseDClick(w->grid()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(w->protocol().Editing());

    press(w, NavButton::Insert);
    type(w->DBEdit1, "  ");
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Código inválido!")});
    EXPECT_TRUE(w->DBEdit1->hasFocus());
    EXPECT_EQ(w->DBEdit1->selectedText(), QStringLiteral("  "));
    QTest::keyClicks(w->DBEdit1, QStringLiteral("L1"));
    QTest::keyClick(w->DBEdit1, Qt::Key_Return);
    EXPECT_TRUE(w->DBEdit2->hasFocus());
    EXPECT_TRUE(w->DBEdit1->text() == QStringLiteral("L1"));  // Enter typed nothing
    press(w, NavButton::Post);
    EXPECT_EQ(column(QStringLiteral("SELECT LOCODIGO || ',' || IFNULL(LOPREDIO, 'null') || ',' || "
                                    "IFNULL(LODEPTO, 'null') || ',' || IFNULL(LOSALA, 'null') "
                                    "FROM Locais")),
              QStringList{QStringLiteral("L1,null,null,null")});

    prompter.clear();
    press(w, NavButton::Insert);
    type(w->DBEdit1, "L1");
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Código já cadastrado!")});
    EXPECT_TRUE(w->protocol().Inserting());
    press(w, NavButton::Cancel);
    EXPECT_EQ(prompter.texts().last(), QStringLiteral("Cancelar a edição do registro corrente?"));

    // Editing starts in "Prédio"; the code stays locked.
    press(w, NavButton::Edit);
    EXPECT_FALSE(w->DBEdit1->isEnabled());
    EXPECT_TRUE(w->DBEdit2->hasFocus());
}

TEST_F(AssetsWindow, AutomaticCodeDescriptionFocusPickerDateAndLastCode) {
    Settings& s = dados.settings();
    s.AutoId = true;
    s.CodeBar = QStringLiteral("EAN13");
    s.LastCode = QStringLiteral("000000000123");
    exec(QStringLiteral("INSERT INTO Locais VALUES ('L1', 'P1', 'ADM', '101')"));
    auto* w = open<TBens>("Bens1", "Bens");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Bens Patrimoniais"));
    EXPECT_EQ(frame(w)->geometry(), QRect(0, 0, main.ChildWidth(), main.ChildHeight()));
    EXPECT_EQ(frame(w)->minimumSize(), QSize(600, 375));
    EXPECT_EQ(dados.TStatus().rowCount(), 6);
    EXPECT_EQ(
        captions(w->grid()),
        (QStringList{QStringLiteral("Código"), QStringLiteral("Descrição"), QStringLiteral("Local"),
                     QStringLiteral("Prédio"), QStringLiteral("Depto."), QStringLiteral("Sala"),
                     QStringLiteral("Fabricante"), QStringLiteral("Situação"),
                     QStringLiteral("Nº Série"), QStringLiteral("Valor"),
                     QStringLiteral("Data Compra"), QStringLiteral("Inventário"),
                     QStringLiteral("Operador")}));
    // Column widths follow the display widths in characters.
    EXPECT_EQ(w->grid()->columnWidth(2), w->grid()->columnWidthFor(8, QStringLiteral("Local")));
    EXPECT_LT(w->grid()->columnWidth(2), w->grid()->columnWidth(1));

    press(w, NavButton::Insert);
    EXPECT_EQ(w->DBEdit1->text(), QStringLiteral("0000000001243"));
    EXPECT_TRUE(w->DBEdit2->hasFocus());
    EXPECT_FALSE(w->protocol().Modified());
    EXPECT_EQ(w->DateTimePicker1->date(), QDate::currentDate());
    QTest::keyClicks(w->DBEdit2, QStringLiteral("Mesa"));

    // A date chosen in the calendar is stored as a day, without a time.
    QTest::mouseClick(w->DateTimePicker1, Qt::LeftButton);
    QCalendarWidget* calendar = w->DateTimePicker1->calendar();
    ASSERT_TRUE(calendar->isVisible());
    calendar->setSelectedDate(QDate(2021, 7, 9));
    emit calendar->activated(calendar->selectedDate());
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(w->DBEdit5->text(), QStringLiteral("09/07/2021"));
    EXPECT_EQ(dados.TBens().value(QStringLiteral("BECOMPRA")), QVariant(QDate(2021, 7, 9)));

    // Location and condition from their lists; the building shows beside.
    w->DBLookupComboBox1->setFocus();
    QTest::keyClick(w->DBLookupComboBox1, Qt::Key_Down);
    EXPECT_EQ(w->DBLookupComboBox1->currentText(), QStringLiteral("L1"));
    EXPECT_EQ(w->DBText1->text(), QStringLiteral("P1"));
    w->DBLookupComboBox2->setFocus();
    QTest::keyClick(w->DBLookupComboBox2, Qt::Key_Down);
    EXPECT_EQ(w->DBLookupComboBox2->currentText(), QStringLiteral("Excelente"));
    type(w->DBComboBox1, "Tok");
    // Enter in a suggestion list moves on like Tab, wherever the key lands.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(w->DBLookupComboBox2->hasFocus());
    EXPECT_EQ(w->DBComboBox1->count(), 0);  // nothing was added to the list
    type(w->DBEdit4, "1234,5");

    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Gravar o registro corrente?")});
    EXPECT_EQ(column(QStringLiteral("SELECT BECODIGO || '|' || BENOME || '|' || BELOCAL || '|' || "
                                    "BESITUACAO || '|' || BEFABRICA || '|' || BEVALOR || '|' || "
                                    "BECOMPRA || '|' || IFNULL(BEULTINV, 'null') FROM Bens")),
              QStringList{QStringLiteral("0000000001243|Mesa|L1|EX|Tok|1234.5|2021-07-09|null")});
    EXPECT_EQ(s.LastCode, QStringLiteral("000000000124"));
    // The manufacturer just typed is offered from now on.
    EXPECT_EQ(w->DBComboBox1->findText(QStringLiteral("Tok")), 0);

    // Insert and cancel twice: the same proposal both times.
    for (int i = 0; i < 2; ++i) {
        press(w, NavButton::Insert);
        EXPECT_EQ(w->DBEdit1->text(), QStringLiteral("0000000001250"));
        press(w, NavButton::Cancel);
    }
    EXPECT_EQ(prompter.texts().size(), 1);
}

TEST_F(AssetsWindow, DeleteKeyClearsTheLocationAndValidationRefusesBadEntries) {
    exec(QStringLiteral("INSERT INTO Locais VALUES ('L1', 'P1', 'ADM', '101')"));
    exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEFLAG) "
                       "VALUES ('7', 'Cadeira', 'L1', 'X')"));
    auto* w = open<TBens>("Bens1", "Bens");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->DBText3->text(), QStringLiteral("101"));
    EXPECT_EQ(w->DateTimePicker1->date(), QDate::currentDate());  // no purchase date

    press(w, NavButton::Edit);
    EXPECT_TRUE(w->DBEdit2->hasFocus());
    w->DBLookupComboBox1->setFocus();
    QTest::keyClick(w->DBLookupComboBox1, Qt::Key_Delete);
    EXPECT_EQ(w->DBLookupComboBox1->currentText(), QString());
    EXPECT_EQ(w->DBText1->text(), QString());
    EXPECT_TRUE(w->protocol().Modified());

    clear(w->DBEdit2);
    type(w->DBEdit2, "   ");
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Descrição deve ser informada!")});
    EXPECT_TRUE(w->DBEdit2->hasFocus());
    QTest::keyClicks(w->DBEdit2, QStringLiteral("Banco"));

    // A half-typed or impossible date is refused before any question.
    prompter.clear();
    type(w->DBEdit5, "3102202");
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("'31/02/202' não é uma data válida")});
    EXPECT_TRUE(w->DBEdit5->hasFocus());
    type(w->DBEdit5, "28022020");
    prompter.clear();
    press(w, NavButton::Post);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Gravar o registro corrente?")});
    EXPECT_EQ(column(QStringLiteral("SELECT BENOME || '|' || IFNULL(BELOCAL, 'null') || '|' || "
                                    "BECOMPRA || '|' || IFNULL(BEFLAG, 'null') FROM Bens")),
              QStringList{QStringLiteral("Banco|null|2020-02-28|null")});
    EXPECT_EQ(w->DateTimePicker1->date(), QDate(2020, 2, 28));
}

TEST_F(AssetsWindow, ShowsTheCurrentStateOfTheLocationsItRefersTo) {
    exec(QStringLiteral("INSERT INTO Locais VALUES ('L1', 'P1', 'ADM', '101')"));
    exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES ('7', 'Mesa', 'L1')"));
    auto* bens = open<TBens>("Bens1", "Bens");
    ASSERT_NE(bens, nullptr);
    const QModelIndex building = bens->grid()->model()->index(0, 3);
    EXPECT_EQ(building.data().toString(), QStringLiteral("P1"));

    auto* locais = open<TLocais>("Locais1", "Locais");
    ASSERT_NE(locais, nullptr);
    press(locais, NavButton::Edit);
    clear(locais->DBEdit2);
    QTest::keyClicks(locais->DBEdit2, QStringLiteral("P9"));
    press(locais, NavButton::Post);
    EXPECT_EQ(bens->DBText1->text(), QStringLiteral("P9"));
    EXPECT_EQ(building.data().toString(), QStringLiteral("P9"));

    press(locais, NavButton::Delete);
    EXPECT_EQ(bens->DBText1->text(), QString());
    EXPECT_EQ(building.data().toString(), QString());
    EXPECT_EQ(bens->grid()->model()->index(0, 2).data().toString(), QStringLiteral("L1"));
}

TEST_F(AssetsWindow, FindBoxGoesToMatchesAndCtrlClickAddsToTheChosenRows) {
    exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('1', 'Mesa'), "
                       "('10', 'Monitor'), ('2', 'Cadeira azul'), ('3', 'Armário'), "
                       "('4', 'CADEIRA preta')"));
    auto* w = open<TBens>("Bens1", "Bens");
    ASSERT_NE(w, nullptr);
    DataTable& table = w->protocol().table();
    auto current = [&] { return table.keyAt(table.recNo()); };
    type(w->EditLocalizar, "cad");
    EXPECT_EQ(current(), QStringLiteral("2"));
    QTest::keyClick(w->EditLocalizar, Qt::Key_Return);
    EXPECT_EQ(current(), QStringLiteral("4"));
    QTest::keyClick(w->EditLocalizar, Qt::Key_Return);
    EXPECT_EQ(current(), QStringLiteral("2"));  // round to the top
    clear(w->EditLocalizar);
    type(w->EditLocalizar, "10");
    EXPECT_EQ(current(), QStringLiteral("10"));
    EXPECT_EQ(w->grid()->currentIndex().row(), 1);
    type(w->EditLocalizar, "x");
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_EQ(current(), QStringLiteral("10"));

    DBGrid* grid = w->grid();
    auto click = [grid](int row, Qt::KeyboardModifiers keys) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys,
                          grid->visualRect(grid->model()->index(row, 1)).center());
    };
    click(0, Qt::NoModifier);
    click(2, Qt::ControlModifier);
    click(4, Qt::ControlModifier);
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 3);
    EXPECT_EQ(current(), QStringLiteral("4"));
    click(3, Qt::ShiftModifier);
    EXPECT_GE(grid->selectionModel()->selectedRows().size(), 2);  // a range up to row 3
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(3, {}));
}

TEST_F(AssetsWindow, AClickOnAColumnHeadSortsTheGridAndItsRowsStillChooseTheirRecords) {
    exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('1', 'Mesa'), "
                       "('2', 'cadeira'), ('3', 'Armário'), ('4', 'Banco')"));
    auto* w = open<TBens>("Bens1", "Bens");
    ASSERT_NE(w, nullptr);
    DBGrid* grid = w->grid();
    DataTable& table = w->protocol().table();
    QHeaderView* head = grid->horizontalHeader();
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {},
                      QPoint(head->sectionViewportPosition(1) + 5, head->height() / 2));
    auto shown = [grid] {
        QStringList names;
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            names << grid->model()->index(r, 1).data().toString();
        }
        return names;
    };
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Armário"), QStringLiteral("Banco"),
                                    QStringLiteral("cadeira"), QStringLiteral("Mesa")}));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(2, 1)).center());
    EXPECT_EQ(table.keyAt(table.recNo()), QStringLiteral("2"));
    EXPECT_EQ(w->DBEdit2->text(), QStringLiteral("cadeira"));
    table.locate(QStringLiteral("1"));
    EXPECT_EQ(grid->currentIndex().row(), 3);  // the grid follows the table
}
