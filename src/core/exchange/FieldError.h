#pragma once

#include "core/common/Error.h"

namespace ambitra {

// A value of a record that cannot be read or written as it stands: the field,
// the value and the reason, in the words the user sees ("BECOMPRA:
// '15/03/2024' não é uma data válida (aceitas: aaaammdd ou aaaa/mm/dd)."). The run puts the file
// and the line or record in front.
class FieldError : public Error {
  public:
    FieldError(const QString& field, const QString& value, const QString& reason)
        : Error(field + QStringLiteral(": '") + shown(value) + QStringLiteral("' ") + reason) {}

  private:
    // Control characters would break the one-line reports: shown by their code.
    static QString shown(const QString& value) {
        QString out;
        for (QChar ch : value) {
            if (ch.unicode() < u' ') {
                out += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QLatin1Char('0'));
            } else {
                out += ch;
            }
        }
        return out;
    }
};

}  // namespace ambitra
