#include "core/data/CodeAllocator.h"

#include "core/common/Conversions.h"
#include "core/common/Prompter.h"
#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"
#include "core/data/TDados.h"

#include <QSqlError>
#include <QSqlQuery>

namespace ambitra {

namespace {

constexpr int kCodeColumnWidth = 13;

// Data digits of an EAN standard (the check digit comes on top), 0 for none.
int eanDataDigits(const QString& codeBar) {
    if (codeBar == QLatin1String("EAN8")) {
        return 7;
    }
    if (codeBar == QLatin1String("EAN13")) {
        return 12;
    }
    return 0;
}

}  // namespace

QString CodeAllocator::NextCode(const Settings& settings) {
    const double next = TextToFloat(settings.LastCode) + 1;
    const QString number = QString::asprintf("%13.0f", next).trimmed();
    const int dataDigits = eanDataDigits(settings.CodeBar);
    if (dataDigits > 0) {
        // Cutting a longer number to its last digits would hand out a code that
        // was allocated long ago: a used-up sequence has no next code.
        if (DigitsOnly(number, 0).size() > dataDigits) {
            return QString();
        }
        return DigitsOnly(AddEANCheckDigit(number), dataDigits + 1);
    }
    const int width = static_cast<int>(std::max(settings.LastCode.size(), number.size()));
    const QString code = DigitsOnly(number, width);
    return code.size() > kCodeColumnWidth ? QString() : code;
}

QStringList CodeAllocator::storedFrom(const QString& code, int limit) {
    QSqlQuery query(m_dados.Conn().database());
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT BECODIGO FROM Bens WHERE BECODIGO >= ? AND length(BECODIGO) = ? "
                       "ORDER BY BECODIGO LIMIT ?"));
    query.addBindValue(code);
    query.addBindValue(code.size());
    query.addBindValue(limit);
    if (!query.exec()) {
        throw Error(EngineErrorText::of(query.lastError()));
    }
    QStringList codes;
    while (query.next()) {
        codes << query.value(0).toString();
    }
    return codes;
}

QString CodeAllocator::FreeCode() {
    // LastCode may lag behind codes typed by hand (a letter code sorts above every
    // number and stops its alignment): a code Bens holds would only be refused.
    // Codes of one width sort like their numbers, so the stored ones from the
    // proposal on are read in order, a block at a time, and skipped while taken.
    constexpr int kBlock = 512;
    Settings probe = m_dados.settings();
    QString code = NextCode(probe);
    for (;;) {
        if (code.isEmpty()) {
            return code;
        }
        const QStringList stored = storedFrom(code, kBlock);
        const qsizetype width = code.size();
        for (const QString& taken : stored) {
            if (taken != code) {
                if (code < taken) {
                    return code;  // a gap before the next stored code
                }
                continue;
            }
            probe.LastCode = eanDataDigits(probe.CodeBar) > 0 ? code.left(code.size() - 1) : code;
            code = NextCode(probe);
            if (code.isEmpty() || code.size() != width) {
                break;  // the sequence outgrew this width: read again from there
            }
        }
        if (stored.size() < kBlock && (code.isEmpty() || code.size() == width)) {
            return code;
        }
    }
}

QString CodeAllocator::GetNextCode() {
    const QString code = FreeCode();
    if (code.isEmpty()) {
        Prompter& prompter = m_dados.prompter();
        prompter.beep();
        prompter.warning(
            QStringLiteral("Código automático alocou uma seqüência maior que o máximo permitido!"));
        return QString();
    }
    DataTable& bens = m_dados.TBens();
    if (bens.isOpen() && bens.isEditing()) {
        bens.setValue(QStringLiteral("BECODIGO"), code);
    }
    return code;
}

void CodeAllocator::UpdateLastCode(const QString& storedCode) {
    Settings& settings = m_dados.settings();
    QString code = storedCode;
    if (eanDataDigits(settings.CodeBar) > 0) {
        code.chop(1);  // the check digit
    }
    if (TextToFloat(code) > TextToFloat(settings.LastCode)) {
        settings.LastCode = code;
    }
}

void CodeAllocator::AlignLastCode() {
    const QString highest = m_dados.GetLastCode();
    Settings& settings = m_dados.settings();
    // Compared as texts, character by character: with the EAN standards both have
    // one length and this agrees with the numeric comparison made at start-up.
    if (QString::compare(settings.LastCode, highest, Qt::CaseSensitive) < 0) {
        settings.LastCode = highest;
    }
}

}  // namespace ambitra
