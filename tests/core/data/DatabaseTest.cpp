#include "core/common/Error.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/Connection.h"
#include "core/data/NativeQuery.h"
#include "core/data/Query.h"
#include "core/data/Schema.h"
#include "core/data/TDados.h"
#include "support/ScriptedPrompter.h"
#include "support/TempAppDir.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

using namespace ambitra;
using namespace ambitra::test;

namespace {

// The database file itself: whatever register the test run uses.
struct Program {
    TempAppDir dir{TempAppDir::Register::File};
    ScriptedPrompter prompter;
    TDados dados{dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter};
    QString db() const { return dir.file(QStringLiteral("Ambitra.db")); }
};

void addAsset(TestDatabase& t, const QString& code) {
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES (?)"), {code});
}

}  // namespace

TEST(OpenDatabase, CreatesAMissingDatabaseWithTheFiveTablesAndAVersion) {
    Program p;
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    EXPECT_TRUE(QFile::exists(p.db()));
    EXPECT_TRUE(p.prompter.shown.isEmpty());
    QSqlQuery q(p.dados.Conn().database());
    ASSERT_TRUE(q.exec(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")));
    QStringList tables;
    while (q.next()) {
        tables << q.value(0).toString();
    }
    EXPECT_EQ(
        tables,
        (QStringList{QStringLiteral("Bens"), QStringLiteral("ContagemLocais"),
                     QStringLiteral("Contagens"), QStringLiteral("Dispositivos"),
                     QStringLiteral("Esperados"), QStringLiteral("InventarioContagens"),
                     QStringLiteral("InventarioDecisoes"), QStringLiteral("InventarioDescartes"),
                     QStringLiteral("InventarioLocais"), QStringLiteral("InventarioMembros"),
                     QStringLiteral("InventarioRelatorios"), QStringLiteral("Inventarios"),
                     QStringLiteral("Leituras"), QStringLiteral("Locais"), QStringLiteral("Log"),
                     QStringLiteral("Operadores"), QStringLiteral("Status")}));
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), schema::kVersion);
    EXPECT_TRUE(p.dados.CountsAvailable());
}

