#include "core/records/OperatorsProtocol.h"

namespace ambitra {

const QString OperatorsProtocol::kRetypeField = QStringLiteral("Redigitacao");

OperatorsProtocol::OperatorsProtocol(TDados& dados, Progress& progress, QObject* parent)
    : EditingProtocol(dados.TOperadores(), dados.SQLTmp(), dados.prompter(),
                      QStringLiteral("OPSENHA"), progress, parent) {}

bool OperatorsProtocol::IsFieldEnabled(const QString& field) const {
    if (field == kRetypeField) {
        return RetypeVisible();
    }
    return EditingProtocol::IsFieldEnabled(field);
}

void OperatorsProtocol::afterActionExtras(NavButton button) {
    if (button == NavButton::Insert) {
        m_retype.clear();
        emit retypeChanged(m_retype);
    } else if (button == NavButton::Edit) {
        // A record stored without touching the password then passes the check.
        m_retype = fieldText(QStringLiteral("OPSENHA"));
        emit retypeChanged(m_retype);
    }
}

bool OperatorsProtocol::validateFields() {
    if (fieldText(QStringLiteral("OPSENHA")) != m_retype) {
        return fail(kRetypeField, QStringLiteral("Redigitação da senha não confere!"));
    }
    if (fieldText(QStringLiteral("OPNOME")).trimmed().isEmpty()) {
        return fail(QStringLiteral("OPNOME"), QStringLiteral("Nome deve ser informado!"));
    }
    return true;
}

}  // namespace ambitra
