#include "XbaseTestSupport.h"

#include "core/xbase/ExchangeLayouts.h"

#include <QFile>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct Layout {
    int headerLength;
    int recordLength;
    QStringList fields;  // NAME TYPE WIDTH DECIMALS
};

Layout layoutOf(const QString& path) {
    const QByteArray bytes = readAll(path);
    THalcyonDataSet table;
    openTable(table, path);
    Layout layout{u16At(bytes, 8), u16At(bytes, 10), {}};
    for (int i = 0; i < table.FieldCount(); ++i) {
        const THalcyonField& f = table.Fields(i);
        layout.fields << u"%1 %2 %3 %4"_s
                             .arg(f.FieldName(), QString(QChar::fromLatin1(f.FieldType())))
                             .arg(f.Size())
                             .arg(f.Decimals());
    }
    return layout;
}

}  // namespace

TEST(ExchangeLayout, FileNames) {
    EXPECT_EQ(ExchangeFileName(u"Operadores"_s), u"OPERADOR.DBF"_s);
    EXPECT_EQ(ExchangeFileName(u"Locais"_s, u".TXT"_s), u"LOCAIS.TXT"_s);
    EXPECT_EQ(ExchangeFileName(u"Bens"_s, u"CSV"_s), u"BENS.CSV"_s);
}

TEST(ExchangeLayout, CreateDBFTableBuildsEachLayoutAfresh) {
    TempAppDir dir;
    const QString operador = dir.file(u"OPERADOR.DBF"_s);
    CreateDBFTable(dir.path(), u"OPERADOR.DBF"_s);
    {
        THalcyonDataSet table;
        openTable(table, operador);
        table.Insert();
        table.FieldByName(u"OPNOME"_s).SetAsString(u"Ana"_s);
        table.Post();
    }
    CreateDBFTable(dir.path() + u'/', u"OPERADOR.DBF"_s);  // replaces the file with records
    const QByteArray bytes = readAll(operador);
    EXPECT_EQ(bytes.size(), 130);
    EXPECT_EQ(bytes.right(2), QByteArray("\x0D\x1A"));
    EXPECT_EQ(layoutOf(operador).recordLength, 29);
    // It holds passwords.
    EXPECT_EQ(QFile::permissions(operador),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    CreateDBFTable(dir.path(), u"locais.dbf"_s);
    const Layout locais = layoutOf(dir.file(u"locais.dbf"_s));
    EXPECT_EQ(locais.headerLength, 161);
    EXPECT_EQ(locais.recordLength, 15);

    CreateDBFTable(dir.path(), u"BENS.DBF"_s);
    const Layout bens = layoutOf(dir.file(u"BENS.DBF"_s));
    EXPECT_EQ(bens.headerLength, 385);
    EXPECT_EQ(bens.recordLength, 129);
    ASSERT_EQ(bens.fields.size(), 11);
    EXPECT_EQ(bens.fields[6], u"BEVALOR N 12 3"_s);
    EXPECT_EQ(bens.fields[8], u"BEULTINV D 8 0"_s);

    CreateDBFTable(dir.path(), u"Produtos.dbf"_s);  // no layout: nothing, no error
    EXPECT_FALSE(QFile::exists(dir.file(u"Produtos.dbf"_s)));
}

TEST(ExchangeLayout, ParseFieldEntry) {
    const FieldEntry value = ParseFieldEntry(u"BEVALOR;N;12;3;"_s);
    EXPECT_TRUE(value.valid);
    EXPECT_EQ(value.name, u"BEVALOR"_s);
    EXPECT_EQ(value.type, u'N');
    EXPECT_EQ(value.width, 12);
    EXPECT_EQ(value.decimals, 3);
    EXPECT_TRUE(ParseFieldEntry(u"BEVALOR;N;12;3 ; "_s).valid);
    for (const QString& bad :
         {u"BEVALOR;N;12"_s, u"BEVALOR;NN;12;3"_s, u"BEVALOR;;12;3"_s, u"BEVALOR;N;doze;3"_s,
          u"BEVALOR;N;12;x"_s, u"BEVALOR;N;12;3;4"_s, u"BEVALOR"_s, u" ;"_s}) {
        EXPECT_FALSE(ParseFieldEntry(bad).valid) << bad.toStdString();
    }
}

TEST(ExchangeLayout, InvalidListsWriteNothing) {
    TempAppDir dir;
    const QString path = dir.file(u"X.DBF"_s);
    writeAll(path, "keep");
    const QString invalid = u"Field list is invalid"_s;
    for (const QStringList& list :
         {QStringList{}, QStringList{u"OPNOME;C;16;0"_s, u"A;C;1;0"_s, u"opnome;C;20;0"_s},
          QStringList{u"NOME_MUITO_LONGO1;C;5;0"_s, u"NOME_MUITO_LONGO2;C;5;0"_s},
          QStringList{u"A;C;5;0"_s, u"B;N;12"_s}, QStringList{u"A;N;300;0"_s},
          QStringList{u";C;5;0"_s}}) {
        EXPECT_EQ(errorOf([&] { BuildDBFFile(path, list); }), invalid)
            << list.join(u' ').toStdString();
        EXPECT_EQ(readAll(path), QByteArray("keep"));
    }
}