TEST(OpenDatabase, ASecondProgramWaitsForACreationUnderWayAndFindsTheRegisterMade) {
    TempAppDir dir;
    ScriptedPrompter prompter;
    TDados dados(dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    // Another program is creating the register: its tables not yet committed.
    std::promise<void> begun;
    std::thread first([&] {
        try {
            Connection conn;
            conn.setProvider(TDados::GetProvider(dados.settings().DBProvider));
            conn.setConnectionString(dados.CreateStringConnection());
            conn.open();
            Transaction creation(conn);
            for (const QString& sql : conn.engine().schemaStatements(
                     schema::createStatements(),
                     {QStringLiteral("Status"), QStringLiteral("Log")})) {
                conn.exec(sql);
            }
            conn.engine().setSchemaVersion(conn, schema::kVersion);
            begun.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            creation.commit();
        } catch (const Error& error) {
            ADD_FAILURE() << error.message().toStdString();
            begun.set_value();
        }
    });
    begun.get_future().wait();
    EXPECT_TRUE(dados.OpenDatabase());
    first.join();
    EXPECT_FALSE(dados.CreatedSchema());
    EXPECT_EQ(dados.schemaVersion(), schema::kVersion);
    EXPECT_EQ(prompter.texts(), QStringList());
}

TEST(OpenDatabase, AVersionOneDatabaseIsUpgradedInPlaceKeepingEveryRow) {
    Program p;
    const QStringList all = schema::createStatements();
    const QStringList v1 = all.mid(0, all.size() - schema::upgradeStatements(1).size());
    const QStringList tables{QStringLiteral("Operadores"), QStringLiteral("Locais"),
                             QStringLiteral("Bens"), QStringLiteral("Status"),
                             QStringLiteral("Log")};
    auto dump = [&tables](QSqlDatabase db) {
        QStringList rows;
        QSqlQuery q(db);
        for (const QString& table : tables) {
            EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM ") + table));
            while (q.next()) {
                QStringList values{table};
                for (int i = 0; i < q.record().count(); ++i) {
                    values << q.value(i).toString();
                }
                rows << values.join(u'|');
            }
        }
        return rows;
    };
    QStringList before;
    {
        // The previous release's file: the five tables, some rows, version 1.
        Connection conn;
        conn.setProvider(QStringLiteral("QSQLITE"));
        conn.setConnectionString(QStringLiteral("Data Source=") + p.db() + u';');
        conn.open();
        for (const QString& statement : v1) {
            conn.exec(statement);
        }
        for (const char* sql :
             {"INSERT INTO Operadores VALUES ('01', 'abc', 'Ana')",
              "INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1')",
              "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEVALOR, BECOMPRA) VALUES ('1', "
              "'Mesa', '0101', 10.5, '2020-01-02')",
              "INSERT INTO Status VALUES ('EX', 'Excelente')",
              "INSERT INTO Log VALUES ('2024-03-09 10:00:00.000', 'U', 'Ana', '1', 'NOVO')",
              "PRAGMA user_version = 1"}) {
            conn.exec(QString::fromLatin1(sql));
        }
        before = dump(conn.database());
        conn.close();
    }
    // Owner-only, as the program made its registers.
    ASSERT_TRUE(QFile::setPermissions(p.db(), QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_EQ(before.size(), 5);
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    EXPECT_TRUE(p.prompter.shown.isEmpty());
    EXPECT_EQ(p.dados.schemaVersion(), schema::kVersion);
    EXPECT_TRUE(p.dados.CountsAvailable());
    EXPECT_EQ(dump(p.dados.Conn().database()), before);
    QSqlQuery q(p.dados.Conn().database());
    EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Leituras")) && q.next());
}

TEST(OpenDatabase, RefusesAFileThatIsNotADatabaseAndLeavesItAlone) {
    Program p;
    const QByteArray junk("this is not a database, just some text\n", 39);
    writeAll(p.db(), junk);
    p.dados.ReadIniFile();
    EXPECT_FALSE(p.dados.OpenDatabase());
    ASSERT_EQ(p.prompter.shown.size(), 1);
    EXPECT_EQ(p.prompter.shown[0].kind, Prompter::Kind::Error);
    EXPECT_EQ(p.prompter.shown[0].text,
              QStringLiteral("O arquivo ") + p.db() +
                  QStringLiteral(" não é um banco de dados. (file is not a database)"));
    EXPECT_EQ(p.prompter.beeps, 1);
    EXPECT_EQ(readAll(p.db()), junk);
}

TEST(OpenDatabase, ADatabaseWithoutTheTablesOpensUnchangedAndShowsTheQueryError) {
    Program p;
    {
        // An empty but valid database file of another program.
        ScriptedPrompter other;
        TDados creator(p.dir.path(), p.dir.file(QStringLiteral("x.ini")), other);
        creator.ReadIniFile();
        creator.Conn().setProvider(QStringLiteral("QSQLITE"));
        creator.Conn().setConnectionString(QStringLiteral("Data Source=") + p.db() +
                                           QStringLiteral(";"));
        creator.Conn().open();
        creator.Conn().exec(QStringLiteral("CREATE TABLE Other (x INTEGER)"));
        creator.Conn().close();
    }
    const QByteArray before = readAll(p.db());
    p.dados.ReadIniFile();
    EXPECT_TRUE(p.dados.OpenDatabase());
    ASSERT_EQ(p.prompter.shown.size(), 1);
    EXPECT_EQ(p.prompter.shown[0].text,
              QStringLiteral("A tabela Bens não existe no banco de dados. (no such table: Bens)"));
    EXPECT_FALSE(p.dados.CountsAvailable());
    p.dados.CloseDatabase();
    EXPECT_EQ(readAll(p.db()), before);
}

TEST(GetLastCode, TakesTheLongestThenHighestCodeInTheFormOfTheCoding) {
    TestDatabase t;
    TDados& d = t.dados();
    EXPECT_EQ(d.GetLastCode(), QString());
    d.settings().CodeBar = QStringLiteral("EAN8");
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("0000000"));
    d.settings().CodeBar = QStringLiteral("EAN13");
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("000000000000"));

    for (const char* code : {"999", "1000", "0998", "00000017"}) {
        addAsset(t, QString::fromLatin1(code));
    }
    d.settings().CodeBar.clear();
    // Right-aligned, "00000017" is the longest, so it is the maximum as text.
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("00000017"));
    d.settings().CodeBar = QStringLiteral("EAN8");
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("0000001"));
    d.settings().CodeBar = QStringLiteral("EAN13");
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("000000000001"));
}

