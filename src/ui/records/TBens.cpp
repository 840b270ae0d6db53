#include "ui/records/TBens.h"

#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/records/AssetsProtocol.h"
#include "ui/widgets/DBLookupComboBox.h"
#include "ui/widgets/DatePicker.h"
#include "ui/records/FieldBinding.h"
#include "ui/records/PanelBuilder.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

// A row of widgets side by side, without margins, for one form row.
QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (QWidget* w : widgets) {
        w->setParent(holder);
        layout->addWidget(w);
    }
    layout->addStretch(1);
    return holder;
}

QLabel* lookupText(const char* name, int characters) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumWidth(PanelBuilder::widthFor(label, characters));
    return label;
}

QComboBox* suggestionBox(const char* name, int characters) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedWidth(PanelBuilder::widthFor(box, characters) + 20);
    return box;
}

QLineEdit* edit(const char* name, int characters) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(PanelBuilder::widthFor(e, characters));
    return e;
}

}  // namespace

TBens::TBens(TDados& dados, Prompter& prompter, QSize childArea, QWidget* parent)
    : RecordWindow(new AssetsProtocol(dados, cursorProgress()), prompter, childArea,
                   QSize(600, 375), childArea, parent),
      m_rules(static_cast<AssetsProtocol&>(protocol())) {
    setObjectName(QStringLiteral("Bens"));
    setWindowTitle(QStringLiteral("Bens Patrimoniais"));
    buildMainRows(dados);
    buildGroups();
    bindControls();
    addLabelsButton(dados, false);
    addFindBox();

    // The manufacturers are read when the list is first used, then after every change.
    connect(&m_rules, &AssetsProtocol::manufacturersOutdated, this, [this] {
        if (m_manufacturersShown) {
            showManufacturers();
        }
    });
    connect(&m_rules, &AssetsProtocol::operatorNamesLoaded, this,
            [this](const QStringList& names) { FieldBinding::setSuggestions(DBComboBox2, names); });
    connect(DateTimePicker1, &DatePicker::dateChosen, this,
            [this](const QDate& date) { DateTimePickerChange(QStringLiteral("BECOMPRA"), date); });
    connect(DateTimePicker2, &DatePicker::dateChosen, this,
            [this](const QDate& date) { DateTimePickerChange(QStringLiteral("BEULTINV"), date); });
    // Browsing moves the pickers with the record, so they never show another's dates.
    connect(&m_rules.table(), &DataTable::currentChanged, this, [this] {
        if (!m_rules.table().isEditing()) {
            setPickersFromRecord();
        }
    });
}

void TBens::showManufacturers() {
    reportErrors(m_prompter, [this] {
        FieldBinding::setSuggestions(DBComboBox1, m_rules.manufacturers());
        m_manufacturersShown = true;
    });
}

bool TBens::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DBComboBox1 && event->type() == QEvent::FocusIn && !m_manufacturersShown) {
        showManufacturers();
    }
    return RecordWindow::eventFilter(watched, event);
}

void TBens::addFindBox() {
    auto* caption = new QLabel(QStringLiteral("Localizar:"), this);
    EditLocalizar = new QLineEdit(this);
    EditLocalizar->setObjectName(QStringLiteral("EditLocalizar"));
    EditLocalizar->setPlaceholderText(QStringLiteral("código ou descrição"));
    EditLocalizar->setToolTip(
        QStringLiteral("Vai ao primeiro bem cujo código ou descrição contém o texto; Enter vai "
                       "ao próximo"));
    EditLocalizar->setClearButtonEnabled(true);
    EditLocalizar->setFixedWidth(PanelBuilder::widthFor(EditLocalizar, 18));
    caption->setBuddy(EditLocalizar);
    bottomRow()->insertWidget(1, caption);
    bottomRow()->insertWidget(2, EditLocalizar);
    connect(EditLocalizar, &QLineEdit::textEdited, this, [this] { findAsset(false); });
    connect(EditLocalizar, &QLineEdit::returnPressed, this, [this] { findAsset(true); });
}

void TBens::findAsset(bool next) {
    DataTable& table = m_rules.table();
    if (!table.isOpen() || table.isEditing() || EditLocalizar->text().isEmpty()) {
        return;
    }
    reportErrors(m_prompter, [&] {
        // While typing, the current asset stays as long as it matches.
        const QString current = table.isEmpty() ? QString() : table.keyAt(table.recNo());
        const QString code = m_rules.findAsset(EditLocalizar->text(), current, next);
        if (code.isEmpty()) {
            m_prompter.beep();
        } else {
            table.locate(code);
        }
    });
}

