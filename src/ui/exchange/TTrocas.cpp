#include "ui/exchange/TTrocas.h"

#include "core/common/Prompter.h"
#include "core/data/TDados.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

const char* const kFormatsTip =
    "A seleção de formatos válidos deve ser feita nas opções de configuração.";

// A check list drawn on the dialog's background, as the other controls.
QListWidget* checkList(QWidget* parent, const QStringList& items) {
    auto* list = new QListWidget(parent);
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, parent->palette().color(QPalette::Window));
    list->setPalette(palette);
    // Every item shows whole, without scroll bars.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * list->frameWidth();
    list->setFixedHeight(list->sizeHintForRow(0) * static_cast<int>(items.size()) + frame + 4);
    list->setMinimumWidth(list->sizeHintForColumn(0) + frame + 8);
    return list;
}

}  // namespace

TTrocas::TTrocas(TDados& dados, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_dados(dados), m_prompter(prompter), m_run(dados, prompter, m_progress) {
    setObjectName(QStringLiteral("Trocas"));
    setWindowTitle(QStringLiteral("Importação/Exportação"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildDirection());
    layout->addWidget(buildTables());
    layout->addWidget(buildFormats());

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 0);
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();
    m_progress.setBar(m_progressBar);
    layout->addWidget(m_progressBar);

    m_execute = new QPushButton(QStringLiteral("Executar"), this);
    m_execute->setObjectName(QStringLiteral("BitBtn1"));
    m_cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    m_check = new QPushButton(QStringLiteral("Verificar"), this);
    m_check->setObjectName(QStringLiteral("CheckButton"));
    m_check->setToolTip(QStringLiteral(
        "Lê os arquivos da importação sem alterar os dados e lista os problemas encontrados."));
    for (QPushButton* button : {m_check, m_execute, m_cancel}) {
        button->setAutoDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_check);
    buttons->addWidget(m_execute);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    // A fixed dialog border: the size its contents need, no more.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_execute, &QPushButton::clicked, this, &TTrocas::BitBtn1Click);
    connect(m_cancel, &QPushButton::clicked, this, &TTrocas::BitBtn2Click);
    connect(m_check, &QPushButton::clicked, this, &TTrocas::checkClick);
    RefreshButtons();
}

QGroupBox* TTrocas::buildDirection() {
    m_directionGroup = new QGroupBox(QStringLiteral(" Selecione o tipo de troca de dados "), this);
    m_directionGroup->setObjectName(QStringLiteral("RadioGroup1"));
    m_import = new QRadioButton(ExchangeRun::directionText(ExchangeRun::Direction::Import));
    m_export = new QRadioButton(ExchangeRun::directionText(ExchangeRun::Direction::Export));
    m_export->setChecked(true);
    auto* box = new QVBoxLayout(m_directionGroup);
    for (QRadioButton* item : {m_import, m_export}) {
        box->addWidget(item);
        connect(item, &QRadioButton::clicked, this, &TTrocas::RefreshButtons);
    }
    return m_directionGroup;
}

QGroupBox* TTrocas::buildTables() {
    m_tablesGroup = new QGroupBox(QStringLiteral(" Selecione o(s) arquivo(s) de dados "), this);
    m_tables = checkList(m_tablesGroup, {ExchangeRun::tableText(0), ExchangeRun::tableText(1),
                                         ExchangeRun::tableText(2)});
    m_tables->setObjectName(QStringLiteral("CheckListBox2"));
    m_tables->setAccessibleName(m_tablesGroup->title().trimmed());
    auto* box = new QVBoxLayout(m_tablesGroup);
    box->addWidget(m_tables);
    // Only the check marks show: a click leaves no selection behind.
    auto clicked = [this] {
        m_tables->clearSelection();
        RefreshButtons();
    };
    connect(m_tables, &QListWidget::itemClicked, this, clicked);
    connect(m_tables, &QListWidget::itemChanged, this, clicked);
    return m_tablesGroup;
}

QGroupBox* TTrocas::buildFormats() {
    auto* group = new QGroupBox(QStringLiteral(" Formatos de arquivos "), this);
    m_formats = checkList(group, {QStringLiteral("Usar formato dBase (*.dbf)"),
                                  QStringLiteral("Usar formato texto padrão (*.txt)"),
                                  QStringLiteral("Usar formato texto delimitado (*.txt)"),
                                  QStringLiteral("Usar formato separado por vírgulas (*.csv)")});
    m_formats->setObjectName(QStringLiteral("CheckListBox1"));
    m_formats->setAccessibleName(group->title().trimmed());
    m_formats->setEnabled(false);
    const QString tip = QString::fromUtf8(kFormatsTip);
    group->setToolTip(tip);
    m_formats->setToolTip(tip);
    auto* box = new QVBoxLayout(group);
    box->addWidget(m_formats);
    return group;
}

QRadioButton* TTrocas::directionItem(ExchangeRun::Direction direction) const {
    return direction == ExchangeRun::Direction::Import ? m_import : m_export;
}

ExchangeRun::Direction TTrocas::direction() const {
    return m_import->isChecked() ? ExchangeRun::Direction::Import : ExchangeRun::Direction::Export;
}

bool TTrocas::tableMarked(int index) const {
    return m_tables->item(index)->checkState() == Qt::Checked;
}

void TTrocas::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // After the dialog is on screen, so that a warning stands in front of it.
    QMetaObject::invokeMethod(this, &TTrocas::FormActivate, Qt::QueuedConnection);
}

