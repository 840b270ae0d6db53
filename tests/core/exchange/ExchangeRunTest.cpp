#include "core/exchange/ExchangeFixture.h"

#include "core/common/Error.h"
#include "core/common/ProgramFolder.h"
#include "core/sync/ReceivedCopy.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace ambitra;
using namespace ambitra::test;
using Answer = Prompter::Answer;
using Direction = ExchangeRun::Direction;

namespace {

const auto kAll = [](int) { return true; };

QString missing(const ExchangeFixture& f, const char* name) {
    return QStringLiteral("Arquivo ") + f.folder + QStringLiteral("/") + QString::fromUtf8(name) +
           QStringLiteral(" não encontrado. Importação de dados não efetuada!");
}

}  // namespace

TEST(ExchangeRun, AsksTheQuestionsOfEachDirection) {
    ExchangeFixture f;
    ScriptedPrompter& p = f.db.prompter();
    f.useFormats(false, true, false, true);
    p.plan({Answer::No});
    EXPECT_FALSE(f.run.AskQuestions(Direction::Import));
    EXPECT_EQ(p.texts(),
              QStringList{QStringLiteral("Importação de dados externos. Confirmar a execução?")});
    EXPECT_EQ(p.beeps, 1);

    p.clear();
    p.plan({Answer::Yes, Answer::All});
    EXPECT_TRUE(f.run.AskQuestions(Direction::Import));
    EXPECT_TRUE(f.run.OverwriteData);
    EXPECT_FALSE(f.run.CsvHeader);
    EXPECT_EQ(p.shown.at(1).text,
              QStringLiteral("Sobrescrever o arquivo apagando TODOS os dados já existentes?"));
    EXPECT_EQ(p.shown.at(1).buttons, Prompter::Buttons::NoAll);

    p.clear();
    p.plan({Answer::Yes, Answer::Yes});
    EXPECT_TRUE(f.run.AskQuestions(Direction::Export));
    EXPECT_FALSE(f.run.OverwriteData);
    EXPECT_TRUE(f.run.CsvHeader);
    EXPECT_EQ(p.texts(),
              (QStringList{QStringLiteral("Exportação de dados do Ambitra. Confirmar a execução?"),
                           QStringLiteral("Incluir os nomes dos campos no cabeçalho do arquivo "
                                          "CSV?")}));

    // Without the comma-separated format there is no header question.
    f.useFormats(false, true, false, false);
    p.clear();
    EXPECT_TRUE(f.run.AskQuestions(Direction::Export));
    EXPECT_FALSE(f.run.CsvHeader);
    EXPECT_EQ(p.shown.size(), 1);
}

// Both text formats name their files .TXT: in one folder (however written) they
// would overwrite each other, so the questions and the run itself refuse.
TEST(ExchangeRun, BothTextFormatsInOneFolderAreRefusedAndNothingIsWritten) {
    ExchangeFixture f;
    f.useFormats(false, true, true, false);
    f.settings().DirTXT = f.folder + QStringLiteral("/");
    f.addLocal("1", "A", "B", "C");
    const QString refusal = QStringLiteral(
        "Texto de largura fixa e texto delimitado gravam arquivos de mesmo nome (.TXT): com os "
        "dois formatos habilitados, as pastas dos dois devem ser diferentes!");
    EXPECT_FALSE(f.run.AskQuestions(Direction::Export));
    f.run.RunTables(Direction::Export, kAll);
    EXPECT_EQ(f.db.prompter().texts(), (QStringList{refusal, refusal}));
    EXPECT_TRUE(QDir(f.folder).entryList(QDir::Files).filter(QStringLiteral(".TXT")).isEmpty());
}

