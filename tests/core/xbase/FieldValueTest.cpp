#include "XbaseTestSupport.h"

using namespace ambitra;
using namespace ambitra::test;

namespace {

// A table with one record whose bytes a test sets directly.
class FieldValue : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = m_dir.file(QStringLiteral("VALORES.DBF"));
        BuildDBFFile(m_path, {u"NOME;C;10;0"_s, u"VALOR;N;12;3"_s, u"QTD;N;5;0"_s,
                              u"GRANDE;N;12;0"_s, u"DATA;D;8;0"_s, u"ATIVO;L;1;0"_s});
        openTable(m_table, m_path);
        m_table.Insert();
        m_table.Post();
    }

    // Stores raw bytes in one field of the record and reads the record again.
    THalcyonField& stored(const QString& name, const QByteArray& raw) {
        const int offset = m_table.FieldByName(name).Offset();
        m_table.Close();
        QByteArray bytes = readAll(m_path);
        bytes.replace(headerLength() + offset, raw.size(), raw);
        writeAll(m_path, bytes);
        m_table.Open();
        return m_table.FieldByName(name);
    }
    int headerLength() const { return 32 * 6 + 33; }
    QByteArray storedBytes(const QString& name) {
        return m_table.FieldByName(name).RawBytes().toByteArray();
    }

    TempAppDir m_dir;
    QString m_path;
    THalcyonDataSet m_table;
};

}  // namespace

TEST_F(FieldValue, NumbersAreRightAlignedWithTheirDecimalsAndRefusedWhenTooBig) {
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("       0.000"));  // a new record holds zero
    m_table.Edit();
    THalcyonField& valor = m_table.FieldByName(u"VALOR"_s);
    valor.SetAsVariant(1234.5);
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("    1234.500"));
    valor.SetAsVariant(-0.0001);
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("       0.000"));
    valor.SetAsVariant(42);
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("      42.000"));
    valor.SetAsString(u" -7.25 "_s);
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("      -7.250"));
    EXPECT_EQ(errorOf([&] { valor.SetAsVariant(123456789012.0); }),
              u"numeric value too big in field VALOR - 123456789012.000"_s);
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("      -7.250"));  // untouched
    EXPECT_EQ(errorOf([&] { valor.SetAsString(u"12,5"_s); }),
              u"Invalid numeric value in field VALORES->VALOR (12,5)"_s);

    THalcyonField& qtd = m_table.FieldByName(u"QTD"_s);
    qtd.SetAsVariant(12345);
    EXPECT_EQ(errorOf([&] { qtd.SetAsVariant(-12345); }),
              u"numeric value too big in field QTD - -12345"_s);
    qtd.SetAsVariant(2.5);  // rounded to no decimals
    EXPECT_EQ(storedBytes(u"QTD"_s), QByteArray("    2"));
    valor.SetAsVariant(QVariant());
    EXPECT_EQ(storedBytes(u"VALOR"_s), QByteArray("       0.000"));
}

TEST_F(FieldValue, NumbersReadAsTypedValuesAndBlankIsZero) {
    THalcyonField& blank = stored(u"VALOR"_s, QByteArray(12, ' '));
    EXPECT_FALSE(blank.IsNull());
    EXPECT_EQ(blank.AsVariant(), QVariant(0.0));
    EXPECT_EQ(blank.AsString(), u"0.000"_s);
    EXPECT_EQ(stored(u"VALOR"_s, "  1.5       ").AsVariant(), QVariant(1.5));
    const QVariant qtd = stored(u"QTD"_s, "  -42").AsVariant();
    EXPECT_EQ(qtd.typeId(), QMetaType::Int);
    EXPECT_EQ(qtd.toInt(), -42);
    const QVariant big = stored(u"GRANDE"_s, "  9999999999").AsVariant();
    EXPECT_EQ(big.typeId(), QMetaType::LongLong);
    EXPECT_EQ(big.toLongLong(), 9999999999LL);
    THalcyonField& bad = stored(u"VALOR"_s, "   12abc    ");
    EXPECT_EQ(errorOf([&] { bad.AsVariant(); }),
              u"Invalid numeric value in field VALORES->VALOR (12abc)"_s);
}

TEST_F(FieldValue, DatesWithoutAValidDayReadAsNull) {
    for (const char* raw :
         {"00000000", "        ", "20241301", "20240230", "2024011 ", "2024o101"}) {
        THalcyonField& date = stored(u"DATA"_s, raw);
        EXPECT_TRUE(date.IsNull()) << raw;
        EXPECT_FALSE(date.AsVariant().isValid()) << raw;
        EXPECT_EQ(date.AsString(), QString()) << raw;
    }
    THalcyonField& leap = stored(u"DATA"_s, "20240229");
    EXPECT_EQ(leap.AsVariant(), QVariant(QDate(2024, 2, 29)));
    m_table.Edit();
    leap.SetAsVariant(QVariant());
    EXPECT_EQ(storedBytes(u"DATA"_s), QByteArray(8, ' '));
    leap.SetAsString(u"1999-12-31"_s);
    EXPECT_EQ(storedBytes(u"DATA"_s), QByteArray("19991231"));
}

TEST_F(FieldValue, LogicalTrueLetters) {
    for (char letter : QByteArray("TtYyJj")) {
        EXPECT_TRUE(stored(u"ATIVO"_s, QByteArray(1, letter)).AsVariant().toBool()) << letter;
    }
    for (char letter : QByteArray("FfNn ?")) {
        EXPECT_EQ(stored(u"ATIVO"_s, QByteArray(1, letter)).AsVariant(), QVariant(false)) << letter;
    }
}

TEST_F(FieldValue, TextIsWindows1252CutAtTheWidthAndBlankIsNull) {
    m_table.Edit();
    THalcyonField& nome = m_table.FieldByName(u"NOME"_s);
    nome.SetAsString(u"Situação €"_s);
    EXPECT_EQ(storedBytes(u"NOME"_s), QByteArray("Situa\xE7\xE3o \x80"));
    // Characters the code page lacks are written as "?".
    nome.SetAsString(u"\u4E2D\u03A9 ok"_s);
    EXPECT_EQ(storedBytes(u"NOME"_s), QByteArray("?? ok     "));
    nome.SetAsString(u"  Prédio Central"_s);
    EXPECT_EQ(nome.AsString(), u"  Prédio C"_s);  // leading blanks stay
    nome.SetAsVariant(QVariant());
    EXPECT_TRUE(nome.IsNull());
    EXPECT_FALSE(nome.AsVariant().isValid());
}
