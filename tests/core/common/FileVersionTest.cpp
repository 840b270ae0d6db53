#include "core/common/Conversions.h"

#include "support/TempAppDir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace ambitra;

namespace {

// The marker a program file carries: prefix, four 16-bit little-endian numbers,
// the same bytes inverted. Built at run time so that this program holds no
// complete marker besides its real one.
QByteArray marker(std::array<quint16, 4> version, bool inverted = true) {
    QByteArray bytes(
        "\x7F"
        "AmbitraFileVer"
        "\x7F");
    QByteArray numbers;
    for (quint16 n : version) {
        numbers.append(char(n & 0xFF)).append(char(n >> 8));
    }
    bytes.append(numbers);
    for (char ch : numbers) {
        bytes.append(inverted ? char(~ch) : ch);
    }
    return bytes;
}

}  // namespace

TEST(FileVersion, ReadsTheFirstValidMarkerOfAFile) {
    test::TempAppDir dir;
    const QString path = dir.file(QStringLiteral("prog"));
    const auto versionOf = [&](const QByteArray& bytes) {
        test::writeAll(path, bytes);
        return GetFileVersionText(path);
    };
    EXPECT_EQ(versionOf("ELF junk" + marker({3, 0, 0, 2}) + "tail"), u"3.0.0.2");
    EXPECT_EQ(versionOf(marker({10, 255, 256, 65535})), u"10.255.256.65535");
    EXPECT_EQ(versionOf(marker({9, 9, 9, 9}, false) + marker({1, 2, 3, 4})), u"1.2.3.4");
    // Across the boundary of the chunks the file is read in.
    EXPECT_EQ(versionOf(QByteArray((1 << 20) - 10, 'x') + marker({4, 5, 6, 7})), u"4.5.6.7");

    EXPECT_EQ(versionOf("no version here"), u"");
    EXPECT_EQ(versionOf(marker({1, 2, 3, 4}).chopped(1)), u"");
    EXPECT_EQ(versionOf(QByteArray()), u"");
    EXPECT_EQ(GetFileVersionText(dir.file(QStringLiteral("missing"))), u"");
}

TEST(FileVersion, ThisProgramCarriesTheBuildVersion) {
    EXPECT_EQ(programVersionText(), QStringLiteral(AMBITRA_VERSION_TEXT));
    EXPECT_EQ(GetFileVersionText(QCoreApplication::applicationFilePath()),
              QStringLiteral(AMBITRA_VERSION_TEXT));
}
