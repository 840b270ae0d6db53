#include "core/common/Progress.h"
#include "core/exchange/ExchangeRun.h"
#include "core/options/OptionsForm.h"
#include "support/TestDatabase.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct Options : ::testing::Test {
    TestDatabase db;
    Settings& settings = db.dados().settings();
    OptionsForm form;

    // The dialog loaded from the settings, with automatic coding under a coding.
    void loadWith(Coding coding, const QString& lastCode) {
        settings.AutoId = true;
        settings.CodeBar = coding == Coding::EAN8    ? QStringLiteral("EAN8")
                           : coding == Coding::EAN13 ? QStringLiteral("EAN13")
                                                     : QString();
        settings.LastCode = lastCode;
        loadOptions(form, settings);
    }
    // The user picks another coding.
    void choose(Coding coding) {
        form.coding = coding;
        UpdateDependentControls(form);
    }
    OptionsControl validate() { return ValidateOptions(form, db.dados(), db.prompter()); }
    QString ini() { return db.dados().IniPath(); }
    // Nothing of the options was written (the test's own [DB] section aside).
    bool optionsWritten() {
        return QFile::exists(ini()) && readAll(ini()) != db.dir().databaseSection();
    }
};

}  // namespace

TEST_F(Options, LoadingFillsEveryControlAndKeepsAnUnknownDelimiterSelection) {
    loadOptions(form, settings);
    EXPECT_FALSE(form.autoId);
    EXPECT_EQ(form.coding, Coding::None);
    EXPECT_EQ(form.lastCodeMaxLength, 13);
    EXPECT_EQ(form.delimiter, DelimiterChoice::Comma);
    EXPECT_EQ(form.decimalPoint, QStringLiteral("."));
    EXPECT_EQ(form.textQualifier, QStringLiteral("\""));
    EXPECT_EQ(form.dirCSV, db.dir().path());

    settings.UseSDF = true;
    settings.UseTXT = true;
    settings.Delimiter = QStringLiteral("\t");
    loadOptions(form, settings);
    EXPECT_TRUE(form.useTXT);
    EXPECT_FALSE(form.useSDF);
    EXPECT_EQ(form.delimiter, DelimiterChoice::Tab);
    // A delimiter the dialog does not offer leaves the previous choice, or none.
    settings.Delimiter = QStringLiteral("|");
    loadOptions(form, settings);
    EXPECT_EQ(form.delimiter, DelimiterChoice::Tab);
    OptionsForm fresh;
    settings.Delimiter.clear();
    loadOptions(fresh, settings);
    EXPECT_FALSE(fresh.delimiter.has_value());
}

TEST_F(Options, TextFormatsExcludeEachOtherAndDependentControlsFollow) {
    form.setUseTXT(true);
    form.setUseSDF(true);
    EXPECT_TRUE(form.useSDF);
    EXPECT_FALSE(form.useTXT);
    form.setUseTXT(true);
    EXPECT_FALSE(form.useSDF);
    form.setUseTXT(false);
    EXPECT_FALSE(form.useSDF);  // clearing never ticks the other
    EXPECT_FALSE(form.useTXT);

    EnabledControls e = UpdateDependentControls(form);
    EXPECT_FALSE(e.coding || e.lastCode || e.delimiter || e.decimalPoint || e.textQualifier);
    form.autoId = true;
    form.useSDF = true;
    e = UpdateDependentControls(form);
    EXPECT_TRUE(e.coding && e.lastCode && e.decimalPoint && e.dirSDF);
    EXPECT_FALSE(e.delimiter || e.textQualifier || e.dirTXT || e.dirCSV || e.dirDBF);
    form.useCSV = true;
    e = UpdateDependentControls(form);
    EXPECT_TRUE(e.delimiter && e.textQualifier && e.dirCSV);

    // The code's maximum length follows the coding; none selected keeps it.
    form.lastCode = QStringLiteral("1234567890123");
    for (auto [coding, max] :
         {std::pair{Coding::EAN8, 7}, {Coding::EAN13, 12}, {Coding::None, 13}}) {
        form.coding = coding;
        UpdateDependentControls(form);
        EXPECT_EQ(form.lastCodeMaxLength, max);
    }
    form.coding = Coding::EAN8;
    UpdateDependentControls(form);
    form.coding.reset();
    UpdateDependentControls(form);
    EXPECT_EQ(form.lastCodeMaxLength, 7);
    EXPECT_EQ(form.lastCode, QStringLiteral("1234567890123"));  // never cut
}

