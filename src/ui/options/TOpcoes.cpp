#include "ui/options/TOpcoes.h"

#include "ui/widgets/BrowseForFolder.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

namespace ambitra::ui {

// A maximum length that stops typing beyond it without cutting a longer text
// that was already there (the code edit's maximum follows the coding): an edit
// that makes such a text shorter is always allowed.
class MaxLengthValidator : public QValidator {
  public:
    using QValidator::QValidator;
    int maximum = 13;
    // The edit already holds the changed text while it asks, so the text it
    // showed before is remembered here: accepted edits, and texts the program sets.
    void remember(const QString& text) { m_shown = text; }
    State validate(QString& input, int&) const override {
        if (input.size() > maximum && input.size() >= m_shown.size()) {
            return Invalid;
        }
        m_shown = input;
        return Acceptable;
    }

  private:
    mutable QString m_shown;
};

namespace {

QLineEdit* labeledEdit(const char* name, const QString& caption, QGridLayout* grid, int row,
                       int column, QWidget* parent, QLabel** labelOut = nullptr) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name) + QStringLiteral("Label"));
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row + 1, column);
    if (labelOut != nullptr) {
        *labelOut = label;
    }
    return edit;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// A group of radio buttons, one per caption, ids in order.
QGroupBox* radioGroup(const char* name, const QString& title, const QStringList& captions,
                      QButtonGroup*& group, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto* radio = new QRadioButton(captions[i], box);
        radio->setObjectName(QString::fromLatin1(name) + QLatin1Char('_') + QString::number(i));
        group->addButton(radio, i);
        layout->addWidget(radio);
    }
    return box;
}

// Checks the button of that id, or none.
void select(QButtonGroup* group, int id) {
    if (id >= 0) {
        group->button(id)->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons()) {
        b->setChecked(false);
    }
    group->setExclusive(true);
}

template <typename E>
int idOf(const std::optional<E>& choice) {
    return choice ? static_cast<int>(*choice) : -1;
}

template <typename E>
std::optional<E> choiceOf(const QButtonGroup* group) {
    const int id = group->checkedId();
    return id < 0 ? std::nullopt : std::optional<E>(static_cast<E>(id));
}

}  // namespace

