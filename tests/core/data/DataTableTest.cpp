#include "core/common/Error.h"
#include "core/data/DataTable.h"
#include "core/data/TableModel.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QSqlError>

#include <gtest/gtest.h>

#include <map>
#include <random>

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
    // Texts written one after another are each stored whole, accents included.
    for (const QString& room :
         {QStringLiteral("Arq1"), QStringLiteral("Sé"), QStringLiteral("7")}) {
        locais.edit();
        locais.setValue(QStringLiteral("LOSALA"), room);
        locais.post();
        EXPECT_EQ(t.column(QStringLiteral("SELECT LOSALA FROM Locais WHERE LOCODIGO = '1'")),
                  QStringList{room});
    }

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

    // Saved with a new location that nobody looked at: shown with it afterwards,
    // from the row's page or read alone.
    bens.edit();
    bens.setValue(QStringLiteral("BELOCAL"), QStringLiteral("0101"));
    bens.post();
    EXPECT_EQ(bens.valueAt(1, bens.fieldIndex(QStringLiteral("LOPREDIO"))).toString(),
              QStringLiteral("P1"));
    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("3"));
    bens.setValue(QStringLiteral("BELOCAL"), QStringLiteral("0101"));
    bens.post();
    EXPECT_EQ(bens.text(QStringLiteral("LOSALA")), QStringLiteral("S12"));
}

TEST(DataTable, PagesThroughManyRowsInOrder) {
    TestDatabase t;
    t.exec(QStringLiteral(
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO Bens (BECODIGO, BENOME) SELECT ") +
           t.padded(QStringLiteral("i"), 6) + QStringLiteral(", 'Bem ' || i FROM n"));
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
    t.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < 599) INSERT INTO Locais (LOCODIGO, LOSALA) SELECT ") +
           t.padded(QStringLiteral("i"), 3) + QStringLiteral(", 'db' FROM n"));
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

namespace {

// Assets "000000".."NNNNNN" (even numbers only, so that odd ones can be added
// between them), named after their code.
void fillAssets(TestDatabase& t, int count) {
    const QString code = t.padded(QStringLiteral("i"), 6);
    t.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 2 FROM n WHERE "
                          "i < ?) INSERT INTO Bens (BECODIGO, BENOME) SELECT ") +
               code + QStringLiteral(", 'Bem ' || ") + code + QStringLiteral(" FROM n"),
           {2 * (count - 1)});
}

QString code(int i) {
    return QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
}

}  // namespace

TEST(DataTable, FindsEveryRowAtRandomAfterInsertsAndDeletesInAnyOrder) {
    TestDatabase t;
    fillAssets(t, 3000);
    DataTable& bens = t.dados().TBens();
    bens.open();
    std::map<QString, QString> expected;  // key -> name, in key order
    for (int i = 0; i < 3000; ++i) {
        expected[code(2 * i)] = QStringLiteral("Bem ") + code(2 * i);
    }
    std::mt19937 random(7);
    Transaction transaction(t.dados().Conn());
    for (int n = 0; n < 2500; ++n) {
        const int i = static_cast<int>(random() % 6000);
        if (i % 2 == 1 && !expected.count(code(i))) {
            bens.insert();
            bens.setValue(QStringLiteral("BECODIGO"), code(i));
            bens.setValue(QStringLiteral("BENOME"), QString(QStringLiteral("Novo ") + code(i)));
            bens.post();
            expected[code(i)] = QStringLiteral("Novo ") + code(i);
        } else if (i % 2 == 0 && expected.count(code(i))) {
            ASSERT_TRUE(bens.locate(code(i)));
            bens.remove();
            expected.erase(code(i));
        }
    }
    transaction.commit();

    QStringList keys;
    for (const auto& [key, name] : expected) {
        keys << key;
    }
    ASSERT_EQ(::keys(bens), keys);
    for (int n = 0; n < 2000; ++n) {
        const int i = static_cast<int>(random() % 6000);
        const auto it = expected.find(code(i));
        ASSERT_EQ(bens.locate(code(i)), it != expected.end()) << i;
        if (it != expected.end()) {
            ASSERT_EQ(bens.recNo(), keys.indexOf(code(i)));
            ASSERT_EQ(bens.text(QStringLiteral("BENOME")), it->second);
        }
        const int row = static_cast<int>(random() % keys.size());
        ASSERT_EQ(bens.valueAt(row, 1).toString(), expected[keys[row]]) << row;
    }
    // Every row read in order again, a page at a time.
    int row = 0;
    for (bens.first(); !bens.eof(); bens.next(), ++row) {
        ASSERT_EQ(bens.text(QStringLiteral("BENOME")), expected[keys[row]]);
    }
    EXPECT_EQ(row, keys.size());
}

