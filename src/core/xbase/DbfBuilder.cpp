#include "core/xbase/DbfBuilder.h"

#include "core/xbase/HalcyonError.h"
#include "core/xbase/TableFile.h"

#include "core/common/Cp1252.h"

#include <QDate>

#include <exception>

namespace ambitra {

namespace {

constexpr int kMaxLength = 0xFFFF;  // header and record lengths are 16 bits

QString builderPath(const QString& path) {
    QString trimmed = path.trimmed();
    const qsizetype slash = std::max(trimmed.lastIndexOf(u'/'), trimmed.lastIndexOf(u'\\'));
    if (trimmed.indexOf(u'.', slash + 1) < 0) {
        trimmed += QStringLiteral(".DBF");
    }
    return trimmed;
}

}  // namespace

QString UpperFieldName(const QString& name) {
    QString upper = name;
    for (QChar& ch : upper) {
        const QChar candidate = ch.toUpper();
        // Keep a letter whose capital the code page lacks (µ), as the code page would.
        if (cp1252::toByte(candidate.unicode()) != '?' || candidate == u'?') {
            ch = candidate;
        }
    }
    return upper;
}

GSO_DBFBuild::GSO_DBFBuild(const QString& path) : m_path(builderPath(path)) {}

GSO_DBFBuild::~GSO_DBFBuild() {
    if (!m_written) {
        try {
            WriteTable();
        } catch (const std::exception&) {
            // A destructor cannot report; WriteTable is where errors are seen.
        }
    }
}

int GSO_DBFBuild::HeaderLength() const {
    return dbf::kHeaderSize + dbf::kDescriptorSize * static_cast<int>(m_fields.size()) + 1;
}

void GSO_DBFBuild::AddField(const QString& name, QChar type, int width, int decimals) {
    if (name.isEmpty()) {
        return;
    }
    dbf::FieldDef field;
    field.name = UpperFieldName(name).left(dbf::kMaxNameLength);
    field.type = cp1252::toByte(type.toUpper().unicode());
    switch (field.type) {
        case 'C':
            field.decimals = 0;  // the width's high byte takes its place
            break;
        case 'D':
            width = 8;
            decimals = 0;
            break;
        case 'L':
            width = 1;
            decimals = 0;
            break;
        default:
            break;
    }
    const int maxWidth = field.type == 'C' ? kMaxLength : 255;
    if (width < 0 || width > maxWidth || (field.type != 'C' && (decimals < 0 || decimals > 255)) ||
        m_recordLength + width > kMaxLength || HeaderLength() + dbf::kDescriptorSize > kMaxLength) {
        throw EHalcyonError(QStringLiteral("Invalid definition of field ") + field.name);
    }
    field.width = width;
    if (field.type != 'C') {
        field.decimals = decimals;
    }
    m_recordLength += width;
    m_fields.append(field);
}

void GSO_DBFBuild::WriteTable() {
    m_written = true;
    const int headerLength = HeaderLength();
    QByteArray bytes(headerLength + 1, '\0');
    char* header = bytes.data();
    header[dbf::header::Version] = static_cast<char>(version());
    dbf::writeDate(header, QDate::currentDate());
    dbf::writeU16(header + dbf::header::HeaderLength, static_cast<quint16>(headerLength));
    dbf::writeU16(header + dbf::header::RecordLength, static_cast<quint16>(m_recordLength));
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        dbf::writeDescriptor(header + dbf::kHeaderSize + i * dbf::kDescriptorSize, m_fields[i]);
    }
    bytes[headerLength - 1] = dbf::kTerminator;
    bytes[headerLength] = dbf::kEndOfFile;

    TableFile file;
    if (!file.create(m_path, m_ownerOnly)) {
        throw EHalcyonError::cannotCreate(m_path);
    }
    if (!file.writeAt(0, bytes.constData(), bytes.size())) {
        throw EHalcyonError::writeFailed(m_path);
    }
}

}  // namespace ambitra
