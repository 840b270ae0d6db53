#include "core/exchange/ExchangeFixture.h"

#include "core/common/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

const QStringList kLocal12{QStringLiteral("12|B|ADM|3")};

// The asset of the examples: no purchase date, empty manufacturer and serial,
// the handheld's mark that every save clears.
void addExampleBem(ExchangeFixture& f) {
    f.db.exec(
        QStringLiteral("INSERT INTO Bens VALUES ('0001', 'Mesa', '12', NULL, 'BO', NULL, "
                       "1234.5, NULL, '2024-03-05', 'Ana', 'X')"));
    f.bens().requery();
}

const char* const kBemRow = "0001|Mesa|12|<null>|BO|<null>|1234.5|<null>|2024-03-05|Ana|<null>";

QByteArray fixedBemLine() {
    return QByteArray("0001").leftJustified(13, ' ') + QByteArray("Mesa").leftJustified(32, ' ') +
           "12  " + QByteArray(16, ' ') + "BO" + QByteArray(16, ' ') + "00001234.500" +
           QByteArray(8, ' ') + "20240305" + QByteArray("Ana").leftJustified(16, ' ') + "X";
}

}  // namespace

TEST(FixedWidthText, WritesTheLayoutByteForByteAndReadsItBack) {
    ExchangeFixture f;
    f.addLocal("12", "B", "ADM", "3");
    addExampleBem(f);
    f.run.ExportSDF(f.locais(), f.folder);
    f.run.ExportSDF(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("LOCAIS.TXT")), QByteArray("12  B  ADM3   \r\n"));
    const QByteArray bem = fixedBemLine();
    EXPECT_EQ(bem.size(), 128);
    EXPECT_EQ(f.read(QStringLiteral("BENS.TXT")), bem + "\r\n");
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Exportação de 1 registros para LOCAIS.TXT concluída!\r\n"
                             "Exportação de 1 registros para BENS.TXT concluída!\r\n"));

    f.db.exec(QStringLiteral("DELETE FROM Locais"));
    f.db.exec(QStringLiteral("DELETE FROM Bens"));
    f.locais().requery();
    f.bens().requery();
    f.run.RunMessages.clear();
    f.run.ImportSDF(f.locais(), f.folder);
    f.run.ImportSDF(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), kLocal12);
    EXPECT_EQ(f.rows(QStringLiteral("Bens")), QStringList{QString::fromUtf8(kBemRow)});
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 1 registros de LOCAIS.TXT concluída!\r\n"
                             "Importação de 1 registros de BENS.TXT concluída!\r\n"));
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());
}

TEST(FixedWidthText, ReadsShortLinesSkipsEmptyOnesAndUpdatesRepeatedKeys) {
    ExchangeFixture f;
    // Ends after the amount (position 95); a lone LF also ends a line.
    const QByteArray shortLine = QByteArray("B1").leftJustified(83, ' ') + "000000012345";
    const QByteArray first = fixedBemLine();
    QByteArray second = first;
    second.replace(13, 4, "Sof\xE1");
    f.write(QStringLiteral("BENS.TXT"), shortLine + "\n\r\n" + first + "\r\n" + second + "\r\n");
    f.run.ImportSDF(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Bens")),
              (QStringList{QStringLiteral(
                               "0001|Sofá|12|<null>|BO|<null>|1234.5|<null>|2024-03-05|Ana|<null>"),
                           QStringLiteral("B1|<null>|<null>|<null>|<null>|<null>|12.345|<null>|"
                                          "<null>|<null>|<null>")}));
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 3 registros de BENS.TXT concluída!\r\n"));
}

TEST(DelimitedText, JoinsTheFixedTextsWithTheDelimiterAndReadsThemBack) {
    ExchangeFixture f;
    f.settings().Delimiter = QStringLiteral(";");
    f.addLocal("12", "B", "ADM", "3");
    addExampleBem(f);
    f.run.ExportTXT(f.locais(), f.folder);
    f.run.ExportTXT(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("LOCAIS.TXT")), QByteArray("12  ;B  ;ADM;3   \r\n"));
    QByteArray bem = fixedBemLine();
    for (int at : {127, 111, 103, 95, 83, 67, 65, 49, 45, 13}) {
        bem.insert(at, ';');
    }
    EXPECT_EQ(f.read(QStringLiteral("BENS.TXT")), bem + "\r\n");

    f.db.exec(QStringLiteral("DELETE FROM Bens"));
    f.bens().requery();
    f.run.ImportTXT(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Bens")), QStringList{QString::fromUtf8(kBemRow)});

    // Amounts without a decimal mark carry three implied decimals in their field.
    f.settings().Delimiter = QStringLiteral("\t");
    f.write(QStringLiteral("LOCAIS.TXT"), "L1\tP\t\t\"x\"\r\n");
    f.write(QStringLiteral("BENS.TXT"), "A\t\t\t\t\t\t12345\r\nB\t\t\t\t\t\t5\t20230228\r\n");
    f.run.ImportTXT(f.locais(), f.folder);
    f.run.ImportTXT(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Locais")),
              (QStringList{QStringLiteral("12|B|ADM|3"), QStringLiteral("L1|P|<null>|\"x\"")}));
    EXPECT_EQ(f.db.column(QStringLiteral(
                  "SELECT BEVALOR || ' ' || coalesce(CAST(BECOMPRA AS VARCHAR), '-') FROM "
                  "Bens WHERE BECODIGO IN ('A', 'B') ORDER BY 1")),
              (QStringList{QStringLiteral("0.5 2023-02-28"), QStringLiteral("12.345 -")}));
}