TEST(DataTable, AGridScrolledAfterAnotherWriterChangedTheTableShowsNoRowInAnotherRowsPlace) {
    TestDatabase t;
    fillAssets(t, 1000);
    DataTable& bens = t.dados().TBens();
    TableModel model(bens);
    bens.open();
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("Bem 000000"));

    // Another writer adds rows between those this table knows, removes some and
    // changes one, in the part of the table not read yet.
    t.exec(
        QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('001001', 'x'), "
                       "('001003', 'y'), ('001101', 'z')"));
    t.exec(QStringLiteral("DELETE FROM Bens WHERE BECODIGO IN ('001010', '001012', '001200')"));
    t.exec(QStringLiteral("UPDATE Bens SET BENOME = 'changed' WHERE BECODIGO = '001300'"));

    // Scrolled there: every row shows its own values, or nothing when it is gone.
    for (int row = 490; row < 700; ++row) {
        const QString key = bens.keyAt(row);
        const QVariant shown = bens.valueAt(row, 0);
        if (key == QLatin1String("001010") || key == QLatin1String("001012") ||
            key == QLatin1String("001200")) {
            EXPECT_TRUE(shown.isNull()) << row;
        } else {
            ASSERT_EQ(shown.toString(), key) << row;
            const QString name = key == QLatin1String("001300") ? QStringLiteral("changed")
                                                                : QStringLiteral("Bem ") + key;
            ASSERT_EQ(bens.valueAt(row, 1).toString(), name) << row;
        }
    }
    bens.requery();
    EXPECT_EQ(bens.rowCount(), 1000);
    EXPECT_EQ(bens.indexOfKey(QStringLiteral("001010")), -1);
    EXPECT_EQ(bens.valueAt(bens.indexOfKey(QStringLiteral("001003")), 1).toString(),
              QStringLiteral("y"));
}

TEST(DataTable, ACancelledEditLeavesTheRowAsStoredWhereverItWasRead) {
    TestDatabase t;
    fillAssets(t, 1000);
    DataTable& bens = t.dados().TBens();
    bens.open();
    // A row read alone (a look-up out of order) and a row read with its page.
    for (const int i : {1200, 10}) {
        ASSERT_TRUE(bens.locate(code(i)));
        bens.edit();
        bens.setValue(QStringLiteral("BENOME"), QStringLiteral("typed"));
        bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("999999"));
        EXPECT_EQ(bens.text(QStringLiteral("BENOME")), QStringLiteral("typed"));
        bens.cancel();
        EXPECT_EQ(bens.text(QStringLiteral("BENOME")), QStringLiteral("Bem ") + code(i));
        EXPECT_EQ(bens.valueAt(bens.recNo(), 1).toString(), QStringLiteral("Bem ") + code(i));
        EXPECT_EQ(bens.keyAt(bens.recNo()), code(i));
        EXPECT_EQ(bens.indexOfKey(QStringLiteral("999999")), -1);
    }
    // The statements kept for these reads do not keep the database from closing.
    t.dados().CloseDatabase();
    EXPECT_FALSE(t.dados().Conn().database().lastError().isValid());
}
