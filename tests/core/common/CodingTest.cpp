#include "core/common/Coding.h"
#include "core/count/Reading.h"

#include <gtest/gtest.h>

using namespace ambitra;

TEST(Coding, SettingTextsAndDigits) {
    for (const Coding coding : {Coding::EAN8, Coding::EAN13, Coding::None}) {
        EXPECT_EQ(codingOf(codeBarOf(coding)), coding);
    }
    EXPECT_EQ(codingOf(QStringLiteral("ean8")), Coding::None);  // the setting is exact
    EXPECT_EQ(dataDigits(Coding::EAN8), 7);
    EXPECT_EQ(dataDigits(Coding::None), 0);
}

// A reading is held as misread only when it has the coding's length and fails
// its check digit: other lengths and codes without a coding never are.
TEST(Coding, ReadingFailsCheckDigitOnlyAtTheCodingsLength) {
    const QString ean8 = QStringLiteral("EAN8");
    EXPECT_FALSE(FailsCheckDigit(QStringLiteral("96385074"), ean8));
    EXPECT_TRUE(FailsCheckDigit(QStringLiteral("96385075"), ean8));
    EXPECT_TRUE(FailsCheckDigit(QStringLiteral("9638507A"), ean8));
    EXPECT_FALSE(FailsCheckDigit(QStringLiteral("9638507"), ean8));
    EXPECT_TRUE(FailsCheckDigit(QStringLiteral("4006381333932"), QStringLiteral("EAN13")));
    for (const QString& code : {QStringLiteral("1"), QStringLiteral("96385075")}) {
        EXPECT_FALSE(FailsCheckDigit(code, QString()));
        EXPECT_FALSE(FailsCheckDigit(code, QStringLiteral("EAN")));
    }
}
