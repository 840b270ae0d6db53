#include "support/QtPrinters.h"
#include "core/common/Conversions.h"
#include "core/data/Schema.h"
#include "core/data/Settings.h"
#include "core/exchange/TextLayout.h"

#include <gtest/gtest.h>

using namespace ambitra;

namespace {

Settings settingsWith(const char* delimiter, const char* point, const char* qualifier) {
    Settings s;
    s.Delimiter = QString::fromUtf8(delimiter);
    s.DecimalPoint = QString::fromUtf8(point);
    s.TextQualifier = QString::fromUtf8(qualifier);
    return s;
}

double readAmount(const char* text, int width, const char* point) {
    return TextToFloat(normaliseAmount(QString::fromUtf8(text), width, QString::fromUtf8(point)));
}

}  // namespace

TEST(TextLayout, WritesAmountsWithTheDecimalPointSettingAndTheSignFirst) {
    EXPECT_EQ(fixedAmountText(1234.5, QStringLiteral(".")), QStringLiteral("00001234.500"));
    EXPECT_EQ(fixedAmountText(1234.5, QStringLiteral(",")), QStringLiteral("00001234,500"));
    EXPECT_EQ(fixedAmountText(1234.5, QString()), QStringLiteral("000001234500"));
    EXPECT_EQ(fixedAmountText(0, QStringLiteral(".")), QStringLiteral("00000000.000"));
    EXPECT_EQ(fixedAmountText(99999999.999, QStringLiteral(".")), QStringLiteral("99999999.999"));
    EXPECT_EQ(fixedAmountText(-1234.5, QStringLiteral(".")), QStringLiteral("-0001234.500"));
    EXPECT_EQ(fixedAmountText(-1234.5, QString()), QStringLiteral("-00001234500"));
    EXPECT_EQ(fixedAmountText(-0.0001, QStringLiteral(".")), QStringLiteral("00000000.000"));
    EXPECT_EQ(csvAmountText(1234.5, QStringLiteral(",")), QStringLiteral("1234,500"));
    EXPECT_EQ(csvAmountText(1234.5, QString()), QStringLiteral("1234500"));
    EXPECT_EQ(csvAmountText(-2.25, QStringLiteral(".")), QStringLiteral("-2.250"));
}

TEST(TextLayout, ReadsAmountsWithExplicitOrImpliedDecimals) {
    EXPECT_DOUBLE_EQ(readAmount("00001234.500", 12, ","), 1234.5);
    EXPECT_DOUBLE_EQ(readAmount("00001234.500", 12, ""), 1234.5);
    EXPECT_DOUBLE_EQ(readAmount("00001234,500", 12, ","), 1234.5);
    EXPECT_DOUBLE_EQ(readAmount("000001234500", 12, "."), 1234.5);
    EXPECT_DOUBLE_EQ(readAmount("12345", 5, "."), 12.345);
    EXPECT_DOUBLE_EQ(readAmount("5", 1, "."), 0.5);
    EXPECT_DOUBLE_EQ(readAmount("", 0, "."), 0);
    EXPECT_DOUBLE_EQ(readAmount("-0001234.500", 12, "."), -1234.5);
    EXPECT_DOUBLE_EQ(readAmount("-00001234500", 12, ""), -1234.5);
    // The old layout's "000-1234.500" is no number.
    EXPECT_DOUBLE_EQ(readAmount("000-1234.500", 12, "."), 0);
}

TEST(TextLayout, CutsFixedAndDelimitedLinesIntoTrimmedValues) {
    const QList<ExchangeField> fields = exchangeFields(schema::bens());
    ASSERT_EQ(fields.size(), 11);
    EXPECT_EQ(fields[6].name, QStringLiteral("BEVALOR"));
    EXPECT_EQ(fields[6].kind, FieldKind::Amount);
    EXPECT_EQ(fields[7].kind, FieldKind::Date);

    const TextLayout fixed(TextFormat::Fixed, fields, settingsWith(",", ".", "\""));
    // A line that ends after the amount: the rest is empty.
    const QString shortLine =
        QStringLiteral("  X1").leftJustified(83, u' ') + QStringLiteral("000000012345");
    int amountWidth = 0;
    QStringList v = fixed.readValues(shortLine, &amountWidth);
    EXPECT_EQ(v[0], QStringLiteral("X1"));
    EXPECT_EQ(v[6], QStringLiteral("000000012345"));
    EXPECT_EQ(amountWidth, 12);
    EXPECT_EQ(v[7], QString());
    EXPECT_EQ(v[10], QString());

    const TextLayout delimited(TextFormat::Delimited, exchangeFields(schema::locais()),
                               settingsWith(";", ".", "\""));
    EXPECT_EQ(delimited.readValues(QStringLiteral(" 12 ;\"B\";;")),
              (QStringList{QStringLiteral("12"), QStringLiteral("\"B\""), QString(), QString()}));
    EXPECT_EQ(delimited.readValues(QStringLiteral("7")),
              (QStringList{QStringLiteral("7"), QString(), QString(), QString()}));
}

TEST(TextLayout, ReadsCommaSeparatedValuesWithQualifiersBracesAndEscapes) {
    const TextLayout csv(TextFormat::Csv, exchangeFields(schema::locais()),
                         settingsWith("\t", ".", "'"));
    EXPECT_EQ(csv.separator(), QStringLiteral(","));
    // Removal order: the qualifier, then double quotes, then braces.
    EXPECT_EQ(csv.readValues(QStringLiteral(" '1' ,\"B\",{ADM},'\"{x}\"'")),
              (QStringList{QStringLiteral("1"), QStringLiteral("B"), QStringLiteral("ADM"),
                           QStringLiteral("x")}));
    // Separators and doubled qualifiers inside a qualified value are text.
    EXPECT_EQ(csv.readValues(QStringLiteral("'a,b','it''s',',',''")),
              (QStringList{QStringLiteral("a,b"), QStringLiteral("it's"), QStringLiteral(","),
                           QString()}));
    // A qualifier that is not closed, or text after the closing one: the value
    // ends at the next separator, as in files of other programs.
    EXPECT_EQ(csv.readValues(QStringLiteral("'a,b,'c'd,e")),
              (QStringList{QStringLiteral("'a"), QStringLiteral("b"), QStringLiteral("'c'd"),
                           QStringLiteral("e")}));

    const TextLayout plain(TextFormat::Csv, exchangeFields(schema::locais()),
                           settingsWith(";", ".", ""));
    EXPECT_EQ(
        plain.readValues(QStringLiteral("\"1\";a,b;;{c}")),
        (QStringList{QStringLiteral("1"), QStringLiteral("a,b"), QString(), QStringLiteral("c")}));
}

TEST(TextLayout, WritesEscapedCommaSeparatedTextThatReadsBack) {
    const Settings s = settingsWith(",", ".", "\"");
    const TextLayout csv(TextFormat::Csv, exchangeFields(schema::locais()), s);
    const QVariantList values{QStringLiteral(" Mesa, 2 \"gavetas\" "), QString(), QVariant(),
                              QStringLiteral("\"")};
    const QString line = csv.formatLine(values);
    EXPECT_EQ(line, QStringLiteral("\"Mesa, 2 \"\"gavetas\"\"\",\"\",\"\",\"\"\"\""));
    EXPECT_EQ(csv.readValues(line), (QStringList{QStringLiteral("Mesa, 2 \"gavetas\""), QString(),
                                                 QString(), QStringLiteral("\"")}));
    EXPECT_EQ(csv.headerLine(), QStringLiteral("\"Código\",\"Prédio\",\"Depto.\",\"Sala\""));
}
