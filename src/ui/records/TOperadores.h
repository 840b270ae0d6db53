#pragma once

#include "ui/records/RecordWindow.h"

class QLabel;
class QLineEdit;

namespace ambitra {
class OperatorsProtocol;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// The operators window "Operadores": code, password with an unbound retype field
// shown only while a record is being changed, and name.
class TOperadores : public RecordWindow {
    Q_OBJECT

  public:
    TOperadores(TDados& dados, Prompter& prompter, QSize childArea, QWidget* parent = nullptr);

    QLineEdit* DBEdit1 = nullptr;  // OPCODIGO
    QLineEdit* DBEdit2 = nullptr;  // OPSENHA
    QLineEdit* Edit1 = nullptr;    // retype, never stored
    QLineEdit* DBEdit3 = nullptr;  // OPNOME
    QLabel* Label4 = nullptr;

  protected:
    void updateVisibility() override;

  private:
    OperatorsProtocol& m_rules;
};

}  // namespace ambitra::ui
