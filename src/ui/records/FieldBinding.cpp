#include "ui/records/FieldBinding.h"

#include "core/common/Prompter.h"
#include "core/data/DataTable.h"
#include "ui/widgets/DBLookupComboBox.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace ambitra::ui {

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

QLocale editLocale() {
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// The text of a masked date edit without its blanks and separators: empty when
// nothing was typed.
bool dateIsBlank(const QLineEdit* edit) {
    QString text = edit->displayText();
    text.remove(QLatin1Char(' ')).remove(QLatin1Char('/'));
    return text.isEmpty();
}

}  // namespace

FieldBinding::FieldBinding(DataTable& table, QObject* parent) : QObject(parent), m_table(table) {
    connect(&m_table, &DataTable::currentChanged, this, &FieldBinding::refresh);
    connect(&m_table, &DataTable::stateChanged, this, &FieldBinding::refresh);
    connect(&m_table, &DataTable::layoutReset, this, &FieldBinding::refresh);
    connect(&m_table, &DataTable::valuesChanged, this, &FieldBinding::refresh);
    connect(&m_table, &DataTable::fieldChanged, this, &FieldBinding::loadColumn);
}

void FieldBinding::add(QWidget* widget, const QString& column, Kind kind) {
    m_entries.append({widget, m_table.fieldIndex(column), kind});
    load(m_entries.last());
}

void FieldBinding::bindText(QLineEdit* edit, const QString& column) {
    edit->setMaxLength(m_table.columns()[m_table.fieldIndex(column)].size);
    add(edit, column, Kind::Text);
    const Entry entry = m_entries.last();
    connect(edit, &QLineEdit::textChanged, this, [this, entry] { store(entry); });
}

void FieldBinding::bindDate(QLineEdit* edit, const QString& column) {
    edit->setInputMask(QStringLiteral("00/00/0000; "));
    add(edit, column, Kind::Date);
    const Entry entry = m_entries.last();
    connect(edit, &QLineEdit::textChanged, this, [this, entry] { store(entry); });
}

void FieldBinding::bindMoney(QLineEdit* edit, const QString& column) {
    // At most 99999999.999: eight digits, the point, three decimals.
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,8}([.,][0-9]{0,3})?")), edit));
    edit->setAlignment(Qt::AlignRight);
    add(edit, column, Kind::Money);
    const Entry entry = m_entries.last();
    connect(edit, &QLineEdit::textChanged, this, [this, entry] { store(entry); });
}

void FieldBinding::bindSuggestions(QComboBox* box, const QString& column) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(m_table.columns()[m_table.fieldIndex(column)].size);
    add(box, column, Kind::Suggestions);
    const Entry entry = m_entries.last();
    connect(box, &QComboBox::editTextChanged, this, [this, entry] { store(entry); });
}

void FieldBinding::bindLookup(DBLookupComboBox* box, const QString& column) {
    add(box, column, Kind::Lookup);
    const Entry entry = m_entries.last();
    connect(box, &QComboBox::currentIndexChanged, this, [this] { emit changed(); });
    connect(box, &QComboBox::activated, this, [this, entry] { store(entry); });
    connect(box, &DBLookupComboBox::cleared, this, [this, entry] { store(entry); });
    // The list's rows were read again: show the choice anew.
    connect(box->model(), &QAbstractItemModel::modelReset, this, [this, entry] { load(entry); });
}

void FieldBinding::bindLabel(QLabel* label, const QString& column) {
    add(label, column, Kind::Label);
}

