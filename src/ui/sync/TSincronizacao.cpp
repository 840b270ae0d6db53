#include "ui/sync/TSincronizacao.h"

#include "ui/widgets/Logo.h"
#include "core/coletor/ColetorApi.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/sync/ConduitRegistration.h"
#include "core/sync/Cradle.h"
#include "core/sync/HotSyncServer.h"
#include "core/sync/SyncCycle.h"
#include "print/QrCode.h"
#include "service/ColetorService.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

QPushButton* button(const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromUtf8(caption));
    return b;
}

}  // namespace

TSincronizacao::TSincronizacao(TDados& dados, Prompter& prompter, Registry& registry,
                               QWidget* parent)
    : QDialog(parent),
      m_dados(dados),
      m_prompter(prompter),
      m_cradle(std::make_unique<Cradle>(registry)),
      m_cycle(std::make_unique<SyncCycle>(dados, *m_cradle, m_locations, m_log, noProgress())),
      m_conduit(std::make_unique<ConduitRegistration>(registry, m_log, prompter, dados.AppDir())),
      m_server(std::make_unique<HotSyncServer>(*m_cradle, m_log, dados.AppDir())),
      m_coletorApi(std::make_unique<ColetorApi>(dados, m_log, &m_locations)),
      m_coletor(std::make_unique<ColetorService>(dados.AppDir(), prompter)) {
    setObjectName(QStringLiteral("Sincronizacao"));
    setWindowTitle(QStringLiteral("Sincronização"));
    setModal(true);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));

    auto* top = new QHBoxLayout;
    top->addWidget(m_memo, 1);
    top->addWidget(buildLocationPanel());
    top->addWidget(buildColetorPanel());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buildBottomPanel());

    connect(&m_log, &SyncLog::changed, this, &TSincronizacao::showLog);
    connect(&m_locations, &LocationCheckList::changed, this, &TSincronizacao::showLocations);
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        m_locations.setChecked(m_list->row(item), item->checkState() == Qt::Checked);
    });
    connect(m_ativar, &QPushButton::clicked, this, &TSincronizacao::BitBtn1Click);
    connect(m_desativar, &QPushButton::clicked, this, &TSincronizacao::BitBtn2Click);
    connect(m_todos, &QPushButton::clicked, this, &TSincronizacao::BitBtn3Click);
    connect(m_nenhum, &QPushButton::clicked, this, &TSincronizacao::BitBtn4Click);

    // FormCreate: support off, a fresh log.
    m_cradle->SetEnabled(false);
    m_log.clear();
    m_log.append(
        QStringLiteral("\r\n   Módulo de Suporte à Comunicação de Dados via HotSync®\r\n"));
    // The handheld may press HotSync whenever the program runs; the cradle
    // refuses while support is off.
    if (!m_server->listen()) {
        m_log.append(QStringLiteral("> O HotSync pelo coletor não está disponível: ") +
                     m_server->errorText());
    }

    m_coletor->setApiHandler(
        [this](const ServiceRequest& request) { return serveColetor(request); });
    connect(m_cycle.get(), &SyncCycle::cycleFinished, this, &TSincronizacao::countsChanged);
    // Devices' last contacts and the pairing code's validity change on their own.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            showColetor();
        }
    });
    refresh->start(5000);
}

TSincronizacao::~TSincronizacao() = default;

ServiceResponse TSincronizacao::serveColetor(const ServiceRequest& request) {
    ServiceResponse response = m_coletorApi->handle(request);
    if (request.method == "POST" && response.status == 200 &&
        (request.path.endsWith(QLatin1String("/carga")) ||
         request.path.endsWith(QLatin1String("/descarga")))) {
        emit countsChanged();
    }
    return response;
}

QWidget* TSincronizacao::buildLocationPanel() {
    auto* group = new QGroupBox(QStringLiteral(" Selecione os locais para inventário "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    m_list = new QListWidget(group);
    m_list->setObjectName(QStringLiteral("CheckListBox1"));
    m_list->setAccessibleName(group->title().trimmed());
    m_list->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    m_list->setMinimumWidth(m_list->fontMetrics().horizontalAdvance(QString(22, u'M')));
    m_panel3 = new QWidget(group);
    m_panel3->setObjectName(QStringLiteral("Panel3"));
    m_todos = button("Todos", m_panel3);
    m_nenhum = button("Nenhum", m_panel3);
    auto* buttons = new QHBoxLayout(m_panel3);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_todos);
    buttons->addWidget(m_nenhum);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_panel3);
    return group;
}

