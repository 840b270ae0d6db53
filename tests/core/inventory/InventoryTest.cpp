#include "core/common/Cp1252.h"
#include "core/common/Error.h"
#include "core/count/CountFixture.h"
#include "core/count/CountReview.h"
#include "core/count/CountStore.h"
#include "core/inventory/InventoryReport.h"
#include "core/inventory/InventoryStore.h"
#include "core/inventory/InventoryText.h"
#include "core/log/LogCsv.h"
#include "support/ProgramRun.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// Three locations, six assets, a commission of two, and an inventory of them
// all counted by two users at once (a third loads and never sends).
struct Inventory : SyncFixture {
    Inventory() {
        db.dados().settings().Review = true;
        QFile ini(db.dir().file(s("ambitra.ini")));
        if (!ini.open(QIODevice::WriteOnly) ||
            ini.write(db.dir().databaseSection() +
                      cp1252::encode(s("[PREFS]\r\nLabelTitle=Prefeitura de Itaúna\r\n"))) < 0) {
            ADD_FAILURE() << "the settings file";
        }
        ini.close();
        db.exec(
            s("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), ('0202', 'P2', NULL, "
              "NULL), ('0303', 'P3', NULL, NULL)"));
        db.exec(
            s("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BEVALOR, BEULTINV) "
              "VALUES ('1', 'Mesa', '0101', '01', 100, '2023-05-02'), ('2', 'Cadeira', '0101', "
              "'01', 50.5, NULL), ('3', 'Armário', '0202', '01', 200, NULL), ('5', 'Monitor', "
              "'0202', '01', 300, NULL), ('4', 'Estante', '0303', '01', 80, NULL), ('6', "
              "'Sofá', '0303', '01', 150.25, '2023-05-03')"));
        db.exec(s("DELETE FROM Status"));
        db.exec(s("INSERT INTO Status VALUES ('01', 'Bom'), ('02', 'Regular')"));
        InventoryDraft draft;
        draft.title = s("Inventário anual 2026");
        draft.kind = InventoryKind::Annual;
        draft.commission = {{s("Maria Souza"), s("presidente"), s("1001")},
                            {s("João Lima"), s("secretário"), s("1002")}};
        number = store().create(draft);
    }

    InventoryStore store() { return InventoryStore(db.dados()); }

    // A load of user: the register's assets of those locations are sent.
    QStringList load(const char* user, const QStringList& locations) {
        QList<SentAsset> sent;
        for (const QString& location : locations) {
            for (const QString& code :
                 db.column(s("SELECT BECODIGO FROM Bens WHERE BELOCAL = '%1' ORDER BY BECODIGO")
                               .arg(location))) {
                sent.append({code, location});
            }
        }
        QStringList notes;
        CountStore(db.dados()).openCount(s(user), locations, sent, &notes);
        return notes;
    }
    void unload(const char* user, const QList<Record>& readings) {
        writeReturnedAssets(readings);
        InventoryUnload(db.dados(), log, noProgress()).ProcessFile(s(user), path(s("BENS.DBF")));
    }
    // Everything up to the commission's decisions: loads, interleaved
    // readings, a recount.
    void count() {
        const QStringList l0101{s("0101")}, l0202{s("0202")}, l0303{s("0303")};
        EXPECT_EQ(load("Ana", l0101 + l0202),
                  QStringList{s("   Contagem 1 incluída no inventário 1: locais 0101, 0202.")});
        EXPECT_EQ(load("Bia", l0202 + l0303),
                  (QStringList{s("   Contagem 2 incluída no inventário 1: locais 0202, 0303."),
                               s("   Inventário 1: o local 0202 já está na contagem 1 (Ana), "
                                 "ainda aberta; as duas contagens valem para o local.")}));
        load("Caio", l0303);
        unload("Ana", {reading("1", "0101"), reading("3", "0202")});
        unload("Bia", {reading("3", "0303"), reading("4", "0303", "02")});
        unload("Ana", {reading("99", "0202")});
        unload("Bia", {reading("5", "0303")});
        store().setRecount(number, l0101);
        EXPECT_EQ(
            load("Ana", l0101),
            QStringList{s("   Contagem 4 incluída no inventário 1: locais 0101 (rodada 2).")});
        unload("Ana", {reading("1", "0101"), reading("2", "0101", "01", "S9")});
    }
    ProgramRun cli(const QStringList& args) {
        return run(AMBITRA_CLI,
                   QStringList{s("--app-dir"), db.dir().path(), s("inventory")} + args);
    }

    int number = 0;
};

}  // namespace

