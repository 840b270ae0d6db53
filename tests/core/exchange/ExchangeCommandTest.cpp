#include "support/QtPrinters.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

using namespace ambitra::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

struct ExchangeCommand : ::testing::Test {
    TestDatabase db;

    // The settings file of the program folder: these formats, all in the folder.
    void settings(const QByteArray& prefs) {
        writeAll(db.dir().file(QStringLiteral("ambitra.ini")),
                 db.dir().databaseSection() + "[PREFS]\r\n" + prefs);
    }
    CliRun cli(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(AMBITRA_CLI),
                QStringList{QStringLiteral("--app-dir"), db.dir().path()} + args);
        p.waitForFinished(30000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QByteArray file(const char* name) const {
        return readAll(db.dir().file(QString::fromLatin1(name)));
    }
};

}  // namespace

TEST_F(ExchangeCommand, ExportsTheNamedTablesInEveryFormatWithTheHeaderWhenAsked) {
    settings("SDF=1\r\nCSV=1\r\n");
    db.exec(QStringLiteral("INSERT INTO Locais VALUES ('12', 'B', 'ADM', '3')"));
    const CliRun r = cli({QStringLiteral("export"), QStringLiteral("--table"),
                          QStringLiteral("Locais"), QStringLiteral("--csv-header")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Exportação de 1 registros para LOCAIS.TXT concluída!\n"
                                    "Exportação de 1 registros para LOCAIS.CSV concluída!\n"));
    EXPECT_EQ(r.err, QStringLiteral("Exportação de dados do Ambitra. Confirmar a execução?\n"
                                    "Incluir os nomes dos campos no cabeçalho do arquivo CSV?\n"));
    EXPECT_EQ(file("LOCAIS.CSV"), QByteArray("\"C\xF3"
                                             "digo\",\"Pr\xE9"
                                             "dio\",\"Depto.\",\"Sala\"\r\n"
                                             "\"12\",\"B\",\"ADM\",\"3\"\r\n"));
    EXPECT_FALSE(QDir(db.dir().path()).exists(QStringLiteral("OPERADOR.TXT")));
}

