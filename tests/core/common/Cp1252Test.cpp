#include "core/common/Cp1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace ambitra;

// Our table must agree with Qt's ICU codec for every byte, both ways.
TEST(Cp1252, EveryByteDecodesLikeTheIcuCodecAndRoundTrips) {
    QStringDecoder icu("windows-1252");
    ASSERT_TRUE(icu.isValid());
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, static_cast<char>(b));
        const QString ours = cp1252::decode(byte);
        const QString theirs = icu.decode(byte);
        ASSERT_EQ(ours.size(), 1) << b;
        EXPECT_EQ(ours, theirs) << "byte " << b;
        EXPECT_EQ(cp1252::encode(ours), byte) << "byte " << b;
    }
}

TEST(Cp1252, PortugueseTextIsOneBytePerCharacter) {
    const QString text = QStringLiteral("Situação Nº Série Prédio Péssima €");
    const QByteArray bytes = cp1252::encode(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(bytes, QByteArray("Situa\xE7\xE3o N\xBA S\xE9rie Pr\xE9"
                                "dio P\xE9ssima \x80"));
    EXPECT_EQ(cp1252::decode(bytes), text);
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    // A CJK character, a Greek letter and an emoji (two UTF-16 units, one "?").
    const QString text = QStringLiteral("a\u4E2D\u03A9b") + QString::fromUtf8("\xF0\x9F\x98\x80") +
                         QStringLiteral("c");
    EXPECT_EQ(cp1252::encode(text), QByteArray("a??b?c"));
}

TEST(Cp1252, AppendEncodedKeepsWhatWasThere) {
    QByteArray out("X=");
    cp1252::appendEncoded(out, u"ç");
    EXPECT_EQ(out, QByteArray("X=\xE7"));
}
