#include "core/xbase/HalcyonField.h"

#include "core/xbase/HalcyonDataSet.h"
#include "core/xbase/HalcyonError.h"

#include <QDateTime>

#include <cmath>
#include <cstring>
#include <limits>

namespace ambitra {

namespace {

THalcyonField::Kind kindOf(const dbf::FieldDef& def) {
    switch (def.type) {
        case 'N':
        case 'F':
            return def.decimals > 0 ? THalcyonField::Kind::Real : THalcyonField::Kind::Integer;
        case 'D':
            return THalcyonField::Kind::Date;
        case 'L':
            return THalcyonField::Kind::Logical;
        default:
            // C, and the types this program never writes, read as their text.
            return THalcyonField::Kind::Text;
    }
}

QString numberText(const char* text, int length) {
    return QString::fromLatin1(text, length);
}

bool isIntegerType(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return true;
        default:
            return false;
    }
}

}  // namespace

THalcyonField::THalcyonField(THalcyonDataSet& owner, dbf::FieldDef def, int offset)
    : m_owner(&owner), m_def(std::move(def)), m_offset(offset), m_kind(kindOf(m_def)) {}

const char* THalcyonField::data() const {
    return m_owner->record() + m_offset;
}

char* THalcyonField::writableData() {
    m_owner->requireEditing();
    return m_owner->record() + m_offset;
}

QByteArrayView THalcyonField::RawBytes() const {
    return {data(), m_def.width};
}

dbf::ParsedNumber THalcyonField::parsedNumber() const {
    const dbf::ParsedNumber number = dbf::parseNumber(data(), m_def.width);
    if (!number.valid) {
        throw EHalcyonError::invalidNumber(m_owner->tableBaseName(), m_def.name,
                                           QString::fromLatin1(data(), m_def.width).trimmed());
    }
    return number;
}

bool THalcyonField::IsNull() const {
    switch (m_kind) {
        case Kind::Text:
            return dbf::isBlank(data(), m_def.width);
        case Kind::Date:
            return !dbf::readDate(data(), m_def.width).isValid();
        default:
            return false;
    }
}

QVariant THalcyonField::AsVariant() const {
    switch (m_kind) {
        case Kind::Text: {
            QString text = dbf::readText(data(), m_def.width);
            return text.isEmpty() ? QVariant() : QVariant(std::move(text));
        }
        case Kind::Real:
            return parsedNumber().real;
        case Kind::Integer: {
            const dbf::ParsedNumber number = parsedNumber();
            if (!number.integral) {
                return number.real;  // a fraction some other writer stored: keep it
            }
            if (number.integer >= std::numeric_limits<int>::min() &&
                number.integer <= std::numeric_limits<int>::max()) {
                return static_cast<int>(number.integer);
            }
            return static_cast<qlonglong>(number.integer);
        }
        case Kind::Date: {
            const QDate date = dbf::readDate(data(), m_def.width);
            return date.isValid() ? QVariant(date) : QVariant();
        }
        case Kind::Logical:
            return m_def.width > 0 && dbf::readLogical(data()[0]);
    }
    return {};
}

QString THalcyonField::AsString() const {
    switch (m_kind) {
        case Kind::Text:
            return dbf::readText(data(), m_def.width);
        case Kind::Real:
        case Kind::Integer: {
            const dbf::ParsedNumber number = parsedNumber();
            char text[dbf::kNumberTextSize];
            const int length = number.integral
                                   ? dbf::formatInteger(number.integer, m_def.decimals, text)
                                   : dbf::formatReal(number.real, m_def.decimals, text);
            return numberText(text, length);
        }
        case Kind::Date: {
            const QDate date = dbf::readDate(data(), m_def.width);
            return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")) : QString();
        }
        case Kind::Logical:
            return m_def.width > 0 && dbf::readLogical(data()[0]) ? QStringLiteral("T")
                                                                  : QStringLiteral("F");
    }
    return {};
}

