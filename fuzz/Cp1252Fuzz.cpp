// The code page both ways: every byte string decodes and encodes back to itself
// (the code page has a character for each of the 256 bytes), and any text
// encodes to one byte per character (a pair of surrogates is one character),
// "?" for what the code page lacks.

#include "core/common/Cp1252.h"
#include "FuzzSupport.h"

using namespace ambitra;
using namespace ambitra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = cp1252::decode(bytes);
    check(text.size() == bytes.size(), "a byte did not decode to one character");
    check(cp1252::encode(text) == bytes, "decode then encode changed the bytes");

    // The same bytes read as UTF-16 text: any code unit, lone surrogates included.
    const QString wide(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    const QByteArray encoded = cp1252::encode(wide);
    qsizetype at = 0;
    for (qsizetype i = 0; i < wide.size(); ++i, ++at) {
        check(at < encoded.size(), "encoding gave fewer bytes than characters");
        const char16_t ch = wide[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < wide.size() && wide[i + 1].isLowSurrogate()) {
            check(encoded[at] == '?', "a character beyond the code page was not written as ?");
            ++i;
            continue;
        }
        check(cp1252::toByte(ch) == encoded[at], "appendEncoded and toByte disagree");
        check(encoded[at] == '?' || cp1252::toChar(static_cast<unsigned char>(encoded[at])) == ch,
              "an encoded byte does not decode to its character");
    }
    check(at == encoded.size(), "encoding gave more bytes than characters");
    return 0;
}
