#include "core/common/Progress.h"
#include "core/sync/HandheldLoad.h"
#include "support/TempAppDir.h"
#include "core/sync/SyncFixture.h"

#include <QDate>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct Load : ::testing::Test, SyncFixture {
    void SetUp() override {
        db.exec(QStringLiteral(
            "INSERT INTO Operadores VALUES ('01', 'abc', 'Ana'), ('02', NULL, 'Rui')"));
        db.exec(QStringLiteral(
            "INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), ('0202', 'P2', NULL, NULL), "
            "('1', NULL, NULL, NULL), ('0001', NULL, NULL, NULL), ('a', NULL, NULL, NULL)"));
        db.exec(QStringLiteral(
            "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEVALOR, BECOMPRA) VALUES "
            "('A1', 'Mesa', '0101', 1234.5, '2006-08-15'), ('A2', 'Cadeira', '0202', NULL, NULL), "
            "('A3', 'Sem local', NULL, 2, NULL), ('A4', 'Local apagado', '9999', 3, NULL), "
            "('A5', 'No um', '1', 0, NULL), ('A6', 'No 0001', '0001', 0, NULL), "
            "('A7', 'Maiuscula', 'A', 0, NULL)"));
        TDados& d = db.dados();
        d.TOperadores().open();
        d.TLocais().open();
        d.TBens().open();
        locations.fill(d.TLocais());
    }

    void loadAll() {
        HandheldLoad load(db.dados(), locations, log, noProgress());
        load.ExportForHandheld(db.dados().TOperadores(), folder.path());
        load.ExportForHandheld(db.dados().TLocais(), folder.path());
        load.ExportForHandheld(db.dados().TBens(), folder.path());
    }

    void mark(const QString& code) {
        for (int i = 0; i < locations.count(); ++i) {
            if (locations.item(i).text.startsWith(code + QLatin1Char(' '))) {
                locations.setChecked(i, true);
            }
        }
    }

    QStringList codes(const QString& file) {
        QStringList list;
        for (const QString& row : readFile(file)) {
            list << row.section(QLatin1Char('|'), 0, 0);
        }
        return list;
    }
};

}  // namespace

TEST(LocationCheckList, LinesAreEighteenFixedPitchCharacters) {
    EXPECT_EQ(LocationCheckList::LocationLine(QStringLiteral("0101"), QStringLiteral("P1"),
                                              QStringLiteral("ADM"), QStringLiteral("S12")),
              QStringLiteral("0101 P1  ADM S12  "));
    EXPECT_EQ(LocationCheckList::LocationLine({}, {}, {}, {}).size(), 18);
}

TEST_F(Load, WithNothingMarkedOnlyAssetsOfUnlistedLocationsGoAndOperatorsAlwaysGo) {
    loadAll();
    EXPECT_EQ(codes(QStringLiteral("OPERADOR.DBF")),
              (QStringList{QStringLiteral("01"), QStringLiteral("02")}));
    EXPECT_TRUE(readFile(QStringLiteral("LOCAIS.DBF")).isEmpty());
    EXPECT_EQ(codes(QStringLiteral("BENS.DBF")),
              (QStringList{QStringLiteral("A3"), QStringLiteral("A4")}));
    EXPECT_EQ(
        log.lines(),
        (QStringList{QStringLiteral("> Preparando dados de Operadores para carga no Palm..."),
                     QStringLiteral("   Exportação de 2 registros para OPERADOR.DBF concluída!"),
                     QStringLiteral("> Preparando dados de Locais para carga no Palm..."),
                     QStringLiteral("   Exportação de 0 registros para LOCAIS.DBF concluída!"),
                     QStringLiteral("> Preparando dados de Bens para carga no Palm..."),
                     QStringLiteral("   Exportação de 2 registros para BENS.DBF concluída!")}));
}

