// The engine a register lives in: chosen by the settings file, its errors read
// in Portuguese, and a whole register file copied into it.
#include "core/common/Error.h"
#include "core/data/EngineErrorText.h"
#include "core/data/PostgresEngine.h"
#include "core/data/RegisterCopy.h"
#include "core/data/SettingsFile.h"
#include "core/data/TDados.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QSqlError>

#include <QSqlQuery>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

QSqlError serverError(const char* message, const char* state) {
    return QSqlError(QString(), QString::fromUtf8(message), QSqlError::StatementError,
                     QString::fromLatin1(state));
}

QString translated(const char* message, const char* state, const QVariant& value = {}) {
    return EngineErrorText::of(serverError(message, state),
                               [value](const QString&) { return value; });
}

// The one message a start with this settings file shows, the database closed.
QString openingError(const QByteArray& ini) {
    TempAppDir dir(TempAppDir::Register::File);
    writeAll(dir.file(QStringLiteral("ambitra.ini")), ini);
    ScriptedPrompter prompter;
    TDados dados(dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    EXPECT_FALSE(dados.OpenDatabase());
    EXPECT_EQ(prompter.shown.size(), 1);
    return prompter.shown.value(0).text;
}

// A register file to copy from, always a file of the embedded engine, filled
// by the given statements.
struct SourceFile {
    TempAppDir dir{TempAppDir::Register::File};
    ScriptedPrompter prompter;
    TDados dados{dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter};

    explicit SourceFile(std::initializer_list<QString> statements) {
        dados.ReadIniFile();
        EXPECT_TRUE(dados.OpenDatabase());
        for (const QString& sql : statements) {
            dados.Conn().exec(sql);
        }
    }
    QString file() const { return dados.settings().DBName; }
};

}  // namespace

TEST(EngineChoice, TheDbSectionNamesTheEngineAndItsConnection) {
    TempAppDir dir(TempAppDir::Register::File);
    const QString ini = dir.file(QStringLiteral("ambitra.ini"));
    Settings s = readSettingsFile(ini, dir.path());
    EXPECT_EQ(s.DBProvider, u"SQLITE");
    EXPECT_EQ(s.DBName, dir.file(QStringLiteral("Ambitra.db")));

    writeAll(ini, "[DB]\r\nEngine=PostgreSQL\r\nConnection=service=patrimonio\r\n");
    s = readSettingsFile(ini, dir.path());
    EXPECT_EQ(s.DBProvider, u"POSTGRESQL");
    EXPECT_EQ(s.DBName, u"service=patrimonio");
    EXPECT_EQ(TDados::GetProvider(s.DBProvider), u"QPSQL");

    // Writing the options keeps the section.
    writeSettingsFile(s, ini, dir.path());
    EXPECT_TRUE(readAll(ini).contains("Connection=service=patrimonio"));
}

TEST(EngineChoice, APasswordInTheConnectionIsRefusedBeforeConnecting) {
    EXPECT_TRUE(PostgresEngine::namesPassword(QStringLiteral("host=db password=x")));
    EXPECT_TRUE(PostgresEngine::namesPassword(QStringLiteral("postgresql://u:secret@db/x")));
    EXPECT_FALSE(PostgresEngine::namesPassword(QStringLiteral("host=db passfile=/p dbname=x")));
    for (const char* uri :
         {"postgresql://db/x?password=secret", "postgres://db/x?sslmode=off&pass%77ord=secret",
          "postgresql://u:secret@db:5432/x"}) {
        EXPECT_TRUE(PostgresEngine::namesPassword(QString::fromLatin1(uri))) << uri;
        EXPECT_FALSE(PostgresEngine::withoutPassword(QString::fromLatin1(uri)).contains(u"secret"))
            << uri;
    }
    EXPECT_FALSE(PostgresEngine::namesPassword(QStringLiteral("postgresql://u@db:5432/x?user=y")));
    EXPECT_EQ(PostgresEngine::withoutPassword(QStringLiteral("host=db password='a b\\' c' user=u")),
              u"host=db password=*** user=u");
    for (const char* connection :
         {"host=/nowhere password=secret", "postgresql://db/x?password=secret"}) {
        const QString text = openingError(QByteArray("[DB]\r\nEngine=PostgreSQL\r\nConnection=") +
                                          connection + "\r\n");
        EXPECT_TRUE(text.contains(u".pgpass")) << text.toStdString();
        EXPECT_FALSE(text.contains(u"secret")) << text.toStdString();
    }
}