// The highest code and the manufacturers are read again only when something
// was written since: by another program, or by this one and kept.
TEST(GetLastCode, AndTheManufacturersFollowEveryWriteToTheRegister) {
    TestDatabase t;
    TDados& d = t.dados();
    addAsset(t, QStringLiteral("5"));
    Query& makers = d.QFabricantes();
    makers.open();
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("5"));

    TDados other(t.dir().path(), t.dir().file(QStringLiteral("ambitra.ini")), t.prompter());
    other.ReadIniFile();
    ASSERT_TRUE(other.OpenDatabase());
    other.Conn().exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BEFABRICA) VALUES ('77', 'F1')"));
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("77"));
    makers.requery();
    ASSERT_EQ(makers.rowCount(), 1);

    {
        Transaction undone(d.Conn());
        d.Conn().exec(
            QStringLiteral("INSERT INTO Bens (BECODIGO, BEFABRICA) VALUES ('999', 'F2')"));
        EXPECT_EQ(d.GetLastCode(), QStringLiteral("999"));
        makers.requery();
        EXPECT_EQ(makers.rowCount(), 2);
    }
    EXPECT_EQ(d.GetLastCode(), QStringLiteral("77"));
    makers.requery();
    EXPECT_EQ(makers.rowCount(), 1);
    d.Conn().exec(QStringLiteral("UPDATE Bens SET BEFABRICA = 'F3' WHERE BECODIGO = '5'"));
    makers.requery();
    EXPECT_EQ(makers.rowCount(), 2);
}

TEST(OpenDatabase, RaisesLastCodeOnlyWhenTheStoredCodeIsNumericallyGreater) {
    TestDatabase t;
    addAsset(t, QStringLiteral("000150"));
    t.dados().CloseDatabase();

    t.dados().settings().LastCode = QStringLiteral("99");
    ASSERT_TRUE(t.dados().OpenDatabase());
    EXPECT_EQ(t.dados().settings().LastCode, QStringLiteral("000150"));
    t.dados().CloseDatabase();

    t.dados().settings().LastCode = QStringLiteral("151");
    ASSERT_TRUE(t.dados().OpenDatabase());
    EXPECT_EQ(t.dados().settings().LastCode, QStringLiteral("151"));
    EXPECT_TRUE(t.prompter().shown.isEmpty());
}

TEST(TStatus, ANewStatusTableReceivesTheSixDefaultsOnceAndAUserRowPreventsThem) {
    TestDatabase t;
    t.dados().TStatus().open();
    EXPECT_EQ(
        t.column(QStringLiteral("SELECT STCODIGO || '=' || STTEXTO FROM Status ORDER BY rowid")),
        (QStringList{QStringLiteral("EX=Excelente"), QStringLiteral("MB=Muito Boa"),
                     QStringLiteral("BO=Boa"), QStringLiteral("RG=Regular"),
                     QStringLiteral("RU=Ruim"), QStringLiteral("PE=Péssima")}));
    t.dados().TStatus().close();
    t.dados().TStatus().open();
    EXPECT_EQ(t.scalar(QStringLiteral("SELECT count(*) FROM Status")).toInt(), 6);

    TestDatabase other;
    other.exec(QStringLiteral("INSERT INTO Status VALUES ('ZZ', 'Minha')"));
    other.dados().TStatus().open();
    EXPECT_EQ(other.scalar(QStringLiteral("SELECT count(*) FROM Status")).toInt(), 1);
}

TEST(BeforePost, EmptyTextsAndTheZeroDateBecomeNullAndBeflagIsCleared) {
    TestDatabase t;
    DataTable& ops = t.dados().TOperadores();
    ops.open();
    ops.insert();
    ops.setValue(QStringLiteral("OPCODIGO"), QStringLiteral("01"));
    ops.setValue(QStringLiteral("OPNOME"), QString());
    ops.setValue(QStringLiteral("OPSENHA"), QStringLiteral(""));
    ops.post();
    EXPECT_EQ(t.column(QStringLiteral("SELECT OPNOME FROM Operadores")),
              QStringList{QStringLiteral("<null>")});
    EXPECT_EQ(t.column(QStringLiteral("SELECT OPSENHA FROM Operadores")),
              QStringList{QStringLiteral("<null>")});

    DataTable& bens = t.dados().TBens();
    bens.open();
    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("1"));
    bens.setValue(QStringLiteral("BECOMPRA"), QDate(1899, 12, 30));
    bens.setValue(QStringLiteral("BEULTINV"), QDateTime(QDate(2024, 5, 6), QTime(13, 14)));
    bens.setValue(QStringLiteral("BEFLAG"), QStringLiteral("X"));
    bens.post();
    EXPECT_EQ(t.column(QStringLiteral("SELECT BECOMPRA FROM Bens")),
              QStringList{QStringLiteral("<null>")});
    // A date column keeps the day only.
    EXPECT_EQ(t.column(QStringLiteral("SELECT BEULTINV FROM Bens")),
              QStringList{QStringLiteral("2024-05-06")});
    EXPECT_EQ(t.column(QStringLiteral("SELECT BEFLAG FROM Bens")),
              QStringList{QStringLiteral("<null>")});

    t.exec(QStringLiteral("UPDATE Bens SET BEFLAG = 'X'"));
    bens.requery();
    bens.edit();
    bens.post();
    EXPECT_EQ(t.column(QStringLiteral("SELECT BEFLAG FROM Bens")),
              QStringList{QStringLiteral("<null>")});
}