QWidget* TSincronizacao::buildBottomPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* logo = new QLabel(panel);
    logo->setPixmap(makerLogo());
    auto* note = new QLabel(
        QStringLiteral("Todas as marcas citadas são de seus respectivos proprietários."), panel);
    note->setEnabled(false);
    QFont small = note->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    note->setFont(small);
    m_ativar = button("Ativar", panel);
    m_desativar = button("Desativar", panel);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 10, 0);
    layout->addWidget(logo);
    layout->addStretch(1);
    layout->addWidget(note);
    layout->addStretch(1);
    layout->addWidget(m_ativar);
    layout->addSpacing(5);
    layout->addWidget(m_desativar);
    return panel;
}

QWidget* TSincronizacao::buildColetorPanel() {
    auto* group = new QGroupBox(QStringLiteral(" Coletor "), this);
    group->setObjectName(QStringLiteral("Coletor"));
    m_coletorBox = new QCheckBox(QStringLiteral("Coletor no navegador ligado"), group);
    m_coletorBox->setObjectName(QStringLiteral("ColetorLigado"));
    m_coletorAddress = new QLabel(group);
    m_coletorAddress->setObjectName(QStringLiteral("ColetorEnderecos"));
    m_coletorAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_coletorAddress->setWordWrap(true);
    m_qr = new QLabel(group);
    m_qr->setObjectName(QStringLiteral("ColetorQR"));
    m_qr->setAlignment(Qt::AlignCenter);
    m_code = new QLabel(group);
    m_code->setObjectName(QStringLiteral("ColetorCodigo"));
    m_code->setAlignment(Qt::AlignCenter);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_newCode = button("Novo código", group);
    m_devices = new QTreeWidget(group);
    m_devices->setObjectName(QStringLiteral("ColetorDispositivos"));
    m_devices->setHeaderLabels({QStringLiteral("Nº"), QStringLiteral("Nome"),
                                QStringLiteral("Pareado em"), QStringLiteral("Último contato"),
                                QStringLiteral("Situação")});
    m_devices->setRootIsDecorated(false);
    m_devices->setAccessibleName(QStringLiteral("Coletores pareados"));
    m_revoke = button("Revogar", group);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_coletorBox);
    layout->addWidget(m_coletorAddress);
    layout->addWidget(m_qr);
    layout->addWidget(m_code);
    layout->addWidget(m_newCode);
    layout->addWidget(new QLabel(QStringLiteral("Coletores pareados:"), group));
    layout->addWidget(m_devices, 1);
    layout->addWidget(m_revoke);
    connect(m_coletorBox, &QCheckBox::clicked, this, [this](bool on) { setColetorOn(on); });
    connect(m_newCode, &QPushButton::clicked, this, &TSincronizacao::newPairingCode);
    connect(m_revoke, &QPushButton::clicked, this, &TSincronizacao::revokeDevice);
    return group;
}

void TSincronizacao::startWithProgram() {
    if (m_dados.settings().ColetorAtivo) {
        setColetorOn(true);
    }
}

bool TSincronizacao::coletorOn() const {
    return m_coletor->isRunning();
}

bool TSincronizacao::setColetorOn(bool on) {
    if (on && !m_coletor->isRunning()) {
        if (m_coletor->start(coletorOptions(m_dados.settings()))) {
            m_log.append(QStringLiteral("> Coletor no navegador ligado: ") +
                         m_coletor->httpsAddress());
            m_coletorApi->newPairingCode();
        }
    } else if (!on && m_coletor->isRunning()) {
        m_coletor->stop();
        m_log.append(QStringLiteral("> Coletor no navegador desligado."));
    }
    showColetor();
    return m_coletor->isRunning() == on;
}

void TSincronizacao::newPairingCode() {
    if (m_coletor->isRunning()) {
        m_coletorApi->newPairingCode();
    }
    showColetor();
}

void TSincronizacao::revokeDevice() {
    const QTreeWidgetItem* item = m_devices->currentItem();
    if (item == nullptr) {
        return;
    }
    const int id = item->text(0).toInt();
    if (m_prompter.message(Prompter::Kind::Question,
                           QStringLiteral("Revogar o coletor %1 (%2)? Ele precisará ser pareado "
                                          "novamente.")
                               .arg(id)
                               .arg(item->text(1)),
                           Prompter::Buttons::YesNo) != Prompter::Answer::Yes) {
        return;
    }
    reportErrors(m_prompter, [&] { m_coletorApi->revoke(id); });
    showColetor();
}

