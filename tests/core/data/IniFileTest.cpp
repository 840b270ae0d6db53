#include "core/data/IniFile.h"

#include <gtest/gtest.h>

using namespace ambitra;

TEST(IniFile, FindsNamesInAnyCaseAndTrimsBlanks) {
    const IniFile ini = IniFile::fromBytes(
        "top=ignored\r\n[ prefs ]\r\n  AUTOID =  1 \r\n; Delimiter=x\r\nCodeBar=EAN8\n"
        "Empty=\rLast=\"  q  \"\r\n[Dir]\r\nDBF=C:\\Dados\xE7");
    EXPECT_EQ(ini.value(QStringLiteral("PREFS"), QStringLiteral("AutoId")), u"1");
    EXPECT_EQ(ini.value(QStringLiteral("Prefs"), QStringLiteral("codebar")), u"EAN8");
    EXPECT_EQ(ini.value(QStringLiteral("PREFS"), QStringLiteral("Empty")), u"");
    EXPECT_EQ(ini.value(QStringLiteral("PREFS"), QStringLiteral("Last")), u"  q  ");
    EXPECT_EQ(ini.value(QStringLiteral("DIR"), QStringLiteral("DBF")), u"C:\\Dadosç");
    EXPECT_FALSE(ini.value(QStringLiteral("PREFS"), QStringLiteral("Delimiter")));
    EXPECT_FALSE(ini.value(QStringLiteral("PREFS"), QStringLiteral("top")));
    EXPECT_FALSE(ini.value(QStringLiteral("DIR"), QStringLiteral("AutoId")));
}

TEST(IniFile, ValuesThatTheReaderWouldAlterAreQuoted) {
    const struct {
        const char16_t* value;
        const char* line;
    } cases[] = {
        {u"\t", "K=\"\t\"\r\n"},     {u" ", "K=\" \"\r\n"},     {u"\"", "K=\"\r\n"},
        {u"\"\"", "K=\"\"\"\"\r\n"}, {u" a ", "K=\" a \"\r\n"}, {u"\"x\"", "K=\"\"x\"\"\r\n"},
        {u"\"a", "K=\"a\r\n"},       {u"", "K=\r\n"},
    };
    for (const auto& c : cases) {
        const QString value = QString::fromUtf16(c.value);
        IniFile ini;
        ini.setValue(QStringLiteral("S"), QStringLiteral("K"), value);
        const QByteArray bytes = ini.toBytes();
        EXPECT_EQ(bytes, QByteArray("[S]\r\n") + c.line) << c.line;
        EXPECT_EQ(IniFile::fromBytes(bytes).value(QStringLiteral("S"), QStringLiteral("K")), value)
            << c.line;
    }
}

TEST(IniFile, KeepsWhatItDoesNotKnowAndAddsAtTheEndOfTheSection) {
    IniFile ini =
        IniFile::fromBytes("; settings\n[PREFS]\nOther=keep\nDelimiter=;\n\n[Extra]\nX=1\n");
    ini.setValue(QStringLiteral("prefs"), QStringLiteral("DELIMITER"), QStringLiteral("|"));
    ini.setValue(QStringLiteral("PREFS"), QStringLiteral("AutoId"), QStringLiteral("1"));
    ini.setValue(QStringLiteral("DIR"), QStringLiteral("DBF"), QStringLiteral("/d"));
    ini.removeKey(QStringLiteral("Extra"), QStringLiteral("x"));
    // A line break would start a line of its own: it is dropped.
    ini.setValue(QStringLiteral("Extra"), QStringLiteral("Y"), QStringLiteral("a\r\n[T]\nb"));
    EXPECT_EQ(ini.toBytes(),
              QByteArray("; settings\r\n[PREFS]\r\nOther=keep\r\nDELIMITER=|\r\nAutoId=1\r\n\r\n"
                         "[Extra]\r\nY=a[T]b\r\n[DIR]\r\nDBF=/d\r\n"));
}