TEST(Schema, AmountsKeepExactlyThreeDecimalsAndTextsTheirSizes) {
    TestDatabase t;
    DataTable& bens = t.dados().TBens();
    bens.open();
    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("7"));
    bens.setValue(QStringLiteral("BEVALOR"), 0.1 + 0.2);
    bens.post();
    EXPECT_EQ(
        QString::number(t.scalar(QStringLiteral("SELECT BEVALOR FROM Bens")).toDouble(), 'f', 17),
        QString::number(0.3, 'f', 17));

    bens.insert();
    bens.setValue(QStringLiteral("BECODIGO"), QStringLiteral("12345678901234"));
    EXPECT_THROW(bens.post(), Error);
    EXPECT_EQ(bens.state(), DataTable::State::Insert);
    bens.cancel();
    EXPECT_EQ(bens.rowCount(), 1);
}

TEST(Schema, DeletingAnAssetDeletesItsLogRows) {
    TestDatabase t;
    addAsset(t, QStringLiteral("1"));
    addAsset(t, QStringLiteral("2"));
    for (const char* code : {"1", "1", "2"}) {
        t.exec(QStringLiteral("INSERT INTO Log (LGBEM, LGOCORRENC) VALUES (?, 'NOVO')"),
               {QString::fromLatin1(code)});
    }
    DataTable& bens = t.dados().TBens();
    bens.open();
    ASSERT_TRUE(bens.locate(QStringLiteral("1")));
    bens.remove();
    EXPECT_EQ(t.column(QStringLiteral("SELECT LGBEM FROM Log")), QStringList{QStringLiteral("2")});
}

TEST(CheckProgramFolder, AReadOnlyProgramFolderIsReportedBeforeAnythingIsCreated) {
    Program p;
    QFile::setPermissions(p.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(p.dados.CheckProgramFolder());
    QFile::setPermissions(p.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(p.prompter.shown.size(), 1);
    EXPECT_TRUE(p.prompter.shown[0].text.startsWith(QStringLiteral("O diretório do programa ")));
    EXPECT_TRUE(p.dados.CheckProgramFolder());
}

TEST(OpenDatabase, AnEmptyFileLeftByAFailedCreationBecomesANewDatabase) {
    Program p;
    writeAll(p.db(), QByteArray());
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    EXPECT_TRUE(p.prompter.shown.isEmpty());
    QSqlQuery q(p.dados.Conn().database());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM Bens")) && q.next());
}

// The register holds the operators' passwords: no other local user may read it
// or its journal.
TEST(OpenDatabase, CreatesTheDatabaseAndItsJournalForTheOwnerOnly) {
    Program p;
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    const auto mode = [](const QString& path) {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 0777;
    };
    EXPECT_EQ(mode(p.db()), 0600u);
    QSqlDatabase db = p.dados.Conn().database();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("BEGIN")));
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Locais (LOCODIGO) VALUES ('1')")));
    // Readers never wait for a writer: the engine writes ahead into a log of its own.
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString journal = p.db() + QString::fromLatin1(suffix);
        ASSERT_TRUE(QFile::exists(journal)) << suffix;
        EXPECT_EQ(mode(journal), 0600u) << suffix;
    }
    ASSERT_TRUE(q.exec(QStringLiteral("ROLLBACK")));
}