// Exports, the settings and the received readings are the organisation's data:
// their owner's alone even under a mask that lets everyone in.
TEST(ExchangeRun, ExportsSettingsAndReceivedCopiesAreOwnerOnlyWhateverTheMask) {
    ExchangeFixture f;
    f.useFormats(true, false, true, true);
    f.addLocal("1", "A", "B", "C");
    struct OpenMask {
        mode_t saved = ::umask(0);
        ~OpenMask() { ::umask(saved); }
    };
    // A settings file that exists (the server's section) keeps its permissions.
    const bool newSettings = !QFile::exists(f.db.dados().IniPath());
    QString copy;
    {
        const OpenMask open;
        f.run.RunTables(Direction::Export, kAll);
        f.db.dados().WriteIniFile();
        copy = ReceivedCopy::keep(f.db.dados().AppDir(), QStringLiteral("u"),
                                  f.path(QStringLiteral("BENS.DBF")));
    }
    const auto mode = [](const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 01;
    };
    QStringList written{f.path(QStringLiteral("LOCAIS.DBF")), f.path(QStringLiteral("LOCAIS.TXT")),
                        f.path(QStringLiteral("LOCAIS.CSV")), copy};
    if (newSettings) {
        written << f.db.dados().IniPath();
    }
    for (const QString& file : written) {
        EXPECT_EQ(mode(file), 0600u) << file.toStdString();
    }
    EXPECT_EQ(mode(ReceivedFolder(f.db.dados().AppDir())), 0700u);
}

TEST(ExchangeRun, GoesTableByTableAndFormatByFormatAndShowsTheLines) {
    ExchangeFixture f;
    f.useFormats(false, true, true, true);
    ASSERT_TRUE(QDir(f.folder).mkdir(QStringLiteral("fixa")));
    f.settings().DirSDF = f.path(QStringLiteral("fixa"));
    f.addLocal("1", "A", "B", "C");
    f.run.RunTables(Direction::Export, [](int i) { return i != 0; });
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Exportação de 1 registros para LOCAIS.TXT concluída!\r\n"
                             "Exportação de 1 registros para LOCAIS.TXT concluída!\r\n"
                             "Exportação de 1 registros para LOCAIS.CSV concluída!\r\n"
                             "Exportação de 0 registros para BENS.TXT concluída!\r\n"
                             "Exportação de 0 registros para BENS.TXT concluída!\r\n"
                             "Exportação de 0 registros para BENS.CSV concluída!\r\n"));
    EXPECT_EQ(f.read(QStringLiteral("LOCAIS.TXT")), QByteArray("1   ,A  ,B  ,C   \r\n"));
    EXPECT_EQ(f.read(QStringLiteral("fixa/LOCAIS.TXT")), QByteArray("1   A  B  C   \r\n"));
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("OPERADOR.TXT"))));
    f.run.ShowRunMessages();
    EXPECT_EQ(f.db.prompter().texts(), QStringList{f.run.RunMessages});
}

TEST(ExchangeRun, ImportingTwiceEqualsImportingOnceAndOverwriteEmptiesFirst) {
    ExchangeFixture f;
    f.useFormats(false, true, false, false);
    f.addLocal("9", "old", "old", "old");
    f.addLocal("1", "old", "old", "old");
    f.write(QStringLiteral("LOCAIS.TXT"), "1   P  D  S   \r\n2   P2 D2 S2  \r\n");
    f.run.ImportTable(f.locais());
    const QStringList once = f.rows(QStringLiteral("Locais"));
    EXPECT_EQ(once, (QStringList{QStringLiteral("1|P|D|S"), QStringLiteral("2|P2|D2|S2"),
                                 QStringLiteral("9|old|old|old")}));
    f.run.ImportTable(f.locais());
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), once);

    // Overwrite with two formats: each empties the table before its file, so
    // the last file found is what remains.
    f.useFormats(false, true, false, true);
    f.write(QStringLiteral("LOCAIS.CSV"), "\"7\",\"x\",\"y\",\"z\"\r\n");
    f.run.OverwriteData = true;
    f.run.ImportTable(f.locais());
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("7|x|y|z")});
    EXPECT_EQ(f.locais().rowCount(), 1);
}

