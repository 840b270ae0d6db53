#include "core/exchange/ExchangeFixture.h"

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

const auto kBens = [](int i) { return i == 2; };
const auto kLocais = [](int i) { return i == 1; };

// An asset line of a comma-separated file of another program: code, amount, purchase date.
QByteArray bemLine(const char* code, const char* amount, const char* purchase) {
    return QByteArray(code) + ";Mesa;;;;;" + amount + ";" + purchase + "\r\n";
}

}  // namespace

TEST(ImportRules, ValuesTheFormatCannotReadAreRecordErrorsNamingFileLineFieldAndValue) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    f.settings().DecimalPoint = QStringLiteral(",");
    f.settings().Delimiter = QStringLiteral(";");
    f.write(QStringLiteral("BENS.CSV"),
            bemLine("A1", "12345", "20240229") + bemLine("A2", "1.234,50", "") +
                bemLine("A3", "abc", "") + bemLine("A4", "1,5", "15/03/2024") +
                bemLine("A5", "", "03/15/2024") + bemLine("A6", "100000000,000", "") +
                bemLine("A7", "-99999999,999", "2023-02-29"));
    f.run.OverwriteData = true;
    f.run.RunCheck(kBens);
    EXPECT_EQ(f.run.Problems,
              (QStringList{
                  QStringLiteral("BENS.CSV, linha 2, BEVALOR: '1.234,50' não é um valor numérico "
                                 "válido."),
                  QStringLiteral("BENS.CSV, linha 3, BEVALOR: 'abc' não é um valor numérico "
                                 "válido."),
                  QStringLiteral("BENS.CSV, linha 4, BECOMPRA: '15/03/2024' não é uma data válida "
                                 "(aceitas: aaaammdd ou aaaa/mm/dd)."),
                  QStringLiteral("BENS.CSV, linha 5, BECOMPRA: '03/15/2024' não é uma data válida "
                                 "(aceitas: aaaammdd ou aaaa/mm/dd)."),
                  QStringLiteral("BENS.CSV, linha 6, BEVALOR: '100000000,000' está fora dos "
                                 "limites do campo (-99999999,999 a 99999999,999)."),
                  QStringLiteral("BENS.CSV, linha 7, BECOMPRA: '2023-02-29' não é uma data válida "
                                 "(aceitas: aaaammdd ou aaaa/mm/dd)."),
              }));
    EXPECT_EQ(f.run.checkSummary(), QStringLiteral("Verificação: 7 registros lidos, 6 erros."));
    EXPECT_TRUE(f.rows(QStringLiteral("Bens")).isEmpty());
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());

    // The real run stores what it can read (implied decimals, 29 February) and
    // stops at the first record it cannot.
    f.run.OverwriteData = false;
    f.run.RunTables(ExchangeRun::Direction::Import, kBens);
    EXPECT_EQ(f.db.column(QStringLiteral("SELECT BECODIGO || ' ' || BEVALOR || ' ' || BECOMPRA "
                                         "FROM Bens")),
              QStringList{QStringLiteral("A1 12.345 2024-02-29")});
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral(
                  "BENS.CSV, linha 2, BEVALOR: '1.234,50' não é um valor numérico válido.\nA "
                  "importação foi interrompida; os registros anteriores a este foram mantidos.")});
}

TEST(ImportRules, LoneCarriageReturnsEndLinesAndBlankOrControlLinesAreSkipped) {
    ExchangeFixture f;
    f.useFormats(false, false, true, false);
    f.settings().Delimiter = QStringLiteral(";");
    f.write(QStringLiteral("LOCAIS.TXT"), "1;A;B;C\r2;D;E;F\r\n \t \r\n\n3;G;H;I\n\x1A");
    f.run.RunTables(ExchangeRun::Direction::Import, kLocais);
    EXPECT_EQ(f.rows(QStringLiteral("Locais")),
              (QStringList{QStringLiteral("1|A|B|C"), QStringLiteral("2|D|E|F"),
                           QStringLiteral("3|G|H|I")}));
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 3 registros de LOCAIS.TXT concluída!\r\n"));
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());

    // Line numbers count every line end, the lone CR included.
    f.write(QStringLiteral("LOCAIS.TXT"), "1;A;B;C\r\r2;A;B;12345\r\n");
    f.run.RunTables(ExchangeRun::Direction::Import, kLocais);
    EXPECT_TRUE(
        f.db.prompter().texts().value(0).startsWith(QStringLiteral("LOCAIS.TXT, linha 3: ")));
}

TEST(ImportRules, ReadsUtf8FilesWithOrWithoutTheMarkAndEverythingElseAsWindows1252) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    // The mark is dropped and the header after it still recognised.
    f.write(QStringLiteral("LOCAIS.CSV"),
            "\xEF\xBB\xBF\"C\xC3\xB3"
            "digo\",\"Pr\xC3\xA9"
            "dio\",\"Depto.\",\"Sala\"\r\n"
            "\"L1\",\"S\xC3\xA3o\",\"\",\"\"\r\n");
    f.run.ImportCSV(f.locais(), f.folder);
    // Valid UTF-8 without the mark; and Windows-1252, whose accents are no UTF-8.
    f.write(QStringLiteral("OPERADOR.CSV"), "\"O1\",\"\",\"Jo\xC3\xA3o \xE2\x82\xAC\"\r\n");
    f.run.ImportCSV(f.operadores(), f.folder);
    f.write(QStringLiteral("OPERADOR.CSV"), "\"O2\",\"\",\"Jo\xE3o \x80\"\r\n");
    f.run.ImportCSV(f.operadores(), f.folder);
    EXPECT_EQ(f.rows(QStringLiteral("Locais")),
              QStringList{QStringLiteral("L1|São|<null>|<null>")});
    EXPECT_EQ(
        f.rows(QStringLiteral("Operadores")),
        (QStringList{QStringLiteral("O1|<null>|João €"), QStringLiteral("O2|<null>|João €")}));
    EXPECT_TRUE(f.db.prompter().shown.isEmpty())
        << qPrintable(f.db.prompter().texts().join(QStringLiteral("\n")));
}

TEST(ImportRules, FindsFilesNamedInOtherLetterCaseAndAnEmptyFolderIsTheProgramFolder) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    f.write(QStringLiteral("Locais.csv"), "\"L1\",\"A\",\"B\",\"C\"\r\n");
    f.run.RunTables(ExchangeRun::Direction::Import, kLocais);
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("L1|A|B|C")});
    EXPECT_EQ(f.run.RunMessages,
              QStringLiteral("Importação de 1 registros de Locais.csv concluída!\r\n"));

    const QString appDir = f.db.dados().AppDir();
    f.settings().DirCSV = QString();
    f.run.RunTables(ExchangeRun::Direction::Import, kLocais);
    EXPECT_EQ(f.db.prompter().texts(),
              QStringList{QStringLiteral("Arquivo ") + appDir +
                          QStringLiteral("/LOCAIS.CSV não encontrado. Importação de dados não "
                                         "efetuada!")});
    writeAll(appDir + QStringLiteral("/bens.csv"), "\"B1\"\r\n");
    f.run.RunTables(ExchangeRun::Direction::Import, kBens);
    EXPECT_EQ(f.db.column(QStringLiteral("SELECT BECODIGO FROM Bens")),
              QStringList{QStringLiteral("B1")});
}
