#include "core/common/Progress.h"
#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/SqlValue.h"
#include "core/sync/InventoryUnload.h"
#include "core/xbase/DbfBuilder.h"
#include "support/TestServer.h"
#include "core/sync/SyncFixture.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

using Fields = QMap<QString, QVariant>;

Fields reading(const char* code, const char* flag = "X") {
    return {{QStringLiteral("BECODIGO"), QString::fromLatin1(code)},
            {QStringLiteral("BEFLAG"), QString::fromLatin1(flag)},
            {QStringLiteral("BEULTINV"), QDate(2024, 3, 9)},
            {QStringLiteral("BEULTOPE"), QStringLiteral("Ana")}};
}

Fields with(Fields f, const char* name, const QVariant& value) {
    f.insert(QString::fromLatin1(name), value);
    return f;
}

struct Unload : ::testing::Test, SyncFixture {
    void SetUp() override {
        db.exec(QStringLiteral(
            "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BENSERIE) VALUES "
            "('1', 'Mesa', '0101', '01', NULL), ('2', 'Cadeira', '0101', '01', 'S-9'), "
            "('3', 'Armário', '0303', 'BO', NULL)"));
    }

    void run() {
        InventoryUnload unload(db.dados(), log, noProgress());
        unload.ProcessInventory(QStringLiteral("Coletor 1"), folder.path());
    }

    QStringList logRows() {
        return db.column(
            QStringLiteral("SELECT LGBEM || '|' || LGUSUARIO || '|' || coalesce(LGOPERADOR, '') || "
                           "'|' || LGOCORRENC FROM Log "
                           "ORDER BY rowid"));
    }
};

}  // namespace

TEST_F(Unload, ChangesBecomeLogRowsWithTheirOccurrenceTexts) {
    writeReturnedAssets({
        with(with(reading("1"), "BELOCAL", QStringLiteral("0202")), "BESITUACAO",
             QStringLiteral("02")),
        with(with(with(reading("2"), "BELOCAL", QStringLiteral("0101")), "BESITUACAO",
                  QStringLiteral("01")),
             "BENSERIE", QStringLiteral("S-9")),
        with(with(with(reading("3"), "BELOCAL", QStringLiteral("0303")), "BESITUACAO",
                  QStringLiteral("BO")),
             "BENSERIE", QStringLiteral("N77")),
        with(with(with(reading("9"), "BENOME", QStringLiteral("Novo bem")), "BEVALOR", 10.25),
             "BELOCAL", QStringLiteral("0101")),
        with(reading("2", "x"), "BELOCAL", QStringLiteral("9999")),
        with(reading("2", ""), "BELOCAL", QStringLiteral("9999")),
    });
    run();
    EXPECT_EQ(logRows(),
              (QStringList{QStringLiteral("1|Coletor 1|Ana|LOCAL:0101>0202;SITUACAO:01>02"),
                           QStringLiteral("3|Coletor 1|Ana|NSERIE:>N77"),
                           QStringLiteral("9|Coletor 1|Ana|NOVO")}));
    EXPECT_EQ(log.lines(),
              (QStringList{
                  QStringLiteral("> Processando dados descarregados do Palm..."),
                  QStringLiteral("   Processamento de 4 registros de inventário concluído!"),
                  QStringLiteral("   Verifique o LOG de inventário que tem 3 registros novos!")}));
    // The unchanged asset got its inventory date and operator; lower-case and blank
    // marks changed nothing; the new asset took the record's values.
    EXPECT_EQ(db.column(QStringLiteral("SELECT BECODIGO || '|' || BELOCAL || '|' || "
                                       "coalesce(CAST(BEULTINV AS VARCHAR), '') || '|' || "
                                       "coalesce(BEULTOPE, '') || '|' || coalesce(CAST(BEVALOR AS "
                                       "VARCHAR), '') || '|' || coalesce(BEFLAG, "
                                       "'-') FROM Bens")),
              (QStringList{QStringLiteral("1|0202|2024-03-09|Ana||-"),
                           QStringLiteral("2|0101|2024-03-09|Ana||-"),
                           QStringLiteral("3|0303|2024-03-09|Ana||-"),
                           QStringLiteral("9|0101|2024-03-09|Ana|10.25|-")}));
    // The day range brackets exactly this unload.
    const QDateTime first =
        sqlvalue::fromSql(db.scalar(QStringLiteral("SELECT MIN(LGDATA) FROM Log")),
                          ColumnType::DateTime)
            .toDateTime();
    EXPECT_LE(db.dados().DayStart, first);
    EXPECT_GE(db.dados().DayEnd, first);
}