TEST(Inventory, CountsOfTwoUsersMergeIntoOneResultThatTheCommissionClosesAndSigns) {
    Inventory inv;
    inv.count();
    InventoryStore store = inv.store();

    // The asset read in two locations waits for the commission, as do the readings.
    const QList<Divergence> divergences = store.divergences(inv.number);
    ASSERT_EQ(divergences.size(), 1);
    EXPECT_EQ(divergences[0].code, s("3"));
    EXPECT_EQ(divergences[0].locations, (QStringList{s("0202"), s("0303")}));
    EXPECT_EQ(divergences[0].counts, (QList<int>{1, 2}));
    EXPECT_EQ(store.closingCheck(inv.number).refusal,
              s("O inventário 1 não pode ser encerrado: 8 leituras aguardam revisão (contagens 1, "
                "2, 4); há divergências em aberto (bens 3)."));
    EXPECT_THROW(store.keep(inv.number, s("3"), s("0101")), Error);
    store.keep(inv.number, s("3"), s("0202"));
    EXPECT_TRUE(store.divergences(inv.number).isEmpty());
    EXPECT_EQ(inv.db.column(s("SELECT IXBEM || '|' || IXCONTAGEM || '|' || IXMOTIVO FROM "
                              "InventarioDescartes")),
              QStringList{s("3|2|Divergência: a comissão manteve o bem no local 0202")});
    CountReview review(inv.db.dados(), inv.log, noProgress());
    for (int count : {1, 2, 4}) {
        ASSERT_TRUE(review.accept(count, ReadingChoice::all()));
    }
    // The discarded reading was never applied: the asset stays where it was kept.
    EXPECT_EQ(inv.db.scalar(s("SELECT BELOCAL FROM Bens WHERE BECODIGO = '3'")).toString(),
              s("0202"));

    // Caio loaded and never sent: named, and closing asks.
    inv.db.prompter().plan({Prompter::Answer::No});
    EXPECT_FALSE(store.close(inv.number, inv.db.prompter()));
    EXPECT_EQ(inv.db.prompter().texts(),
              QStringList{s("Carregaram e ainda não enviaram leituras: contagem 3 (Caio). "
                            "Encerrar o inventário 1 assim mesmo?")});
    EXPECT_FALSE(store.inventory(inv.number)->closed);

    // Fixed moments, so the texts do not depend on the clock.
    inv.db.exec(s("UPDATE Inventarios SET IVABERTO = '2026-01-05 08:00:00.000'"));
    ProgramRun r = inv.cli({s("close"), s("1")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, s("Carregaram e ainda não enviaram leituras: contagem 3 (Caio). Encerrar o "
                       "inventário 1 assim mesmo?\nInventário 1 não encerrado: confirme com "
                       "--yes.\n"));
    r = inv.cli({s("close"), s("1"), s("--yes")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, s("Inventário 1 encerrado.\n"));
    inv.db.exec(s("UPDATE Inventarios SET IVENCERRADO = '2099-01-05 18:00:00.000'"));
    // Counts of a closed inventory are closed; a later load joins nothing.
    EXPECT_EQ(inv.db.scalar(s("SELECT COUNT(*) FROM Contagens WHERE CTABERTA = 1")).toInt(), 0);
    const QVariant joined = inv.db.scalar(s("SELECT COUNT(*) FROM InventarioContagens"));
    EXPECT_TRUE(inv.load("Ana", {s("0101")}).isEmpty());
    EXPECT_EQ(inv.db.scalar(s("SELECT COUNT(*) FROM InventarioContagens")), joined);
    EXPECT_THROW(store.setRecount(inv.number, {s("0202")}), Error);

    r = inv.cli({s("report"), s("1"), s("--csv"), inv.path(s("inv.csv"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              s("inventory\t1\tInventário anual 2026\tAnual\t2026-01-05 08:00:00\t2099-01-05 "
                "18:00:00\n"
                "member\tMaria Souza\tpresidente\t1001\n"
                "member\tJoão Lima\tsecretário\t1002\n"
                "location\t0101\tdevolvido\t2\t2\t2\t0\t0\t0\t0\t0\t150.500\t0.000\n"
                "round\t0101\t\t1\t2\t1\t1\t0\t0\t0\t0\t150.500\t50.500\n"
                "location\t0202\tdevolvido\t1\t2\t1\t0\t1\t0\t1\t0\t500.000\t0.000\n"
                "location\t0303\tdevolvido\t1\t2\t1\t1\t0\t1\t0\t0\t230.250\t150.250\n"
                "total\t6\t4\t1\t1\t1\t1\t0\t880.750\t150.250\n"
                "not_located\t6\tSofá\t0303\t150.250\t2023-05-03\n"
                "unregistered\t99\tLido\t0202\tIncorporado ao cadastro\n"
                "found_elsewhere\t5\tMonitor\t0202\t0303\n"
                "condition\t01\tBom\t4\t650.500\n"
                "condition\t02\tRegular\t1\t80.000\n"
                "movements\t1\t1\t1\t1\n"));
    const QString issued = QDate::currentDate().toString(s("yyyy-MM-dd"));
    QFile csv(inv.path(s("inv.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(),
              cp1252::encode(
                  QString(QString(s("\"Relatório de Inventário\"\r\n"
                                    "\"Órgão\",\"Prefeitura de Itaúna\"\r\n"
                                    "\"Inventário\",1\r\n"
                                    "\"Título\",\"Inventário anual 2026\"\r\n"
                                    "\"Tipo\",\"Anual\"\r\n"
                                    "\"Aberto em\",\"2026-01-05 08:00:00\"\r\n"
                                    "\"Encerrado em\",\"2099-01-05 18:00:00\"\r\n"
                                    "\"Cego\",\"Não\"\r\n"
                                    "\"Emitido em\",\"")) +
                          issued +
                          s("\"\r\n"
                            "\"Comissão\",\"Nome\",\"Função\",\"Matrícula\"\r\n"
                            "\"Membro\",\"Maria Souza\",\"presidente\",\"1001\"\r\n"
                            "\"Membro\",\"João Lima\",\"secretário\",\"1002\"\r\n"
                            "\"Local\",\"Descrição\",\"Estado\",\"Rodada\",\"Esperados\","
                            "\"Vistos\",\"Faltantes\",\"Em outro local\",\"De outro local\","
                            "\"Novos\",\"Inválidos\",\"Valor esperado\",\"Valor faltante\"\r\n"
                            "\"0101\",\"P1 / ADM / S1\",\"devolvido\",2,2,2,0,0,0,0,0,150.500,"
                            "0.000\r\n"
                            "\"0101\",\"P1 / ADM / S1\",\"rodada anterior\",1,2,1,1,0,0,0,0,"
                            "150.500,50.500\r\n"
                            "\"0202\",\"P2 /  / \",\"devolvido\",1,2,1,0,1,0,1,0,500.000,0.000\r\n"
                            "\"0303\",\"P3 /  / \",\"devolvido\",1,2,1,1,0,1,0,0,230.250,"
                            "150.250\r\n"
                            "\"TOTAL\",\"\",\"\",,6,4,1,1,1,1,0,880.750,150.250\r\n"
                            "\"Lista\",\"Código\",\"Descrição\",\"Local\",\"Valor\",\"Último "
                            "inventário\"\r\n"
                            "\"Não localizado\",\"6\",\"Sofá\",\"0303\",150.250,\"2023-05-03\"\r\n"
                            "\"Lista\",\"Código\",\"Descrição\",\"Local\",\"Providência\"\r\n"
                            "\"Não cadastrado\",\"99\",\"Lido\",\"0202\",\"Incorporado ao "
                            "cadastro\"\r\n"
                            "\"Lista\",\"Código\",\"Descrição\",\"Local cadastrado\",\"Local "
                            "encontrado\"\r\n"
                            "\"Em outro local\",\"5\",\"Monitor\",\"0202\",\"0303\"\r\n"
                            "\"Lista\",\"Código\",\"Situação\",\"Quantidade\",\"Valor\"\r\n"
                            "\"Situação\",\"01\",\"Bom\",4,650.500\r\n"
                            "\"Situação\",\"02\",\"Regular\",1,80.000\r\n"
                            "\"Movimentações\",\"Mudanças de local\",\"Mudanças de situação\","
                            "\"Mudanças de nº de série\",\"Bens novos\"\r\n"
                            "\"Total do período\",1,1,1,1\r\n"
                            "\"Declaração\",\"Declaramos, para os devidos fins, que os membros da "
                            "comissão abaixo assinados verificaram pessoalmente, no período de "
                            "05/01/2026 a 05/01/2099, os bens patrimoniais dos locais abrangidos "
                            "pelo Inventário nº 1, e que este relatório expressa fielmente o "
                            "resultado dessa verificação física.\"\r\n"
                            "\"Assinatura\",\"Maria Souza\",\"presidente\",\"1001\"\r\n"
                            "\"Assinatura\",\"João Lima\",\"secretário\",\"1002\"\r\n"))));
    // The PDF holds the declaration and a line for each member.
    r = inv.cli({s("report"), s("1"), s("--pdf"), inv.path(s("inv.pdf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QProcess text;
    text.start(s("pdftotext"), {inv.path(s("inv.pdf")), s("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    EXPECT_TRUE(pages.contains(s("Declaramos, para os devidos fins"))) << pages.toStdString();
    for (const char* member :
         {"Maria Souza – Presidente – Matrícula 1001", "João Lima – Secretário – Matrícula 1002"}) {
        EXPECT_TRUE(pages.contains(s(member))) << member;
    }
}

TEST(Inventory, WithoutReviewTheKeptLocationUndoesTheDiscardedReadingsMove) {
    Inventory inv;
    inv.db.dados().settings().Review = false;
    inv.load("Ana", {s("0202")});
    inv.load("Bia", {s("0303")});
    inv.unload("Ana", {reading("3", "0202")});
    inv.unload("Bia", {reading("3", "0303")});
    const QString logRows =
        s("SELECT LGUSUARIO || '|' || LGOPERADOR || '|' || LGBEM || '|' || "
          "LGOCORRENC FROM Log ORDER BY LGDATA");
    EXPECT_EQ(inv.db.column(logRows), QStringList{s("Bia|Ana|3|LOCAL:0202>0303")});
    inv.store().keep(inv.number, s("3"), s("0202"));
    EXPECT_EQ(inv.db.scalar(s("SELECT BELOCAL FROM Bens WHERE BECODIGO = '3'")).toString(),
              s("0202"));
    EXPECT_EQ(inv.db.column(logRows),
              (QStringList{s("Bia|Ana|3|LOCAL:0202>0303"), s("Ana|Ana|3|LOCAL:0303>0202")}));
}

TEST(Inventory, ClosingIsRefusedNamingWhyWhileLocationsWereNeverLoaded) {
    Inventory inv;
    InventoryStore store = inv.store();
    EXPECT_EQ(store.closingCheck(inv.number).refusal,
              s("O inventário 1 não pode ser encerrado: locais nunca carregados: 0101, 0202, "
                "0303."));
    inv.load("Ana", {s("0101"), s("0202"), s("0303")});
    store.setRecount(inv.number, {s("0303")});
    // Edited while open, but a location that was loaded stays in it.
    InventoryDraft edited{
        s("Inventário revisto"), InventoryKind::Occasional, false, {s("0101")}, {}};
    EXPECT_THROW(store.edit(inv.number, edited), Error);
    edited.locations.clear();
    store.edit(inv.number, edited);
    EXPECT_EQ(store.inventory(inv.number)->title, s("Inventário revisto"));
    EXPECT_TRUE(store.inventory(inv.number)->commission.isEmpty());
    EXPECT_EQ(store.closingCheck(inv.number).refusal,
              s("O inventário 1 não pode ser encerrado: locais marcados para recontagem e ainda "
                "não carregados: 0303."));
    EXPECT_EQ(inv.cli({s("close"), s("1"), s("--yes")}).err,
              s("O inventário 1 não pode ser encerrado: locais marcados para recontagem e ainda "
                "não carregados: 0303.\n"));
    // A second inventory waits for the first to close.
    ProgramRun r = inv.cli({s("new"), s("--title"), s("Outro"), s("--kind"), s("eventual")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, s("O inventário 1 está aberto: encerre-o antes de abrir outro.\n"));
    EXPECT_EQ(inv.cli({s("new"), s("--title"), s("Outro"), s("--kind"), s("Mensal")}).exitCode, 2);
    EXPECT_EQ(inv.cli({s("list")}).out.section(u'\t', 0, 2), s("1\tInventário revisto\tEventual"));
}

TEST(Inventory, TheCommandLineOpensAnInventoryOfChosenLocationsAndItsCommission) {
    TestDatabase db;
    db.exec(s("INSERT INTO Locais VALUES ('0101', NULL, NULL, NULL), ('0202', NULL, NULL, NULL)"));
    auto cli = [&db](const QStringList& args) {
        return run(AMBITRA_CLI,
                   QStringList{s("--app-dir"), db.dir().path(), s("inventory")} + args);
    };
    ProgramRun r = cli({s("new"), s("--title"), s("Transferência"), s("--kind"),
                        s("transferencia de responsavel"), s("--blind"), s("--location"), s("0202"),
                        s("--member"), s("Ana Reis;Presidente;77")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, s("Inventário 1 aberto.\n"));
    const std::optional<InventoryInfo> info = InventoryStore(db.dados()).inventory(1);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->kind, InventoryKind::ChangeOfCharge);
    EXPECT_TRUE(info->blind);
    EXPECT_FALSE(info->allLocations);
    ASSERT_EQ(info->commission.size(), 1);
    EXPECT_EQ(info->commission[0].role, s("presidente"));
    EXPECT_EQ(db.column(s("SELECT ILLOCAL FROM InventarioLocais")), QStringList{s("0202")});
    EXPECT_TRUE(InventoryStore(db.dados()).blindLoad({s("0202")}));
    EXPECT_FALSE(InventoryStore(db.dados()).blindLoad({s("0101")}));
    r = cli({s("new"), s("--title"), s("X"), s("--kind"), s("Anual"), s("--member"),
             s("Rui;tesoureiro;1")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, s("Função de membro da comissão inválida: \"tesoureiro\" (presidente, membro "
                       "ou secretário).\n"));
}
