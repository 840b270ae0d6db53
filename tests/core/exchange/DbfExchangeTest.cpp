#include "core/exchange/ExchangeFixture.h"

#include "core/xbase/FieldList.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

// A dBase file of our own making, with records given as field texts.
void writeDbf(ExchangeFixture& f, const char* name, const QStringList& fields,
              const QList<QStringList>& records) {
    BuildDBFFile(f.path(QString::fromLatin1(name)), fields);
    THalcyonDataSet& dbf = f.db.dados().DBFTmp();
    dbf.SetDatabaseName(f.folder);
    dbf.SetTableName(QString::fromLatin1(name));
    dbf.Open();
    for (const QStringList& record : records) {
        dbf.Insert();
        for (int i = 0; i < record.size(); ++i) {
            dbf.Fields(i).SetAsString(record[i]);
        }
        dbf.Post();
    }
    dbf.Close();
}

// Byte offset of a record's deletion mark.
qint64 recordOffset(const QByteArray& file, int record) {
    const int header = static_cast<unsigned char>(file[8]) | static_cast<unsigned char>(file[9])
                                                                 << 8;
    const int length = static_cast<unsigned char>(file[10]) | static_cast<unsigned char>(file[11])
                                                                  << 8;
    return header + qint64(record) * length;
}

}  // namespace

TEST(DbaseExchange, ExportThenImportKeepsTheRecordsAndWritesNullsAsBlanksOrZero) {
    ExchangeFixture f;
    f.db.exec(
        QStringLiteral("INSERT INTO Bens VALUES ('0001', 'Mesa', '12', NULL, 'BO', NULL, "
                       "NULL, NULL, '2024-03-05', 'Ana', 'X'), ('0002', 'Cadeira', NULL, "
                       "NULL, NULL, NULL, 1234.5, '2020-02-29', NULL, NULL, NULL)"));
    f.bens().requery();
    f.run.ExportDBF(f.bens(), f.folder);
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Exportação de 2 registros para BENS.DBF concluída!\r\n"));
    const QByteArray file = f.read(QStringLiteral("BENS.DBF"));
    ASSERT_EQ(file.size(), 385 + 2 * 129 + 1);
    // No amount: zero in the numeric field; no purchase date: blanks.
    EXPECT_EQ(file.mid(recordOffset(file, 0) + 1 + 83, 12 + 16),
              QByteArray("       0.000") + QByteArray(8, ' ') + "20240305");
    EXPECT_EQ(file.mid(recordOffset(file, 1) + 1 + 83, 20), QByteArray("    1234.50020200229"));
    EXPECT_EQ(file.at(recordOffset(file, 0) + 128), 'X');

    f.run.RunMessages.clear();
    f.run.ImportDBF(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Bens")),
              (QStringList{QStringLiteral("0001|Mesa|12|<null>|BO|<null>|0|<null>|2024-03-05|Ana|"
                                          "<null>"),
                           QStringLiteral("0002|Cadeira|<null>|<null>|<null>|<null>|1234.5|"
                                          "2020-02-29|<null>|<null>|<null>")}));
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 2 registros de BENS.DBF concluída!\r\n"));
    EXPECT_FALSE(f.db.dados().DBFTmp().Active());
}

TEST(DbaseExchange, CopiesFieldsByNameWhateverTheirCaseAndIgnoresOthers) {
    ExchangeFixture f;
    f.addBem(QStringLiteral("A"), QStringLiteral("old"), 7.5);
    // Lower-case names (another writer's), an extra field, no BEVALOR.
    writeDbf(f, "BENS.DBF",
             {QStringLiteral("EXTRA;C;3;0"), QStringLiteral("BENOME;C;10;0"),
              QStringLiteral("BECODIGO;C;13;0")},
             {{QStringLiteral("x"), QStringLiteral("Mesa"), QStringLiteral("A")},
              {QStringLiteral("y"), QStringLiteral("Sofá"), QStringLiteral("B")}});
    QByteArray file = f.read(QStringLiteral("BENS.DBF"));
    file.replace(64, 6, "benome");
    f.write(QStringLiteral("BENS.DBF"), file);
    f.run.ImportDBF(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Bens")),
              (QStringList{QStringLiteral("A|Mesa|<null>|<null>|<null>|<null>|7.5|<null>|<null>|"
                                          "<null>|<null>"),
                           QStringLiteral("B|Sofá|<null>|<null>|<null>|<null>|<null>|<null>|"
                                          "<null>|<null>|<null>")}));

    // Emptied first, the record gets no amount at all.
    f.run.OverwriteData = true;
    f.run.ImportDBF(f.bens(), f.folder);
    EXPECT_EQ(
        f.db.column(QStringLiteral("SELECT coalesce(CAST(BEVALOR AS VARCHAR), '-') FROM Bens")),
        (QStringList{QStringLiteral("-"), QStringLiteral("-")}));
}

