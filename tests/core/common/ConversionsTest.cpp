#include "core/common/Conversions.h"

#include <gtest/gtest.h>

using namespace ambitra;

TEST(TextToFloat, ReadsOnlyAWholeDecimalNumberWithAPoint) {
    EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral(" 12.9 ")), 12.9);
    EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral("\t12.9\r\n")), 12.9);
    EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral("-3.5")), -3.5);
    EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral("1e3")), 1000);
    EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral("+.25E+1")), 2.5);
    for (const char* text :
         {"1,5", "12a", "", " ", ".", "-", "1e", "e3", "1 2", "inf", "0x10", "1e999"}) {
        EXPECT_EQ(TextToFloat(QString::fromLatin1(text)), 0) << text;
    }
}

TEST(DigitsOnly, KeepsDigitsAndFillsToWidth) {
    EXPECT_EQ(DigitsOnly(QStringLiteral("A-12"), 5), u"00012");
    EXPECT_EQ(DigitsOnly(QStringLiteral("123456"), 4), u"3456");
    EXPECT_EQ(DigitsOnly(QStringLiteral("x"), 0), u"");
}

TEST(StripLeadingZeros, KeepsOneCharacterBeforeTheSeparator) {
    const QChar comma(u',');
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("000"), comma), u"0");
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("00,50"), comma), u"0,50");
    EXPECT_EQ(StripLeadingZeros(QStringLiteral(",5"), comma), u"0,5");
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("0012"), comma), u"12");
    EXPECT_EQ(StripLeadingZeros(QStringLiteral(" 0012"), comma), u" 0012");
    // With another separator the point is an ordinary character.
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("00.5"), comma), u".5");
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("00.5"), u'.'), u"0.5");
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("0012")), u"12");  // regional separator
}

TEST(AddEANCheckDigit, AppendsTheGs1CheckDigitToTheTextAsGiven) {
    EXPECT_EQ(AddEANCheckDigit(QStringLiteral("1")), u"17");
    EXPECT_EQ(AddEANCheckDigit(QStringLiteral("0000001")), u"00000017");
    EXPECT_EQ(AddEANCheckDigit(QStringLiteral("9638507")), u"96385074");
    EXPECT_EQ(AddEANCheckDigit(QStringLiteral("400638133393")), u"4006381333931");
    EXPECT_EQ(AddEANCheckDigit(QStringLiteral("A-1")), u"A-17");
}

TEST(TextToDate, ClampsEveryPartInsteadOfFailing) {
    EXPECT_EQ(TextToDate(QString()), kZeroDate);
    EXPECT_EQ(TextToDate(QStringLiteral("20240229")), QDate(2024, 2, 28));
    EXPECT_EQ(TextToDate(QStringLiteral("2024-13-45")), QDate(2024, 12, 30));
    EXPECT_EQ(TextToDate(QStringLiteral("20230131")), QDate(2023, 1, 31));
    EXPECT_EQ(TextToDate(QStringLiteral("20230100")), QDate(2023, 1, 30));
    EXPECT_EQ(TextToDate(QStringLiteral("20230431")), QDate(2023, 4, 30));
    EXPECT_EQ(TextToDate(QStringLiteral("17000615")), QDate(1899, 6, 15));
}

TEST(TextToTime, FillsBehindAndCarriesOverflow) {
    EXPECT_EQ(TextToTime(QStringLiteral("9")), QTime(18, 0, 0));
    EXPECT_EQ(TextToTime(QStringLiteral("235960")), QTime(0, 0, 0));
    EXPECT_EQ(TextToTime(QStringLiteral("1234")), QTime(12, 34, 0));
    EXPECT_EQ(TextToTime(QStringLiteral("009999")), QTime(1, 40, 39));
}

TEST(TextToBool, LooksAtTheFirstCharacterOnly) {
    EXPECT_TRUE(TextToBool(QStringLiteral("verdadeiro")));
    EXPECT_TRUE(TextToBool(QStringLiteral("t")));
    EXPECT_TRUE(TextToBool(QStringLiteral("1")));
    EXPECT_FALSE(TextToBool(QStringLiteral("S")));
    EXPECT_FALSE(TextToBool(QString()));
    EXPECT_FALSE(TextToBool(QStringLiteral(" T")));
}

TEST(TextToHex, WritesEachCodePageByteInFewestDigits) {
    EXPECT_EQ(TextToHex(QStringLiteral("AB")), u"4142");
    EXPECT_EQ(TextToHex(QStringLiteral("é")), u"E9");
    EXPECT_EQ(TextToHex(QStringLiteral("€\t")), u"809");
}

TEST(Pad, LeftCutsTheEndAndRightCutsTheBeginning) {
    EXPECT_EQ(PadLeft(QStringLiteral("12345"), 3, u'0'), u"123");
    EXPECT_EQ(PadRight(QStringLiteral("12345"), 3, u'0'), u"345");
    EXPECT_EQ(PadLeft(QStringLiteral("7"), 3, u'0'), u"007");
    EXPECT_EQ(PadRight(QStringLiteral("AB"), 4, u' '), u"AB  ");
}