TEST(ExchangeRun, AMissingFileLeavesTheTableAsItWasAndTheRunGoesOn) {
    ExchangeFixture f;
    f.useFormats(false, true, false, true);
    f.addLocal("1", "A", "B", "C");
    f.db.exec(QStringLiteral("INSERT INTO Operadores VALUES ('OP', 'pw', 'Ana')"));
    f.operadores().requery();
    f.write(QStringLiteral("LOCAIS.CSV"), "\"2\",\"x\",\"y\",\"z\"\r\n");
    f.run.OverwriteData = true;
    f.run.RunTables(Direction::Import, kAll);
    EXPECT_EQ(
        f.db.prompter().texts(),
        (QStringList{missing(f, "OPERADOR.TXT"), missing(f, "OPERADOR.CSV"),
                     missing(f, "LOCAIS.TXT"), missing(f, "BENS.TXT"), missing(f, "BENS.CSV")}));
    EXPECT_EQ(f.db.prompter().beeps, 5);
    EXPECT_EQ(f.rows(QStringLiteral("Operadores")), QStringList{QStringLiteral("OP|pw|Ana")});
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("2|x|y|z")});
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 1 registros de LOCAIS.CSV concluída!\r\n"));
}

TEST(ExchangeRun, ARecordErrorStopsTheRunAndKeepsTheEarlierRecordsUnlessTheTableWasEmptied) {
    ExchangeFixture f;
    f.useFormats(false, false, true, true);
    f.addLocal("0", "old", "old", "old");
    // The second line's room is longer than the column allows.
    f.write(QStringLiteral("LOCAIS.TXT"), "1,A,B,C\r\n2,A,B,12345\r\n3,A,B,C\r\n");
    f.write(QStringLiteral("LOCAIS.CSV"), "\"4\",\"\",\"\",\"\"\r\n");
    f.run.OverwriteData = true;
    f.run.RunTables(Direction::Import, [](int i) { return i == 1; });
    EXPECT_TRUE(f.run.CancelRequested);
    EXPECT_TRUE(f.run.RunMessages.isEmpty());
    ASSERT_EQ(f.db.prompter().shown.size(), 1);
    EXPECT_EQ(f.db.prompter().shown[0].kind, Prompter::Kind::Error);
    const QString& text = f.db.prompter().shown[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("LOCAIS.TXT, linha 2: "))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("CK_Locais_LOSALA"), Qt::CaseInsensitive));
    EXPECT_TRUE(
        text.endsWith(QStringLiteral("A importação foi interrompida e nada deste arquivo "
                                     "foi gravado: a tabela Locais ficou como estava "
                                     "antes dele.")));
    // Emptied first, the table is exactly as before the file; the later format did not run.
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("0|old|old|old")});
    EXPECT_EQ(f.locais().rowCount(), 1);
    EXPECT_FALSE(f.db.dados().Conn().inTransaction());

    // Without emptying, the records before the error stay.
    f.db.prompter().clear();
    f.run.OverwriteData = false;
    f.run.RunTables(Direction::Import, [](int i) { return i == 1; });
    EXPECT_EQ(f.rows(QStringLiteral("Locais")),
              (QStringList{QStringLiteral("0|old|old|old"), QStringLiteral("1|A|B|C")}));
    EXPECT_TRUE(f.db.prompter().texts().value(0).endsWith(
        QStringLiteral("A importação foi interrompida; os registros anteriores a este foram "
                       "mantidos.")));

    // An empty key is refused by the key column: the same handling.
    f.db.prompter().clear();
    f.write(QStringLiteral("LOCAIS.TXT"), ",A,B,C\r\n");
    f.run.RunTables(Direction::Import, [](int i) { return i == 1; });
    EXPECT_EQ(f.db.prompter().shown.size(), 1);
    EXPECT_TRUE(f.run.RunMessages.isEmpty());
}