TEST_F(Options, CodeSwitchedFromEan13ToEan8LosesItsZerosAndIsStored) {
    loadWith(Coding::EAN13, QStringLiteral("000001234567"));
    choose(Coding::EAN8);
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::None);
    EXPECT_TRUE(db.prompter().shown.isEmpty());
    EXPECT_EQ(form.lastCode, QStringLiteral("1234567"));
    EXPECT_EQ(settings.LastCode, QStringLiteral("1234567"));
    EXPECT_EQ(settings.CodeBar, QStringLiteral("EAN8"));
    EXPECT_TRUE(readAll(ini()).contains("LastCode=1234567"));
}

TEST_F(Options, CodeTooLongForTheNewCodingIsRefusedAndNothingIsWritten) {
    loadWith(Coding::EAN13, QStringLiteral("123456789012"));
    choose(Coding::EAN8);
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::LastCode);
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("O último código automático no padrão EAN-8 deve ter 7 "
                                         "dígitos!")});
    EXPECT_EQ(db.prompter().shown[0].kind, Prompter::Kind::Error);
    EXPECT_EQ(db.prompter().beeps, 1);
    EXPECT_EQ(settings.CodeBar, QStringLiteral("EAN13"));
    EXPECT_FALSE(optionsWritten());
    // Without automatic coding the length is not checked.
    form.autoId = false;
    db.prompter().clear();
    EXPECT_EQ(validate(), OptionsControl::None);
}

TEST_F(Options, ShortEanCodeIsZeroFilledAndTheZeroWarningMayAcceptIt) {
    loadWith(Coding::EAN8, QString());
    form.lastCode = QStringLiteral("123");
    db.prompter().plan({Prompter::Answer::Cancel});
    EXPECT_EQ(validate(), OptionsControl::LastCode);
    EXPECT_EQ(form.lastCode, QStringLiteral("0000123"));
    ASSERT_EQ(db.prompter().shown.size(), 1);
    EXPECT_EQ(
        db.prompter().shown[0].text,
        QStringLiteral("Códigos no padrão EAN não devem começar com o dígito 0 (zero), pois os "
                       "leitores de códigos de barras podem confundí-los com o padrão UPC!"));
    EXPECT_EQ(db.prompter().shown[0].kind, Prompter::Kind::Warning);
    EXPECT_EQ(db.prompter().shown[0].buttons, Prompter::Buttons::OkCancel);
    EXPECT_EQ(db.prompter().beeps, 1);

    db.prompter().plan({Prompter::Answer::Ok});
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::None);
    EXPECT_EQ(settings.LastCode, QStringLiteral("0000123"));
}

TEST_F(Options, WithoutBarCodeTheWidthIsTheTypedLength) {
    loadWith(Coding::None, QStringLiteral("000123"));
    EXPECT_EQ(validate(), OptionsControl::None);
    EXPECT_EQ(form.lastCode, QStringLiteral("000123"));
    form.autoId = false;
    form.lastCode = QStringLiteral("000123");
    EXPECT_EQ(validate(), OptionsControl::None);
    EXPECT_EQ(form.lastCode, QStringLiteral("123"));
    // Letters are dropped only under automatic coding.
    form.lastCode = QStringLiteral("0A12");
    EXPECT_EQ(validate(), OptionsControl::None);
    EXPECT_EQ(form.lastCode, QStringLiteral("A12"));
    form.autoId = true;
    form.lastCode = QStringLiteral("0A12");
    EXPECT_EQ(validate(), OptionsControl::None);
    EXPECT_EQ(form.lastCode, QStringLiteral("0012"));
    EXPECT_TRUE(db.prompter().shown.isEmpty());
}

