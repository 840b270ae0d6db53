#include "core/common/Cp1252.h"

#include <array>

namespace ambitra::cp1252 {

namespace {

// Characters of the bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char16_t toChar(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

char toByte(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        return static_cast<char>(ch);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == ch) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

QString decode(const char* data, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        out[i] = QChar(toChar(static_cast<unsigned char>(data[i])));
    }
    return text;
}

QString asWritten(const QString& text) {
    for (const QChar ch : text) {
        if (ch.isSurrogate()) {
            return decode(encode(text));
        }
    }
    return text;
}

void appendEncoded(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        // A character outside the BMP is one code point written as two units: one "?".
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            dst[n++] = '?';
            continue;
        }
        dst[n++] = toByte(ch);
    }
    out.resize(start + n);
}

QByteArray encode(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    appendEncoded(out, text);
    return out;
}

}  // namespace ambitra::cp1252