TOpcoes::TOpcoes(TDados& dados, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_dados(dados), m_prompter(prompter) {
    setObjectName(QStringLiteral("Opcoes"));
    setWindowTitle(QStringLiteral("Opções"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->addTab(buildPreferences(), QStringLiteral("Preferências"));
    m_pages->addTab(buildFolders(), QStringLiteral("Diretórios"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_pages);
    layout->addLayout(buildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connectControls();
    m_pages->setCurrentIndex(0);
}

QWidget* TOpcoes::buildPreferences() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));

    auto* ids = new QGroupBox(QStringLiteral(" Identificação de Bens Patrimoniais "), page);
    ids->setObjectName(QStringLiteral("GroupBox1"));
    auto* idGrid = new QGridLayout(ids);
    m_autoId = new QCheckBox(QStringLiteral("Codificação automática"), ids);
    m_autoId->setObjectName(QStringLiteral("CheckBox1"));
    idGrid->addWidget(m_autoId, 0, 0);
    m_lastCode =
        labeledEdit("LabeledEdit1", QStringLiteral("Último código automático"), idGrid, 1, 0, ids);
    m_lastCodeLimit = new MaxLengthValidator(m_lastCode);
    m_lastCode->setValidator(m_lastCodeLimit);
    auto* note = new QLabel(QStringLiteral("Sem o dígito verificador quando no padrão EAN"), ids);
    note->setObjectName(QStringLiteral("Label1"));
    note->setEnabled(false);
    idGrid->addWidget(note, 3, 0);
    m_codingGroup = radioGroup(
        "RadioGroup1", QStringLiteral(" Usar codificação "),
        {codingCaption(Coding::EAN8), codingCaption(Coding::EAN13), codingCaption(Coding::None)},
        m_coding, ids);
    idGrid->addWidget(m_codingGroup, 0, 1, 4, 1);
    idGrid->setColumnStretch(0, 1);

    auto* formats = new QGroupBox(QStringLiteral(" Importação/Exportação "), page);
    formats->setObjectName(QStringLiteral("GroupBox2"));
    auto* formatGrid = new QGridLayout(formats);
    const std::array<const char*, 4> captions = {
        "Usar formato dBase (*.dbf)", "Usar formato texto padrão (*.txt)",
        "Usar formato texto delimitado (*.txt)", "Usar formato separado por vírgulas (*.csv)"};
    for (int i = 0; i < 4; ++i) {
        m_formats[i] = new QCheckBox(QString::fromUtf8(captions[i]), formats);
        m_formats[i]->setObjectName(QStringLiteral("CheckBox%1").arg(i + 2));
        formatGrid->addWidget(m_formats[i], i, 0, 1, 2);
    }
    m_formats[1]->setToolTip(QStringLiteral("Standard Data Format"));
    m_delimiterGroup = radioGroup(
        "RadioGroup2", QStringLiteral(" Delimitador "),
        {delimiterCaption(DelimiterChoice::Comma), delimiterCaption(DelimiterChoice::Semicolon),
         delimiterCaption(DelimiterChoice::Tab), delimiterCaption(DelimiterChoice::Space)},
        m_delimiter, formats);
    formatGrid->addWidget(m_delimiterGroup, 0, 2, 6, 1);
    m_decimalPoint =
        labeledEdit("LabeledEdit6", QStringLiteral("Separador decimal"), formatGrid, 4, 0, formats);
    m_textQualifier = labeledEdit("LabeledEdit7", QStringLiteral("Qualificador de texto"),
                                  formatGrid, 4, 1, formats);
    m_decimalPoint->setMaxLength(1);
    m_textQualifier->setMaxLength(1);
    auto* defaults = button("BitBtn5", QStringLiteral("Padrões"), formats);
    formatGrid->addWidget(defaults, 6, 2);
    connect(defaults, &QPushButton::clicked, this, &TOpcoes::BitBtn5Click);

    auto* labels = new QGroupBox(QStringLiteral(" Etiquetas "), page);
    labels->setObjectName(QStringLiteral("GroupBox3"));
    auto* labelGrid = new QGridLayout(labels);
    m_labelTitle = labeledEdit("LabeledEdit8", QStringLiteral("Título das etiquetas"), labelGrid, 0,
                               0, labels);
    m_labelTitle->setMaxLength(60);

    auto* inventory = new QGroupBox(QStringLiteral(" Inventário "), page);
    inventory->setObjectName(QStringLiteral("GroupBox4"));
    auto* inventoryLayout = new QVBoxLayout(inventory);
    m_review = new QCheckBox(QStringLiteral("Conferir leituras antes de aplicar"), inventory);
    m_review->setObjectName(QStringLiteral("CheckBox6"));
    m_review->setAccessibleName(m_review->text());
    inventoryLayout->addWidget(m_review);

    // The handheld service in the browser: when it starts and where it listens.
    auto* coletor = new QGroupBox(QStringLiteral(" Coletor "), page);
    coletor->setObjectName(QStringLiteral("GroupBoxColetor"));
    auto* coletorGrid = new QGridLayout(coletor);
    m_coletorAtivo =
        new QCheckBox(QStringLiteral("Ativar o coletor ao abrir a sincronização"), coletor);
    m_coletorAtivo->setObjectName(QStringLiteral("ColetorAtivo"));
    m_coletorAtivo->setAccessibleName(m_coletorAtivo->text());
    coletorGrid->addWidget(m_coletorAtivo, 0, 0, 1, 3);
    m_coletorEndereco = labeledEdit("ColetorEndereco", QStringLiteral("Endereço (vazio: todos)"),
                                    coletorGrid, 1, 0, coletor);
    const auto portBox = [&](const char* name, const QString& caption, int column) {
        auto* box = new QSpinBox(coletor);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(1, 65535);
        auto* label = new QLabel(caption, coletor);
        label->setBuddy(box);
        coletorGrid->addWidget(label, 1, column);
        coletorGrid->addWidget(box, 2, column);
        return box;
    };
    m_coletorPorta = portBox("ColetorPorta", QStringLiteral("Porta HTTPS"), 1);
    m_coletorPortaConfiguracao =
        portBox("ColetorPortaConfiguracao", QStringLiteral("Porta da configuração"), 2);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(ids);
    layout->addWidget(formats);
    layout->addWidget(labels);
    layout->addWidget(inventory);
    layout->addWidget(coletor);
    return page;
}

QWidget* TOpcoes::buildFolders() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    auto* grid = new QGridLayout(page);
    const std::array<const char*, 4> captions = {
        "Repositório para arquivos em formato dBase (*.dbf)",
        "Repositório para arquivos em formato texto padrão (*.txt)",
        "Repositório para arquivos em formato texto delimitado (*.txt)",
        "Repositório para arquivos em formato separado por vígulas (*.csv)"};
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "LabeledEdit" + QByteArray::number(i + 2);
        m_folders[i] = labeledEdit(name.constData(), QString::fromUtf8(captions[i]), grid, 2 * i, 0,
                                   page, &m_folderLabels[i]);
        m_folders[i]->setMinimumWidth(380);
        auto* browse = new QToolButton(page);
        browse->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 2));
        browse->setIcon(style()->standardIcon(QStyle::SP_DirIcon));
        browse->setToolTip(QStringLiteral("Selecionar diretório"));
        browse->setAccessibleName(QStringLiteral("Selecionar diretório"));
        grid->addWidget(browse, 2 * i + 1, 1);
        connect(browse, &QToolButton::clicked, this, [this, i] { folderButtonClick(i); });
    }
    auto* defaults = button("BitBtn4", QStringLiteral("Diretório padrão"), page);
    grid->addWidget(defaults, 8, 0, 1, 2, Qt::AlignRight);
    grid->setRowStretch(9, 1);
    connect(defaults, &QPushButton::clicked, this, &TOpcoes::BitBtn4Click);
    return page;
}

