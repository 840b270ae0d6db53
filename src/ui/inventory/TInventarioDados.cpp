#include "ui/inventory/TInventarioDados.h"

#include "core/common/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

const InventoryKind kKinds[] = {InventoryKind::Annual, InventoryKind::Initial,
                                InventoryKind::ChangeOfCharge, InventoryKind::Extinction,
                                InventoryKind::Occasional};

enum MemberColumn { Name, Role, Registration };

}  // namespace

QStringList commissionRoles() {
    return {QStringLiteral("presidente"), QStringLiteral("membro"), QStringLiteral("secretário")};
}

TInventarioDados::TInventarioDados(const QList<std::pair<QString, QString>>& locations,
                                   Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setObjectName(QStringLiteral("InventarioDados"));
    setWindowTitle(QStringLiteral("Inventário"));
    resize(640, 560);

    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("Titulo"));
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("Tipo"));
    for (const InventoryKind kind : kKinds) {
        m_kind->addItem(inventoryKindName(kind), static_cast<int>(kind));
    }
    m_blind = new QCheckBox(
        QStringLiteral("Inventário cego (o coletor não mostra os bens esperados)"), this);
    m_blind->setObjectName(QStringLiteral("Cego"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Título:"), m_title);
    form->addRow(QStringLiteral("Tipo:"), m_kind);
    form->addRow(QString(), m_blind);

    auto* places = new QGroupBox(QStringLiteral("Locais abrangidos"), this);
    m_all = new QRadioButton(QStringLiteral("Todos os locais"), places);
    m_all->setObjectName(QStringLiteral("TodosLocais"));
    m_some = new QRadioButton(QStringLiteral("Locais escolhidos:"), places);
    m_some->setObjectName(QStringLiteral("LocaisEscolhidos"));
    m_locations = new QListWidget(places);
    m_locations->setObjectName(QStringLiteral("Locais"));
    for (const auto& [code, caption] : locations) {
        auto* item = new QListWidgetItem(
            caption.isEmpty() ? code : code + QStringLiteral(" – ") + caption, m_locations);
        item->setData(Qt::UserRole, code);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_all->setChecked(true);
    m_locations->setEnabled(false);
    connect(m_some, &QRadioButton::toggled, m_locations, &QWidget::setEnabled);
    auto* placesLayout = new QVBoxLayout(places);
    placesLayout->addWidget(m_all);
    placesLayout->addWidget(m_some);
    placesLayout->addWidget(m_locations, 1);

    auto* commission = new QGroupBox(QStringLiteral("Comissão"), this);
    m_members = new QTableWidget(0, 3, commission);
    m_members->setObjectName(QStringLiteral("Comissao"));
    m_members->setHorizontalHeaderLabels(
        {QStringLiteral("Nome"), QStringLiteral("Função"), QStringLiteral("Matrícula")});
    m_members->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    m_members->verticalHeader()->setVisible(false);
    auto* add = new QPushButton(QStringLiteral("Incluir membro"), commission);
    add->setObjectName(QStringLiteral("IncluirMembro"));
    auto* remove = new QPushButton(QStringLiteral("Excluir membro"), commission);
    remove->setObjectName(QStringLiteral("ExcluirMembro"));
    connect(add, &QPushButton::clicked, this, [this] { addMember(); });
    connect(remove, &QPushButton::clicked, this, &TInventarioDados::removeMember);
    auto* memberButtons = new QHBoxLayout;
    memberButtons->addWidget(add);
    memberButtons->addWidget(remove);
    memberButtons->addStretch(1);
    auto* commissionLayout = new QVBoxLayout(commission);
    commissionLayout->addWidget(m_members, 1);
    commissionLayout->addLayout(memberButtons);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Gravar"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("Gravar"));
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* middle = new QHBoxLayout;
    middle->addWidget(places, 2);
    middle->addWidget(commission, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(middle, 1);
    layout->addWidget(buttons);
}

void TInventarioDados::setDraft(const InventoryDraft& draft) {
    m_title->setText(draft.title);
    m_kind->setCurrentIndex(m_kind->findData(static_cast<int>(draft.kind)));
    m_blind->setChecked(draft.blind);
    (draft.locations.isEmpty() ? m_all : m_some)->setChecked(true);
    for (int i = 0; i < m_locations->count(); ++i) {
        QListWidgetItem* item = m_locations->item(i);
        item->setCheckState(draft.locations.contains(item->data(Qt::UserRole).toString())
                                ? Qt::Checked
                                : Qt::Unchecked);
    }
    m_members->setRowCount(0);
    for (const CommissionMember& member : draft.commission) {
        addMember(member);
    }
}

InventoryDraft TInventarioDados::draft() const {
    InventoryDraft draft;
    draft.title = m_title->text().trimmed();
    draft.kind = static_cast<InventoryKind>(m_kind->currentData().toInt());
    draft.blind = m_blind->isChecked();
    if (m_some->isChecked()) {
        for (int i = 0; i < m_locations->count(); ++i) {
            if (m_locations->item(i)->checkState() == Qt::Checked) {
                draft.locations << m_locations->item(i)->data(Qt::UserRole).toString();
            }
        }
    }
    for (int r = 0; r < m_members->rowCount(); ++r) {
        const auto text = [&](int column) {
            const QTableWidgetItem* item = m_members->item(r, column);
            return item == nullptr ? QString() : item->text().trimmed();
        };
        const auto* role = qobject_cast<QComboBox*>(m_members->cellWidget(r, Role));
        const CommissionMember member{text(Name), role->currentText(), text(Registration)};
        // A row left blank is no member.
        if (!member.name.isEmpty() || !member.registration.isEmpty()) {
            draft.commission.append(member);
        }
    }
    return draft;
}

void TInventarioDados::accept() {
    if (m_some->isChecked() && draft().locations.isEmpty()) {
        m_prompter.beepError(QStringLiteral("Marque os locais que o inventário abrange."));
        m_locations->setFocus();
        return;
    }
    QDialog::accept();
}

void TInventarioDados::addMember(const CommissionMember& member) {
    const int row = m_members->rowCount();
    m_members->insertRow(row);
    m_members->setItem(row, Name, new QTableWidgetItem(member.name));
    m_members->setItem(row, Registration, new QTableWidgetItem(member.registration));
    auto* role = new QComboBox(m_members);
    role->addItems(commissionRoles());
    // A role kept otherwise (older data, another program) is shown as it is.
    if (!member.role.isEmpty() && role->findText(member.role) < 0) {
        role->addItem(member.role);
    }
    role->setCurrentIndex(member.role.isEmpty() ? (row == 0 ? 0 : 1) : role->findText(member.role));
    m_members->setCellWidget(row, Role, role);
    m_members->setCurrentCell(row, Name);
}

void TInventarioDados::removeMember() {
    const int row = m_members->currentRow();
    if (row >= 0) {
        m_members->removeRow(row);
    }
}

}  // namespace ambitra::ui
