// Two desktops on one register: two data modules, two connections.
#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct TwoDesktops : ::testing::Test {
    TestDatabase first;
    ScriptedPrompter otherPrompter;
    TDados other{first.dir().path(), first.dir().file(QStringLiteral("ambitra.ini")),
                 otherPrompter};

    void SetUp() override {
        other.ReadIniFile();
        ASSERT_TRUE(other.OpenDatabase());
    }
    int assets(TDados& dados) {
        dados.SQLTmp().setText(QStringLiteral("SELECT count(*) AS N FROM Bens"));
        dados.SQLTmp().open();
        const int n = dados.SQLTmp().value(QStringLiteral("N")).toInt();
        dados.SQLTmp().close();
        return n;
    }
};

QString postError(DataTable& table) {
    try {
        table.post();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("(saved)");
}

}  // namespace

TEST_F(TwoDesktops, ARowChangedOrDeletedElsewhereIsNotOverwrittenAndIsReadAgain) {
    first.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('1', 'Mesa')"));
    DataTable& mine = first.dados().TBens();
    DataTable& theirs = other.TBens();
    mine.open();
    theirs.open();
    EXPECT_EQ(mine.text(QStringLiteral("BENOME")), u"Mesa");

    theirs.edit();
    theirs.setValue(QStringLiteral("BENOME"), QStringLiteral("Mesa nova"));
    theirs.post();

    mine.edit();
    mine.setValue(QStringLiteral("BENOME"), QStringLiteral("Mesa velha"));
    EXPECT_EQ(postError(mine), u"Registro alterado por outro usuário. Os dados foram relidos.");
    EXPECT_FALSE(mine.isEditing());
    EXPECT_EQ(mine.text(QStringLiteral("BENOME")), u"Mesa nova") << "the current values shown";

    // Saved again on the values now shown, the change goes through.
    mine.edit();
    mine.setValue(QStringLiteral("BENOME"), QStringLiteral("Mesa velha"));
    EXPECT_EQ(postError(mine), u"(saved)");
    EXPECT_EQ(first.column(QStringLiteral("SELECT BENOME FROM Bens")),
              QStringList{QStringLiteral("Mesa velha")});

    theirs.requery();
    theirs.remove();
    mine.edit();
    mine.setValue(QStringLiteral("BENOME"), QStringLiteral("Mesa de novo"));
    EXPECT_EQ(postError(mine), u"Registro alterado por outro usuário. Os dados foram relidos.");
    EXPECT_TRUE(mine.isEmpty()) << "a row deleted elsewhere leaves the grid";
    EXPECT_EQ(assets(first.dados()), 0);
}

TEST_F(TwoDesktops, ARunIsSeenWholeOrNotAtAllAndRunsTakeTurns) {
    Connection& mine = first.dados().Conn();
    Transaction run(mine);
    for (const char* code : {"1", "2", "3"}) {
        first.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES (?)"),
                   {QString::fromLatin1(code)});
    }
    EXPECT_EQ(assets(other), 0) << "nothing of a run before it ends";

    other.Conn().setWriteLockWait(300);
    try {
        Transaction second(other.Conn());
        FAIL() << "two runs at once on one register";
    } catch (const Error& error) {
        EXPECT_TRUE(error.message().startsWith(u"O banco de dados está em uso por outro programa"))
            << error.message().toStdString();
    }
    run.commit();
    EXPECT_EQ(assets(other), 3) << "all of it after";
    Transaction after(other.Conn());
    after.commit();
}

TEST_F(TwoDesktops, ChangesOfTheOtherDesktopAppearInOpenTablesAtTheCurrentRow) {
    if (!onServer()) {
        GTEST_SKIP() << "the file register has no other desktops to hear from";
    }
    for (const char* code : {"1", "3"}) {
        first.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES (?)"),
                   {QString::fromLatin1(code)});
    }
    DataTable& mine = first.dados().TBens();
    mine.open();
    ASSERT_TRUE(mine.locate(QStringLiteral("3")));

    DataTable& theirs = other.TBens();
    theirs.open();
    theirs.insert();
    theirs.setValue(QStringLiteral("BECODIGO"), QStringLiteral("2"));
    theirs.post();

    QDeadlineTimer deadline(1500);
    while (mine.rowCount() < 3 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(mine.rowCount(), 3) << "within about a second";
    EXPECT_EQ(mine.keyAt(mine.recNo()), u"3") << "still on the row the user was on";
}