QLayout* TOpcoes::buildButtons() {
    m_ok = button("BitBtn1", QStringLiteral("OK"), this);
    m_ok->setAutoDefault(true);
    m_ok->setDefault(true);
    m_cancel = button("BitBtn2", QStringLiteral("Cancelar"), this);
    m_apply = button("BitBtn3", QStringLiteral("Aplicar"), this);
    auto* row = new QHBoxLayout;
    row->setSpacing(5);
    row->addStretch(1);
    row->addWidget(m_ok);
    row->addWidget(m_cancel);
    row->addWidget(m_apply);
    connect(m_ok, &QPushButton::clicked, this, &TOpcoes::BitBtn1Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &TOpcoes::BitBtn3Click);
    return row;
}

void TOpcoes::connectControls() {
    auto change = [this] { AnyChange(); };
    connect(m_autoId, &QCheckBox::toggled, this, change);
    connect(m_formats[0], &QCheckBox::toggled, this, change);
    connect(m_formats[3], &QCheckBox::toggled, this, change);
    connect(m_review, &QCheckBox::toggled, this, change);
    connect(m_coletorAtivo, &QCheckBox::toggled, this, change);
    connect(m_coletorEndereco, &QLineEdit::textChanged, this, change);
    connect(m_coletorPorta, &QSpinBox::valueChanged, this, change);
    connect(m_coletorPortaConfiguracao, &QSpinBox::valueChanged, this, change);
    // The two text formats exclude each other.
    connect(m_formats[1], &QCheckBox::toggled, this, [this](bool on) {
        m_form.setUseSDF(on);
        showForm();
        AnyChange();
    });
    connect(m_formats[2], &QCheckBox::toggled, this, [this](bool on) {
        m_form.setUseTXT(on);
        showForm();
        AnyChange();
    });
    connect(m_coding, &QButtonGroup::idToggled, this, change);
    connect(m_delimiter, &QButtonGroup::idToggled, this, change);
    for (QLineEdit* edit : {m_lastCode, m_decimalPoint, m_textQualifier, m_labelTitle}) {
        connect(edit, &QLineEdit::textChanged, this, change);
    }
    for (QLineEdit* edit : m_folders) {
        connect(edit, &QLineEdit::textChanged, this, change);
    }
}

void TOpcoes::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormActivate();
    }
    QDialog::showEvent(event);
}

void TOpcoes::FormActivate() {
    loadOptions(m_form, m_dados.settings());
    showForm();
    UpdateDependentControls();
    m_apply->setEnabled(false);
}

void TOpcoes::showForm() {
    QList<QObject*> controls{m_autoId,          m_coding,       m_lastCode,
                             m_delimiter,       m_decimalPoint, m_textQualifier,
                             m_labelTitle,      m_review,       m_coletorAtivo,
                             m_coletorEndereco, m_coletorPorta, m_coletorPortaConfiguracao};
    for (QObject* o : m_formats) {
        controls << o;
    }
    for (QObject* o : m_folders) {
        controls << o;
    }
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QObject* o : controls) {
        blockers.push_back(std::make_unique<QSignalBlocker>(o));
    }
    m_autoId->setChecked(m_form.autoId);
    select(m_coding, idOf(m_form.coding));
    m_lastCode->setText(m_form.lastCode);
    m_lastCodeLimit->remember(m_form.lastCode);
    const std::array<bool, 4> used = {m_form.useDBF, m_form.useSDF, m_form.useTXT, m_form.useCSV};
    for (int i = 0; i < 4; ++i) {
        m_formats[i]->setChecked(used[i]);
    }
    select(m_delimiter, idOf(m_form.delimiter));
    m_decimalPoint->setText(m_form.decimalPoint);
    m_textQualifier->setText(m_form.textQualifier);
    m_labelTitle->setText(m_form.labelTitle);
    m_review->setChecked(m_form.review);
    m_coletorAtivo->setChecked(m_form.coletorAtivo);
    m_coletorEndereco->setText(m_form.coletorEndereco);
    m_coletorPorta->setValue(m_form.coletorPorta);
    m_coletorPortaConfiguracao->setValue(m_form.coletorPortaConfiguracao);
    const std::array<QString, 4> folders = {m_form.dirDBF, m_form.dirSDF, m_form.dirTXT,
                                            m_form.dirCSV};
    for (int i = 0; i < 4; ++i) {
        m_folders[i]->setText(folders[i]);
    }
}

