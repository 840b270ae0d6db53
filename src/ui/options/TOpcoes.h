#pragma once

#include "core/options/OptionsForm.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

class MaxLengthValidator;

// The modal options dialog "Opções": automatic asset codes, the exchange formats
// with their delimiter, decimal separator and text qualifier, and the folder of
// each format. Created once at start; every showing loads the settings; "OK" and
// "Aplicar" validate, store and write them. Its controls mirror an OptionsForm,
// whose rules live in the core.
class TOpcoes : public QDialog {
    Q_OBJECT

  public:
    TOpcoes(TDados& dados, Prompter& prompter, QWidget* parent = nullptr);

    // Loads the controls from the settings (every showing).
    void FormActivate();
    void BitBtn1Click();  // "OK"
    void BitBtn3Click();  // "Aplicar"
    void BitBtn4Click();  // "Diretório padrão"
    void BitBtn5Click();  // "Padrões"
    // A folder button: the picker for the folder edit of that index (0 to 3).
    void folderButtonClick(int index);

    const OptionsForm& form() const { return m_form; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* buildPreferences();
    QWidget* buildFolders();
    QLayout* buildButtons();
    void connectControls();
    // The controls take the form's values (no change handling runs).
    void showForm();
    // A change by the user: the form takes it, dependent controls follow and
    // "Aplicar" is enabled.
    void AnyChange();
    void UpdateDependentControls();
    // Validate, store and write; a message is preceded by the code as reshaped so
    // far and the page of the control it is about.
    bool apply();
    void showReshapedCode();
    void focusControl(OptionsControl control);

    TDados& m_dados;
    Prompter& m_prompter;
    OptionsForm m_form;
    QTabWidget* m_pages = nullptr;
    QCheckBox* m_autoId = nullptr;
    QGroupBox* m_codingGroup = nullptr;
    QButtonGroup* m_coding = nullptr;
    QLineEdit* m_lastCode = nullptr;
    MaxLengthValidator* m_lastCodeLimit = nullptr;
    std::array<QCheckBox*, 4> m_formats{};  // dBase, fixed-width, delimited, CSV
    QGroupBox* m_delimiterGroup = nullptr;
    QButtonGroup* m_delimiter = nullptr;
    QLineEdit* m_decimalPoint = nullptr;
    QLineEdit* m_textQualifier = nullptr;
    QLineEdit* m_labelTitle = nullptr;
    QCheckBox* m_review = nullptr;
    QCheckBox* m_coletorAtivo = nullptr;
    QLineEdit* m_coletorEndereco = nullptr;
    QSpinBox* m_coletorPorta = nullptr;
    QSpinBox* m_coletorPortaConfiguracao = nullptr;
    std::array<QLineEdit*, 4> m_folders{};
    std::array<QLabel*, 4> m_folderLabels{};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
};

}  // namespace ambitra::ui
