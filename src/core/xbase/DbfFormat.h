#pragma once

#include <QByteArray>
#include <QDate>
#include <QTime>
#include <QString>
#include <QtGlobal>

// The byte layout of a dBase III table file as this program writes and reads it:
// a 32-byte header, one 32-byte descriptor per field, a 0x0D terminator, the
// fixed-length records, and a 0x1A after the last record. Integers are
// little-endian.
namespace ambitra::dbf {

constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr int kMaxNameLength = 10;
constexpr char kTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveMark = ' ';
constexpr char kDeletedMark = '*';
constexpr quint8 kVersion = 0x03;
// Tables of this version keep 263 bytes of backlink after the terminator.
constexpr quint8 kVersionWithBacklink = 0x30;
constexpr int kBacklinkSize = 263;

// Offsets of the one-byte locks: the append lock, and the record lock that sits
// at this base plus the record's offset in the file.
constexpr qint64 kAppendLockOffset = 0x7FFFFFFE;
constexpr qint64 kRecordLockBase = 0x40000000;

// Header byte offsets.
namespace header {
constexpr int Version = 0;
constexpr int Date = 1;
constexpr int RecordCount = 4;
constexpr int HeaderLength = 8;
constexpr int RecordLength = 10;
constexpr int Encrypted = 15;
constexpr int ChangeStamp = 16;
constexpr int UserId = 20;
constexpr int TableFlags = 28;
}  // namespace header

inline quint16 readU16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<quint16>(b[0] | (b[1] << 8));
}
inline quint32 readU32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<quint32>(b[0]) | (static_cast<quint32>(b[1]) << 8) |
           (static_cast<quint32>(b[2]) << 16) | (static_cast<quint32>(b[3]) << 24);
}
inline void writeU16(char* p, quint16 v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
inline void writeU32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

// Version bytes of the dBase family that open as plain tables.
bool isAcceptedVersion(quint8 version);

// The time of day packed into header bytes 16-19 by every write.
quint32 changeStamp(const QTime& time);

// Header bytes 1-3: year mod 100, month, day.
void writeDate(char* header, const QDate& date);

// Brings a header read from the file up to date before it is written back after
// a write: date, record count, change stamp, no encryption, user id, and only the
// low three bits of the table flags. The other bytes stay as read.
void refreshHeader(char* header, quint32 recordCount, quint32 userId, const QDate& date,
                   const QTime& time);

// One field as its descriptor states it. For C fields the width includes the
// descriptor's decimals byte as its high byte, and decimals is 0.
struct FieldDef {
    QString name;
    char type = 'C';
    int width = 0;
    int decimals = 0;
};

// The 32 bytes of a field descriptor.
void writeDescriptor(char* out, const FieldDef& field);
FieldDef readDescriptor(const char* in);

}  // namespace ambitra::dbf
