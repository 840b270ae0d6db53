#include "app/TAbertura.h"
#include "core/count/CountFixture.h"
#include "core/inventory/InventoryStore.h"
#include "ui/inventory/InventoryChartView.h"
#include "ui/inventory/TInventario.h"
#include "ui/inventory/TInventarioDados.h"
#include "support/WidgetLookup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;
using Answer = Prompter::Answer;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// Two locations of three assets, and the loads and unloads of two users.
struct Counts : SyncFixture {
    Counts() {
        db.exec(
            s("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), ('0202', 'P2', "
              "'FIN', 'S2')"));
        db.exec(
            s("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BEVALOR) VALUES "
              "('1', 'Mesa', '0101', '01', 100), ('2', 'Cadeira', '0101', '01', 50), "
              "('3', 'Armário', '0202', '01', 200)"));
    }
    void load(const char* user, const QStringList& places) {
        QList<SentAsset> sent;
        for (const QString& place : places) {
            for (const QString& code :
                 db.column(s("SELECT BECODIGO FROM Bens WHERE BELOCAL = '%1' ORDER BY BECODIGO")
                               .arg(place))) {
                sent.append({code, place});
            }
        }
        CountStore(db.dados()).openCount(s(user), places, sent);
    }
    void unload(const char* user, const QList<Record>& readings) {
        writeReturnedAssets(readings);
        InventoryUnload(db.dados(), log, noProgress()).ProcessFile(s(user), path(s("BENS.DBF")));
    }
};

void choose(QTableWidget& grid, int column, const QString& text) {
    for (int r = 0; r < grid.rowCount(); ++r) {
        if (grid.item(r, column)->text() == text) {
            grid.selectRow(r);
            return;
        }
    }
    ADD_FAILURE() << text.toStdString();
}

}  // namespace

// An inventory from the menu to its report: entered in the data dialog with
// its commission, its progress drawn and read again as readings come in, a
// divergence kept where the commission decides, a location set for recount,
// closing refused with the store's reason, and the report saved.
TEST(InventoryWindow, FollowsAnInventoryFromItsDataToItsReport) {
    Counts c;
    TDados& dados = c.db.dados();
    ScriptedPrompter& prompter = c.db.prompter();
    TAbertura main(dados, prompter, QCoreApplication::applicationFilePath());
    TInventario window(dados, prompter, &main);
    main.setDialog(QStringLiteral("Inventario"), &window);
    window.setDataDialogHook([](TInventarioDados& data) {
        child<QLineEdit>(data, "Titulo")->setText(s("Anual 2026"));
        auto* kind = child<QComboBox>(data, "Tipo");
        kind->setCurrentIndex(kind->findText(s("Eventual")));
        data.addMember({s("Maria Souza"), s("presidente"), s("1001")});
        QTimer::singleShot(0, &data, [&data] { child<QPushButton>(data, "Gravar")->click(); });
    });
    bool shown = false;
    QTimer::singleShot(0, [&] {
        ASSERT_EQ(QApplication::activeModalWidget(), &window);
        child<QPushButton>(window, "Novo")->click();
        auto* list = child<QTableWidget>(window, "Inventarios");
        ASSERT_EQ(list->rowCount(), 1);
        EXPECT_EQ(list->item(0, 1)->text(), s("Anual 2026"));
        EXPECT_EQ(list->item(0, 2)->text(), s("Eventual"));
        EXPECT_EQ(column(*child<QTableWidget>(window, "Comissao"), 0),
                  QStringList{s("Maria Souza")});
        auto* chart = child<InventoryChartView>(window, "Andamento");
        ASSERT_EQ(chart->locations().size(), 2);
        EXPECT_EQ(chart->locations()[0].latest.tally.expected, 2);
        EXPECT_EQ(chart->locations()[0].latest.tally.seen, 0);

        // Two users at once; asset 3 read in both locations.
        c.load("Ana", {s("0101")});
        c.load("Bia", {s("0202")});
        c.unload("Ana", {reading("1", "0101"), reading("3", "0101")});
        c.unload("Bia", {reading("3", "0202")});
        // As the synchronisation window announces them: read once, a moment later.
        window.refreshSoon();
        window.refreshSoon();
        EXPECT_EQ(chart->locations()[0].latest.tally.seen, 0);
        EXPECT_TRUE(QTest::qWaitFor(
            [chart] { return chart->locations()[0].latest.tally.seen == 1; }, 5000));
        auto* divergences = child<QTableWidget>(window, "Divergencias");
        EXPECT_EQ(column(*divergences, 2), (QStringList{s("0101"), s("0202")}));

        const int number = window.currentInventory();
        const QString refusal = InventoryStore(dados).closingCheck(number).refusal;
        ASSERT_FALSE(refusal.isEmpty());
        child<QPushButton>(window, "Encerrar")->click();
        EXPECT_EQ(prompter.texts(), QStringList{refusal});

        choose(*divergences, 2, s("0202"));
        prompter.plan({Answer::Yes});
        child<QPushButton>(window, "ManterLocal")->click();
        EXPECT_EQ(prompter.texts().last(), s("Manter o bem 3 no local 0202? As leituras dele "
                                             "nos outros locais serão descartadas."));
        EXPECT_EQ(divergences->rowCount(), 0);

        auto* locations = child<QTableWidget>(window, "Locais");
        choose(*locations, 0, s("0101"));
        prompter.plan({Answer::Yes});
        child<QPushButton>(window, "Recontar")->click();
        EXPECT_EQ(prompter.texts().last(), s("Recontar 0101? A próxima carga de cada local abre "
                                             "uma nova rodada dele."));
        EXPECT_EQ(column(*locations, 2), (QStringList{s("recontagem"), s("devolvido")}));

        const QString pdf = c.db.dir().file(s("inventario.pdf"));
        window.savePdf(pdf);
        EXPECT_EQ(prompter.texts().last(), s("Relatório gravado em ") + pdf + u'.');
        EXPECT_TRUE(readAll(pdf).startsWith("%PDF"));
        const QString csv = c.db.dir().file(s("inventario.csv"));
        window.saveCsv(csv);
        EXPECT_EQ(prompter.texts().last(), s("Relatório gravado em ") + csv + u'.');
        EXPECT_TRUE(readAll(csv).startsWith("\"Relat\xf3rio de Invent\xe1rio\"\r\n"));
        window.accept();
        shown = true;
    });
    main.show();
    main.findChild<QAction*>(QStringLiteral("Inventario1"))->trigger();
    EXPECT_TRUE(shown);
}

// "Locais escolhidos" with none marked would read as every location: refused.
TEST(InventoryWindow, TheDataDialogRefusesChosenLocationsWithNoneMarked) {
    Counts c;
    TInventarioDados data({{s("0101"), s("P1")}}, c.db.prompter());
    child<QRadioButton>(data, "LocaisEscolhidos")->setChecked(true);
    data.accept();
    EXPECT_EQ(c.db.prompter().texts(),
              QStringList{s("Marque os locais que o inventário abrange.")});
    EXPECT_NE(data.result(), QDialog::Accepted);
}
