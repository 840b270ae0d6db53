#include "core/labels/LabelJob.h"
#include "core/labels/LabelSheet.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(u' ');
}

struct LabelJobTest : ::testing::Test {
    TestDatabase db;

    void asset(const QString& code, const QVariant& name, const QVariant& location) {
        db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES (?, ?, ?)"),
                {code, name, location});
    }
    QStringList codes(const AssetSelection& selection) {
        LabelJob job(db.dados());
        job.addAssets(selection);
        QStringList result;
        for (const Label& label : job.labels()) {
            result << label.code;
        }
        return result;
    }
};

}  // namespace

TEST(LabelRules, BarCodeFollowsTheCodingAndTheCheckDigit) {
    const QString ean13 = QStringLiteral("4006381333931");
    const QString ean8 = QStringLiteral("96385074");
    EXPECT_EQ(SymbologyFor(ean13, QStringLiteral("EAN13")), Symbology::EAN13);
    EXPECT_EQ(SymbologyFor(ean8, QStringLiteral("EAN8")), Symbology::EAN8);
    // Wrong check digit, other coding, other length, no coding, a letter.
    EXPECT_EQ(SymbologyFor(QStringLiteral("4006381333932"), QStringLiteral("EAN13")),
              Symbology::Code128);
    EXPECT_EQ(SymbologyFor(ean13, QStringLiteral("EAN8")), Symbology::Code128);
    EXPECT_EQ(SymbologyFor(ean8, QStringLiteral("EAN13")), Symbology::Code128);
    EXPECT_EQ(SymbologyFor(ean13, QString()), Symbology::Code128);
    EXPECT_EQ(SymbologyFor(QStringLiteral("9638507A"), QStringLiteral("EAN8")), Symbology::Code128);

    EXPECT_TRUE(SymbologyHolds(Symbology::Code128, QStringLiteral("Sala-é 1")));
    EXPECT_FALSE(SymbologyHolds(Symbology::Code128, QStringLiteral("A€1")));
    EXPECT_FALSE(SymbologyHolds(Symbology::Code128, QString()));
}

TEST(LabelRules, TextIsCutToTheWidthAndLocationsRead) {
    const auto characters = [](const QString& t) { return static_cast<double>(t.size()); };
    EXPECT_EQ(CutToFit(QStringLiteral("Mesa de madeira"), 8, characters),
              QStringLiteral("Mesa de"));
    EXPECT_EQ(CutToFit(QStringLiteral("Mesa "), 10, characters), QStringLiteral("Mesa"));
    EXPECT_EQ(CutToFit(QStringLiteral("Mesa"), 0, characters), QString());

    EXPECT_EQ(
        LocationText(QStringLiteral("12"), QStringLiteral("B"), QString(), QStringLiteral("3")),
        QStringLiteral("12 - B /  / 3"));
    EXPECT_EQ(LocationText(QStringLiteral("12"), QString(), QString(), QString()),
              QStringLiteral("12"));
    EXPECT_EQ(LocationText(QString(), QStringLiteral("B"), QString(), QString()), QString());
}

TEST(LabelSheets, EveryLayoutFitsItsPaper) {
    ASSERT_GE(LabelSheet::all().size(), 4);
    for (const LabelSheet& sheet : LabelSheet::all()) {
        const QRectF paper(QPointF(0, 0), sheet.paper);
        EXPECT_TRUE(paper.contains(sheet.labelRect(0))) << sheet.name.toStdString();
        EXPECT_TRUE(paper.contains(sheet.labelRect(sheet.labelsPerSheet() - 1)))
            << sheet.name.toStdString();
        if (sheet.labelsPerSheet() > 1) {
            EXPECT_FALSE(sheet.labelRect(0).intersects(sheet.labelRect(1)));
        }
    }
    const LabelSheet* a4 = LabelSheet::find(QStringLiteral("a4-3x8"));
    ASSERT_NE(a4, nullptr);
    EXPECT_EQ(a4->labelsPerSheet(), 24);
    EXPECT_EQ(a4->label, QSizeF(63.5, 33.9));
    // Position 4 is the first of the second row.
    EXPECT_DOUBLE_EQ(a4->labelRect(3).left(), a4->labelRect(0).left());
    EXPECT_DOUBLE_EQ(a4->labelRect(3).top(), a4->labelRect(0).top() + 33.9);
    EXPECT_EQ(LabelSheet::find(QStringLiteral("A5")), nullptr);
}

