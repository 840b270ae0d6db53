#include "core/xbase/DbfFormat.h"

#include "core/common/Cp1252.h"

#include <cstring>

namespace ambitra::dbf {

bool isAcceptedVersion(quint8 version) {
    switch (version) {
        case 0x03:
        case 0x04:
        case 0x30:
        case 0x83:
        case 0x8B:
        case 0xF5:
            return true;
        default:
            return false;
    }
}

quint32 changeStamp(const QTime& time) {
    return ((static_cast<quint32>(time.hour()) * 64 + time.minute()) * 64 + time.second()) * 1024 +
           time.msec();
}

void writeDate(char* header, const QDate& date) {
    header[header::Date] = static_cast<char>(date.year() % 100);
    header[header::Date + 1] = static_cast<char>(date.month());
    header[header::Date + 2] = static_cast<char>(date.day());
}

void refreshHeader(char* header, quint32 recordCount, quint32 userId, const QDate& date,
                   const QTime& time) {
    writeDate(header, date);
    writeU32(header + header::RecordCount, recordCount);
    header[header::Encrypted] = 0;
    writeU32(header + header::ChangeStamp, changeStamp(time));
    writeU32(header + header::UserId, userId);
    header[header::TableFlags] = static_cast<char>(header[header::TableFlags] & 0x07);
}

void writeDescriptor(char* out, const FieldDef& field) {
    std::memset(out, 0, kDescriptorSize);
    const QByteArray name = cp1252::encode(field.name).left(kMaxNameLength);
    std::memcpy(out, name.constData(), static_cast<size_t>(name.size()));
    out[11] = field.type;
    if (field.type == 'C') {
        out[16] = static_cast<char>(field.width % 256);
        out[17] = static_cast<char>(field.width / 256);
    } else {
        out[16] = static_cast<char>(field.width);
        out[17] = static_cast<char>(field.decimals);
    }
}

FieldDef readDescriptor(const char* in) {
    FieldDef field;
    const auto nameLength = static_cast<qsizetype>(::strnlen(in, kMaxNameLength + 1));
    field.name = cp1252::decode(in, nameLength);
    field.type = in[11];
    const auto widthByte = static_cast<unsigned char>(in[16]);
    const auto decimalsByte = static_cast<unsigned char>(in[17]);
    if (field.type == 'C') {
        field.width = widthByte + 256 * decimalsByte;
    } else {
        field.width = widthByte;
        field.decimals = decimalsByte;
    }
    return field;
}

}  // namespace ambitra::dbf
