#include "XbaseTestSupport.h"

#include "core/xbase/DbfBuilder.h"
#include "core/xbase/HalcyonError.h"

using namespace ambitra;
using namespace ambitra::test;

namespace {

QByteArray today() {
    const QDate d = QDate::currentDate();
    const char bytes[] = {static_cast<char>(d.year() % 100), static_cast<char>(d.month()),
                          static_cast<char>(d.day())};
    return QByteArray(bytes, 3);
}

}  // namespace

TEST(DbfFile, NewTableIsHeaderDescriptorsTerminatorAndEndMark) {
    TempAppDir dir;
    const QByteArray bytes = readAll(sampleTable(dir));
    ASSERT_EQ(bytes.size(), 32 * 4 + 34);
    EXPECT_EQ(bytes[0], 0x03);
    EXPECT_EQ(bytes.mid(1, 3), today());
    EXPECT_EQ(u32At(bytes, 4), 0u);
    EXPECT_EQ(u16At(bytes, 8), kSampleHeader);
    EXPECT_EQ(u16At(bytes, 10), kSampleRecord);
    EXPECT_EQ(bytes.mid(12, 20), QByteArray(20, '\0'));
    // VALOR: name padded with NULs, type, four zeros, width, decimals, 14 zeros.
    EXPECT_EQ(bytes.mid(64, 32),
              QByteArray("VALOR\0\0\0\0\0\0N\0\0\0\0\x0C\x03", 18) + QByteArray(14, '\0'));
    EXPECT_EQ(bytes.mid(96, 12), QByteArray("DATA\0\0\0\0\0\0\0D", 12));
    EXPECT_EQ(bytes.right(2), QByteArray("\x0D\x1A"));

    THalcyonDataSet table;
    openTable(table, dir.file(QStringLiteral("T.DBF")));
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.RecordCount(), 0);
    ASSERT_EQ(table.FieldCount(), 4);
    EXPECT_EQ(table.Fields(1).ValueKind(), THalcyonField::Kind::Real);
}

TEST(DbfFile, BuilderNormalisesNamesTypesAndWidths) {
    TempAppDir dir;
    {
        GSO_DBFBuild builder(QStringLiteral("  ") + dir.file(QStringLiteral("wide")) + u' ');
        EXPECT_EQ(builder.FilePath(), dir.file(QStringLiteral("wide.DBF")));
        builder.AddField(QStringLiteral("descricao_longa"), u'c', 300, 7);
        builder.AddField(QStringLiteral("quando"), u'd', 3, 2);
        builder.AddField(QStringLiteral("ok"), u'L', 5, 5);
        builder.AddField(QString(), u'C', 5, 0);  // adds nothing
        EXPECT_THROW(builder.AddField(QStringLiteral("X"), u'N', 256, 0), EHalcyonError);
    }  // written when released
    const QByteArray bytes = readAll(dir.file(QStringLiteral("wide.DBF")));
    ASSERT_EQ(bytes.size(), 32 * 3 + 34);
    EXPECT_EQ(u16At(bytes, 10), 1 + 300 + 8 + 1);
    EXPECT_EQ(bytes.mid(32, 12), QByteArray("DESCRICAO_\0C", 12));
    EXPECT_EQ(static_cast<quint8>(bytes[32 + 16]), 44);
    EXPECT_EQ(static_cast<quint8>(bytes[32 + 17]), 1);
    EXPECT_EQ(bytes.mid(64 + 16, 2), QByteArray("\x08\x00", 2));
    EXPECT_EQ(bytes.mid(96 + 16, 2), QByteArray("\x01\x00", 2));

    THalcyonDataSet table;
    openTable(table, dir.file(QStringLiteral("wide.DBF")));
    THalcyonField& text = table.FieldByName(QStringLiteral("Descricao_"));
    EXPECT_EQ(text.Size(), 300);
    EXPECT_EQ(table.FieldByName(QStringLiteral("QUANDO")).Offset(), 301);
    table.Insert();
    text.SetAsString(QString(299, u'a') + QStringLiteral("bc"));  // cut at 300
    table.Post();
    table.First();
    EXPECT_EQ(text.AsString(), QString(299, u'a') + u'b');
}

TEST(DbfFile, AppendsGrowTheFileAndKeepTheHeaderCurrent) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    THalcyonDataSet table;
    openTable(table, path);
    // A header as some other program left it: flags beyond the low bits, a user id.
    {
        QByteArray bytes = readAll(path);
        bytes[28] = static_cast<char>(0xFD);
        bytes[20] = 7;
        bytes[29] = 0x03;
        writeAll(path, bytes);
    }
    appendSample(table, QStringLiteral("Ana"), 1234.5, QDate(2024, 1, 31), true);
    appendSample(table, QStringLiteral("Bruno"));
    appendSample(table, QStringLiteral("Carla"), -2);
    EXPECT_EQ(table.RecordCount(), 3);

    const QByteArray bytes = readAll(path);
    ASSERT_EQ(bytes.size(), kSampleHeader + 3 * kSampleRecord + 1);
    EXPECT_EQ(bytes.back(), 0x1A);
    EXPECT_EQ(u32At(bytes, 4), 3u);
    EXPECT_EQ(bytes.mid(1, 3), today());
    EXPECT_EQ(static_cast<quint8>(bytes[28]), 0x05);
    EXPECT_EQ(u32At(bytes, 20), 0u);
    EXPECT_EQ(bytes[29], 0x03);
    EXPECT_EQ(bytes.mid(kSampleHeader, kSampleRecord),
              QByteArray(" Ana           1234.50020240131T"));
    EXPECT_EQ(bytes.mid(kSampleHeader + kSampleRecord, kSampleRecord),
              " Bruno" + QByteArray(12, ' ') + "0.000" + QByteArray(8, ' ') + 'F');
    EXPECT_EQ(names(path), (QStringList{u"Ana"_s, u"Bruno"_s, u"Carla"_s}));
}

