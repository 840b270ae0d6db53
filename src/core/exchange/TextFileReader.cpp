#include "core/exchange/TextFileReader.h"

#include "core/common/Cp1252.h"

#include <QFile>

#include <cstring>

namespace ambitra {

namespace {

constexpr qint64 kBlock = 1 << 20;
const char kBom[] = "\xEF\xBB\xBF";

// Checks UTF-8 block by block; the state carries a sequence cut by a block's end.
class Utf8Check {
  public:
    // False as soon as the bytes cannot be UTF-8.
    bool feed(const unsigned char* p, qsizetype size) {
        for (qsizetype i = 0; i < size; ++i) {
            const unsigned char b = p[i];
            if (m_need > 0) {
                if (b < m_low || b > m_high) {
                    return false;
                }
                m_low = 0x80;
                m_high = 0xBF;
                --m_need;
                continue;
            }
            if (b < 0x80) {
                continue;
            }
            m_multiByte = true;
            if (!start(b)) {
                return false;
            }
        }
        return true;
    }
    bool complete() const { return m_need == 0; }
    bool multiByte() const { return m_multiByte; }

  private:
    // The first byte of a sequence: how many follow, and the range of the next
    // one (which excludes overlong forms, surrogates and code points past U+10FFFF).
    bool start(unsigned char b) {
        m_low = 0x80;
        m_high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            m_need = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_need = 2;
            m_low = b == 0xE0 ? 0xA0 : 0x80;
            m_high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_need = 3;
            m_low = b == 0xF0 ? 0x90 : 0x80;
            m_high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        return true;
    }

    int m_need = 0;
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
    bool m_multiByte = false;
};

}  // namespace

bool isBlankLine(QStringView line) {
    for (QChar ch : line) {
        if (ch.unicode() > u' ') {
            return false;
        }
    }
    return true;
}

TextFileReader::TextFileReader(QFile& file) : m_file(file) {
    m_utf8 = detectUtf8();
    m_file.seek(0);
    refill();
    if (m_block.startsWith(kBom)) {
        m_pos = 3;
    }
}

bool TextFileReader::detectUtf8() {
    const QByteArray head = m_file.peek(3);
    if (head == kBom) {
        return true;
    }
    Utf8Check check;
    QByteArray block;
    while (!(block = m_file.read(kBlock)).isEmpty()) {
        if (!check.feed(reinterpret_cast<const unsigned char*>(block.constData()), block.size())) {
            return false;
        }
    }
    return check.complete() && check.multiByte();
}

bool TextFileReader::next(QString& line, qint64& bytes) {
    for (;;) {
        const char* base = m_block.constData();
        const qsizetype size = m_block.size();
        const char* from = base + m_pos;
        const auto* lf = static_cast<const char*>(std::memchr(from, '\n', size - m_pos));
        const char* limit = lf ? lf : base + size;
        const auto* cr = static_cast<const char*>(std::memchr(from, '\r', limit - from));
        const char* end = cr ? cr : lf;
        if (end && !(end == cr && end + 1 == base + size && !m_atEnd)) {
            // A CR at the very end of the block may be the first half of CR LF.
            const qsizetype at = end - base;
            const qsizetype endLength =
                (*end == '\r' && at + 1 < size && base[at + 1] == '\n') ? 2 : 1;
            const char* data = from;
            const qsizetype length = at - m_pos;
            line = m_utf8 ? QString::fromUtf8(data, length) : cp1252::decode(data, length);
            bytes = length + endLength;
            m_pos = at + endLength;
            ++m_lineNumber;
            return true;
        }
        if (m_atEnd) {
            if (m_pos >= size) {
                return false;
            }
            const qsizetype length = size - m_pos;
            line = m_utf8 ? QString::fromUtf8(from, length) : cp1252::decode(from, length);
            bytes = length;
            m_pos = size;
            ++m_lineNumber;
            return true;
        }
        refill();
    }
}

void TextFileReader::refill() {
    m_block.remove(0, m_pos);
    m_pos = 0;
    const QByteArray more = m_file.read(kBlock);
    if (more.isEmpty()) {
        m_atEnd = true;
    }
    m_block += more;
}

}  // namespace ambitra
