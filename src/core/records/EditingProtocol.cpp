#include "core/records/EditingProtocol.h"

#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/DataTable.h"
#include "core/data/Query.h"
#include "core/records/NavigatorAction.h"

namespace ambitra {

EditingProtocol::EditingProtocol(DataTable& table, Query& sqlTmp, Prompter& prompter,
                                 QString secondField, Progress& progress, QObject* parent)
    : QObject(parent),
      m_sqlTmp(sqlTmp),
      m_progress(progress),
      m_table(table),
      m_prompter(prompter),
      m_secondField(std::move(secondField)) {}

const QString& EditingProtocol::codeField() const {
    return m_table.definition().keyColumn;
}

void EditingProtocol::openTables() {
    if (!m_table.isOpen()) {
        m_table.open();
    }
}

void EditingProtocol::FormActivate() {
    if (m_activated) {
        return;
    }
    openTables();
    emit controlsChanged();
    m_activated = true;
}

bool EditingProtocol::FormClose() {
    if (TDados::RefreshNavigator(m_table)[static_cast<std::size_t>(NavButton::Cancel)] &&
        !Press(NavButton::Cancel)) {
        return false;
    }
    m_activated = false;
    return true;
}

void EditingProtocol::AnyChange() {
    m_modified = editingOrInserting();
}

bool EditingProtocol::Press(NavButton button) {
    return PressNavigatorButton(
        m_table, button, m_prompter, m_progress, [this](NavButton b) { return BeforeAction(b); },
        [this](NavButton b) { AfterAction(b); }, [this, button] { InsideLock(button); });
}

void EditingProtocol::InsideLock(NavButton button) {
    if (button == NavButton::Post && m_inserting) {
        takeFreeCodeInsideLock();
    }
}

void EditingProtocol::takeFreeCodeInsideLock() {
    // The code was free when the record was validated, but another desktop may
    // have stored it while the confirmation was on screen. Checked again under
    // the register's write lock, nobody can take it before this save writes.
    const QString code = fieldText(codeField()).trimmed();
    if (codeIsFree(code)) {
        return;
    }
    const QString replaced = replaceTakenCode(code);
    if (replaced.isEmpty() || !codeIsFree(replaced)) {
        emit focusRequested(codeField());
        throw Error(QStringLiteral("Código já cadastrado!"));
    }
}

bool EditingProtocol::BeforeAction(NavButton button) {
    switch (button) {
        case NavButton::Delete:
            m_prompter.beep();
            return m_prompter.confirm(QStringLiteral("Excluir o registro corrente?"));
        case NavButton::Post:
            if (!ValidateRecord()) {
                return false;
            }
            m_prompter.beep();
            return m_prompter.confirm(QStringLiteral("Gravar o registro corrente?"));
        case NavButton::Cancel:
            if (!m_modified) {
                return true;
            }
            m_prompter.beep();
            return m_prompter.confirm(QStringLiteral("Cancelar a edição do registro corrente?"));
        default:
            return true;
    }
}

void EditingProtocol::AfterAction(NavButton button) {
    m_inserting = button == NavButton::Insert;
    m_editing = button == NavButton::Edit;
    afterActionExtras(button);
    m_modified = false;
    emit controlsChanged();
}

QString EditingProtocol::fieldText(const QString& field) const {
    return m_table.isOpen() ? m_table.text(field) : QString();
}

bool EditingProtocol::fail(const QString& field, const QString& message) {
    m_prompter.beep();
    emit focusRequested(field);
    m_prompter.error(message);
    return false;
}

bool EditingProtocol::codeIsFree(const QString& code) {
    BusyGuard busy(m_progress);
    m_sqlTmp.close();
    // The engine has no TOP: LIMIT closes the second line instead.
    m_sqlTmp.setText(
        {QStringLiteral("SELECT * FROM ") + m_table.tableName() + QLatin1Char(' '),
         QStringLiteral("WHERE ") + codeField() + QStringLiteral(" = :Codigo LIMIT 1")});
    m_sqlTmp.setParameter(QStringLiteral("Codigo"), code);
    m_sqlTmp.open();
    const bool free = m_sqlTmp.isEmpty();
    m_sqlTmp.close();
    return free;
}

bool EditingProtocol::ValidateRecord() {
    const QString code = fieldText(codeField()).trimmed();
    if (code.isEmpty()) {
        return fail(codeField(), QStringLiteral("Código inválido!"));
    }
    if (m_inserting && !codeIsFree(code)) {
        const QString replaced = replaceTakenCode(code);
        if (replaced.isEmpty() || !codeIsFree(replaced)) {
            return fail(codeField(), QStringLiteral("Código já cadastrado!"));
        }
    }
    return validateFields();
}

bool EditingProtocol::IsFieldEnabled(const QString& field) const {
    if (field == codeField()) {
        return m_inserting;
    }
    return editingOrInserting();
}

QString EditingProtocol::FocusField() const {
    if (IsFieldEnabled(codeField())) {
        return codeField();
    }
    if (IsFieldEnabled(m_secondField)) {
        return m_secondField;
    }
    return QString();
}

}  // namespace ambitra