TEST_F(LabelJobTest, SelectsByRangeLocationOrListInTheRegistersOrder) {
    db.exec(
        QStringLiteral("INSERT INTO Locais VALUES ('L1', 'P', 'D', 'S'), ('L2', NULL, NULL, "
                       "NULL)"));
    asset(QStringLiteral("b"), QStringLiteral("Mesa"), QStringLiteral("L1"));
    asset(QStringLiteral("B"), QStringLiteral("Cadeira"), QStringLiteral("L2"));
    asset(QStringLiteral("a"), QStringLiteral("Armário"), QVariant());
    asset(QStringLiteral("0001"), QVariant(), QStringLiteral("L9"));

    EXPECT_EQ(codes({}), words("0001 B a b"));
    // Both ends included, letter case counts.
    EXPECT_EQ(codes({{}, QStringLiteral("B"), QStringLiteral("a"), {}}), words("B a"));
    EXPECT_EQ(codes({{}, QStringLiteral("a"), {}, {QStringLiteral("L1"), QStringLiteral("L2")}}),
              words("b"));
    // A list keeps its order, each once; a code not in the register is skipped.
    EXPECT_EQ(codes({{QStringLiteral("b"), QStringLiteral("x"), QStringLiteral("0001"),
                      QStringLiteral("b")},
                     QStringLiteral("z"),
                     {},
                     {}}),
              words("b 0001"));

    LabelJob job(db.dados());
    job.addAssets({{QStringLiteral("b"), QStringLiteral("0001")}, {}, {}, {}});
    EXPECT_EQ(job.labels()[0].description, QStringLiteral("Mesa"));
    EXPECT_EQ(job.labels()[0].location, QStringLiteral("L1 - P / D / S"));
    // A location code with no row left: only the code.
    EXPECT_EQ(job.labels()[1].location, QStringLiteral("L9"));
}

TEST_F(LabelJobTest, CodesNoBarCodeHoldsAreNamedAndTheOthersPrinted) {
    const LabelSheet& sheet = LabelSheet::all().first();
    asset(QStringLiteral("A€1"), QStringLiteral("Euro"), QVariant());
    asset(QStringLiteral("A1"), QStringLiteral("Um"), QVariant());
    LabelJob job(db.dados());
    job.addAssets({});
    ASSERT_EQ(job.labels().size(), 1);
    EXPECT_EQ(job.labels()[0].code, QStringLiteral("A1"));
    EXPECT_TRUE(job.Check(sheet, 24, db.prompter()));
    job.ReportLeftOut(db.prompter());
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Estes códigos não cabem no código de barras e suas "
                                         "etiquetas não foram impressas:\r\nA€1")});
    EXPECT_EQ(job.printedCount(), 1);

    db.prompter().clear();
    EXPECT_FALSE(job.Check(sheet, 25, db.prompter()));
    EXPECT_FALSE(job.Check(sheet, 0, db.prompter()));
    LabelJob empty(db.dados());
    empty.addAssets({{}, QStringLiteral("X"), {}, {}});
    EXPECT_FALSE(empty.Check(sheet, 1, db.prompter()));
    EXPECT_EQ(db.prompter().texts(),
              (QStringList{QStringLiteral("Posição inicial deve estar entre 1 e 24!"),
                           QStringLiteral("Posição inicial deve estar entre 1 e 24!"),
                           QStringLiteral("Nenhuma etiqueta a imprimir!")}));
    EXPECT_EQ(db.prompter().beeps, 3);
}

TEST_F(LabelJobTest, LocationLabelsCarryTheRoomAndTheTitle) {
    db.dados().settings().LabelTitle = QStringLiteral("Prefeitura");
    db.exec(
        QStringLiteral("INSERT INTO Locais VALUES ('L1', 'P', 'D', 'S'), ('L2', NULL, NULL, "
                       "NULL), ('L3', 'Q', NULL, NULL)"));
    LabelJob job(db.dados());
    job.addLocations({QStringLiteral("L3"), QStringLiteral("L1"), QStringLiteral("L2")});
    ASSERT_EQ(job.labels().size(), 3);
    EXPECT_EQ(job.title(), QStringLiteral("Prefeitura"));
    EXPECT_EQ(job.labels()[0].code, QStringLiteral("L1"));
    EXPECT_EQ(job.labels()[0].symbology, Symbology::Code128);
    EXPECT_EQ(job.labels()[0].description, QStringLiteral("P / D / S"));
    EXPECT_EQ(job.labels()[1].description, QString());
    EXPECT_EQ(job.labels()[2].description, QStringLiteral("Q /  / "));
    EXPECT_EQ(LocationChoices(db.dados()).at(0),
              (std::pair{QStringLiteral("L1"), QStringLiteral("L1 - P / D / S")}));
}