TEST(EngineChoice, ARoleThatCannotCreateTheTablesFailsTheStart) {
    if (!onServer()) {
        GTEST_SKIP() << "rights to create tables are the server's";
    }
    TestSchema schema;
    execOnServer(
        QStringLiteral("DO $$ BEGIN CREATE ROLE ambitra_reader LOGIN; EXCEPTION WHEN "
                       "duplicate_object THEN NULL; END $$"));
    execOnServer(QStringLiteral("GRANT USAGE ON SCHEMA %1 TO ambitra_reader").arg(schema.name()));
    const QString text =
        openingError("[DB]\r\nEngine=PostgreSQL\r\nConnection=" + schema.connection().toUtf8() +
                     " user=ambitra_reader\r\n");
    EXPECT_TRUE(text.startsWith(u"O usuário do banco de dados não tem permissão"))
        << text.toStdString();
}

TEST(EngineChoice, AServerThatNeverAnswersOrIsLostIsReportedInPortuguese) {
    // A listener that accepts and never says a word.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QByteArray connection = "host=127.0.0.1 port=" + QByteArray::number(silent.serverPort());
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("probe"));
        PostgresEngine().configure(db, QString::fromLatin1(connection));
        EXPECT_EQ(db.connectOptions(), QString::fromLatin1(connection + " connect_timeout=10"));
        PostgresEngine().configure(db, QStringLiteral("connect_timeout=3 host=h"));
        EXPECT_EQ(db.connectOptions(), u"connect_timeout=3 host=h");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    const QString text = openingError("[DB]\r\nEngine=PostgreSQL\r\nConnection=" + connection +
                                      " connect_timeout=2\r\n");
    EXPECT_TRUE(text.startsWith(u"Não foi possível abrir o banco de dados host=127.0.0.1"));
    EXPECT_TRUE(text.contains(u"o servidor não respondeu a tempo")) << text.toStdString();

    // A statement the driver refuses without a word (its connection closed).
    EXPECT_TRUE(EngineErrorText::of(QSqlError())
                    .startsWith(u"A conexão com o banco de dados não "
                                u"está aberta"));
    if (!onServer()) {
        return;
    }
    TestDatabase t;
    const QString pid = t.scalar(QStringLiteral("SELECT pg_backend_pid()")).toString();
    execOnServer(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));
    for (int i = 0; i < 2; ++i) {
        try {
            t.dados().Conn().exec(QStringLiteral("DELETE FROM Bens"));
            ADD_FAILURE() << "a lost server reported as success";
        } catch (const Error& error) {
            EXPECT_TRUE(error.message().startsWith(u"A conexão com"))
                << error.message().toStdString();
        }
    }
}

TEST(EngineChoice, AServerThatCannotBeReachedIsReportedWithItsReason) {
    const QString text = openingError(
        "[DB]\r\nEngine=PostgreSQL\r\nConnection=host=/nonexistent-folder dbname=x\r\n");
    EXPECT_TRUE(
        text.startsWith(u"Não foi possível abrir o banco de dados host=/nonexistent-folder"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"/nonexistent-folder/.s.PGSQL")) << "libpq's reason";
}

