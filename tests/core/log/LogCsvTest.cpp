#include "core/data/Settings.h"
#include "core/log/LogCsv.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace ambitra;

namespace {

const QVariant kNull;

QVariant at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

QVariant text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

Settings settingsWith(const QString& delimiter, const QString& qualifier) {
    Settings s;
    s.Delimiter = delimiter;
    s.TextQualifier = qualifier;
    return s;
}

}  // namespace

TEST(LogCsv, DefaultSettingsGiveQuotedCaptionsAndRowsInWindows1252WithCrLf) {
    const LogCsvFormat csv{Settings()};
    EXPECT_EQ(csv.header(), QByteArray("\"Data e Hora\",\"\",\"Usu\xE1rio\",\"Operador\","
                                       "\"Bem Patrimonial\",\"Ocorr\xEAncia\"\r\n"));
    EXPECT_EQ(csv.line(csv.dateTimeFields(at(2006, 8, 15, 14, 30, 0, 999)), text("Jo\xC3\xA3o"),
                       text("  Ana "), text("0001234"), text("LOCAL:0101>0202;SITUACAO:01>02")),
              QByteArray("2006/08/15,14:30:00,\"Jo\xE3o\",\"Ana\",\"0001234\","
                         "\"LOCAL:0101>0202;SITUACAO:01>02\"\r\n"));
    // A character the code page lacks, and null columns.
    EXPECT_EQ(csv.line(csv.dateTimeFields(at(2024, 1, 2, 3, 4, 5)),
                       text("\xE2\x82\xAC\xE2\x88\x9E"), kNull, kNull, kNull),
              QByteArray("2024/01/02,03:04:05,\"\x80?\",\"\",\"\",\"\"\r\n"));
}

TEST(LogCsv, SemicolonIsKeptAndOtherDelimitersFallBackToComma) {
    const LogCsvFormat semicolon(settingsWith(QStringLiteral(";"), QStringLiteral("\"")));
    EXPECT_EQ(semicolon.line(semicolon.dateTimeFields(at(2006, 8, 15, 9, 0, 0)), text("u"),
                             text("o"), text("1"), text("NOVO")),
              QByteArray("2006/08/15;09:00:00;\"u\";\"o\";\"1\";\"NOVO\"\r\n"));
    for (const char* delimiter : {"\t", " ", "|", ",;", ""}) {
        const LogCsvFormat csv(settingsWith(QString::fromLatin1(delimiter), QStringLiteral("'")));
        EXPECT_EQ(csv.delimiter(), QStringLiteral(",")) << delimiter;
        EXPECT_EQ(csv.header(), QByteArray("'Data e Hora','','Usu\xE1rio','Operador',"
                                           "'Bem Patrimonial','Ocorr\xEAncia'\r\n"));
    }
}

TEST(LogCsv, EmptyQualifierWritesTextsAsTheyStand) {
    const LogCsvFormat csv(settingsWith(QStringLiteral(","), QString()));
    EXPECT_EQ(csv.header(),
              QByteArray("Data e Hora,,Usu\xE1rio,Operador,Bem Patrimonial,Ocorr\xEAncia\r\n"));
    // Nothing is escaped without a qualifier: a quote stays a single quote.
    EXPECT_EQ(csv.line(csv.dateTimeFields(at(2006, 8, 15, 23, 59, 59)), text("a\"b"), kNull,
                       text("7"), text("NOVO")),
              QByteArray("2006/08/15,23:59:59,a\"b,,7,NOVO\r\n"));
}

TEST(LogCsv, RowWithoutDateOrOnTheZeroDayLeavesTheDateFieldEmpty) {
    const LogCsvFormat csv{Settings()};
    EXPECT_EQ(csv.line(csv.dateTimeFields(kNull), text("u"), kNull, text("1"), kNull),
              QByteArray(",00:00:00,\"u\",\"\",\"1\",\"\"\r\n"));
    EXPECT_EQ(csv.dateTimeFields(at(1899, 12, 30, 10, 11, 12)), QStringLiteral(",10:11:12"));
    EXPECT_EQ(LogCsvFormat(settingsWith(QStringLiteral(";"), QString())).dateTimeFields(kNull),
              QStringLiteral(";00:00:00"));
    EXPECT_EQ(csv.dateTimeFields(at(1899, 12, 31, 0, 0, 0)), QStringLiteral("1899/12/31,00:00:00"));
}

TEST(LogCsv, QualifierInsideAValueIsDoubled) {
    const LogCsvFormat quotes{Settings()};
    EXPECT_EQ(quotes.line(quotes.dateTimeFields(at(2006, 8, 15, 14, 30, 0)), text("say \"hi\""),
                          text("\""), kNull, text("NSERIE:>A\"B")),
              QByteArray("2006/08/15,14:30:00,\"say \"\"hi\"\"\",\"\"\"\",\"\","
                         "\"NSERIE:>A\"\"B\"\r\n"));
    // Another qualifier: only that character is doubled; the delimiter stays.
    const LogCsvFormat apostrophes(settingsWith(QStringLiteral(";"), QStringLiteral("'")));
    EXPECT_EQ(apostrophes.quoted(QStringLiteral("d'Ávila \"x\"; y")),
              QStringLiteral("'d''Ávila \"x\"; y'"));
}

TEST(LogCsv, StoredMomentsGiveTheSameFieldsAsMoments) {
    const LogCsvFormat csv(settingsWith(QStringLiteral(";"), QString()));
    EXPECT_EQ(csv.storedDateTimeFields(text("2006-08-15 14:30:05.999")),
              QStringLiteral("2006/08/15;14:30:05"));
    EXPECT_EQ(csv.storedDateTimeFields(text("2006-08-15 14:30:05")),
              QStringLiteral("2006/08/15;14:30:05"));
    EXPECT_EQ(csv.storedDateTimeFields(text("1899-12-30 08:00:00.000")),
              QStringLiteral(";08:00:00"));
    // Null, or text that is no valid moment, reads as a row without a date.
    for (const QVariant& junk :
         {kNull, text("2006-02-30 10:00:00.000"), text("soon"), text("2006-08-15 25:00:00.000")}) {
        EXPECT_EQ(csv.storedDateTimeFields(junk), QStringLiteral(";00:00:00"))
            << junk.toString().toStdString();
    }
    // Another form the engine may hold is still read as a moment.
    EXPECT_EQ(csv.storedDateTimeFields(text("2006-08-15T14:30:05.000")),
              QStringLiteral("2006/08/15;14:30:05"));
}