void FieldBinding::setSuggestions(QComboBox* box, const QStringList& items) {
    const QString text = box->currentText();
    {
        const QSignalBlocker blockBox(box);
        const QSignalBlocker blockEdit(box->lineEdit());
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

QString FieldBinding::dateText(const QVariant& value) {
    return value.isNull() ? QString() : value.toDate().toString(kDateFormat);
}

QString FieldBinding::moneyText(const QVariant& value) {
    return value.isNull() ? QString() : editLocale().toString(value.toDouble(), 'f', 3);
}

QVariant FieldBinding::currentValue(int column) const {
    return m_table.isOpen() ? m_table.value(column) : QVariant();
}

void FieldBinding::refresh() {
    for (const Entry& entry : std::as_const(m_entries)) {
        load(entry);
    }
}

void FieldBinding::loadColumn(int column) {
    if (column == m_storing) {
        return;  // the control itself wrote it
    }
    for (const Entry& entry : std::as_const(m_entries)) {
        if (entry.column == column) {
            load(entry);
        }
    }
}

void FieldBinding::load(const Entry& entry) {
    const QVariant value = currentValue(entry.column);
    m_loading = true;
    switch (entry.kind) {
        case Kind::Text: {
            auto* edit = static_cast<QLineEdit*>(entry.widget);
            if (edit->text() != value.toString()) {
                edit->setText(value.toString());
            }
            break;
        }
        case Kind::Date: {
            auto* edit = static_cast<QLineEdit*>(entry.widget);
            bool ok = false;
            // A date being typed stays as it is while the record holds no other.
            if (parsed(entry, &ok) != value || !ok) {
                edit->setText(dateText(value));
            }
            break;
        }
        case Kind::Money: {
            auto* edit = static_cast<QLineEdit*>(entry.widget);
            bool ok = false;
            if (parsed(entry, &ok) != value || !ok) {
                edit->setText(moneyText(value));
            }
            break;
        }
        case Kind::Suggestions: {
            auto* box = static_cast<QComboBox*>(entry.widget);
            if (box->currentText() != value.toString()) {
                box->setEditText(value.toString());
            }
            break;
        }
        case Kind::Lookup:
            static_cast<DBLookupComboBox*>(entry.widget)->setKeyValue(value.toString());
            break;
        case Kind::Label:
            static_cast<QLabel*>(entry.widget)->setText(value.toString());
            break;
    }
    m_loading = false;
}

QVariant FieldBinding::parsed(const Entry& entry, bool* ok) {
    auto* edit = static_cast<QLineEdit*>(entry.widget);
    *ok = true;
    if (entry.kind == Kind::Date) {
        if (dateIsBlank(edit)) {
            return QVariant();
        }
        const QDate date = QDate::fromString(edit->displayText(), kDateFormat);
        *ok = date.isValid();
        return *ok ? QVariant(date) : QVariant();
    }
    QString text = edit->text().trimmed();
    if (text.isEmpty()) {
        return QVariant();
    }
    text.replace(QLocale::system().decimalPoint(), QStringLiteral("."));
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = text.toDouble(ok);
    return *ok ? QVariant(value) : QVariant();
}

void FieldBinding::store(const Entry& entry) {
    if (m_loading) {
        emit changed();
        return;
    }
    if (m_table.isOpen() && m_table.isEditing()) {
        QVariant value;
        bool ok = true;
        switch (entry.kind) {
            case Kind::Text:
                value = static_cast<QLineEdit*>(entry.widget)->text();
                break;
            case Kind::Suggestions:
                value = static_cast<QComboBox*>(entry.widget)->currentText();
                break;
            case Kind::Lookup: {
                const QString key = static_cast<DBLookupComboBox*>(entry.widget)->keyValue();
                value = key.isEmpty() ? QVariant() : QVariant(key);
                break;
            }
            case Kind::Date:
            case Kind::Money:
                // An unfinished entry waits; a save refuses it (UpdateRecord).
                value = parsed(entry, &ok);
                break;
            case Kind::Label:
                ok = false;
                break;
        }
        if (ok) {
            m_storing = entry.column;
            m_table.setValue(entry.column, value);
            m_storing = -1;
        }
    }
    emit changed();
}

bool FieldBinding::UpdateRecord(Prompter& prompter) {
    for (const Entry& entry : std::as_const(m_entries)) {
        if ((entry.kind != Kind::Date && entry.kind != Kind::Money) || !entry.widget->isEnabled()) {
            continue;
        }
        bool ok = false;
        parsed(entry, &ok);
        if (ok) {
            continue;
        }
        auto* edit = static_cast<QLineEdit*>(entry.widget);
        prompter.beep();
        edit->setFocus();
        edit->selectAll();
        const QString text = edit->displayText().trimmed();
        prompter.error(entry.kind == Kind::Date
                           ? QStringLiteral("'%1' não é uma data válida").arg(text)
                           : QStringLiteral("'%1' não é um valor válido").arg(text));
        return false;
    }
    return true;
}

}  // namespace ambitra::ui