// A register left readable by others (made by an older version, or copied in)
// is narrowed before the engine opens it, so that its journals follow; the
// user is told once.
TEST(OpenDatabase, ARegisterReadableByOthersIsMadeOwnerOnlyAndSaysSoOnce) {
    Program p;
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    p.dados.CloseDatabase();
    ASSERT_EQ(::chmod(QFile::encodeName(p.db()).constData(), 0644), 0);
    for (int opening = 0; opening < 2; ++opening) {
        ASSERT_TRUE(p.dados.OpenDatabase());
        p.dados.CloseDatabase();
    }
    struct stat info {};
    ::stat(QFile::encodeName(p.db()).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(p.prompter.texts(),
              QStringList{QStringLiteral("O banco de dados ") + p.db() +
                          QStringLiteral(" podia ser lido por outros usuários do computador. Ele "
                                         "guarda as senhas dos operadores: agora somente o seu "
                                         "dono pode lê-lo e gravá-lo.")});
}

// Only files this program made change their journal; another's stays as it is.
TEST(OpenDatabase, ADatabaseWithoutOurVersionKeepsItsJournalMode) {
    Program p;
    {
        Connection foreign;
        foreign.setProvider(QStringLiteral("QSQLITE"));
        foreign.setConnectionString(QStringLiteral("Data Source=") + p.db() + u';');
        foreign.open();
        foreign.exec(QStringLiteral("CREATE TABLE Bens (BECODIGO VARCHAR(13))"));
    }
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    QSqlQuery q(p.dados.Conn().database());
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("delete"));
}

// Texts bound through the engine's own interface are stored as the general
// driver stores them, byte for byte, one after another in the same buffer.
TEST(NativeQuery, BindsEveryTextAsTheGeneralDriverStoresIt) {
    Program p;
    p.dados.ReadIniFile();
    ASSERT_TRUE(p.dados.OpenDatabase());
    Connection& conn = p.dados.Conn();
    conn.exec(QStringLiteral("CREATE TEMP TABLE t (a)"));
    NativeQuery insert;
    ASSERT_TRUE(insert.prepare(conn.database(), QStringLiteral("INSERT INTO t (a) VALUES (?)")));
    const QStringList texts{QStringLiteral("Balcão de aço €"),
                            QStringLiteral("ab"),
                            QString::fromUtf8("x\xF0\x9F\x98\x80y\xE4\xB8\xAD"),
                            QStringLiteral("Z") + QChar(0xd800) + QStringLiteral("é"),
                            QStringLiteral("é") + QChar(0xdc00),
                            QStringLiteral("é") + QChar(0xd83d),
                            QString()};
    QStringList expected;
    for (const QString& text : texts) {
        insert.bindText(0, text);
        ASSERT_TRUE(insert.execute()) << insert.errorText().toStdString();
        expected << QString::fromLatin1(text.toUtf8().toHex().toUpper());
    }
    QSqlQuery read(conn.database());
    ASSERT_TRUE(read.exec(QStringLiteral("SELECT hex(a) FROM t ORDER BY rowid")));
    QStringList stored;
    while (read.next()) {
        stored << read.value(0).toString();
    }
    EXPECT_EQ(stored, expected);
}

TEST(ReadIniFile, AFolderSettingWithANulByteIsRefusedOnceAndTheProgramFolderUsed) {
    Program p;
    static const char ini[] = "[DIR]\r\nDBF=/tmp/a\0b\r\nCSV=/tmp/c\0\r\nTXT=/srv/txt\r\n";
    writeAll(p.dir.file(QStringLiteral("ambitra.ini")), QByteArray(ini, sizeof ini - 1));
    p.dados.ReadIniFile();
    ASSERT_EQ(p.prompter.shown.size(), 1);
    EXPECT_EQ(p.prompter.shown[0].kind, Prompter::Kind::Warning);
    EXPECT_EQ(p.prompter.shown[0].text,
              QStringLiteral("O arquivo de opções ") + p.dir.file(QStringLiteral("ambitra.ini")) +
                  QStringLiteral(" tem um caractere nulo na pasta de DBF, CSV. Até que as opções "
                                 "sejam gravadas de novo, é usada a pasta do programa ") +
                  p.dir.path() + u'.');
    EXPECT_EQ(p.dados.settings().DirDBF, p.dir.path());
    EXPECT_EQ(p.dados.settings().DirCSV, p.dir.path());
    EXPECT_EQ(p.dados.settings().DirTXT, QStringLiteral("/srv/txt"));
}
