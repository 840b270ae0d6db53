#include "ui/records/TOperadores.h"

#include "ui/records/FieldBinding.h"
#include "core/records/OperatorsProtocol.h"
#include "ui/records/PanelBuilder.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace ambitra::ui {

TOperadores::TOperadores(TDados& dados, Prompter& prompter, QSize childArea, QWidget* parent)
    : RecordWindow(new OperatorsProtocol(dados, cursorProgress()), prompter, QSize(480, 240),
                   QSize(420, 160), childArea, parent),
      m_rules(static_cast<OperatorsProtocol&>(protocol())) {
    setObjectName(QStringLiteral("Operadores"));
    setWindowTitle(QStringLiteral("Operadores"));

    PanelBuilder form(panel());
    DBEdit1 = form.lineEdit("DBEdit1", "Código", 8);
    DBEdit2 = form.lineEdit("DBEdit2", "Senha", 8);
    Edit1 = form.lineEdit("Edit1", "Redigitação", 8);
    Label4 = form.lastLabel();
    Label4->setObjectName(QStringLiteral("Label4"));
    DBEdit3 = form.lineEdit("DBEdit3", "Nome", 17);
    for (QLineEdit* secret : {DBEdit2, Edit1}) {
        secret->setEchoMode(QLineEdit::Password);
        secret->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    }

    binding().bindText(DBEdit1, QStringLiteral("OPCODIGO"));
    binding().bindText(DBEdit2, QStringLiteral("OPSENHA"));
    binding().bindText(DBEdit3, QStringLiteral("OPNOME"));
    addEditControl(DBEdit1, QStringLiteral("OPCODIGO"));
    addEditControl(DBEdit2, QStringLiteral("OPSENHA"));
    addEditControl(Edit1, OperatorsProtocol::kRetypeField);
    addEditControl(DBEdit3, QStringLiteral("OPNOME"));

    // The retype field is no column: its changes reach the rules directly.
    connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_rules.setRetype(text);
        m_rules.AnyChange();
    });
    connect(&m_rules, &OperatorsProtocol::retypeChanged, Edit1, &QLineEdit::setText);
    updateVisibility();
}

void TOperadores::updateVisibility() {
    const bool visible = m_rules.RetypeVisible();
    Edit1->setVisible(visible);
    Label4->setVisible(visible);
}

}  // namespace ambitra::ui
