#include "common/Error.h"
#include "data/DataTable.h"
#include "data/TableModel.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

void addLocation(DataTable& t, const QString& code, const QString& room) {
    t.insert();
    t.setValue(QStringLiteral("LOCODIGO"), code);
    t.setValue(QStringLiteral("LOSALA"), room);
    t.post();
}

QStringList keys(const DataTable& t) {
    QStringList k;
    for (int i = 0; i < t.rowCount(); ++i) {
        k << t.keyAt(i);
    }
    return k;
}

}  // namespace

TEST(DataTable, KeepsRowsInKeyOrderThroughInsertsEditsAndDeletes) {
    TestDatabase t;
    DataTable& locais = t.dados().TLocais();
    locais.open();
    EXPECT_TRUE(locais.isEmpty());
    EXPECT_EQ(locais.recNo(), -1);
    for (const char* code : {"20", "0001", "1", "B", "a"}) {
        addLocation(locais, QString::fromLatin1(code), QStringLiteral("S"));
    }
    // Binary order: digits, upper case, lower case; "1" and "0001" are different.
    EXPECT_EQ(keys(locais),
              (QStringList{QStringLiteral("0001"), QStringLiteral("1"), QStringLiteral("20"),
                           QStringLiteral("B"), QStringLiteral("a")}));
    EXPECT_EQ(locais.text(QStringLiteral("LOCODIGO")),
              QStringLiteral("a"));  // the new row is current

    ASSERT_TRUE(locais.locate(QStringLiteral("1")));
    EXPECT_FALSE(locais.locate(QStringLiteral("01")));
    EXPECT_EQ(locais.recNo(), 1);
    locais.edit();
    locais.setValue(QStringLiteral("LOSALA"), QStringLiteral("101"));
    locais.post();
    EXPECT_EQ(t.column(QStringLiteral("SELECT LOSALA FROM Locais WHERE LOCODIGO = '1'")),
              QStringList{QStringLiteral("101")});

    locais.remove();
    EXPECT_EQ(locais.rowCount(), 4);
    EXPECT_EQ(locais.text(QStringLiteral("LOCODIGO")), QStringLiteral("20"));

    // A duplicate key is refused by the engine and the insert stays pending.
    locais.insert();
    locais.setValue(QStringLiteral("LOCODIGO"), QStringLiteral("B"));
    EXPECT_THROW(locais.post(), Error);
    EXPECT_TRUE(locais.isEditing());
    locais.cancel();
    EXPECT_EQ(locais.rowCount(), 4);
}

TEST(DataTable, NavigatesLikeARecordSetAndSeesOtherWritersAfterRequery) {
    TestDatabase t;
    DataTable& locais = t.dados().TLocais();
    locais.open();
    for (const char* code : {"1", "2", "3"}) {
        addLocation(locais, QString::fromLatin1(code), QString());
    }
    locais.first();
    EXPECT_TRUE(locais.bof());
    locais.next();
    locais.next();
    EXPECT_FALSE(locais.eof());
    locais.next();
    EXPECT_TRUE(locais.eof());
    EXPECT_EQ(locais.text(QStringLiteral("LOCODIGO")), QStringLiteral("3"));

    t.exec(QStringLiteral("INSERT INTO Locais (LOCODIGO) VALUES ('0')"));
    t.exec(QStringLiteral("UPDATE Locais SET LOSALA = 'X' WHERE LOCODIGO = '3'"));
    locais.requery();
    EXPECT_EQ(locais.rowCount(), 4);
    EXPECT_EQ(locais.text(QStringLiteral("LOCODIGO")), QStringLiteral("3"));
    EXPECT_EQ(locais.text(QStringLiteral("LOSALA")), QStringLiteral("X"));
    EXPECT_THROW(locais.value(QStringLiteral("NOPE")), Error);
}

TEST(DataTable, AssetsShowTheirLocationLookedUpAlsoWhileEditing) {
    TestDatabase t;
    t.exec(QStringLiteral("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S12')"));
    t.exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BELOCAL) VALUES ('1', '0101'), ('2', '9999')"));
    DataTable& bens = t.dados().TBens();
    bens.open();
    EXPECT_EQ(bens.text(QStringLiteral("LOSALA")), QStringLiteral("S12"));
    bens.next();
    EXPECT_TRUE(bens.isNull(QStringLiteral("LOPREDIO")));
    bens.edit();
    bens.setValue(QStringLiteral("BELOCAL"), QStringLiteral("0101"));
    EXPECT_EQ(bens.text(QStringLiteral("LODEPTO")), QStringLiteral("ADM"));
    bens.setNull(QStringLiteral("BELOCAL"));
    EXPECT_TRUE(bens.isNull(QStringLiteral("LODEPTO")));
    bens.cancel();
}

TEST(DataTable, PagesThroughManyRowsInOrder) {
    TestDatabase t;
    t.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO Bens (BECODIGO, BENOME) SELECT printf('%06d', i), 'Bem ' || i FROM n"));
    DataTable& bens = t.dados().TBens();
    bens.open();
    ASSERT_EQ(bens.rowCount(), 3000);
    int seen = 0;
    for (bens.first(); !bens.eof(); bens.next()) {
        ++seen;
        ASSERT_EQ(bens.text(QStringLiteral("BENOME")), QStringLiteral("Bem %1").arg(seen));
    }
    EXPECT_EQ(seen, 3000);
    ASSERT_TRUE(bens.locate(QStringLiteral("002500")));
    EXPECT_EQ(bens.recNo(), 2499);
}