TEST_F(Options, CodeBelowTheHighestStoredCodeIsRefusedEvenWithoutAutomaticCoding) {
    db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('500'), ('99')"));
    loadOptions(form, settings);
    form.lastCode = QStringLiteral("499");
    EXPECT_EQ(validate(), OptionsControl::LastCode);
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("O último código automático deve ser maior ou igual a "
                                         "500, pois este é o maior código patrimonial já "
                                         "existente na base de dados!")});
    db.prompter().clear();
    form.lastCode = QStringLiteral("500");
    EXPECT_EQ(validate(), OptionsControl::None);

    // The highest code is read in the form of the coding in force, not the
    // dialog's unapplied choice.
    db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('7891234567895')"));
    loadWith(Coding::EAN13, QStringLiteral("789123456788"));
    choose(Coding::None);
    EXPECT_EQ(validate(), OptionsControl::LastCode);
    EXPECT_TRUE(db.prompter().texts().value(0).contains(QStringLiteral(" a 789123456789, ")));
}

TEST_F(Options, CsvNeedsACommaOrSemicolonUnlessDelimitedTextIsOn) {
    settings.UseCSV = true;
    settings.Delimiter = QStringLiteral("\t");
    loadOptions(form, settings);
    // Pressing OK without changes still validates.
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::Delimiter);
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Delimitador para arquivos CSV deve ser vírgula ou "
                                         "ponto-e-vírgula!")});
    EXPECT_FALSE(optionsWritten());
    form.delimiter = DelimiterChoice::Space;
    EXPECT_EQ(validate(), OptionsControl::Delimiter);
    form.setUseTXT(true);
    EXPECT_EQ(validate(), OptionsControl::None);
    form.useTXT = false;
    for (auto choice : {DelimiterChoice::Comma, DelimiterChoice::Semicolon}) {
        form.delimiter = choice;
        EXPECT_EQ(validate(), OptionsControl::None);
    }
    form.delimiter.reset();
    EXPECT_EQ(validate(), OptionsControl::None);
}

TEST_F(Options, TextSettingsWhoseFilesWouldNotReadBackAreRefused) {
    const QString decimalComma = QStringLiteral(
        "Separador decimal igual ao delimitador do arquivo CSV exige um qualificador de texto!");
    settings.UseCSV = true;
    settings.Delimiter = QStringLiteral(",");
    settings.DecimalPoint = QStringLiteral(",");
    settings.TextQualifier = QString();
    loadOptions(form, settings);
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::DecimalPoint);
    EXPECT_EQ(db.prompter().texts(), QStringList{decimalComma});
    EXPECT_FALSE(optionsWritten());
    // A qualifier, or the other separator, makes the same decimal comma writable.
    form.textQualifier = QStringLiteral("'");
    EXPECT_EQ(validate(), OptionsControl::None);
    form.textQualifier = QStringLiteral(",");
    EXPECT_EQ(validate(), OptionsControl::DecimalPoint);
    form.textQualifier = QString();
    form.delimiter = DelimiterChoice::Semicolon;
    EXPECT_EQ(validate(), OptionsControl::None);
    // A digit as decimal mark cannot be told from the amount's digits.
    form.decimalPoint = QStringLiteral("0");
    db.prompter().clear();
    EXPECT_EQ(validate(), OptionsControl::DecimalPoint);
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Separador decimal deve ser um único caractere, que não "
                                         "seja algarismo nem sinal!")});
    // A run with such settings, from a settings file edited by hand, does not start.
    ExchangeRun run(db.dados(), db.prompter(), noProgress());
    db.prompter().clear();
    EXPECT_FALSE(run.AskQuestions(ExchangeRun::Direction::Import));
    EXPECT_FALSE(run.AskCheckQuestions());
    EXPECT_EQ(db.prompter().texts(), (QStringList{decimalComma, decimalComma}));
}