TEST(DbaseExchange, SkipsDeletedRecordsAndCountsThemInTheCompletionLine) {
    ExchangeFixture f;
    writeDbf(f, "LOCAIS.DBF", {QStringLiteral("LOCODIGO;C;4;0"), QStringLiteral("LOSALA;C;4;0")},
             {{QStringLiteral("1"), QStringLiteral("a")},
              {QStringLiteral("2"), QStringLiteral("b")},
              {QStringLiteral("3"), QStringLiteral("c")}});
    QByteArray file = f.read(QStringLiteral("LOCAIS.DBF"));
    file[recordOffset(file, 1)] = '*';
    f.write(QStringLiteral("LOCAIS.DBF"), file);
    f.run.ImportDBF(f.locais(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), (QStringList{QStringLiteral("1|<null>|<null>|a"),
                                                             QStringLiteral("3|<null>|<null>|c")}));
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 3 registros de LOCAIS.DBF concluída!\r\n"));
}

TEST(DbaseExchange, AFileWithoutTheKeyFieldStopsAtItsFirstRecord) {
    ExchangeFixture f;
    f.useFormats(true, false, false, false);
    f.addLocal("9", "P", "D", "S");
    writeDbf(f, "LOCAIS.DBF", {QStringLiteral("LOSALA;C;4;0")}, {{QStringLiteral("a")}});
    f.run.OverwriteData = true;
    f.run.RunTables(ExchangeRun::Direction::Import, [](int i) { return i != 0; });
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral(
                  "LOCAIS.DBF, registro 1: Field 'LOCODIGO' not found.\nA importação foi "
                  "interrompida e nada deste arquivo foi gravado: a tabela Locais ficou como "
                  "estava antes dele.")});
    EXPECT_TRUE(f.run.CancelRequested);
    EXPECT_TRUE(f.run.RunMessages.isEmpty());
    // Emptied first and then stopped: the table is as it was.
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("9|P|D|S")});
    EXPECT_FALSE(f.db.dados().DBFTmp().Active());
}

TEST(DbaseExchange, MissingOrUncreatableFilesAreReportedAndTheRunGoesOn) {
    ExchangeFixture f;
    f.useFormats(true, false, false, true);
    f.addLocal("9", "P", "D", "S");
    f.run.OverwriteData = true;
    f.run.RunTables(ExchangeRun::Direction::Import, [](int i) { return i == 1; });
    EXPECT_EQ(f.db.prompter().texts(),
              (QStringList{QStringLiteral("Arquivo ") + f.folder +
                               QStringLiteral("/LOCAIS.DBF não encontrado. Importação de dados "
                                              "não efetuada!"),
                           QStringLiteral("Arquivo ") + f.folder +
                               QStringLiteral("/LOCAIS.CSV não encontrado. Importação de dados "
                                              "não efetuada!")}));
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("9|P|D|S")});

    f.db.prompter().clear();
    f.settings().DirDBF = f.folder + QStringLiteral("/missing");
    f.run.RunTables(ExchangeRun::Direction::Export, [](int i) { return i == 1; });
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral("Erro na criação do arquivo ") + f.folder +
                          QStringLiteral("/missing/LOCAIS.DBF. Exportação de dados não "
                                         "efetuada!")});
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Exportação de 1 registros para LOCAIS.CSV concluída!\r\n"));
}