TEST(EngineChoice, ServerErrorsNameTableFieldAndValueInPortuguese) {
    EXPECT_EQ(translated("ERROR:  duplicate key value violates unique constraint \"pk_bens\"\n"
                         "DETAIL:  Key (becodigo)=(0001) already exists.",
                         "23505", QStringLiteral("0001")),
              u"Bens: o código 0001 já está cadastrado. (ERROR:  duplicate key value violates "
              u"unique constraint \"pk_bens\"\nDETAIL:  Key (becodigo)=(0001) already exists.)");
    EXPECT_TRUE(translated("ERROR:  new row for relation \"bens\" violates check constraint "
                           "\"ck_bens_benome\"",
                           "23514")
                    .startsWith(u"Bens: Descrição (BENOME) tem mais de 32 caracteres. ("));
    EXPECT_TRUE(translated("ERROR:  null value in column \"opcodigo\" of relation \"operadores\" "
                           "violates not-null constraint",
                           "23502")
                    .startsWith(u"Operadores: Código (OPCODIGO) não pode ficar vazio. ("));
    EXPECT_TRUE(translated("ERROR:  insert or update on table \"log\" violates foreign key "
                           "constraint \"fk_log_lgbem\"",
                           "23503", QStringLiteral("X9"))
                    .startsWith(u"Log: Bem Patrimonial (LGBEM) X9 não está cadastrado em Bens. ("));
    EXPECT_TRUE(translated("ERROR:  canceling statement due to lock timeout", "55P03")
                    .startsWith(u"O banco de dados está em uso por outro programa"));
    EXPECT_TRUE(translated("ERROR:  relation \"bens\" does not exist", "42P01")
                    .startsWith(u"A tabela bens não existe no banco de dados. ("));
}

TEST(RegisterCopy, EveryTableAndRowOfAFileArriveInOrderOnceOnly) {
    SourceFile source(
        {QStringLiteral("INSERT INTO Locais VALUES ('L1', 'P', 'D', 'S1')"),
         QStringLiteral("INSERT INTO Operadores VALUES ('OP1', 'senha', 'Ana Luíza')"),
         QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEVALOR, BECOMPRA) VALUES "
                        "('b', 'Mesa', 'L1', 1234.567, '2024-02-29')"),
         QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('B', 'Cadeira')"),
         QStringLiteral("INSERT INTO Status VALUES ('ZZ', 'Última')"),
         QStringLiteral("INSERT INTO Status VALUES ('AA', 'Primeira')"),
         QStringLiteral("INSERT INTO Log VALUES ('2024-03-01 10:00:00.250', 'u', 'o', 'b', "
                        "'segunda')"),
         QStringLiteral("INSERT INTO Log VALUES ('2024-03-01 09:00:00.000', 'u', 'o', 'B', "
                        "'primeira')")});
    const QString file = source.file();
    source.dados.CloseDatabase();

    TestDatabase target;
    const RegisterCopy::Counts counts = RegisterCopy(target.dados().Conn()).copyFrom(file);
    ASSERT_GE(counts.size(), 5);
    qint64 rows = 0;
    for (const auto& entry : counts) {
        rows += entry.second;
    }
    EXPECT_EQ(rows, 8);

    DataTable& bens = target.dados().TBens();
    bens.open();
    ASSERT_EQ(bens.rowCount(), 2);
    EXPECT_EQ(bens.keyAt(0), u"B");  // code-point order: capitals first
    bens.moveTo(1);
    EXPECT_EQ(bens.text(QStringLiteral("LOSALA")), u"S1");
    EXPECT_EQ(bens.value(QStringLiteral("BEVALOR")).toDouble(), 1234.567);
    EXPECT_EQ(bens.value(QStringLiteral("BECOMPRA")).toDate(), QDate(2024, 2, 29));
    EXPECT_EQ(target.column(QStringLiteral("SELECT OPNOME FROM Operadores")),
              QStringList{QStringLiteral("Ana Luíza")});
    DataTable& status = target.dados().TStatus();
    status.open();
    EXPECT_EQ(status.keyAt(0), u"ZZ") << "rows in the order they were added";
    EXPECT_EQ(target.column(QStringLiteral("SELECT LGOCORRENC FROM Log ORDER BY rowid")),
              (QStringList{QStringLiteral("segunda"), QStringLiteral("primeira")}));

    try {
        RegisterCopy(target.dados().Conn()).copyFrom(file);
        FAIL() << "a register with rows was written to";
    } catch (const Error& error) {
        EXPECT_TRUE(error.message().startsWith(u"O banco de dados de destino já contém registros"))
            << error.message().toStdString();
    }
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt(), 2);
}