// Both text formats on in one folder (an empty one is the program folder) would
// write each other's files.
TEST_F(Options, BothTextFormatsInOneFolderAreRefusedOnTheFolder) {
    settings.DirSDF = QString();
    settings.DirTXT = db.dir().path() + QStringLiteral("/");
    loadOptions(form, settings);
    form.useSDF = form.useTXT = true;
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::DirTXT);
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Texto de largura fixa e texto delimitado gravam arquivos "
                                         "de mesmo nome (.TXT): com os dois formatos habilitados, "
                                         "as pastas dos dois devem ser diferentes!")});
    EXPECT_FALSE(optionsWritten());
    form.dirTXT = db.dir().file(QStringLiteral("delimitado"));
    EXPECT_EQ(validate(), OptionsControl::None);
}

TEST_F(Options, StoringKeepsSettingsOfEmptyChoicesAndDefaultsStoreNothingByThemselves) {
    settings.Delimiter = QStringLiteral(";");
    settings.CodeBar = QStringLiteral("EAN13");
    form.decimalPoint = QStringLiteral(",");
    form.textQualifier = QString();
    form.dirTXT = QStringLiteral("/x");
    storeOptions(form, settings);
    EXPECT_EQ(settings.Delimiter, QStringLiteral(";"));
    EXPECT_EQ(settings.CodeBar, QStringLiteral("EAN13"));
    EXPECT_EQ(settings.TextQualifier, QString());
    EXPECT_EQ(settings.DirTXT, QStringLiteral("/x"));

    restoreTextDefaults(form);
    defaultFolders(form, QStringLiteral("/app"));
    EXPECT_EQ(settings.DecimalPoint, QStringLiteral(","));
    EXPECT_EQ(form.delimiter, DelimiterChoice::Comma);
    EXPECT_EQ(form.decimalPoint, QStringLiteral("."));
    EXPECT_EQ(form.textQualifier, QStringLiteral("\""));
    EXPECT_EQ(form.dirDBF + form.dirSDF + form.dirTXT + form.dirCSV,
              QStringLiteral("/app/app/app/app"));
    form.delimiter = DelimiterChoice::Tab;
    form.coding = Coding::None;
    storeOptions(form, settings);
    EXPECT_EQ(settings.Delimiter, QStringLiteral("\t"));
    EXPECT_EQ(settings.CodeBar, QString());
}

TEST_F(Options, TheColetorNeedsAnAddressOfTheMachineFormAndTwoPorts) {
    loadOptions(form, settings);
    form.coletorEndereco = QStringLiteral("servidor");
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::ColetorAddress);
    form.coletorEndereco = QStringLiteral(" 192.168.0.10 ");
    form.coletorPortaConfiguracao = form.coletorPorta;
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::ColetorPort);
    EXPECT_EQ(db.prompter().texts(),
              QStringList({QStringLiteral("Endereço do coletor inválido: servidor."),
                           QStringLiteral("A porta do coletor e a porta da configuração devem "
                                          "ser diferentes.")}));
    EXPECT_FALSE(optionsWritten());
    form.coletorPortaConfiguracao = 8081;
    form.coletorAtivo = true;
    EXPECT_EQ(ApplyOptions(form, db.dados(), db.prompter()), OptionsControl::None);
    EXPECT_EQ(settings.ColetorEndereco, u"192.168.0.10");
    EXPECT_TRUE(settings.ColetorAtivo);
    EXPECT_EQ(settings.ColetorPortaConfiguracao, 8081);
}