void THalcyonField::Clear() {
    // As in a new record: blanks, zero in numeric fields.
    std::memcpy(writableData(), m_owner->blankRecord() + m_offset,
                static_cast<size_t>(m_def.width));
}

void THalcyonField::placeNumber(const char* text, int length) {
    if (!dbf::placeNumber(writableData(), m_def.width, text, length)) {
        throw EHalcyonError::numberTooBig(m_def.name, numberText(text, length));
    }
}

void THalcyonField::setInteger(qint64 value) {
    char text[dbf::kNumberTextSize];
    placeNumber(text, dbf::formatInteger(value, m_def.decimals, text));
}

void THalcyonField::setReal(double value) {
    char text[dbf::kNumberTextSize];
    const int length = dbf::formatReal(value, m_def.decimals, text);
    if (!std::isfinite(value)) {
        throw EHalcyonError::numberTooBig(m_def.name, numberText(text, length));
    }
    placeNumber(text, length);
}

void THalcyonField::setNumberText(const QString& text) {
    const QByteArray latin = text.toLatin1();
    const dbf::ParsedNumber number = dbf::parseNumber(latin.constData(), latin.size());
    if (!number.valid) {
        throw EHalcyonError::invalidNumber(m_owner->tableBaseName(), m_def.name, text.trimmed());
    }
    if (number.integral) {
        setInteger(number.integer);
    } else {
        setReal(number.real);
    }
}

void THalcyonField::setDate(const QDate& date) {
    if (!dbf::writeDate(writableData(), m_def.width, date)) {
        throw EHalcyonError::invalidDate(m_def.name, date.toString(Qt::ISODate));
    }
}

void THalcyonField::SetAsString(const QString& text) {
    switch (m_kind) {
        case Kind::Text:
            dbf::writeText(writableData(), m_def.width, text);
            return;
        case Kind::Real:
        case Kind::Integer:
            setNumberText(text);
            return;
        case Kind::Date: {
            const QDate date = dbf::parseDateText(text);
            if (!date.isValid() && !text.trimmed().isEmpty()) {
                throw EHalcyonError::invalidDate(m_def.name, text);
            }
            setDate(date);
            return;
        }
        case Kind::Logical:
            if (m_def.width > 0) {
                const QByteArray latin = text.trimmed().left(1).toLatin1();
                char* field = writableData();
                field[0] = latin.isEmpty() ? ' ' : (dbf::readLogical(latin[0]) ? 'T' : 'F');
            }
            return;
    }
}

void THalcyonField::SetAsVariant(const QVariant& value) {
    if (value.isNull()) {
        Clear();
        return;
    }
    switch (m_kind) {
        case Kind::Text:
            dbf::writeText(writableData(), m_def.width, value.toString());
            return;
        case Kind::Real:
        case Kind::Integer:
            if (isIntegerType(value) || value.typeId() == QMetaType::Bool) {
                setInteger(value.toLongLong());
            } else if (value.typeId() == QMetaType::QString) {
                setNumberText(value.toString());
            } else {
                bool ok = false;
                const double real = value.toDouble(&ok);
                if (!ok) {
                    throw EHalcyonError::invalidNumber(m_owner->tableBaseName(), m_def.name,
                                                       value.toString());
                }
                setReal(real);
            }
            return;
        case Kind::Date:
            if (value.typeId() == QMetaType::QDate) {
                setDate(value.toDate());
            } else if (value.typeId() == QMetaType::QDateTime) {
                setDate(value.toDateTime().date());
            } else {
                SetAsString(value.toString());
            }
            return;
        case Kind::Logical:
            if (value.typeId() == QMetaType::QString) {
                SetAsString(value.toString());
            } else if (m_def.width > 0) {
                writableData()[0] = value.toBool() ? 'T' : 'F';
            }
            return;
    }
}

}  // namespace ambitra
