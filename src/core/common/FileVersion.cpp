#include "core/common/Conversions.h"

#include <QFile>

#include <array>
#include <optional>

// Program files carry no version resource off Windows, so the program carries
// its own: a marker of 32 bytes in its read-only data that GetFileVersionText
// finds by scanning the file. Layout: a 16-byte prefix, the four version numbers
// as 16-bit little-endian values, then those same 8 bytes inverted. The inverted
// copy lets the scan pass over stray copies of the prefix (a string that happens
// to hold it, a program that writes it) that are not followed by a version.
namespace ambitra {

namespace {

constexpr std::size_t kPrefixSize = 16;
constexpr std::size_t kNumbersSize = 8;
constexpr std::size_t kMarkerSize = kPrefixSize + 2 * kNumbersSize;
constexpr char kPrefix[kPrefixSize + 1] =
    "\x7F"
    "AmbitraFileVer"
    "\x7F";

using Marker = std::array<unsigned char, kMarkerSize>;

constexpr Marker makeMarker(std::array<unsigned, 4> version) {
    Marker marker{};
    for (std::size_t i = 0; i < kPrefixSize; ++i) {
        marker[i] = static_cast<unsigned char>(kPrefix[i]);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        marker[kPrefixSize + 2 * i] = static_cast<unsigned char>(version[i] & 0xFF);
        marker[kPrefixSize + 2 * i + 1] = static_cast<unsigned char>((version[i] >> 8) & 0xFF);
    }
    for (std::size_t i = 0; i < kNumbersSize; ++i) {
        marker[kPrefixSize + kNumbersSize + i] =
            static_cast<unsigned char>(~marker[kPrefixSize + i] & 0xFF);
    }
    return marker;
}

// "used" keeps the bytes in the object file even though the compiler could fold
// every read of them; GetFileVersionText searches with this very array, so any
// program that can ask for a version also links the marker.
[[gnu::used]] const Marker kVersionMarker = makeMarker(
    {AMBITRA_VERSION_MAJOR, AMBITRA_VERSION_MINOR, AMBITRA_VERSION_PATCH, AMBITRA_VERSION_TWEAK});

constexpr qint64 kChunkSize = 1 << 20;

QString versionText(const unsigned char* numbers) {
    QStringList parts;
    for (std::size_t i = 0; i < 4; ++i) {
        parts.append(QString::number(numbers[2 * i] | (numbers[2 * i + 1] << 8)));
    }
    return parts.join(u'.');
}

// The version of the first complete, valid marker in bytes.
std::optional<QString> findVersion(const QByteArray& bytes) {
    const QByteArrayView prefix(reinterpret_cast<const char*>(kVersionMarker.data()), kPrefixSize);
    for (qsizetype at = bytes.indexOf(prefix);
         at >= 0 && at + qsizetype(kMarkerSize) <= bytes.size();
         at = bytes.indexOf(prefix, at + 1)) {
        const auto* numbers =
            reinterpret_cast<const unsigned char*>(bytes.constData() + at) + kPrefixSize;
        bool valid = true;
        for (std::size_t i = 0; i < kNumbersSize && valid; ++i) {
            valid = (numbers[i] ^ numbers[kNumbersSize + i]) == 0xFF;
        }
        if (valid) {
            return versionText(numbers);
        }
    }
    return std::nullopt;
}

}  // namespace

QString programVersionText() {
    return versionText(kVersionMarker.data() + kPrefixSize);
}

QString GetFileVersionText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // Read in chunks, keeping the end of the previous chunk so that a marker
    // across a chunk boundary is still seen whole.
    QByteArray window;
    for (;;) {
        const QByteArray chunk = file.read(kChunkSize);
        if (chunk.isEmpty()) {
            return {};
        }
        window += chunk;
        if (auto version = findVersion(window)) {
            return *version;
        }
        window = window.right(kMarkerSize - 1);
    }
}

}  // namespace ambitra