TEST(RegisterCopy, RowsGoInBatchesAndARefusedRowNamesItselfWithNothingCopied) {
    // A file written by another program, without the asset check: one log row
    // far into the file names an asset that does not exist.
    SourceFile source(
        {QStringLiteral("PRAGMA foreign_keys = OFF"),
         QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME) VALUES ('0001', 'Mesa')"),
         QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i "
                        "< 450) INSERT INTO Log (LGUSUARIO, LGBEM, LGOCORRENC) SELECT 'u', CASE i "
                        "WHEN 333 THEN 'ZZ' ELSE '0001' END, 'r' || i FROM n")});
    QSqlQuery bad = source.dados.Conn().database().exec(
        QStringLiteral("SELECT count(*) FROM Log WHERE LGBEM = 'ZZ'"));
    ASSERT_TRUE(bad.next());
    ASSERT_EQ(bad.value(0).toInt(), 1);
    const QString file = source.file();

    TestDatabase target;
    try {
        RegisterCopy(target.dados().Conn()).copyFrom(file);
        FAIL() << "a log row of no asset was copied";
    } catch (const Error& error) {
        EXPECT_TRUE(error.message().contains(u"ZZ")) << error.message().toStdString();
    }
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt(), 0);

    source.dados.Conn().exec(QStringLiteral("UPDATE Log SET LGBEM = '0001'"));
    source.dados.CloseDatabase();
    RegisterCopy(target.dados().Conn()).copyFrom(file);
    const QStringList rows =
        target.column(QStringLiteral("SELECT LGOCORRENC FROM Log ORDER BY rowid"));
    ASSERT_EQ(rows.size(), 450);
    EXPECT_EQ(rows[0], u"r1");
    EXPECT_EQ(rows[332], u"r333");
    EXPECT_EQ(rows[449], u"r450");
}

TEST(RegisterCopy, WhatIsNoRegisterFileIsRefusedInPortugueseWithNothingCopied) {
    TestDatabase target;
    TempAppDir dir(TempAppDir::Register::File);
    writeAll(dir.file(QStringLiteral("empty.db")), {});
    writeAll(dir.file(QStringLiteral("text.db")),
             QByteArray("not a database at all, just text ").repeated(64));
    {
        SourceFile noTables{QStringLiteral("PRAGMA user_version = 0")};
        for (const char* table :
             {"InventarioDescartes", "InventarioDecisoes", "InventarioContagens",
              "InventarioLocais", "InventarioMembros", "Inventarios", "Log", "Status", "Bens",
              "Locais", "Operadores", "Leituras", "Esperados", "ContagemLocais", "Contagens",
              "Dispositivos"}) {
            noTables.dados.Conn().exec(QStringLiteral("DROP TABLE ") + QString::fromLatin1(table));
        }
        noTables.dados.CloseDatabase();
        QFile::copy(noTables.file(), dir.file(QStringLiteral("bare.db")));
    }
    const QList<std::pair<QString, QString>> cases = {
        {dir.path(), dir.path() + QStringLiteral(" é uma pasta, não um arquivo de banco de dados; "
                                                 "nada foi copiado.")},
        {dir.file(QStringLiteral("empty.db")),
         QStringLiteral("O arquivo ") + dir.file(QStringLiteral("empty.db")) +
             QStringLiteral(" está vazio; nada foi copiado.")},
        {dir.file(QStringLiteral("text.db")), QStringLiteral("O arquivo ") +
                                                  dir.file(QStringLiteral("text.db")) +
                                                  QStringLiteral(" não é um banco de dados.")},
        {dir.file(QStringLiteral("bare.db")),
         QStringLiteral("O arquivo ") + dir.file(QStringLiteral("bare.db")) +
             QStringLiteral(" não tem tabelas; nada foi copiado.")},
    };
    for (const auto& [file, message] : cases) {
        try {
            RegisterCopy(target.dados().Conn()).copyFrom(file);
            ADD_FAILURE() << "copied from " << file.toStdString();
        } catch (const Error& error) {
            EXPECT_TRUE(error.message().startsWith(message)) << error.message().toStdString();
        }
    }
}