TEST(CommaSeparatedText, WritesQualifiedTrimmedValuesAndAnOptionalHeader) {
    ExchangeFixture f;
    f.addLocal("12", "B", "ADM", "3");
    addExampleBem(f);
    f.db.exec(QStringLiteral("UPDATE Bens SET BENOME = ' Mesa '"));
    f.bens().requery();
    f.run.ExportCSV(f.locais(), f.folder);
    f.run.ExportCSV(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("LOCAIS.CSV")), QByteArray("\"12\",\"B\",\"ADM\",\"3\"\r\n"));
    EXPECT_EQ(f.read(QStringLiteral("BENS.CSV")),
              QByteArray("\"0001\",\"Mesa\",\"12\",\"\",\"BO\",\"\",1234.500,,2024/03/05,\"Ana\","
                         "\"X\"\r\n"));

    // A tab or blank delimiter gives commas; no qualifier gives empty fields;
    // the header names the fields by their labels, in Windows-1252.
    f.settings().Delimiter = QStringLiteral("\t");
    f.settings().TextQualifier = QString();
    f.settings().DecimalPoint = QStringLiteral(",");
    f.run.CsvHeader = true;
    f.run.ExportCSV(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("BENS.CSV")),
              cp1252::encode(QStringLiteral("Código,Descrição,Local,Fabricante,Situação,Nº Série,"
                                            "Valor,Data Compra,Inventário,Operador,*\r\n")) +
                  "0001,Mesa,12,,BO,,1234,500,,2024/03/05,Ana,X\r\n");

    // An empty table gives just the header.
    f.run.ExportCSV(f.operadores(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("OPERADOR.CSV")),
              QByteArray("Código,Senha,Nome\r\n").replace("ó", "\xF3"));
    EXPECT_TRUE(f.run.RunMessages.endsWith(
        QStringLiteral("Exportação de 0 registros para OPERADOR.CSV concluída!\r\n")));
}

TEST(CommaSeparatedText, ValuesWithSeparatorsAndQualifiersSurviveARoundTrip) {
    ExchangeFixture f;
    f.settings().Delimiter = QStringLiteral(";");
    f.addBem(QStringLiteral("A;1"), QStringLiteral("Mesa; 2 \"gavetas\""), 10.0);
    f.addBem(QStringLiteral("\"B\""), QStringLiteral("{chave}"), -2.5,
             QStringLiteral("2020-02-29"));
    const QStringList before = f.rows(QStringLiteral("Bens"));
    f.run.CsvHeader = true;
    f.run.ExportCSV(f.bens(), f.folder);
    f.db.exec(QStringLiteral("DELETE FROM Bens"));
    f.bens().requery();
    f.run.ImportCSV(f.bens(), f.folder);
    // Braces around a whole value get a pair more, which the reader removes.
    EXPECT_TRUE(f.read(QStringLiteral("BENS.CSV")).contains("\"{{chave}}\""));
    EXPECT_EQ(f.rows(QStringLiteral("Bens")), before);
    // The header line is not taken for an asset.
    EXPECT_EQ(f.run.RunMessages.split(QStringLiteral("\r\n")).at(1),
              QStringLiteral("Importação de 2 registros de BENS.CSV concluída!"));
}

TEST(CommaSeparatedText, ReadsFilesOfOtherProgramsAsTheyAreWritten) {
    ExchangeFixture f;
    // An empty purchase date only empties that field; braces and double quotes
    // go; a header that is not ours is a record like any other line.
    f.write(QStringLiteral("BENS.CSV"),
            "\"X1\",{Cadeira},\"12\",\"ACME\",BO,\"S9\",\"7.25\",,20240105,Rui,*\r\n"
            "Codigo,Nome\r\n");
    f.run.ImportCSV(f.bens(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Bens")),
              (QStringList{QStringLiteral("Codigo|Nome|<null>|<null>|<null>|<null>|0|<null>|"
                                          "<null>|<null>|<null>"),
                           QStringLiteral("X1|Cadeira|12|ACME|BO|S9|7.25|<null>|2024-01-05|Rui|"
                                          "<null>")}));
}

TEST(TextLayouts, NegativeAmountsSurviveEveryLayout) {
    ExchangeFixture f;
    f.settings().DecimalPoint = QString();
    f.addBem(QStringLiteral("N1"), QString(), -1234.5);
    f.addBem(QStringLiteral("N2"), QString(), -0.001);
    const QStringList before = f.rows(QStringLiteral("Bens"));
    using Routine = void (ExchangeRun::*)(DataTable&, const QString&);
    const std::pair<Routine, Routine> layouts[] = {
        {&ExchangeRun::ExportSDF, &ExchangeRun::ImportSDF},
        {&ExchangeRun::ExportTXT, &ExchangeRun::ImportTXT},
        {&ExchangeRun::ExportCSV, &ExchangeRun::ImportCSV},
    };
    for (const auto& [exportRoutine, importRoutine] : layouts) {
        (f.run.*exportRoutine)(f.bens(), f.folder);
        f.run.EmptyTable(f.bens());
        (f.run.*importRoutine)(f.bens(), f.folder);
        EXPECT_EQ(f.rows(QStringLiteral("Bens")), before);
    }
    EXPECT_TRUE(f.read(QStringLiteral("BENS.TXT")).contains("-00001234500"));
}

namespace {

bool acceptsNewFiles(const QString& folder) {
    QFile probe(QDir(folder).filePath(QStringLiteral("probe")));
    if (!probe.open(QIODevice::WriteOnly)) {
        return false;
    }
    probe.remove();
    return true;
}

// Makes the folder refuse new files while its files stay writable: by its
// mode, or for a superuser, whom modes do not stop, by the immutable flag.
bool lockFolder(const QString& folder, bool locked) {
    QFile::setPermissions(folder, locked ? QFile::ReadOwner | QFile::ExeOwner
                                         : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (locked && acceptsNewFiles(folder)) {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder});
    } else if (!locked) {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
    }
    return !locked || !acceptsNewFiles(folder);
}

}  // namespace

