#include "core/count/Reading.h"

#include "core/common/Coding.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/xbase/HalcyonDataSet.h"

namespace ambitra {

namespace {

constexpr const char* kFieldNames[Reading::FieldCount] = {
    "BECODIGO", "BENOME",  "BELOCAL",  "BEFABRICA", "BESITUACAO",
    "BENSERIE", "BEVALOR", "BECOMPRA", "BEULTINV",  "BEULTOPE"};

}  // namespace

QString Reading::fieldName(int field) {
    return QString::fromLatin1(kFieldNames[field]);
}

QVariant Reading::value(int field) const {
    if (!m_errors[field].isEmpty()) {
        throw Error(m_errors[field]);
    }
    return m_values[field];
}

QString Reading::errorsText() const {
    QStringList lines;
    for (int i = 0; i < FieldCount; ++i) {
        if (!m_errors[i].isEmpty()) {
            lines << fieldName(i) + u'\t' + m_errors[i];
        }
    }
    return lines.join(u'\n');
}

void Reading::setErrorsText(const QString& text) {
    m_errors = {};
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(u'\t');
        for (int i = 0; i < FieldCount && tab > 0; ++i) {
            if (line.left(tab) == QLatin1String(kFieldNames[i])) {
                m_errors[i] = line.mid(tab + 1);
            }
        }
    }
}

ReturnedRecords::ReturnedRecords(THalcyonDataSet& dbf, Progress& progress)
    : m_dbf(dbf), m_progress(progress), m_flag(&dbf.FieldByName(QStringLiteral("BEFLAG"))) {
    for (int i = 0; i < Reading::FieldCount; ++i) {
        m_fields[i] = dbf.FindField(Reading::fieldName(i));
        if (m_fields[i] == nullptr) {
            try {
                dbf.FieldByName(Reading::fieldName(i));
            } catch (const Error& error) {
                m_missing[i] = error.message();
            }
        }
    }
}

void ReturnedRecords::rewind() {
    m_started = false;
    m_taken = 0;
}

bool ReturnedRecords::next(Reading& reading) {
    for (;;) {
        if (!m_started) {
            m_dbf.First();
            m_started = true;
        } else {
            m_dbf.Next();
        }
        if (m_dbf.Eof()) {
            return false;
        }
        m_progress.advance();
        if (m_flag->AsString() == QLatin1String("X")) {
            break;
        }
    }
    reading.id = m_ids.value(m_taken++);
    for (int i = 0; i < Reading::FieldCount; ++i) {
        if (m_fields[i] == nullptr) {
            reading.set(i, QVariant());
            reading.setError(i, m_missing[i]);
            continue;
        }
        try {
            reading.set(i, m_fields[i]->AsVariant());
            reading.setError(i, QString());
        } catch (const Error& error) {
            reading.set(i, QVariant());
            reading.setError(i, error.message());
        }
    }
    return true;
}

bool ValueChanged(const QVariant& old, const QVariant& now) {
    if (old.isNull() || now.isNull()) {
        return old.isNull() != now.isNull();
    }
    return old.toString() != now.toString();
}

bool FailsCheckDigit(const QString& code, const QString& coding) {
    const Coding kind = codingOf(coding);
    const int digits = dataDigits(kind);
    return digits > 0 && code.size() == digits + 1 && !holdsCheckDigit(code, kind);
}

}  // namespace ambitra
