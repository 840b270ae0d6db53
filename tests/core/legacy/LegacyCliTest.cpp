#include "support/ProgramRun.h"
#include "support/TempAppDir.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

using namespace ambitra::test;

TEST(LegacyCli, DbCopyTakesTheOldRegisterPrintsCountsAndChangesOnceOnly) {
    TempAppDir dir;
    const QString file = QStringLiteral(AMBITRA_LEGACY_DATA_DIR "/register.mdb");
    const QStringList args{QStringLiteral("--app-dir"), dir.path(),
                           QStringLiteral("db"),        QStringLiteral("copy"),
                           QStringLiteral("--from"),    file};
    const ProgramRun first = run(AMBITRA_CLI, args);
    EXPECT_EQ(first.exitCode, 0) << qPrintable(first.err);
    EXPECT_EQ(first.out,
              QStringLiteral(
                  "Copiados de %1 para %2: Status 6, Operadores 3, Locais 2, Bens 5, Log 3 "
                  "registros.\n"
                  "Valores alterados: 4 (tabela | chave | coluna | valor no arquivo | valor "
                  "guardado | motivo)\n"
                  "Bens | 0000000000002 | BEFABRICA | \"\" | NULL | texto vazio guardado como "
                  "nulo\n"
                  "Bens | 0000000000003 | BECOMPRA | 1899-12-30 00:00:00.000 | NULL | data zero "
                  "(30/12/1899) guardada como nula\n"
                  "Bens | 0000000000003 | BEFLAG | \"\" | NULL | texto vazio guardado como nulo\n"
                  "Bens | 0000000000005 | BECOMPRA | 2038-01-19 03:14:08.000 | 2038-01-19 | hora "
                  "descartada: a coluna guarda só a data\n")
                  .arg(file, onServer() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite")));
    const ProgramRun again = run(AMBITRA_CLI, args);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.out, QString());
    EXPECT_TRUE(again.err.contains(
        QStringLiteral("O banco de dados de destino já contém registros (tabela Operadores)")));

    const ProgramRun forced = run(AMBITRA_CLI, args + QStringList{QStringLiteral("--force")});
    EXPECT_EQ(forced.exitCode, 1);
    const ProgramRun wrong = run(AMBITRA_CLI, args + QStringList{QStringLiteral("--other")});
    EXPECT_EQ(wrong.exitCode, 2);
}