TEST(DbfFile, RecordCountComesFromTheFileSize) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    {
        THalcyonDataSet table;
        openTable(table, path);
        for (int i = 1; i <= 7; ++i) {
            appendSample(table, QString::number(i));
        }
    }
    // A stale header count of 5 and half a record after the 7th.
    QByteArray bytes = readAll(path);
    bytes[4] = 5;
    bytes.chop(1);
    bytes += QByteArray(kSampleRecord / 2, 'x');
    writeAll(path, bytes);

    THalcyonDataSet table;
    openTable(table, path);
    EXPECT_EQ(table.RecordCount(), 7);
    EXPECT_EQ(names(path).size(), 7);
    // The next record takes the place of the partial one.
    appendSample(table, QStringLiteral("8"));
    const QByteArray after = readAll(path);
    EXPECT_EQ(after.size(), kSampleHeader + 8 * kSampleRecord + 1);
    EXPECT_EQ(u32At(after, 4), 8u);
}

TEST(DbfFile, DeletedRecordsAreSkippedButCounted) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    {
        THalcyonDataSet table;
        openTable(table, path);
        for (const char* nome : {"um", "dois", "tres"}) {
            appendSample(table, QString::fromLatin1(nome));
        }
    }
    QByteArray bytes = readAll(path);
    bytes[kSampleHeader] = '*';
    bytes[kSampleHeader + 2 * kSampleRecord] = '*';
    writeAll(path, bytes);
    EXPECT_EQ(names(path), QStringList{u"dois"_s});

    bytes[kSampleHeader + kSampleRecord] = '*';
    writeAll(path, bytes);
    THalcyonDataSet table;
    openTable(table, path);
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.RecordCount(), 3);
}

TEST(DbfFile, EditWritesInPlaceAndCancelDropsTheChange) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    THalcyonDataSet table;
    openTable(table, path);
    appendSample(table, QStringLiteral("um"));
    appendSample(table, QStringLiteral("dois"));
    const QByteArray before = readAll(path);

    table.First();
    table.Next();
    table.Edit();
    table.FieldByName(QStringLiteral("nome")).SetAsString(QStringLiteral("DOIS"));
    table.Post();
    QByteArray after = readAll(path);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.mid(kSampleHeader + kSampleRecord, 5), QByteArray(" DOIS"));
    EXPECT_EQ(after.mid(kSampleHeader, kSampleRecord), before.mid(kSampleHeader, kSampleRecord));

    table.Edit();
    table.FieldByName(QStringLiteral("NOME")).SetAsString(QStringLiteral("nada"));
    table.Cancel();
    EXPECT_EQ(table.FieldByName(QStringLiteral("NOME")).AsString(), u"DOIS"_s);
    EXPECT_EQ(readAll(path), after);
    EXPECT_EQ(errorOf([&] { table.FieldByName(QStringLiteral("NOME")).SetAsString(u"x"_s); }),
              u"Dataset not in edit or insert mode"_s);
    EXPECT_EQ(errorOf([&] { table.FieldByName(QStringLiteral("CODIGO")); }),
              u"Field 'CODIGO' not found"_s);
}

TEST(DbfFile, BulkAppendWritesTheSameBytesAsOneAppendPerRecord) {
    TempAppDir dir;
    const QStringList fields = kSampleFields + QStringList{u"LONGO;C;200;0"_s};
    const QString single = dir.file(u"A.DBF"_s);
    const QString bulk = dir.file(u"B.DBF"_s);
    BuildDBFFile(single, fields);
    BuildDBFFile(bulk, fields);
    THalcyonDataSet a;
    THalcyonDataSet b;
    openTable(a, single);
    openTable(b, bulk);
    b.BeginBulkAppend();
    for (int i = 0; i < 6000; ++i) {  // more than one block of the bulk writer
        for (THalcyonDataSet* table : {&a, &b}) {
            appendSample(*table, QString::number(i), i / 4.0, QDate(2020, 1, 1).addDays(i), i % 2);
        }
    }
    EXPECT_EQ(b.RecordCount(), 6000);
    b.EndBulkAppend();
    QByteArray x = readAll(single);
    QByteArray y = readAll(bulk);
    // Only the moment of the last write may differ.
    for (QByteArray* bytes : {&x, &y}) {
        bytes->replace(16, 4, QByteArray(4, '\0'));
    }
    EXPECT_EQ(x.size(), y.size());
    EXPECT_TRUE(x == y);
}