TEST_F(Load, MarkedLocationsTakeTheirAssetsAndCodesMatchWholeIgnoringCase) {
    mark(QStringLiteral("0101"));
    mark(QStringLiteral("1"));
    mark(QStringLiteral("a"));
    loadAll();
    EXPECT_EQ(codes(QStringLiteral("LOCAIS.DBF")),
              (QStringList{QStringLiteral("0101"), QStringLiteral("1"), QStringLiteral("a")}));
    // 0202 and 0001 are unmarked: their assets stay; "A" finds the item of "a".
    EXPECT_EQ(codes(QStringLiteral("BENS.DBF")),
              (QStringList{QStringLiteral("A1"), QStringLiteral("A3"), QStringLiteral("A4"),
                           QStringLiteral("A5"), QStringLiteral("A7")}));
    EXPECT_EQ(db.dados().TBens().recNo(), 0);  // back on the first row
}

TEST_F(Load, RecordsCarryTheValuesAndNullsStayBlankOrZero) {
    locations.setAll(true);
    loadAll();
    const QStringList bens = readFile(QStringLiteral("BENS.DBF"));
    ASSERT_EQ(bens.size(), 7);
    EXPECT_EQ(bens[0], QStringLiteral("A1|Mesa|0101||||1234.500|20060815|||"));
    EXPECT_EQ(bens[1], QStringLiteral("A2|Cadeira|0202||||0.000||||"));
    EXPECT_EQ(readFile(QStringLiteral("OPERADOR.DBF")),
              (QStringList{QStringLiteral("01|abc|Ana"), QStringLiteral("02||Rui")}));

    // The file is the layout to the byte: header, descriptors, records, end mark.
    const QByteArray bytes = readAll(path(QStringLiteral("BENS.DBF")));
    ASSERT_EQ(bytes.size(), 385 + 7 * 129 + 1);
    EXPECT_EQ(bytes.at(0), '\x03');
    EXPECT_EQ(bytes.mid(4, 8), QByteArray("\x07\x00\x00\x00\x81\x01\x81\x00", 8));
    auto c = [](const char* text, int width) { return QByteArray(text).leftJustified(width, ' '); };
    const QByteArray first = " " + c("A1", 13) + c("Mesa", 32) + c("0101", 4) + c("", 16 + 2 + 16) +
                             "    1234.500" + "20060815" + c("", 8 + 16 + 1);
    EXPECT_EQ(bytes.mid(385, 129), first);
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST_F(Load, LocationsWhoseCodesDifferOnlyInLetterCaseStayApart) {
    db.exec(
        QStringLiteral("INSERT INTO Locais VALUES ('A1', NULL, NULL, NULL), "
                       "('a1', NULL, NULL, NULL)"));
    db.exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BELOCAL) VALUES ('U1', 'A1'), "
                       "('L1', 'a1')"));
    db.dados().TLocais().requery();
    db.dados().TBens().requery();
    locations.fill(db.dados().TLocais());
    for (const char* code : {"0101", "0202", "1", "0001", "a"}) {
        mark(QString::fromLatin1(code));  // everything but the two
    }
    mark(QStringLiteral("a1"));
    loadAll();
    EXPECT_FALSE(codes(QStringLiteral("LOCAIS.DBF")).contains(QStringLiteral("A1")));
    EXPECT_TRUE(codes(QStringLiteral("LOCAIS.DBF")).contains(QStringLiteral("a1")));
    EXPECT_TRUE(codes(QStringLiteral("BENS.DBF")).contains(QStringLiteral("L1")));
    EXPECT_FALSE(codes(QStringLiteral("BENS.DBF")).contains(QStringLiteral("U1")));
}

// The handheld's tables are replaced whole: a load killed part-way leaves the
// previous BENS.DBF in the exchange folder.
TEST_F(Load, ALoadKilledPartWayLeavesThePreviousTableWhole) {
    loadAll();
    const QByteArray previous = readAll(folder.filePath(QStringLiteral("BENS.DBF")));
    db.exec(QStringLiteral("UPDATE Bens SET BENOME = 'Outro nome'"));
    db.dados().TBens().requery();
    struct Killer : Progress {
        int steps = 0;
        void advance(qint64) override {
            if (++steps == 3) {
                ::_exit(0);
            }
        }
    };
    const pid_t child = ::fork();
    if (child == 0) {
        Killer killer;
        HandheldLoad load(db.dados(), locations, log, killer);
        load.ExportForHandheld(db.dados().TBens(), folder.path());
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readAll(folder.filePath(QStringLiteral("BENS.DBF"))), previous);
}