void TBens::buildMainRows(TDados& dados) {
    auto* layout = new QVBoxLayout(panel());
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QWidget(panel());
    layout->addWidget(top);
    PanelBuilder form(top);
    DBEdit1 = form.lineEdit("DBEdit1", "Código", 14);
    DBEdit2 = form.lineEdit("DBEdit2", "Descrição", 32);

    DBLookupComboBox1 = new DBLookupComboBox(dados.TLocais(), 0);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setFixedWidth(PanelBuilder::widthFor(DBLookupComboBox1, 5) + 20);
    DBText1 = lookupText("DBText1", 3);
    DBText2 = lookupText("DBText2", 3);
    DBText3 = lookupText("DBText3", 4);
    auto caption = [](const char* text, QLabel* buddy) {
        auto* label = new QLabel(QString::fromUtf8(text));
        label->setBuddy(buddy);
        buddy->setAccessibleName(label->text());
        return label;
    };
    form.addRow(
        "Local",
        row(top, {DBLookupComboBox1, caption("Prédio:", DBText1), DBText1,
                  caption("Depto.:", DBText2), DBText2, caption("Sala:", DBText3), DBText3}),
        DBLookupComboBox1);

    DBComboBox1 = suggestionBox("DBComboBox1", 16);
    form.addRow("Fabricante", DBComboBox1, DBComboBox1);
    DBLookupComboBox2 = new DBLookupComboBox(dados.TStatus(), 1, top);
    DBLookupComboBox2->setObjectName(QStringLiteral("DBLookupComboBox2"));
    DBLookupComboBox2->setFixedWidth(PanelBuilder::widthFor(DBLookupComboBox2, 10) + 20);
    form.addRow("Situação", DBLookupComboBox2, DBLookupComboBox2);
    DBEdit3 = form.lineEdit("DBEdit3", "Nº Série", 16);
}

void TBens::buildGroups() {
    auto* groups = new QHBoxLayout;
    groups->setContentsMargins(6, 0, 6, 6);
    auto* compra = new QGroupBox(QStringLiteral(" Compra "), panel());
    compra->setObjectName(QStringLiteral("GroupBox1"));
    PanelBuilder buy(compra);
    DBEdit4 = edit("DBEdit4", 12);
    buy.addRow("Valor", DBEdit4, DBEdit4);
    DBEdit5 = edit("DBEdit5", 10);
    DateTimePicker1 = new DatePicker;
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    buy.addRow("Data", row(compra, {DBEdit5, DateTimePicker1}), DBEdit5);

    auto* inventario = new QGroupBox(QStringLiteral(" Último Inventário "), panel());
    inventario->setObjectName(QStringLiteral("GroupBox2"));
    PanelBuilder last(inventario);
    DBEdit6 = edit("DBEdit6", 10);
    DateTimePicker2 = new DatePicker;
    DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
    last.addRow("Data", row(inventario, {DBEdit6, DateTimePicker2}), DBEdit6);
    DBComboBox2 = suggestionBox("DBComboBox2", 16);
    last.addRow("Operador", DBComboBox2, DBComboBox2);

    groups->addWidget(compra);
    groups->addWidget(inventario);
    auto* layout = static_cast<QVBoxLayout*>(panel()->layout());
    layout->addLayout(groups);
    layout->addStretch(1);
}

void TBens::bindControls() {
    FieldBinding& b = binding();
    b.bindText(DBEdit1, QStringLiteral("BECODIGO"));
    b.bindText(DBEdit2, QStringLiteral("BENOME"));
    b.bindLookup(DBLookupComboBox1, QStringLiteral("BELOCAL"));
    b.bindLabel(DBText1, QStringLiteral("LOPREDIO"));
    b.bindLabel(DBText2, QStringLiteral("LODEPTO"));
    b.bindLabel(DBText3, QStringLiteral("LOSALA"));
    b.bindSuggestions(DBComboBox1, QStringLiteral("BEFABRICA"));
    b.bindLookup(DBLookupComboBox2, QStringLiteral("BESITUACAO"));
    b.bindText(DBEdit3, QStringLiteral("BENSERIE"));
    b.bindMoney(DBEdit4, QStringLiteral("BEVALOR"));
    b.bindDate(DBEdit5, QStringLiteral("BECOMPRA"));
    b.bindDate(DBEdit6, QStringLiteral("BEULTINV"));
    b.bindSuggestions(DBComboBox2, QStringLiteral("BEULTOPE"));

    const QList<std::pair<QWidget*, const char*>> order = {{DBEdit1, "BECODIGO"},
                                                           {DBEdit2, "BENOME"},
                                                           {DBLookupComboBox1, "BELOCAL"},
                                                           {DBComboBox1, "BEFABRICA"},
                                                           {DBLookupComboBox2, "BESITUACAO"},
                                                           {DBEdit3, "BENSERIE"},
                                                           {DBEdit4, "BEVALOR"},
                                                           {DBEdit5, "BECOMPRA"},
                                                           {DBEdit6, "BEULTINV"},
                                                           {DBComboBox2, "BEULTOPE"}};
    for (const auto& [control, column] : order) {
        addEditControl(control, QString::fromLatin1(column));
    }
    addFollower(DateTimePicker1, QStringLiteral("BECOMPRA"));
    addFollower(DateTimePicker2, QStringLiteral("BEULTINV"));
    for (std::size_t i = 1; i < static_cast<std::size_t>(order.size()); ++i) {
        setTabOrder(order[static_cast<qsizetype>(i) - 1].first,
                    order[static_cast<qsizetype>(i)].first);
    }
}

void TBens::setPickersFromRecord() {
    DataTable& table = m_rules.table();
    if (!table.isOpen()) {
        return;
    }
    DateTimePicker1->setDate(AssetsProtocol::PickerDate(table.value(QStringLiteral("BECOMPRA"))));
    DateTimePicker2->setDate(AssetsProtocol::PickerDate(table.value(QStringLiteral("BEULTINV"))));
}

void TBens::beforeEnableControls() {
    setPickersFromRecord();
}

void TBens::DateTimePickerChange(const QString& column, const QDate& date) {
    DataTable& table = m_rules.table();
    if (table.isOpen() && table.isEditing()) {
        // A day only: the column never receives a time of day.
        table.setValue(column, QVariant(date));
    }
}

}  // namespace ambitra::ui
