#pragma once

#include "core/common/Progress.h"
#include "core/data/TDados.h"

#include <QObject>
#include <QString>

namespace ambitra {

class DataTable;
class Prompter;
class Query;

// The editing protocol the maintenance windows share: a record changes only after
// Insert or Edit, deleting, saving and discarding a change each ask first, saving
// validates first, and the mode flags follow the last navigator button pressed
// (not the table's state). Windows bind their controls and forward their events
// here; the rules live in this class and its per-window subclasses.
//
// Controls are named by the column they are bound to; an unbound control has a
// name of its own (the operators' retype field).
class EditingProtocol : public QObject {
    Q_OBJECT

  public:
    // secondField: the control after the code, which takes the focus when the code
    // cannot (editing an existing record).
    EditingProtocol(DataTable& table, Query& sqlTmp, Prompter& prompter, QString secondField,
                    Progress& progress = noProgress(), QObject* parent = nullptr);

    DataTable& table() { return m_table; }
    Prompter& prompter() { return m_prompter; }
    bool Inserting() const { return m_inserting; }
    bool Editing() const { return m_editing; }
    bool Modified() const { return m_modified; }
    bool Activated() const { return m_activated; }
    const QString& codeField() const;

    // Activation of the window: the first one opens the tables and brings the
    // controls in line.
    virtual void FormActivate();
    // The window is closing: a pending change is discarded, with the question when
    // it was modified. False when the user keeps it (the window stays open).
    bool FormClose();
    // A bound control changed its content.
    void AnyChange();

    // A whole navigator press (before-action step, action, after-action step), as
    // a click on the button makes it. True when the action completed.
    bool Press(NavButton button);
    // Confirmations and validation before an action; false abandons it.
    bool BeforeAction(NavButton button);
    // After a completed action: mode flags, the window's extras, Modified cleared,
    // controls brought in line.
    void AfterAction(NavButton button);
    // The step a save or a deletion takes once it holds the register's write
    // lock, just before it writes (see PressNavigatorButton).
    void InsideLock(NavButton button);
    // True when the record may be stored; tells the user why not otherwise.
    bool ValidateRecord();

    // Enabled state of a control: the code only while inserting (a stored code
    // never changes), every other one while inserting or editing.
    virtual bool IsFieldEnabled(const QString& field) const;
    // The control that takes the focus when the controls are brought in line;
    // empty for the edit panel itself.
    virtual QString FocusField() const;

  signals:
    // A validation failed on this control: focus it and select its text.
    void focusRequested(const QString& field);
    // The controls must follow the mode flags (grid, enabled states, navigator,
    // focus).
    void controlsChanged();

  protected:
    virtual void openTables();
    // The window's own steps after an action, before Modified is cleared.
    virtual void afterActionExtras(NavButton button) { Q_UNUSED(button); }
    // A code stored meanwhile by another desktop: the window may put another in
    // its place (returned) when the code was its own choice; empty refuses it.
    virtual QString replaceTakenCode(const QString& code) {
        Q_UNUSED(code);
        return {};
    }
    // The window's own validation steps, after the common ones.
    virtual bool validateFields() { return true; }
    // Reports a failed validation step: beep, focus, error box. Returns false.
    bool fail(const QString& field, const QString& message);
    void setActivated(bool activated) { m_activated = activated; }
    bool editingOrInserting() const { return m_inserting || m_editing; }
    // The text of a field of the record being changed (empty for null).
    QString fieldText(const QString& field) const;

    Query& m_sqlTmp;
    Progress& m_progress;

  private:
    bool codeIsFree(const QString& code);
    // Inside the save's write lock: a code taken meanwhile is replaced (see
    // replaceTakenCode) or refused.
    void takeFreeCodeInsideLock();

    DataTable& m_table;
    Prompter& m_prompter;
    QString m_secondField;
    bool m_inserting = false;
    bool m_editing = false;
    bool m_modified = false;
    bool m_activated = false;
};

}  // namespace ambitra
