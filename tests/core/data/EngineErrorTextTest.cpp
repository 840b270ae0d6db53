#include "core/common/Error.h"
#include "core/data/DataTable.h"
#include "core/data/EngineErrorText.h"
#include "core/data/Query.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

// The text of the error that saving the current row of table raises.
QString postError(DataTable& table) {
    try {
        table.post();
    } catch (const Error& error) {
        table.cancel();
        return error.message();
    }
    return QStringLiteral("(saved)");
}

QString executeError(Command& command) {
    try {
        command.execute();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("(executed)");
}

// The Portuguese text, then the engine's own: the file engine's is known here,
// a server words it its own way.
void expectWorded(const QString& actual, const char* portuguese, const char* fileEngineText) {
    const QString worded = QString::fromUtf8(portuguese);
    if (onServer()) {
        EXPECT_TRUE(actual.startsWith(worded + QStringLiteral(" ("))) << actual.toStdString();
    } else {
        EXPECT_EQ(actual, worded + QStringLiteral(" (") + QString::fromUtf8(fileEngineText) + u')');
    }
}

}  // namespace

TEST(EngineErrorText, RefusedRowsNameTableFieldAndValueInPortuguese) {
    TestDatabase t;
    DataTable& bens = t.dados().TBens();
    bens.open();
    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("0000001"));
    bens.post();

    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("0000001"));
    expectWorded(postError(bens), "Bens: o código 0000001 já está cadastrado.",
                 "UNIQUE constraint failed: Bens.BECODIGO");
    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("2"));
    bens.setValue(QStringLiteral("BENOME"), QString(33, u'x'));
    expectWorded(postError(bens), "Bens: Descrição (BENOME) tem mais de 32 caracteres.",
                 "CHECK constraint failed: CK_Bens_BENOME");
    DataTable& locais = t.dados().TLocais();
    locais.open();
    locais.insert();
    locais.setValue(QStringLiteral("LOSALA"), QStringLiteral("S1"));
    expectWorded(postError(locais), "Locais: Código (LOCODIGO) não pode ficar vazio.",
                 "NOT NULL constraint failed: Locais.LOCODIGO");

    // A statement's parameters give the value: a log row for an unknown asset.
    Command& cmd = t.dados().SQLCmd();
    cmd.setText(QStringLiteral("INSERT INTO Log (LGBEM) VALUES (:LGBEM)"));
    cmd.setParameter(QStringLiteral("LGBEM"), QStringLiteral("999"));
    expectWorded(executeError(cmd), "Log: Bem Patrimonial (LGBEM) 999 não está cadastrado em Bens.",
                 "FOREIGN KEY constraint failed");
}

TEST(EngineErrorText, ConnectionAndSchemaErrorsInPortuguese) {
    EXPECT_EQ(EngineErrorText::translate(QStringLiteral("database is locked")),
              QStringLiteral("O banco de dados está em uso por outro programa e não pôde ser "
                             "alterado agora; tente de novo em instantes. (database is locked)"));
    EXPECT_EQ(EngineErrorText::translate(QStringLiteral("no such table: Bens")),
              QStringLiteral("A tabela Bens não existe no banco de dados. (no such table: Bens)"));
    EXPECT_EQ(EngineErrorText::translate(QStringLiteral("file is not a database"), {},
                                         QStringLiteral("/p/Ambitra.db")),
              QStringLiteral("O arquivo /p/Ambitra.db não é um banco de dados. "
                             "(file is not a database)"));
    EXPECT_EQ(EngineErrorText::translate(QStringLiteral("something new")),
              QStringLiteral("Erro no banco de dados. (something new)"));
    EXPECT_TRUE(EngineErrorText::translate(QString()).isEmpty());
}

TEST(EngineErrorText, AnEditedRowIsRefusedWithItsValueAndTwoStatementsAtOnceNotRun) {
    TestDatabase t;
    DataTable& bens = t.dados().TBens();
    bens.open();
    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("1"));
    bens.post();
    // An edited row is refused with its value named, like a new one.
    bens.edit();
    bens.setValue(QStringLiteral("BENOME"), QString(33, u'x'));
    expectWorded(postError(bens), "Bens: Descrição (BENOME) tem mais de 32 caracteres.",
                 "CHECK constraint failed: CK_Bens_BENOME");

    // Two statements in one text: refused, neither runs.
    EXPECT_THROW(t.dados().Conn().exec(QStringLiteral("DELETE FROM Log; DELETE FROM Bens")), Error);
    EXPECT_EQ(t.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt(), 1);
}