TEST(DbaseExchange, AnAmountBeyondTheColumnIsARecordErrorNamingTheRecordInAFileOfAnyCase) {
    ExchangeFixture f;
    f.useFormats(true, false, false, false);
    writeDbf(f, "bens.dbf", {QStringLiteral("BECODIGO;C;13;0"), QStringLiteral("BEVALOR;N;15;2")},
             {{QStringLiteral("B1"), QStringLiteral("99999999.99")},
              {QStringLiteral("B2"), QStringLiteral("123456789.00")}});
    f.run.RunTables(ExchangeRun::Direction::Import, [](int i) { return i == 2; });
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral(
                  "bens.dbf, registro 2, BEVALOR: '123456789' está fora dos limites do campo "
                  "(-99999999,999 a 99999999,999).\nA importação foi interrompida; os registros "
                  "anteriores a este foram mantidos.")});
    EXPECT_EQ(f.db.column(QStringLiteral("SELECT BECODIGO || ' ' || BEVALOR FROM Bens")),
              QStringList{QStringLiteral("B1 99999999.99")});
}

// A process killed in the middle of a dBase export: the previous export is
// still there, whole.
TEST(DbaseExchange, AnExportKilledPartWayLeavesThePreviousFileWhole) {
    ExchangeFixture f;
    for (int i = 0; i < 50; ++i) {
        f.addBem(QStringLiteral("B%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Mesa"), i);
    }
    f.run.ExportDBF(f.bens(), f.folder);
    const QByteArray previous = f.read(QStringLiteral("BENS.DBF"));
    f.db.exec(QStringLiteral("UPDATE Bens SET BENOME = 'Cadeira'"));
    f.bens().requery();
    const pid_t child = ::fork();
    if (child == 0) {
        CallbackProgress killer(20, [] { ::_exit(0); });
        f.run.setProgress(killer);
        f.run.ExportDBF(f.bens(), f.folder);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(f.read(QStringLiteral("BENS.DBF")), previous);

    // Complete, it replaces the file; a left-over of the killed one is no import file.
    f.run.ExportDBF(f.bens(), f.folder);
    EXPECT_TRUE(f.read(QStringLiteral("BENS.DBF")).contains("Cadeira"));
    f.run.ImportDBF(f.bens(), f.folder);
    EXPECT_EQ(f.db.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt(), 50);
}

// A folder others may write into: a link planted in place of an export file
// must not redirect the export to the file it points to.
TEST(DbaseExchange, ExportsNeverWriteThroughALink) {
    ExchangeFixture f;
    f.addBem(QStringLiteral("B1"), QStringLiteral("Mesa"), 1);
    const QString victim = f.path(QStringLiteral("victim"));
    f.write(QStringLiteral("victim"), "precious\n");
    ASSERT_TRUE(QFile::link(victim, f.path(QStringLiteral("BENS.DBF"))));
    ASSERT_TRUE(QFile::link(victim, f.path(QStringLiteral("BENS.CSV"))));
    f.run.ExportDBF(f.bens(), f.folder);
    f.run.ExportCSV(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("victim")), QByteArray("precious\n"));
    const QStringList texts = f.db.prompter().texts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("O arquivo ") + f.path(QStringLiteral("BENS.DBF")) +
                            QStringLiteral(" é um link simbólico e não será gravado. Exportação "
                                           "de dados não efetuada!"));
    EXPECT_TRUE(QFileInfo(f.path(QStringLiteral("BENS.CSV"))).isSymLink());
}

TEST(DbaseExchange, AnExportFileOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a file of another user";
    }
    ExchangeFixture f;
    f.addBem(QStringLiteral("B1"), QStringLiteral("Mesa"), 1);
    f.write(QStringLiteral("BENS.DBF"), "theirs\n");
    ASSERT_EQ(
        ::chown(QFile::encodeName(f.path(QStringLiteral("BENS.DBF"))).constData(), 65534, 65534),
        0);
    f.run.ExportDBF(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("BENS.DBF")), QByteArray("theirs\n"));
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral("O arquivo ") + f.path(QStringLiteral("BENS.DBF")) +
                          QStringLiteral(" pertence a outro usuário e não será gravado. "
                                         "Exportação de dados não efetuada!")});
}