void TSincronizacao::showColetor() {
    const bool on = m_coletor->isRunning();
    {
        const QSignalBlocker blocker(m_coletorBox);
        m_coletorBox->setChecked(on);
    }
    m_newCode->setEnabled(on);
    const QString code = on ? m_coletorApi->pairingCode() : QString();
    if (!on) {
        m_coletorAddress->setText(QStringLiteral("Desligado."));
        m_qr->clear();
        m_code->clear();
    } else {
        m_coletorAddress->setText(
            QStringLiteral("Endereço: %1\nConfiguração: %2\nAutoridade (SHA-256): %3")
                .arg(m_coletor->httpsAddress(), m_coletor->setupAddress(),
                     m_coletor->fingerprint()));
        if (code.isEmpty()) {
            m_qr->clear();
            m_code->setText(QStringLiteral("Sem código de pareamento válido."));
        } else {
            m_qr->setPixmap(QPixmap::fromImage(
                qrCodeImage(m_coletor->httpsAddress() + QStringLiteral("#codigo=") + code, 3)));
            m_code->setText(
                QStringLiteral("Código de pareamento: %1 (válido até %2)")
                    .arg(code, m_coletorApi->pairingExpiry().toString(QStringLiteral("HH:mm"))));
        }
    }
    QList<Device> devices;
    if (m_dados.Conn().isOpen()) {
        reportErrors(m_prompter, [&] { devices = m_coletorApi->devices(); });
    }
    const int current =
        m_devices->currentItem() != nullptr ? m_devices->currentItem()->text(0).toInt() : -1;
    m_devices->clear();
    const QString format = QStringLiteral("dd/MM/yyyy HH:mm");
    for (const Device& d : devices) {
        auto* item = new QTreeWidgetItem(
            m_devices,
            {QString::number(d.id), d.name, d.paired.toString(format),
             d.lastContact.isNull() ? QStringLiteral("-") : d.lastContact.toString(format),
             d.active() ? QStringLiteral("ativo") : QStringLiteral("revogado")});
        if (d.id == current) {
            m_devices->setCurrentItem(item);
        }
    }
    m_revoke->setEnabled(!devices.isEmpty());
}

bool TSincronizacao::supportOn() const {
    return m_cradle->Enabled();
}

void TSincronizacao::showLog() {
    m_memo->setPlainText(m_log.lines().join(u'\n'));
    m_memo->verticalScrollBar()->setValue(m_memo->verticalScrollBar()->maximum());
}

void TSincronizacao::showLocations() {
    const QSignalBlocker blocker(m_list);
    if (m_list->count() != m_locations.count()) {
        m_list->clear();
        for (int i = 0; i < m_locations.count(); ++i) {
            auto* item = new QListWidgetItem(m_locations.item(i).text, m_list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
    }
    for (int i = 0; i < m_locations.count(); ++i) {
        m_list->item(i)->setCheckState(m_locations.item(i).checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TSincronizacao::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        reportErrors(m_prompter, [this] { FormActivate(); });
    }
}

void TSincronizacao::FormActivate() {
    if (m_childSize) {
        const QSize child = m_childSize();
        resize(child.width(), child.height() + 15);
    }
    if (parentWidget() != nullptr) {
        move(parentWidget()->geometry().center() - rect().center());
    }
    for (QPushButton* b : {m_ativar, m_desativar, m_todos, m_nenhum}) {
        b->setEnabled(false);
    }
    if (!m_conduit->CheckConduit()) {
        m_conduit->RegisterConduit();
        // Closing from inside the showing would be undone by it.
        QTimer::singleShot(0, this, [this] { QDialog::reject(); });
        return;
    }
    m_locations.clear();
    m_dados.TOperadores().openOrRequery();
    m_dados.TLocais().openOrRequery();
    m_locations.fill(m_dados.TLocais());
    m_dados.TBens().openOrRequery();
    showColetor();
    BitBtn3Click();
    BitBtn1Click();
}

void TSincronizacao::setButtons(bool on) {
    m_list->setEnabled(!on);
    m_ativar->setEnabled(!on);
    m_desativar->setEnabled(on);
    m_panel3->setVisible(!on);
    m_todos->setEnabled(!on);
    m_nenhum->setEnabled(!on);
}

void TSincronizacao::BitBtn1Click() {
    m_list->clearSelection();
    setButtons(true);
    SwitchSupportOn(*m_cradle, m_log);
}

void TSincronizacao::BitBtn2Click() {
    SwitchSupportOff(*m_cradle, m_log);
    setButtons(false);
}

void TSincronizacao::BitBtn3Click() {
    m_locations.setAll(true);
}

void TSincronizacao::BitBtn4Click() {
    m_locations.setAll(false);
}

bool TSincronizacao::refuseClose() {
    if (!supportOn()) {
        return false;
    }
    m_prompter.beep();
    return true;
}

void TSincronizacao::reject() {
    if (!refuseClose()) {
        QDialog::reject();
    }
}

void TSincronizacao::closeEvent(QCloseEvent* event) {
    if (refuseClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace ambitra::ui
