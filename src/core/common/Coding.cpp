#include "core/common/Coding.h"

#include "core/common/NumberConversions.h"

namespace ambitra {

Coding codingOf(const QString& codeBar) {
    if (codeBar == QLatin1String("EAN8")) {
        return Coding::EAN8;
    }
    if (codeBar == QLatin1String("EAN13")) {
        return Coding::EAN13;
    }
    return Coding::None;
}

QString codeBarOf(Coding coding) {
    switch (coding) {
        case Coding::EAN8:
            return QStringLiteral("EAN8");
        case Coding::EAN13:
            return QStringLiteral("EAN13");
        case Coding::None:
            break;
    }
    return QString();
}

QString codingCaption(Coding coding) {
    switch (coding) {
        case Coding::EAN8:
            return QStringLiteral("padrão EAN-8");
        case Coding::EAN13:
            return QStringLiteral("padrão EAN-13");
        case Coding::None:
            return QStringLiteral("nenhum");
    }
    return QString();
}

int dataDigits(Coding coding) {
    switch (coding) {
        case Coding::EAN8:
            return 7;
        case Coding::EAN13:
            return 12;
        case Coding::None:
            break;
    }
    return 0;
}

bool holdsCheckDigit(const QString& code, Coding coding) {
    const int digits = dataDigits(coding);
    if (digits == 0 || code.size() != digits + 1) {
        return false;
    }
    for (const QChar c : code) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return AddEANCheckDigit(code.left(digits)) == code;
}

}  // namespace ambitra
