#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ambitra::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

struct LogCommand : ::testing::Test {
    TestDatabase db;

    CliRun cli(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(AMBITRA_CLI),
                QStringList{QStringLiteral("--app-dir"), db.dir().path(), QStringLiteral("log")} +
                    args);
        p.waitForFinished(30000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    void addRows() {
        db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('123')"));
        db.exec(
            QStringLiteral("INSERT INTO Log VALUES ('2006-08-15 00:00:00.000', 'palm', 'Ana', "
                           "'123', 'NOVO'), ('2006-08-31 23:59:59.999', 'palm', 'Zé', '123', "
                           "'LOCAL:0101>0202')"));
    }
    QString file(const char* name) const { return db.dir().file(QString::fromLatin1(name)); }
};

}  // namespace

TEST_F(LogCommand, AllOnAnEmptyLogSaysSoAndWritesNothing) {
    const CliRun r = cli({QStringLiteral("--all"), QStringLiteral("--csv"), file("log.csv")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(r.err, QStringLiteral("Nenhum registro encontrado no arquivo!\n"));
    EXPECT_FALSE(QFile::exists(file("log.csv")));
}

TEST_F(LogCommand, AllWithCsvSelectsEveryRowAndReplacesTheFileWithoutAsking) {
    addRows();
    writeAll(file("log.csv"), "old");
    const CliRun r = cli({QStringLiteral("--all"), QStringLiteral("--csv"), file("log.csv")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(
        r.out,
        QStringLiteral("Foram selecionados 2 registros!\nExportação de 2 registros concluída!\n"));
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(readAll(file("log.csv")),
              QByteArray("\"Data e Hora\",\"\",\"Usu\xE1rio\",\"Operador\",\"Bem Patrimonial\","
                         "\"Ocorr\xEAncia\"\r\n"
                         "2006/08/15,00:00:00,\"palm\",\"Ana\",\"123\",\"NOVO\"\r\n"
                         "2006/08/31,23:59:59,\"palm\",\"Z\xE9\",\"123\",\"LOCAL:0101>0202\"\r\n"));
}

TEST_F(LogCommand, PeriodPrintsTheStatusAndAnEmptyPeriodAlsoTheMessage) {
    addRows();
    CliRun r = cli({QStringLiteral("--from"), QStringLiteral("2006-08-15 00:00:00.000"),
                    QStringLiteral("--to"), QStringLiteral("2006-08-31 23:59:59.998")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Apenas 1 registro selecionado!\n"));
    r = cli({QStringLiteral("--from"), QStringLiteral("2007-01-01 00:00:00.000"),
             QStringLiteral("--to"), QStringLiteral("2007-01-01 23:59:59.999")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Nenhum registro selecionado no período!\n"));
    EXPECT_EQ(r.err, QStringLiteral("Nenhum registro selecionado no período!\n"));
}

TEST_F(LogCommand, BadUsageAndAFileThatCannotBeCreated) {
    addRows();
    const QString from = QStringLiteral("2006-08-15 00:00:00.000");
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("--from"), from},
          QStringList{QStringLiteral("--all"), QStringLiteral("--from"), from,
                      QStringLiteral("--to"), from},
          QStringList{QStringLiteral("--from"), QStringLiteral("2006-08-15"),
                      QStringLiteral("--to"), from},
          QStringList{QStringLiteral("--all"), QStringLiteral("--csv")},
          QStringList{QStringLiteral("--all"), QStringLiteral("--now")}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("usage: ambitra-cli"))) << r.err.toStdString();
    }
    const QString missing = file("none/log.csv");
    const CliRun r = cli({QStringLiteral("--all"), QStringLiteral("--csv"), missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QStringLiteral("Foram selecionados 2 registros!\n"));
    EXPECT_EQ(r.err,
              QStringLiteral("Arquivo ") + missing + QStringLiteral(" não pode ser criado!\n"));
}

TEST_F(LogCommand, TheRegisterAndTheSettingsAreNeverWrittenOver) {
    addRows();
    if (!QFile::exists(file("ambitra.ini"))) {
        writeAll(file("ambitra.ini"), "[PREFS]\r\n");
    }
    const QByteArray settings = readAll(file("ambitra.ini"));
    for (const QString& target : {file("Ambitra.db"), file("ambitra.ini")}) {
        const CliRun r = cli({QStringLiteral("--all"), QStringLiteral("--csv"), target});
        EXPECT_EQ(r.exitCode, 1) << target.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("O arquivo ") + target +
                             QStringLiteral(" é um arquivo do próprio programa (banco de dados, "
                                            "opções ou leituras recebidas) e não será gravado.\n"));
    }
    EXPECT_EQ(readAll(file("ambitra.ini")), settings);
    EXPECT_EQ(cli({QStringLiteral("--all")}).out,
              QStringLiteral("Foram selecionados 2 registros!\n"));
}