TEST_F(Unload, ThreeRecordsOneNewOneChangedGiveThreeAndTwo) {
    writeReturnedAssets({with(reading("1"), "BELOCAL", QStringLiteral("0101")),
                         with(reading("2"), "BELOCAL", QStringLiteral("0202")),
                         with(reading("7"), "BENOME", QStringLiteral("X"))});
    db.exec(QStringLiteral("UPDATE Bens SET BESITUACAO = NULL, BENSERIE = NULL"));
    run();
    EXPECT_EQ(log.lines().mid(1),
              (QStringList{
                  QStringLiteral("   Processamento de 3 registros de inventário concluído!"),
                  QStringLiteral("   Verifique o LOG de inventário que tem 2 registros novos!")}));

    log.clear();
    writeReturnedAssets({with(reading("1"), "BELOCAL", QStringLiteral("0101"))});
    run();
    EXPECT_EQ(log.lines().size(), 2);  // no log row: no second completion line
}

TEST_F(Unload, AFailingRecordIsReportedOnceAndTheOthersAreApplied) {
    // The failing record comes after another one: whatever savepoints the run
    // takes, the record before it keeps its asset, its log row and its reading.
    writeReturnedAssets({with(reading("8"), "BENOME", QStringLiteral("Oito")), reading(""),
                         with(reading("9"), "BENOME", QStringLiteral("Nove"))});
    run();
    ASSERT_EQ(log.lines().size(), 4);
    EXPECT_TRUE(log.lines()[1].startsWith(refusal("> Bens: Código (BECODIGO) não pode ficar vazio.",
                                                  "NOT NULL constraint failed: Bens.BECODIGO")));
    EXPECT_EQ(db.column(QStringLiteral("SELECT BECODIGO FROM Bens WHERE BECODIGO IN ('8', '9') "
                                       "ORDER BY BECODIGO")),
              (QStringList{QStringLiteral("8"), QStringLiteral("9")}));
    EXPECT_EQ(db.column(QStringLiteral("SELECT LGBEM FROM Log ORDER BY LGBEM")),
              (QStringList{QStringLiteral("8"), QStringLiteral("9")}));
    EXPECT_EQ(db.column(QStringLiteral("SELECT LEESTADO FROM Leituras ORDER BY LESEQ")),
              (QStringList{QStringLiteral("A"), QStringLiteral("P"), QStringLiteral("A")}));
    EXPECT_EQ(log.lines()[2],
              QStringLiteral("   Processamento de 2 registros de inventário concluído!"));
    // The table's own rows agree with the register.
    EXPECT_EQ(db.dados().TBens().rowCount(),
              db.scalar(QStringLiteral("SELECT COUNT(*) FROM Bens")).toInt());
}

TEST_F(Unload, ARefusedLogRowLeavesTheAssetSavedAndCounted) {
    if (onServer()) {
        db.exec(
            QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                           "$$ BEGIN RAISE EXCEPTION 'log recusado'; END $$"));
        db.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Log FOR EACH ROW "
                           "WHEN (NEW.LGBEM = '1') EXECUTE FUNCTION refuse()"));
    } else {
        db.exec(
            QStringLiteral("CREATE TEMP TRIGGER refuse BEFORE INSERT ON Log WHEN NEW.LGBEM = '1' "
                           "BEGIN SELECT RAISE(ABORT, 'log recusado'); END"));
    }
    writeReturnedAssets({with(reading("2"), "BELOCAL", QStringLiteral("0505")),
                         with(reading("1"), "BELOCAL", QStringLiteral("0505"))});
    run();
    QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines.takeAt(1).startsWith(refusal("> Erro no banco de dados.", "log recusado")));
    EXPECT_EQ(db.column(QStringLiteral("SELECT LGBEM FROM Log")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(lines,
              (QStringList{
                  QStringLiteral("> Processando dados descarregados do Palm..."),
                  QStringLiteral("   Processamento de 2 registros de inventário concluído!"),
                  QStringLiteral("   Verifique o LOG de inventário que tem 1 registros novos!")}));
    EXPECT_EQ(db.column(QStringLiteral("SELECT BELOCAL FROM Bens WHERE BECODIGO IN ('1', '2')")),
              (QStringList{QStringLiteral("0505"), QStringLiteral("0505")}));
}

TEST_F(Unload, AMissingFileChangesNothing) {
    run();
    EXPECT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines()[1], QStringLiteral("   Erro no arquivo ") +
                                  QDir::toNativeSeparators(path(QStringLiteral("BENS.DBF"))) +
                                  QStringLiteral(". Processamento de dados não efetuado!"));
    EXPECT_EQ(db.prompter().beeps, 1);
}

