#include "XbaseTestSupport.h"

#include "core/xbase/DbfBuilder.h"
#include "core/xbase/ExchangeLayouts.h"

#include <QDir>

using namespace ambitra;
using namespace ambitra::test;

namespace {

QString openError(const QString& path) {
    return errorOf([&] {
        THalcyonDataSet table;
        openTable(table, path);
        for (; !table.Eof(); table.Next()) {
            for (int i = 0; i < table.FieldCount(); ++i) {
                table.Fields(i).AsVariant();
            }
        }
    });
}

}  // namespace

TEST(DamagedFile, EveryDamageGivesItsMessage) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    {
        THalcyonDataSet table;
        openTable(table, path);
        appendSample(table, u"um"_s, 1);
    }
    const QByteArray good = readAll(path);
    auto damaged = [&](auto change) {
        QByteArray bytes = good;
        change(bytes);
        writeAll(path, bytes);
        return openError(path);
    };
    const QString invalid = u"Table Header for "_s + path + u" is invalid"_s;
    const QString readError = u"Error on Read of file "_s + path;

    EXPECT_EQ(damaged([](QByteArray&) {}), u"<no error>"_s);
    for (quint8 version : {0x04, 0x83, 0x8B, 0xF5}) {
        EXPECT_EQ(damaged([&](QByteArray& b) { b[0] = static_cast<char>(version); }),
                  u"<no error>"_s);
    }
    EXPECT_EQ(damaged([](QByteArray& b) { b[0] = 0x02; }), invalid);
    EXPECT_EQ(damaged([](QByteArray& b) { b[15] = 1; }),
              u"No Password for encrypted file "_s + path);
    EXPECT_EQ(damaged([](QByteArray& b) { b.truncate(20); }), readError);   // header cut
    EXPECT_EQ(damaged([](QByteArray& b) { b.truncate(100); }), readError);  // descriptors cut
    EXPECT_EQ(damaged([](QByteArray& b) {
                  b[8] = 0x10;
                  b[9] = 0;
              }),
              invalid);                                                          // header length 16
    EXPECT_EQ(damaged([](QByteArray& b) { b[8] = b[9] = '\xFF'; }), readError);  // 65535
    EXPECT_EQ(damaged([](QByteArray& b) { b[10] = b[11] = 0; }), invalid);       // record length 0
    EXPECT_EQ(damaged([](QByteArray& b) { b[10] = 20; }), invalid);  // shorter than the fields
    EXPECT_EQ(damaged([](QByteArray& b) { b[64 + 16] = 100; }), invalid);  // field past the record
    // The 263-byte backlink of version 0x30 is part of its header.
    EXPECT_EQ(damaged([](QByteArray& b) { b[0] = 0x30; }), invalid);
    EXPECT_EQ(damaged([](QByteArray& b) {
                  b[0] = 0x30;
                  b.insert(kSampleHeader, QByteArray(263, '\0'));
                  b[8] = static_cast<char>((kSampleHeader + 263) & 0xFF);
                  b[9] = static_cast<char>((kSampleHeader + 263) >> 8);
              }),
              u"<no error>"_s);
}

TEST(DamagedFile, MissingUnopenableAndUncreatableFiles) {
    TempAppDir dir;
    EXPECT_EQ(openError(dir.file(u"NADA.DBF"_s)), u"Cannot find file "_s + dir.file(u"NADA.DBF"_s));
    QDir(dir.path()).mkdir(u"PASTA.DBF"_s);
    EXPECT_EQ(openError(dir.file(u"PASTA.DBF"_s)),
              u"Access denied to file "_s + dir.file(u"PASTA.DBF"_s));
    const QString nowhere = dir.file(u"falta/BENS.DBF"_s);
    EXPECT_EQ(errorOf([&] { CreateDBFTable(dir.file(u"falta"_s), u"BENS.DBF"_s); }),
              u"Could not create file "_s + nowhere);

    THalcyonDataSet table;
    table.SetDatabaseName(dir.path());
    table.SetTableName(u"t"_s);  // ".DBF" assumed
    EXPECT_EQ(errorOf([&] { table.Open(); }), u"Cannot find file "_s + dir.file(u"t.DBF"_s));
}