void TTrocas::FormActivate() {
    const Settings& s = m_dados.settings();
    const bool uses[] = {s.UseDBF, s.UseSDF, s.UseTXT, s.UseCSV};
    for (int i = 0; i < 4; ++i) {
        m_formats->item(i)->setCheckState(uses[i] ? Qt::Checked : Qt::Unchecked);
    }
    RefreshButtons();
    reportErrors(m_prompter, [this] { m_run.OpenTables(); });
}

void TTrocas::RefreshButtons() {
    m_progressBar->hide();
    m_run.CancelRequested = false;
    const bool anyTable = tableMarked(0) || tableMarked(1) || tableMarked(2);
    m_execute->setEnabled(anyTable && m_run.anyFormat());
    m_check->setEnabled(anyTable && m_run.anyFormat() &&
                        direction() == ExchangeRun::Direction::Import);
    (m_execute->isEnabled() ? m_execute : m_cancel)->setFocus();
}

void TTrocas::lockChoices(bool locked) {
    // Left usable, a click on these would restart the buttons in mid-run.
    m_directionGroup->setEnabled(!locked);
    m_tablesGroup->setEnabled(!locked);
}

void TTrocas::beginRun() {
    m_running = true;
    m_execute->setEnabled(false);
    m_check->setEnabled(false);
    lockChoices(true);
    m_progressBar->setRange(0, 0);
    m_progressBar->setValue(0);
    m_progressBar->show();
    m_cancel->setFocus();
}

void TTrocas::endRun() {
    m_progressBar->hide();
    lockChoices(false);
    m_running = false;
    m_cancel->setFocus();
}

void TTrocas::BitBtn1Click() {
    const ExchangeRun::Direction chosen = direction();
    if (!m_run.AskQuestions(chosen)) {
        return;
    }
    beginRun();
    m_run.RunTables(chosen, [this](int index) { return tableMarked(index); });
    m_run.ShowRunMessages();
    // Executar stays off until the direction or the tables are clicked or the
    // dialog is opened again.
    endRun();
}

void TTrocas::checkClick() {
    if (!m_run.AskCheckQuestions()) {
        return;
    }
    beginRun();
    m_run.RunCheck([this](int index) { return tableMarked(index); });
    endRun();
    // The check changed nothing: the buttons are as before it.
    RefreshButtons();
    delete m_report;
    m_report = new CheckReportDialog(m_run, m_prompter, m_dados.AppDir(), this);
    m_report->setAttribute(Qt::WA_DeleteOnClose);
    m_report->setModal(true);
    m_report->show();
}

void TTrocas::BitBtn2Click() {
    if (m_running) {
        m_run.CancelRequested = true;
    } else {
        QDialog::reject();
    }
}

void TTrocas::reject() {
    if (m_running) {
        m_run.CancelRequested = true;
        return;
    }
    QDialog::reject();
}

}  // namespace ambitra::ui