TEST_F(Unload, AFolderOrAFileThatIsNoTableIsNamedInTheLog) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("pasta")));
    writeAll(path(QStringLiteral("texto.dbf")), "não é uma tabela\r\n");
    const QString failed = QStringLiteral(". Processamento de dados não efetuado!");
    for (const auto& [name, reason] :
         {std::pair{QStringLiteral("pasta"), QStringLiteral(": é uma pasta, não um arquivo")},
          std::pair{QStringLiteral("texto.dbf"),
                    QStringLiteral(": não é uma tabela dBase válida")}}) {
        log.clear();
        InventoryUnload unload(db.dados(), log, noProgress());
        unload.ProcessFile(QStringLiteral("Coletor 1"), path(name));
        EXPECT_FALSE(unload.completed());
        EXPECT_EQ(log.lines().value(1), QStringLiteral("   Erro no arquivo ") +
                                            QDir::toNativeSeparators(path(name)) + reason + failed);
    }
}

TEST(SyncLogCap, KeepsAtMost8192CharactersDroppingTheOldestLines) {
    SyncLog log;
    log.append(QStringLiteral("\r\n   Início\r\n"));
    EXPECT_EQ(log.lines(), (QStringList{QString(), QStringLiteral("   Início"), QString()}));
    for (int i = 0; i < 400; ++i) {
        log.append(QStringLiteral("> linha %1 ").arg(i, 4, 10, QLatin1Char('0')) +
                   QString(20, QLatin1Char('x')));
    }
    EXPECT_LE(log.text().size(), SyncLog::kMaxCharacters);
    EXPECT_GT(log.text().size(), SyncLog::kMaxCharacters - 40);
    EXPECT_TRUE(log.lines().last().startsWith(QStringLiteral("> linha 0399")));
}

TEST_F(Unload, AFileWithoutBEFLAGFailsAndLeavesTheDayRangeAsItWas) {
    {
        GSO_DBFBuild builder(path(QStringLiteral("BENS.DBF")));
        builder.AddField(QStringLiteral("BECODIGO"), u'C', 13, 0);
        builder.WriteTable();
    }
    const QDateTime start = db.dados().DayStart;
    const QDateTime end = db.dados().DayEnd;
    InventoryUnload unload(db.dados(), log, noProgress());
    EXPECT_THROW(unload.ProcessInventory(QStringLiteral("Coletor 1"), folder.path()), Error);
    EXPECT_FALSE(unload.completed());
    EXPECT_EQ(db.dados().DayStart, start);
    EXPECT_EQ(db.dados().DayEnd, end);
}

// Another program writing the register: the unload waits for the write lock,
// then fails as a whole with one message, instead of one per record.
TEST_F(Unload, ARegisterLockedByAnotherProgramChangesNothingAndSaysSoOnce) {
    writeReturnedAssets({with(reading("1"), "BELOCAL", QStringLiteral("0202")),
                         with(reading("7"), "BENOME", QStringLiteral("Novo"))});
    Connection other;
    db.connectAnother(other);
    Transaction holding(other);
    db.dados().Conn().setWriteLockWait(200);
    struct Waits : Progress {
        int databaseWaits = 0;
        void beginBusy(Cursor cursor) override { databaseWaits += cursor == Cursor::DatabaseWait; }
    } waits;
    InventoryUnload unload(db.dados(), log, waits);
    try {
        unload.ProcessInventory(QStringLiteral("Coletor 1"), folder.path());
        FAIL() << "the unload ran against a locked register";
    } catch (const Error& error) {
        EXPECT_TRUE(error.message().startsWith(
            QStringLiteral("O banco de dados está em uso por outro programa")));
    }
    EXPECT_EQ(waits.databaseWaits, 1);
    EXPECT_EQ(
        db.column(QStringLiteral("SELECT BECODIGO || BELOCAL FROM Bens ORDER BY 1")),
        (QStringList{QStringLiteral("10101"), QStringLiteral("20101"), QStringLiteral("30303")}));
    EXPECT_TRUE(logRows().isEmpty());
}