void TOpcoes::AnyChange() {
    m_form.autoId = m_autoId->isChecked();
    m_form.coding = choiceOf<Coding>(m_coding);
    m_form.lastCode = m_lastCode->text();
    m_form.useDBF = m_formats[0]->isChecked();
    m_form.useSDF = m_formats[1]->isChecked();
    m_form.useTXT = m_formats[2]->isChecked();
    m_form.useCSV = m_formats[3]->isChecked();
    m_form.delimiter = choiceOf<DelimiterChoice>(m_delimiter);
    m_form.decimalPoint = m_decimalPoint->text();
    m_form.textQualifier = m_textQualifier->text();
    m_form.labelTitle = m_labelTitle->text();
    m_form.review = m_review->isChecked();
    m_form.coletorAtivo = m_coletorAtivo->isChecked();
    m_form.coletorEndereco = m_coletorEndereco->text();
    m_form.coletorPorta = m_coletorPorta->value();
    m_form.coletorPortaConfiguracao = m_coletorPortaConfiguracao->value();
    m_form.dirDBF = m_folders[0]->text();
    m_form.dirSDF = m_folders[1]->text();
    m_form.dirTXT = m_folders[2]->text();
    m_form.dirCSV = m_folders[3]->text();
    UpdateDependentControls();
    m_apply->setEnabled(true);
}

void TOpcoes::UpdateDependentControls() {
    const EnabledControls e = ambitra::UpdateDependentControls(m_form);
    m_lastCodeLimit->maximum = m_form.lastCodeMaxLength;
    m_codingGroup->setEnabled(e.coding);
    m_lastCode->setEnabled(e.lastCode);
    m_delimiterGroup->setEnabled(e.delimiter);
    m_decimalPoint->setEnabled(e.decimalPoint);
    m_textQualifier->setEnabled(e.textQualifier);
    const std::array<bool, 4> folders = {e.dirDBF, e.dirSDF, e.dirTXT, e.dirCSV};
    for (int i = 0; i < 4; ++i) {
        m_folders[i]->setEnabled(folders[i]);
    }
}

void TOpcoes::showReshapedCode() {
    if (m_lastCode->text() != m_form.lastCode) {
        const QSignalBlocker blocker(m_lastCode);
        m_lastCode->setText(m_form.lastCode);
        m_lastCodeLimit->remember(m_form.lastCode);
    }
}

void TOpcoes::focusControl(OptionsControl control) {
    showReshapedCode();
    const int folder = static_cast<int>(control) - static_cast<int>(OptionsControl::DirDBF);
    if (folder >= 0 && folder < 4) {
        m_pages->setCurrentIndex(1);
        m_folders[folder]->setFocus();
        m_folders[folder]->selectAll();
        return;
    }
    m_pages->setCurrentIndex(0);
    if (control == OptionsControl::LastCode) {
        m_lastCode->setFocus();
        m_lastCode->selectAll();
    } else if (control == OptionsControl::DecimalPoint) {
        m_decimalPoint->setFocus();
    } else if (control == OptionsControl::ColetorAddress) {
        m_coletorEndereco->setFocus();
        m_coletorEndereco->selectAll();
    } else if (control == OptionsControl::ColetorPort) {
        m_coletorPorta->setFocus();
    } else if (QAbstractButton* b = m_delimiter->checkedButton()) {
        b->setFocus();
    }
}

bool TOpcoes::apply() {
    OptionsControl failed = OptionsControl::None;
    // What a message speaks of is on screen before the message.
    const auto before = [this](OptionsControl control) { focusControl(control); };
    const bool ran = reportErrors(
        m_prompter, [&] { failed = ApplyOptions(m_form, m_dados, m_prompter, before); });
    showReshapedCode();
    if (!ran || failed != OptionsControl::None) {
        return false;
    }
    m_apply->setEnabled(false);
    return true;
}

void TOpcoes::BitBtn1Click() {
    if (apply()) {
        accept();
    }
}

void TOpcoes::BitBtn3Click() {
    apply();
}

void TOpcoes::BitBtn4Click() {
    for (QLineEdit* edit : m_folders) {
        edit->setText(m_dados.AppDir());
    }
}

void TOpcoes::BitBtn5Click() {
    restoreTextDefaults(m_form);
    showForm();
    AnyChange();
}

void TOpcoes::folderButtonClick(int index) {
    QString folder = m_folders[index]->text();
    if (BrowseForFolder(m_folderLabels[index]->text(), QString(), folder, this)) {
        m_folders[index]->setText(folder);
    }
}

}  // namespace ambitra::ui