TEST(TableModel, ShowsVisibleColumnsWithCaptionsAndFormats) {
    TestDatabase t;
    t.exec(QStringLiteral("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S12')"));
    t.exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BELOCAL, BEVALOR, BECOMPRA, BEFLAG) VALUES "
                       "('1', '0101', 1234.5, "
                       "'2006-08-15', 'X')"));
    DataTable& bens = t.dados().TBens();
    bens.open();
    TableModel model(bens);
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    QStringList captions;
    for (int c = 0; c < model.columnCount(); ++c) {
        captions << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    EXPECT_EQ(
        captions.join(QLatin1Char('|')),
        QStringLiteral("Código|Descrição|Local|Prédio|Depto.|Sala|Fabricante|Situação|Nº Série|"
                       "Valor|Data Compra|Inventário|Operador"));
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), QStringLiteral("P1"));
    EXPECT_EQ(model.data(model.index(0, 10)).toString(), QStringLiteral("15/08/2006"));
    EXPECT_EQ(model.displayWidth(2), 8);

    DataTable& ops = t.dados().TOperadores();
    ops.open();
    TableModel opModel(ops);
    EXPECT_EQ(opModel.columnCount(), 2);  // the password never shows
    EXPECT_EQ(opModel.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Nome"));
    EXPECT_EQ(opModel.displayWidth(1), 20);
}

TEST(RefreshNavigator, EnablesButtonsByPositionAndEditing) {
    TestDatabase t;
    DataTable& locais = t.dados().TLocais();
    locais.open();
    auto on = [&](NavButton b) { return TDados::RefreshNavigator(locais)[static_cast<int>(b)]; };
    EXPECT_TRUE(on(NavButton::Insert));
    EXPECT_FALSE(on(NavButton::Edit));
    EXPECT_FALSE(on(NavButton::Delete));
    addLocation(locais, QStringLiteral("1"), QString());
    addLocation(locais, QStringLiteral("2"), QString());
    locais.first();
    EXPECT_FALSE(on(NavButton::First));
    EXPECT_FALSE(on(NavButton::Prior));
    EXPECT_TRUE(on(NavButton::Next));
    EXPECT_TRUE(on(NavButton::Last));
    EXPECT_TRUE(on(NavButton::Edit));
    locais.edit();
    for (NavButton b : {NavButton::First, NavButton::Next, NavButton::Insert, NavButton::Delete,
                        NavButton::Edit, NavButton::Refresh}) {
        EXPECT_FALSE(on(b));
    }
    EXPECT_TRUE(on(NavButton::Post));
    EXPECT_TRUE(on(NavButton::Cancel));
}

TEST(DataTable, RowsReadByPagesShowWhatWasPostedSinceWhereverTheyMoved) {
    TestDatabase t;
    DataTable& locais = t.dados().TLocais();
    locais.open();
    t.exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                       "WHERE i < 599) INSERT INTO Locais (LOCODIGO, LOSALA) "
                       "SELECT printf('%03d', i), 'db' FROM n"));
    locais.requery();
    auto roomAt = [&](int row) { return locais.valueAt(row, 3).toString(); };
    EXPECT_EQ(roomAt(10), QStringLiteral("db"));  // read with its page

    // Changed inside the page, then read again after other pages were read.
    ASSERT_TRUE(locais.locate(QStringLiteral("011")));
    locais.edit();
    locais.setValue(QStringLiteral("LOSALA"), QStringLiteral("e"));
    locais.post();
    EXPECT_EQ(roomAt(500), QStringLiteral("db"));
    EXPECT_EQ(roomAt(11), QStringLiteral("e"));
    EXPECT_EQ(roomAt(12), QStringLiteral("db"));

    // A row added in front shifts the page: every row still shows its own values.
    addLocation(locais, QStringLiteral("0105"), QStringLiteral("new"));
    EXPECT_EQ(locais.keyAt(11), QStringLiteral("0105"));
    EXPECT_EQ(roomAt(11), QStringLiteral("new"));
    EXPECT_EQ(roomAt(12), QStringLiteral("e"));
    EXPECT_EQ(locais.valueAt(13, 0).toString(), QStringLiteral("012"));

    // A key changed in place moves the row; its old key is gone.
    ASSERT_TRUE(locais.locate(QStringLiteral("011")));
    locais.edit();
    locais.setValue(QStringLiteral("LOCODIGO"), QStringLiteral("999"));
    locais.post();
    EXPECT_EQ(locais.indexOfKey(QStringLiteral("011")), -1);
    EXPECT_EQ(roomAt(locais.indexOfKey(QStringLiteral("999"))), QStringLiteral("e"));
    EXPECT_EQ(roomAt(11), QStringLiteral("new"));
    EXPECT_EQ(locais.valueAt(12, 0).toString(), QStringLiteral("012"));
}
