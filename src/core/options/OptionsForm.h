#pragma once

#include "core/common/Coding.h"
#include "core/data/Settings.h"

#include <QString>

#include <functional>
#include <optional>

namespace ambitra {

class Prompter;
class TDados;
struct Settings;

// Field delimiters of the text formats, in the order the dialog offers them.
enum class DelimiterChoice { Comma, Semicolon, Tab, Space };

QString delimiterCaption(DelimiterChoice choice);  // "vírgula", ...

// The options dialog's controls as values: what it loads from the settings, what
// the user changes and what it stores back. A radio group may have no selection.
struct OptionsForm {
    bool autoId = false;
    std::optional<Coding> coding;
    QString lastCode;
    int lastCodeMaxLength = 13;
    bool useDBF = false;
    bool useSDF = false;  // fixed-width text
    bool useTXT = false;  // delimited text
    bool useCSV = false;
    std::optional<DelimiterChoice> delimiter;
    QString decimalPoint;
    QString textQualifier;
    QString dirDBF;
    QString dirSDF;
    QString dirTXT;
    QString dirCSV;
    QString labelTitle;
    bool review = false;  // readings wait for review before they are applied
    // The handheld service: on with the window, address, HTTPS and setup ports.
    bool coletorAtivo = false;
    QString coletorEndereco;
    int coletorPorta = kDefaultColetorPort;
    int coletorPortaConfiguracao = kDefaultColetorSetupPort;

    // The two text formats exclude each other: ticking one clears the other;
    // clearing one leaves the other as it is.
    void setUseSDF(bool on);
    void setUseTXT(bool on);
};

// Which controls are enabled, by what is ticked.
struct EnabledControls {
    bool coding = false;
    bool lastCode = false;
    bool delimiter = false;
    bool decimalPoint = false;
    bool textQualifier = false;
    bool dirDBF = false;
    bool dirSDF = false;
    bool dirTXT = false;
    bool dirCSV = false;
};

// Fills the controls from the settings in the dialog's loading order. A
// delimiter the dialog does not offer leaves the selection as it was.
void loadOptions(OptionsForm& form, const Settings& settings);
// Sets the code's maximum length by the coding (a longer text is not cut) and
// says which controls are enabled.
EnabledControls UpdateDependentControls(OptionsForm& form);
// "Padrões": the three text-format defaults.
void restoreTextDefaults(OptionsForm& form);
// "Diretório padrão": every folder is the program's folder.
void defaultFolders(OptionsForm& form, const QString& appDir);

// The control a failed validation puts the focus on: the code, the delimiter and
// the decimal separator on the first page, the folders on the second.
enum class OptionsControl {
    None,
    LastCode,
    Delimiter,
    DecimalPoint,
    DirDBF,
    DirSDF,
    DirTXT,
    DirCSV,
    ColetorAddress,
    ColetorPort
};

// Called before a message of the validation is shown, with the control it is
// about: the window shows the code as reshaped so far and brings that control's
// page forward, so the user sees what the message speaks of.
using BeforeMessage = std::function<void(OptionsControl)>;

// Checks the controls step by step, as they may be stored; the code is reshaped
// on the way (leading zeros stripped, zero-filled to its width), also when a
// later step fails. A failure beeps and shows its message; the EAN zero warning
// lets the user accept the code. A folder whose name the settings file cannot
// hold (a character outside Windows-1252) is refused. Returns the control to
// focus, None when valid.
OptionsControl ValidateOptions(OptionsForm& form, TDados& dados, Prompter& prompter,
                               const BeforeMessage& beforeMessage = {});
// Copies the controls into the settings (a radio group without a selection
// leaves its setting unchanged).
void storeOptions(const OptionsForm& form, Settings& settings);
// "Aplicar" and "OK": validate, store and write the settings file.
OptionsControl ApplyOptions(OptionsForm& form, TDados& dados, Prompter& prompter,
                            const BeforeMessage& beforeMessage = {});

}  // namespace ambitra