// Records share a savepoint in batches: one failing inside a later batch still
// keeps exactly the records before it (rows it changed with their new values),
// and the table's own list of rows agrees with the register.
TEST(ExchangeRun, ARecordFailingInsideALaterBatchKeepsExactlyTheRecordsBeforeIt) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    const int failing = ExchangeRun::kRecordsPerSavepoint + 30;
    const auto code = [](int n) { return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0')); };
    for (const int n : {5, failing - 10, failing + 5}) {
        f.addLocal(code(n).toLatin1().constData(), "old", "old", "old");
    }
    QByteArray file;
    QStringList expected;
    for (int n = 1; n <= failing + 10; ++n) {
        file += "\"" + code(n).toLatin1() + "\",\"P\",\"D\",\"" + (n == failing ? "12345" : "S") +
                "\"\r\n";
        if (n < failing) {
            expected << code(n) + QStringLiteral("|P|D|S");
        }
    }
    expected << code(failing + 5) + QStringLiteral("|old|old|old");
    f.write(QStringLiteral("LOCAIS.CSV"), file);
    f.run.RunTables(Direction::Import, [](int i) { return i == 1; });
    ASSERT_EQ(f.db.prompter().texts().size(), 1);
    const QString text = f.db.prompter().texts()[0];
    EXPECT_TRUE(text.startsWith(QStringLiteral("LOCAIS.CSV, linha %1: ").arg(failing)))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("CK_Locais_LOSALA"), Qt::CaseInsensitive));
    EXPECT_TRUE(text.endsWith(QStringLiteral("os registros anteriores a este foram mantidos.")));
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), expected);
    EXPECT_EQ(f.locais().rowCount(), expected.size());
    EXPECT_FALSE(f.db.dados().Conn().inTransaction());
}

// Rows edited out of the table's order are read a batch of lines ahead; a row
// that an earlier line of the batch changed is not taken from that read.
TEST(ExchangeRun, AnUpdateOutOfOrderSeesTheChangesOfEarlierLines) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    f.addLocal("L1", "P1", "D1", "S1");
    f.addLocal("L2", "P2", "D2", "S2");
    for (const char* code : {"B1", "B2", "B3"}) {
        f.addBem(QString::fromLatin1(code), QStringLiteral("old"), 1.0);
    }
    f.db.exec(QStringLiteral("UPDATE Bens SET BELOCAL = 'L1'"));
    f.bens().requery();
    f.write(QStringLiteral("BENS.CSV"),
            "\"B3\",\"Novo\",\"L2\",,,,2.000\r\n"
            "\"B1\",\"Um\",\"L2\",,,,1.000\r\n"
            "\"B3\",\"old\",\"L1\",,,,1.000\r\n");
    f.run.RunTables(Direction::Import, [](int i) { return i == 2; });
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());
    EXPECT_EQ(f.rows(QStringLiteral("Bens")),
              (QStringList{
                  QStringLiteral("B1|Um|L2|<null>|<null>|<null>|1|<null>|<null>|<null>|<null>"),
                  QStringLiteral("B2|old|L1|<null>|<null>|<null>|1|<null>|<null>|<null>|<null>"),
                  QStringLiteral("B3|old|L1|<null>|<null>|<null>|1|<null>|<null>|<null>|<null>")}));
    ASSERT_TRUE(f.bens().locate(QStringLiteral("B1")));
    EXPECT_EQ(f.bens().text(QStringLiteral("LOPREDIO")), QStringLiteral("P2"));
}