TEST_F(ExchangeCommand, ImportsWithOrWithoutOverwriteAndFailsOnAMissingFile) {
    settings("SDF=1\r\n");
    db.exec(QStringLiteral("INSERT INTO Locais VALUES ('9', 'P', 'D', 'S')"));
    db.exec(QStringLiteral("INSERT INTO Operadores VALUES ('OP', 'pw', 'Ana')"));
    writeAll(db.dir().file(QStringLiteral("LOCAIS.TXT")), "1   A  B  C   \r\n");
    CliRun r = cli({QStringLiteral("import"), QStringLiteral("--table"), QStringLiteral("locais")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Importação de 1 registros de LOCAIS.TXT concluída!\n"));
    EXPECT_EQ(db.column(QStringLiteral("SELECT LOCODIGO FROM Locais ORDER BY 1")),
              (QStringList{QStringLiteral("1"), QStringLiteral("9")}));

    r = cli({QStringLiteral("import"), QStringLiteral("--overwrite")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QStringLiteral("Importação de 1 registros de LOCAIS.TXT concluída!\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Arquivo ") + db.dir().path() +
                               QStringLiteral("/OPERADOR.TXT não encontrado. Importação de dados "
                                              "não efetuada!\n")));
    EXPECT_EQ(db.column(QStringLiteral("SELECT LOCODIGO FROM Locais")),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(db.column(QStringLiteral("SELECT OPCODIGO FROM Operadores")),
              QStringList{QStringLiteral("OP")});
}

TEST_F(ExchangeCommand, RefusesBadUsageAndARunWithoutFormats) {
    EXPECT_EQ(cli({QStringLiteral("export"), QStringLiteral("--overwrite")}).exitCode, 2);
    EXPECT_EQ(
        cli({QStringLiteral("import"), QStringLiteral("--table"), QStringLiteral("Log")}).exitCode,
        2);
    const CliRun r = cli({QStringLiteral("export")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Nenhum formato de arquivo para importação/exportação de dados "
                                    "está habilitado nas opções de configuração!\n"));
}

TEST_F(ExchangeCommand, AValueTheDatabaseRefusesIsExplainedInPortuguese) {
    settings("CSV=1\r\n");
    writeAll(db.dir().file(QStringLiteral("LOCAIS.CSV")), "\"12\",\"B\",\"ADM\",\"12345\"\r\n");
    const CliRun r =
        cli({QStringLiteral("import"), QStringLiteral("--table"), QStringLiteral("Locais")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(refusal("Locais: Sala (LOSALA) tem mais de 4 caracteres.",
                                       "CHECK constraint failed: CK_Locais_LOSALA")))
        << r.err.toStdString();
}

TEST_F(ExchangeCommand, CheckListsEveryProblemAndChangesNothing) {
    settings("CSV=1\r\nDelimiter=;\r\nDecimalPoint=,\r\n");
    db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('OLD', 'Antigo')"));
    db.exec(QStringLiteral("INSERT INTO Log (LGBEM, LGOCORRENC) VALUES ('OLD', 'lido')"));
    const QByteArray bens =
        "\"A1\";\"Mesa\";;;;;1,5\r\n"
        "\"A2\";;;;;;abc\r\n"
        "\"A3\";;;;;;1;31/12/2024\r\n"
        "\r\n"
        "\"A4\";;;;;;1;;20240230\r\n";
    writeAll(db.dir().file(QStringLiteral("BENS.CSV")), bens);
    writeAll(db.dir().file(QStringLiteral("LOCAIS.CSV")), "\"L1\";\"P\";\"D\";\"12345\"\r\n");
    auto dump = [this] {
        QStringList rows;
        QSqlQuery q(db.dados().Conn().database());
        for (const char* table : {"Operadores", "Locais", "Bens", "Status", "Log"}) {
            q.exec(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(table));
            while (q.next()) {
                QStringList values{QString::fromLatin1(table)};
                for (int i = 0; i < q.record().count(); ++i) {
                    values << q.value(i).toString();
                }
                rows << values.join(QLatin1Char('|'));
            }
        }
        return rows;
    };
    const QStringList before = dump();
    const CliRun r =
        cli({QStringLiteral("import"), QStringLiteral("--check"), QStringLiteral("--table"),
             QStringLiteral("Bens"), QStringLiteral("--overwrite")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              QStringLiteral("BENS.CSV, linha 2, BEVALOR: 'abc' não é um valor numérico válido.\n"
                             "BENS.CSV, linha 3, BECOMPRA: '31/12/2024' não é uma data válida "
                             "(aceitas: aaaammdd ou aaaa/mm/dd).\n"
                             "BENS.CSV, linha 5, BEULTINV: '20240230' não é uma data válida "
                             "(aceitas: aaaammdd ou aaaa/mm/dd).\n"
                             "Verificação: 4 registros lidos, 3 erros.\n"));
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(readAll(db.dir().file(QStringLiteral("BENS.CSV"))), bens);

    // A clean file: exit 0; an engine refusal is a problem like the others.
    writeAll(db.dir().file(QStringLiteral("BENS.CSV")), "\"A1\";\"Mesa\";;;;;1,5\r\n");
    EXPECT_EQ(cli({QStringLiteral("import"), QStringLiteral("--check"), QStringLiteral("--table"),
                   QStringLiteral("Bens")})
                  .out,
              QStringLiteral("Verificação: 1 registro lido, 0 erros.\n"));
    const CliRun all = cli({QStringLiteral("import"), QStringLiteral("--check")});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_TRUE(all.out.startsWith(QStringLiteral("Arquivo ") + db.dir().path() +
                                   QStringLiteral("/OPERADOR.CSV não encontrado.")));
    EXPECT_TRUE(all.out.contains(QStringLiteral("\nLOCAIS.CSV, linha 1: Locais: Sala (LOSALA)")));
    EXPECT_TRUE(all.out.endsWith(QStringLiteral("Verificação: 2 registros lidos, 2 erros.\n")));
    EXPECT_EQ(dump(), before);
}

// Two imports of the whole register started at once by two programs: the
// second waits for the first and then runs; neither fails nor reports the
// lock, and the register is what the files say.
TEST_F(ExchangeCommand, TwoImportsAtOnceBothCompleteOneAfterTheOther) {
    settings("CSV=1\r\n");
    QByteArray assets;
    for (int i = 0; i < 20000; ++i) {
        assets += "\"B" + QByteArray::number(i) + "\",\"Mesa\"\r\n";
    }
    writeAll(db.dir().file(QStringLiteral("BENS.CSV")), assets);
    writeAll(db.dir().file(QStringLiteral("LOCAIS.CSV")), "\"1\",\"P\",\"D\",\"S\"\r\n");
    writeAll(db.dir().file(QStringLiteral("OPERADOR.CSV")), "\"OP\",\"pw\",\"Ana\"\r\n");
    QProcess first;
    QProcess second;
    for (QProcess* p : {&first, &second}) {
        p->start(QStringLiteral(AMBITRA_CLI),
                 {QStringLiteral("--app-dir"), db.dir().path(), QStringLiteral("import"),
                  QStringLiteral("--overwrite")});
    }
    for (QProcess* p : {&first, &second}) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        EXPECT_EQ(QString::fromUtf8(p->readAllStandardOutput()),
                  QStringLiteral("Importação de 1 registros de OPERADOR.CSV concluída!\n"
                                 "Importação de 1 registros de LOCAIS.CSV concluída!\n"
                                 "Importação de 20000 registros de BENS.CSV concluída!\n"));
    }
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt(), 20000);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM Operadores")).toInt(), 1);
}

TEST_F(ExchangeCommand, DbInitSaysWhatItDidAndDbCopyFillsOnlyAnEmptyServerRegister) {
    CliRun r = cli({QStringLiteral("db"), QStringLiteral("init")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.endsWith(u"já tem as tabelas do Ambitra (versão 4); nada foi alterado.\n"))
        << r.out.toStdString();

    TempAppDir source(TempAppDir::Register::File);
    const QString file = source.file(QStringLiteral("Ambitra.db"));
    {
        ScriptedPrompter prompter;
        ambitra::TDados dados(source.path(), source.file(QStringLiteral("ambitra.ini")), prompter);
        dados.ReadIniFile();
        ASSERT_TRUE(dados.OpenDatabase());
        dados.SQLCmd().setText(QStringLiteral("INSERT INTO Locais VALUES ('12', 'B', 'ADM', '3')"));
        dados.SQLCmd().execute();
    }
    r = cli({QStringLiteral("db"), QStringLiteral("copy"), QStringLiteral("--from"), file});
    if (!onServer()) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"Engine=PostgreSQL")) << r.err.toStdString();
        return;
    }
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Copiados de ") + file +
                                 QStringLiteral(" para PostgreSQL: Operadores 0, Locais 1, "
                                                "Bens 0, Status 0, Log 0")))
        << r.out.toStdString();
    r = cli({QStringLiteral("db"), QStringLiteral("copy"), QStringLiteral("--from"), file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"já contém registros (tabela locais)")) << r.err.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM Locais")).toInt(), 1);
}

TEST_F(ExchangeCommand, DbInitRefusesADatabaseOfAnotherProgramNamingWhatItHolds) {
    db.exec(onServer() ? QStringLiteral("DROP TABLE ambitra_schema")
                       : QStringLiteral("PRAGMA user_version = 0"));
    db.exec(QStringLiteral("CREATE TABLE Clientes ( nome VARCHAR(10) )"));
    const CliRun r = cli({QStringLiteral("db"), QStringLiteral("init")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"contém tabelas de outro programa (")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"Clientes", Qt::CaseInsensitive)) << r.err.toStdString();
}
