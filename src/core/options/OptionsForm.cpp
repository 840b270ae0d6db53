#include "core/options/OptionsForm.h"

#include "core/common/NumberConversions.h"
#include "core/common/Cp1252.h"
#include "core/common/Prompter.h"
#include "core/data/Settings.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeOptions.h"

#include <QDir>
#include <QHostAddress>

#include <array>

namespace ambitra {

namespace {

bool isEan(const std::optional<Coding>& coding) {
    return coding && dataDigits(*coding) > 0;
}

QString delimiterText(DelimiterChoice choice) {
    switch (choice) {
        case DelimiterChoice::Comma:
            return QStringLiteral(",");
        case DelimiterChoice::Semicolon:
            return QStringLiteral(";");
        case DelimiterChoice::Tab:
            return QStringLiteral("\t");
        case DelimiterChoice::Space:
            return QStringLiteral(" ");
    }
    return QString();
}

std::optional<DelimiterChoice> delimiterOf(const QString& text,
                                           std::optional<DelimiterChoice> kept) {
    if (text.isEmpty()) {
        return kept;
    }
    switch (text.front().unicode()) {
        case u'\t':
            return DelimiterChoice::Tab;
        case u' ':
            return DelimiterChoice::Space;
        case u',':
            return DelimiterChoice::Comma;
        case u';':
            return DelimiterChoice::Semicolon;
        default:
            return kept;
    }
}

// A failed step: what it is about is shown first, then the beep and the message.
OptionsControl refuse(Prompter& prompter, const BeforeMessage& before, const QString& text,
                      OptionsControl focus) {
    if (before) {
        before(focus);
    }
    prompter.beepError(text);
    return focus;
}

// The settings file is Windows-1252: a folder name with another character would
// come back with "?" in its place, naming a folder that does not exist.
OptionsControl refuseUnstorableFolder(const OptionsForm& form, Prompter& prompter,
                                      const BeforeMessage& before) {
    const std::array<std::pair<const QString*, OptionsControl>, 4> folders = {{
        {&form.dirDBF, OptionsControl::DirDBF},
        {&form.dirSDF, OptionsControl::DirSDF},
        {&form.dirTXT, OptionsControl::DirTXT},
        {&form.dirCSV, OptionsControl::DirCSV},
    }};
    for (const auto& [folder, control] : folders) {
        if (cp1252::decode(cp1252::encode(*folder)) != *folder) {
            return refuse(prompter, before,
                          QStringLiteral("A pasta %1 tem caracteres que o arquivo de opções não "
                                         "pode guardar. Escolha uma pasta cujo nome use apenas "
                                         "letras, algarismos e sinais do alfabeto latino.")
                              .arg(QDir::toNativeSeparators(*folder)),
                          control);
        }
    }
    return OptionsControl::None;
}

// The service listens on one address of the machine (or every one) and on two
// different ports.
OptionsControl refuseColetorSettings(OptionsForm& form, Prompter& prompter,
                                     const BeforeMessage& before) {
    form.coletorEndereco = form.coletorEndereco.trimmed();
    if (!form.coletorEndereco.isEmpty() && QHostAddress(form.coletorEndereco).isNull()) {
        return refuse(prompter, before,
                      QStringLiteral("Endereço do coletor inválido: %1.").arg(form.coletorEndereco),
                      OptionsControl::ColetorAddress);
    }
    const auto valid = [](int port) { return port >= 1 && port <= 65535; };
    if (!valid(form.coletorPorta) || !valid(form.coletorPortaConfiguracao)) {
        return refuse(prompter, before,
                      QStringLiteral("As portas do coletor devem estar entre 1 e 65535."),
                      OptionsControl::ColetorPort);
    }
    if (form.coletorPorta == form.coletorPortaConfiguracao) {
        return refuse(prompter, before,
                      QStringLiteral("A porta do coletor e a porta da configuração devem ser "
                                     "diferentes."),
                      OptionsControl::ColetorPort);
    }
    return OptionsControl::None;
}

}  // namespace

QString delimiterCaption(DelimiterChoice choice) {
    switch (choice) {
        case DelimiterChoice::Comma:
            return QStringLiteral("vírgula");
        case DelimiterChoice::Semicolon:
            return QStringLiteral("ponto-e-vírgula");
        case DelimiterChoice::Tab:
            return QStringLiteral("tabulação");
        case DelimiterChoice::Space:
            return QStringLiteral("espaço");
    }
    return QString();
}

void OptionsForm::setUseSDF(bool on) {
    if (on != useSDF) {
        useSDF = on;
        if (on) {
            useTXT = false;
        }
    }
}

void OptionsForm::setUseTXT(bool on) {
    if (on != useTXT) {
        useTXT = on;
        if (on) {
            useSDF = false;
        }
    }
}

void loadOptions(OptionsForm& form, const Settings& settings) {
    form.autoId = settings.AutoId;
    form.coding = codingOf(settings.CodeBar);
    form.lastCode = settings.LastCode;
    form.useDBF = settings.UseDBF;
    // In the order the controls are loaded: with both text formats on, the
    // delimited one, loaded last, wins.
    form.setUseSDF(settings.UseSDF);
    form.setUseTXT(settings.UseTXT);
    form.useCSV = settings.UseCSV;
    form.delimiter = delimiterOf(settings.Delimiter, form.delimiter);
    form.decimalPoint = settings.DecimalPoint;
    form.textQualifier = settings.TextQualifier;
    form.dirDBF = settings.DirDBF;
    form.dirSDF = settings.DirSDF;
    form.dirTXT = settings.DirTXT;
    form.dirCSV = settings.DirCSV;
    form.labelTitle = settings.LabelTitle;
    form.review = settings.Review;
    form.coletorAtivo = settings.ColetorAtivo;
    form.coletorEndereco = settings.ColetorEndereco;
    form.coletorPorta = settings.ColetorPorta;
    form.coletorPortaConfiguracao = settings.ColetorPortaConfiguracao;
    UpdateDependentControls(form);
}

EnabledControls UpdateDependentControls(OptionsForm& form) {
    if (form.coding) {
        // A coded last code leaves room for the check digit; a plain one fills
        // the code column.
        const int digits = dataDigits(*form.coding);
        form.lastCodeMaxLength = digits > 0 ? digits : 13;
    }
    EnabledControls e;
    e.coding = form.autoId;
    e.lastCode = form.autoId;
    e.delimiter = form.useTXT || form.useCSV;
    e.decimalPoint = form.useSDF || form.useTXT || form.useCSV;
    e.textQualifier = form.useCSV;
    e.dirDBF = form.useDBF;
    e.dirSDF = form.useSDF;
    e.dirTXT = form.useTXT;
    e.dirCSV = form.useCSV;
    return e;
}

void restoreTextDefaults(OptionsForm& form) {
    form.delimiter = DelimiterChoice::Comma;
    form.decimalPoint = QStringLiteral(".");
    form.textQualifier = QStringLiteral("\"");
}

void defaultFolders(OptionsForm& form, const QString& appDir) {
    form.dirDBF = appDir;
    form.dirSDF = appDir;
    form.dirTXT = appDir;
    form.dirCSV = appDir;
}

OptionsControl ValidateOptions(OptionsForm& form, TDados& dados, Prompter& prompter,
                               const BeforeMessage& beforeMessage) {
    const int max = form.lastCodeMaxLength;
    const bool ean = isEan(form.coding);
    // The width the code is zero-filled to: the typed length without a bar code.
    const int width = form.lastCode.size() > max || ean ? max : form.lastCode.size();
    form.lastCode = StripLeadingZeros(form.lastCode);
    if (form.autoId && ean && form.lastCode.size() > max) {
        return refuse(prompter, beforeMessage,
                      QStringLiteral("O último código automático no %1 deve ter %2 dígitos!")
                          .arg(codingCaption(*form.coding))
                          .arg(max),
                      OptionsControl::LastCode);
    }
    if (form.autoId) {
        form.lastCode = DigitsOnly(form.lastCode, width);
    }
    // The highest code in the database, in the form of the coding in force.
    const QString highest = dados.GetLastCode();
    if (TextToFloat(highest) > TextToFloat(form.lastCode)) {
        return refuse(prompter, beforeMessage,
                      QStringLiteral("O último código automático deve ser maior ou igual a %1, "
                                     "pois este é o maior código patrimonial já existente na "
                                     "base de dados!")
                          .arg(highest),
                      OptionsControl::LastCode);
    }
    if (form.autoId && ean && form.lastCode.startsWith(u'0')) {
        if (beforeMessage) {
            beforeMessage(OptionsControl::LastCode);
        }
        prompter.beep();
        const auto answer = prompter.message(
            Prompter::Kind::Warning,
            QStringLiteral("Códigos no padrão EAN não devem começar com o dígito 0 (zero), pois "
                           "os leitores de códigos de barras podem confundí-los com o padrão UPC!"),
            Prompter::Buttons::OkCancel);
        if (answer != Prompter::Answer::Ok) {
            return OptionsControl::LastCode;
        }
    }
    if (!form.useTXT && form.useCSV &&
        (form.delimiter == DelimiterChoice::Tab || form.delimiter == DelimiterChoice::Space)) {
        return refuse(prompter, beforeMessage,
                      QStringLiteral("Delimitador para arquivos CSV deve ser vírgula ou "
                                     "ponto-e-vírgula!"),
                      OptionsControl::Delimiter);
    }
    // Settings whose files would not read back into the same register.
    const TextOptions text{
        form.useSDF,
        form.useTXT,
        form.useCSV,
        form.delimiter ? delimiterText(*form.delimiter) : dados.settings().Delimiter,
        form.decimalPoint,
        form.textQualifier,
        form.dirSDF,
        form.dirTXT};
    if (const QString folders = textFolderProblem(text, dados.AppDir()); !folders.isEmpty()) {
        return refuse(prompter, beforeMessage, folders, OptionsControl::DirTXT);
    }
    const QString problem = textOptionsProblem(text, dados.AppDir());
    if (!problem.isEmpty()) {
        return refuse(prompter, beforeMessage, problem, OptionsControl::DecimalPoint);
    }
    if (const OptionsControl folder = refuseUnstorableFolder(form, prompter, beforeMessage);
        folder != OptionsControl::None) {
        return folder;
    }
    return refuseColetorSettings(form, prompter, beforeMessage);
}

void storeOptions(const OptionsForm& form, Settings& settings) {
    settings.AutoId = form.autoId;
    if (form.coding) {
        settings.CodeBar = codeBarOf(*form.coding);
    }
    settings.LastCode = form.lastCode;
    settings.UseDBF = form.useDBF;
    settings.UseSDF = form.useSDF;
    settings.UseTXT = form.useTXT;
    settings.UseCSV = form.useCSV;
    if (form.delimiter) {
        settings.Delimiter = delimiterText(*form.delimiter);
    }
    settings.DecimalPoint = form.decimalPoint;
    settings.TextQualifier = form.textQualifier;
    settings.DirDBF = form.dirDBF;
    settings.DirSDF = form.dirSDF;
    settings.DirTXT = form.dirTXT;
    settings.DirCSV = form.dirCSV;
    settings.LabelTitle = form.labelTitle;
    settings.Review = form.review;
    settings.ColetorAtivo = form.coletorAtivo;
    settings.ColetorEndereco = form.coletorEndereco;
    settings.ColetorPorta = form.coletorPorta;
    settings.ColetorPortaConfiguracao = form.coletorPortaConfiguracao;
}

OptionsControl ApplyOptions(OptionsForm& form, TDados& dados, Prompter& prompter,
                            const BeforeMessage& beforeMessage) {
    const OptionsControl failed = ValidateOptions(form, dados, prompter, beforeMessage);
    if (failed == OptionsControl::None) {
        storeOptions(form, dados.settings());
        dados.WriteIniFile();
    }
    return failed;
}

}  // namespace ambitra