TEST(TextExport, WritesInPlaceWhereTheFolderRefusesNewFilesButNotOverLinesItCannotCarry) {
    ExchangeFixture f;
    f.addLocal("12", "B", "ADM", "3");
    f.write(QStringLiteral("LOCAIS.CSV"), "old\r\n");
    if (!lockFolder(f.folder, true)) {
        lockFolder(f.folder, false);
        GTEST_SKIP() << "no way to make a folder refuse new files here";
    }
    f.run.ExportCSV(f.locais(), f.folder);
    const QByteArray written = f.read(QStringLiteral("LOCAIS.CSV"));
    // A line break cannot be written in a text line: the old file stays whole.
    f.db.exec(QStringLiteral("UPDATE Locais SET LODEPTO = ?"), {QStringLiteral("A\nB")});
    f.locais().requery();
    f.run.ExportCSV(f.locais(), f.folder);
    const QByteArray afterRefusal = f.read(QStringLiteral("LOCAIS.CSV"));
    lockFolder(f.folder, false);
    EXPECT_EQ(written, QByteArray("\"12\",\"B\",\"ADM\",\"3\"\r\n"));
    EXPECT_EQ(afterRefusal, written);
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Exportação de 1 registros para LOCAIS.CSV concluída!\r\n"));
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral(
                  "LOCAIS.CSV, registro 1 (LOCODIGO '12'), LODEPTO: 'A\\x0aB' contém uma quebra "
                  "de linha, que um arquivo texto não comporta.\nExportação de dados não "
                  "efetuada!")});
}

TEST(TextExport, RefusesRecordsAFixedLayoutCannotCarryAndKeepsTheOldFile) {
    ExchangeFixture f;
    f.settings().DecimalPoint = QStringLiteral(",");
    f.addBem(QStringLiteral("B1"), QStringLiteral("Mesa"), -99999999.999);
    f.write(QStringLiteral("BENS.TXT"), "old\r\n");
    f.run.ExportSDF(f.bens(), f.folder);
    EXPECT_EQ(f.read(QStringLiteral("BENS.TXT")), QByteArray("old\r\n"));
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral("BENS.TXT, registro 1 (BECODIGO 'B1'), BEVALOR: "
                                         "'-99999999.999' não cabe nos 12 caracteres do campo.\n"
                                         "Exportação de dados não efetuada!")});
    EXPECT_TRUE(f.run.CancelRequested);
    // Without a decimal mark the same amount fits.
    f.run.CancelRequested = false;
    f.settings().DecimalPoint = QString();
    f.run.ExportSDF(f.bens(), f.folder);
    EXPECT_TRUE(f.read(QStringLiteral("BENS.TXT")).contains("-99999999999"));
}

// A character beyond the code page is one "?" in the file: the fields after it
// must stay in their columns.
TEST(FixedWidthText, ACharacterBeyondTheCodePageTakesOneColumn) {
    ExchangeFixture f;
    f.addBem(QStringLiteral("B1"), QString::fromUtf8("Mesa \xF0\x9F\x98\x80 azul"), 10.5);
    f.run.ExportSDF(f.bens(), f.folder);
    const QByteArray line = f.read(QStringLiteral("BENS.TXT"));
    ASSERT_EQ(line.size(), 128 + 2);
    EXPECT_EQ(line.mid(13, 32), QByteArray("Mesa ? azul").leftJustified(32, ' '));
    f.db.exec(QStringLiteral("DELETE FROM Bens"));
    f.bens().requery();
    f.run.ImportSDF(f.bens(), f.folder);
    EXPECT_EQ(f.db.scalar(QStringLiteral("SELECT BENOME || '|' || BEVALOR FROM Bens")).toString(),
              QStringLiteral("Mesa ? azul|10.5"));
}
