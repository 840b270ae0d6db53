#include "core/common/Error.h"
#include "core/legacy/LegacyFile.h"
#include "support/TempAppDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::legacy;
using namespace ambitra::test;

namespace {

QString sample(const char* name) {
    return QStringLiteral(AMBITRA_LEGACY_DATA_DIR "/") + QLatin1String(name);
}

// Every row of a table, each value as a comparable text: T"..." for a text,
// M for an amount in ten-thousandths, D for a moment, B for yes/no, NULL.
QStringList rowsOf(File& file, const QString& table) {
    auto t = file.table(table);
    EXPECT_TRUE(t);
    QStringList rows;
    QList<Value> values;
    while (t->next(values)) {
        QStringList cells;
        for (const Value& v : values) {
            switch (v.kind) {
                case Value::Kind::Null:
                    cells << QStringLiteral("NULL");
                    break;
                case Value::Kind::Text:
                    cells << u'T' + v.text;
                    break;
                case Value::Kind::Money:
                    cells << u'M' + QString::number(v.money);
                    break;
                case Value::Kind::DateTime:
                    cells << u'D' +
                                 v.dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
                    break;
                default:
                    cells << u'N' + QString::number(v.number);
                    break;
            }
        }
        rows << cells.join(u'|');
    }
    return rows;
}

}  // namespace

TEST(LegacyFile, ReadsEveryValueOfBothTextFormsExactly) {
    for (const char* name : {"register.mdb", "register-compressed.mdb"}) {
        SCOPED_TRACE(name);
        File file(sample(name));
        EXPECT_EQ(rowsOf(file, QStringLiteral("Operadores")),
                  (QStringList{QStringLiteral("T001|T1234|TJoão Gonçalves"),
                               QStringLiteral("T002|NULL|TZé \"Aço\", Ltda"),
                               QStringLiteral("T003|Tx|NULL")}));
        EXPECT_EQ(rowsOf(file, QStringLiteral("Locais")),
                  (QStringList{QStringLiteral("T0001|TP1|TADM|T101"),
                               QStringLiteral("T0002|TP2|TTÉC|TSé")}));
        EXPECT_EQ(
            rowsOf(file, QStringLiteral("Bens")),
            (QStringList{
                QStringLiteral("T0000000000001|TMesa de escritório|T0001|TMóveis Ação|TBO|TSN-1|"
                               "M12345670|D2003-02-28 00:00:00.000|D2004-12-31 00:00:00.000|"
                               "TJoão Gonçalves|NULL"),
                QStringLiteral("T0000000000002|TCadeira giratória|T0002|T|TPE|NULL|"
                               "M999999999990|D1999-12-31 00:00:00.000|NULL|NULL|T*"),
                QStringLiteral("T0000000000003|TImpressora; linha1\nlinha2|NULL|NULL|TEX|NULL|"
                               "M-55000|D1899-12-30 00:00:00.000|D1850-01-01 00:00:00.000|NULL|"
                               "T"),
                QStringLiteral("T0000000000004|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"),
                QStringLiteral("T0000000000005|TValor zero|NULL|NULL|NULL|NULL|M0|"
                               "D2038-01-19 03:14:08.000|NULL|NULL|NULL")}));
        EXPECT_EQ(rowsOf(file, QStringLiteral("Status")).size(), 6);
        EXPECT_EQ(rowsOf(file, QStringLiteral("Status")).last(), u"TPE|TPéssima");
        EXPECT_EQ(rowsOf(file, QStringLiteral("Log")),
                  (QStringList{QStringLiteral("D2004-12-31 23:59:59.999|TAdministrador|"
                                              "TJoão Gonçalves|T0000000000001|TBem inventariado"),
                               QStringLiteral("D2005-01-02 08:05:03.500|Tadm|TZé|T0000000000002|"
                                              "TLocalização alterada: 0001 → 0002"),
                               QStringLiteral("D2005-01-02 08:05:03.000|NULL|NULL|"
                                              "T0000000000001|NULL")}));
    }
}

TEST(LegacyFile, ReadsMemoMoneyDatesAndYesNoOfEveryKind) {
    File file(sample("types.mdb"));
    const QStringList rows = rowsOf(file, QStringLiteral("Tipos"));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0],
              u"Tação|Tação|M12345678|D2024-03-05 14:07:09.250|N1|Tmemo com ç, ã, é\n"
              u"segunda linha");
    EXPECT_TRUE(rows[1].startsWith(u"TPéssima|TPéssima|M1|D1899-12-30 00:00:00.000|N0|Txxxxxxxx"));
    EXPECT_EQ(rows[1].size(),
              QStringLiteral("TPéssima|TPéssima|M1|D1899-12-30 00:00:00.000|N0|T").size() + 5003);
    EXPECT_EQ(rows[2], u"Tabc|Tabc|M-9223372036854775808|D1752-09-01 12:00:00.000|N0|NULL");
    EXPECT_EQ(rows[3], u"NULL|T|NULL|NULL|N1|T");
}

TEST(LegacyFile, ReadsEveryRowOfTablesOverManyPagesInTheirOrder) {
    File file(sample("register-big.mdb"));
    auto assets = file.table(QStringLiteral("Bens"));
    auto log = file.table(QStringLiteral("Log"));
    QList<Value> row;
    qint64 count = 0;
    while (assets->next(row)) {
        ++count;
    }
    EXPECT_EQ(count, 3005);
    count = 0;
    while (log->next(row)) {
        ++count;
    }
    EXPECT_EQ(count, 6003);
}

TEST(LegacyFile, DecodesCompressedTextSwitchingToTwoBytesAndBack) {
    const unsigned char bytes[] = {0xff, 0xfe, 'a', 0x00, 0x19, 0x20, 0x00, 'b'};
    EXPECT_EQ(decodeText(bytes, sizeof bytes), QString::fromUtf8("a’b"));
    const unsigned char plain[] = {'S', 0, 0xe9, 0};
    EXPECT_EQ(decodeText(plain, sizeof plain), QString::fromUtf8("Sé"));
}

TEST(LegacyFile, AMomentIsTheStoredWallClockEvenInADaylightSavingGap) {
    // Midnight to one o'clock of 2 November 2004 did not exist in São Paulo.
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "America/Sao_Paulo");
    Value value;
    value.kind = Value::Kind::DateTime;
    value.days = 38293.0 + 30.0 / (24 * 60);
    const QString shown = value.dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    if (hadZone) {
        qputenv("TZ", saved);
    } else {
        qunsetenv("TZ");
    }
    EXPECT_EQ(shown, u"2004-11-02 00:30:00.000");
}