TEST(ExchangeRun, AnEmptiedAssetTableComesBackWithItsLogAfterARecordError) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    f.addBem(QStringLiteral("B1"), QStringLiteral("Mesa"), 1.0);
    f.db.exec(
        QStringLiteral("INSERT INTO Log (LGDATA, LGBEM, LGOCORRENC) VALUES "
                       "('2024-01-02 10:00:00', 'B1', 'lido')"));
    f.write(QStringLiteral("BENS.CSV"), "\"B2\",\"X\",,,,,1.000\r\n\"B3\",,,,,,abc\r\n");
    f.run.OverwriteData = true;
    f.run.RunTables(Direction::Import, [](int i) { return i == 2; });
    EXPECT_EQ(f.db.column(QStringLiteral("SELECT BECODIGO FROM Bens")),
              QStringList{QStringLiteral("B1")});
    EXPECT_EQ(f.db.scalar(QStringLiteral("SELECT count(*) FROM Log")).toInt(), 1);
    EXPECT_TRUE(f.db.prompter().texts().value(0).startsWith(
        QStringLiteral("BENS.CSV, linha 2, BEVALOR: 'abc' não é um valor numérico válido.\n")));
}

TEST(ExchangeRun, AFailureOutsideTheRecordsUndoesTheEmptyingOfThatFile) {
    ExchangeFixture f;
    f.useFormats(false, true, false, false);
    f.addLocal("0", "old", "old", "old");
    f.write(QStringLiteral("LOCAIS.TXT"), "1\r\n2\r\n3\r\n");
    CallbackProgress failing(2, [] { throw Error(QStringLiteral("disco cheio")); });
    f.run.setProgress(failing);
    f.run.OverwriteData = true;
    f.run.RunTables(Direction::Import, kAll);
    EXPECT_EQ(f.db.prompter().texts().last(), QStringLiteral("disco cheio"));
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("0|old|old|old")});
    EXPECT_EQ(f.locais().rowCount(), 1);
    EXPECT_EQ(f.locais().text(QStringLiteral("LOCODIGO")), QStringLiteral("0"));
}

TEST(ExchangeRun, CancellingStopsAfterTheCurrentRecordAndKeepsTheFinishedLines) {
    ExchangeFixture f;
    f.useFormats(false, true, false, false);
    f.db.exec(QStringLiteral("INSERT INTO Operadores VALUES ('OP', 'pw', 'Ana')"));
    f.operadores().requery();
    f.write(QStringLiteral("OPERADOR.TXT"), "OP1\r\n");
    f.write(QStringLiteral("LOCAIS.TXT"), "1\r\n2\r\n3\r\n4\r\n");
    // The third step is the second line of LOCAIS.TXT.
    CallbackProgress cancelling(3, [&f] { f.run.CancelRequested = true; });
    f.run.setProgress(cancelling);
    f.run.RunTables(Direction::Import, kAll);
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 1 registros de OPERADOR.TXT concluída!\r\n"));
    EXPECT_EQ(f.db.column(QStringLiteral("SELECT LOCODIGO FROM Locais")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());

    // An export stops the same way: the lines written stay, no completion line.
    CallbackProgress cancelExport(1, [&f] { f.run.CancelRequested = true; });
    f.run.setProgress(cancelExport);
    f.run.RunTables(Direction::Export, kAll);
    EXPECT_EQ(f.read(QStringLiteral("OPERADOR.TXT")),
              QByteArray("OP    pw    Ana             \r\n"));
    EXPECT_TRUE(f.run.RunMessages.isEmpty());
}

TEST(ExchangeRun, ReportsFilesItCannotCreateAndProtectsOperatorFiles) {
    ExchangeFixture f;
    f.useFormats(false, true, false, true);
    f.settings().DirSDF = f.folder + QStringLiteral("/missing");
    f.run.RunTables(Direction::Export, [](int i) { return i == 0; });
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral("Erro na criação do arquivo ") + f.folder +
                          QStringLiteral("/missing/OPERADOR.TXT. Exportação de dados não "
                                         "efetuada!")});
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Exportação de 0 registros para OPERADOR.CSV concluída!\r\n"));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    const auto permissions = QFile::permissions(f.path(QStringLiteral("OPERADOR.CSV")));
    EXPECT_TRUE(permissions.testFlag(QFileDevice::ReadOwner));
    EXPECT_FALSE(permissions & others);
}
