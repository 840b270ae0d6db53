#pragma once

#include "core/records/EditingProtocol.h"

namespace ambitra {

// The operators' editing rules: a retype field for the password, unbound and never
// stored, visible only while a record is being changed, and the password and
// name checks of the validation.
class OperatorsProtocol : public EditingProtocol {
    Q_OBJECT

  public:
    // Name of the unbound retype control.
    static const QString kRetypeField;

    OperatorsProtocol(TDados& dados, Progress& progress = noProgress(), QObject* parent = nullptr);

    const QString& retype() const { return m_retype; }
    // The retype control's content changed (typed by the user).
    void setRetype(const QString& text) { m_retype = text; }
    bool RetypeVisible() const { return editingOrInserting(); }
    bool IsFieldEnabled(const QString& field) const override;

  signals:
    // The protocol set the retype field (emptied on Insert, the password on Edit).
    void retypeChanged(const QString& text);

  protected:
    void afterActionExtras(NavButton button) override;
    bool validateFields() override;

  private:
    QString m_retype;
};

}  // namespace ambitra
