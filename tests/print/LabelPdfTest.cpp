#include "print/LabelScan.h"
#include "core/common/Conversions.h"
#include "core/common/Progress.h"
#include "core/labels/LabelJob.h"
#include "print/LabelPainter.h"
#include "core/labels/LabelSheet.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct LabelPdf : ::testing::Test {
    TestDatabase db;
    QString pdf = db.dir().file(QStringLiteral("etiquetas.pdf"));

    void asset(const QString& code, const QString& name = QStringLiteral("Cadeira giratória")) {
        db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES (?, ?, 'L1')"),
                {code, name});
    }
    bool write(const char* layout, int start) {
        LabelJob job(db.dados());
        job.addAssets({});
        return writeLabelsPdf(job, *LabelSheet::find(QString::fromLatin1(layout)), start, pdf,
                              db.prompter(), noProgress());
    }
};

}  // namespace

// A full sheet read back as a reader would: each bar code holds its asset's code,
// EAN-13 where the code is a valid one, Code 128 otherwise.
TEST_F(LabelPdf, EveryBarCodeOfAFullSheetReadsAsItsAssetCode) {
    db.dados().settings().CodeBar = QStringLiteral("EAN13");
    db.dados().settings().LabelTitle = QStringLiteral("Prefeitura Municipal de São Tomé");
    db.exec(QStringLiteral("INSERT INTO Locais VALUES ('L1', 'ADM', 'RH', '101')"));
    QStringList expected;
    for (int i = 0; i < 12; ++i) {
        const QString code =
            AddEANCheckDigit(QStringLiteral("78912345%1").arg(i * 37, 4, 10, QLatin1Char('0')));
        asset(code, QStringLiteral("Mesa de escritório em madeira %1").arg(i));
        expected << u"EAN-13:" + code;
    }
    for (int i = 0; i < 6; ++i) {
        const QString code = QStringLiteral("PAT-%1").arg(i * 1111, 4, 10, QLatin1Char('0'));
        asset(code);
        expected << u"CODE-128:" + code;
    }
    for (int i = 0; i < 6; ++i) {
        // Thirteen digits with a wrong check digit, and short numbers: Code 128.
        const QString code =
            i < 3 ? QStringLiteral("123456789012%1").arg((i + 9) % 10) : QString::number(i * 7);
        asset(code);
        expected << u"CODE-128:" + code;
    }
    expected.sort();

    ASSERT_TRUE(write("A4-3x8", 1));
    EXPECT_TRUE(db.prompter().texts().isEmpty()) << db.prompter().texts().join(u'|').toStdString();
    const ScannedPdf scanned = scanPdf(pdf);
    ASSERT_EQ(scanned.pages, 1);
    EXPECT_EQ(scanned.codes[0], expected);
}

// The other sheets, started on their last position: the second label opens a
// new sheet. EAN-8 with its coding.
TEST_F(LabelPdf, OtherSheetsStartWhereTheSheetWasLeft) {
    db.dados().settings().CodeBar = QStringLiteral("EAN8");
    asset(QStringLiteral("96385074"));
    asset(QStringLiteral("SALA-2"), QString());
    for (const char* layout : {"A4-2x7", "Letter-3x10", "Termica-50x30"}) {
        const LabelSheet& sheet = *LabelSheet::find(QString::fromLatin1(layout));
        ASSERT_TRUE(write(layout, sheet.labelsPerSheet())) << layout;
        const ScannedPdf scanned = scanPdf(pdf);
        ASSERT_EQ(scanned.pages, 2) << layout;
        EXPECT_EQ(scanned.codes[0], QStringList{QStringLiteral("EAN-8:96385074")}) << layout;
        EXPECT_EQ(scanned.codes[1], QStringList{QStringLiteral("CODE-128:SALA-2")}) << layout;
    }
}

TEST_F(LabelPdf, AFailedPrintingLeavesTheOldFile) {
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    EXPECT_FALSE(write("A4-3x8", 1));  // no assets
    EXPECT_EQ(readAll(pdf), QByteArray("old"));
    asset(QStringLiteral("1"));
    const QString folder = db.dir().file(QStringLiteral("missing/etiquetas.pdf"));
    LabelJob job(db.dados());
    job.addAssets({});
    db.prompter().clear();
    EXPECT_FALSE(
        writeLabelsPdf(job, LabelSheet::all().first(), 1, folder, db.prompter(), noProgress()));
    EXPECT_EQ(db.prompter().texts(),
              QStringList{u"Não foi possível gravar o arquivo " + folder + u"!"});
}

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun cli(const QString& appDir, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(AMBITRA_CLI), QStringList{QStringLiteral("--app-dir"), appDir} + args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST_F(LabelPdf, CommandPrintsTheChosenAssetsAndNamesWhatItLeftOut) {
    db.exec(
        QStringLiteral("INSERT INTO Locais VALUES ('L1', 'ADM', 'RH', '101'), ('L2', "
                       "NULL, NULL, NULL)"));
    for (const char* code : {"A1", "A2", "A€3", "A4", "B1"}) {
        asset(QString::fromUtf8(code));
    }
    db.exec(QStringLiteral("UPDATE Bens SET BELOCAL = 'L2' WHERE BECODIGO = 'A4'"));
    const QString dir = db.dir().path();
    const CliRun r =
        cli(dir, {QStringLiteral("labels"), QStringLiteral("--from"), QStringLiteral("A2"),
                  QStringLiteral("--to"), QStringLiteral("B"), QStringLiteral("--location"),
                  QStringLiteral("L1"), QStringLiteral("--location"), QStringLiteral("L2"),
                  QStringLiteral("--layout"), QStringLiteral("termica-50x30"),
                  QStringLiteral("--start"), QStringLiteral("1"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, u"2 etiquetas gravadas em " + pdf + u'\n');
    EXPECT_EQ(r.err, QStringLiteral("Estes códigos não cabem no código de barras e suas "
                                    "etiquetas não foram impressas:\nA€3\n"));
    const ScannedPdf scanned = scanPdf(pdf);
    ASSERT_EQ(scanned.pages, 2);
    EXPECT_EQ(scanned.codes[0], QStringList{QStringLiteral("CODE-128:A2")});
    EXPECT_EQ(scanned.codes[1], QStringList{QStringLiteral("CODE-128:A4")});

    const CliRun none = cli(dir, {QStringLiteral("labels"), QStringLiteral("--from"),
                                  QStringLiteral("C"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, QStringLiteral("Nenhuma etiqueta a imprimir!\n"));
    const CliRun start = cli(dir, {QStringLiteral("labels"), QStringLiteral("--start"),
                                   QStringLiteral("25"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(start.exitCode, 1);
    EXPECT_EQ(start.err, QStringLiteral("Posição inicial deve estar entre 1 e 24!\n"));
    for (const QStringList& bad :
         {QStringList{QStringLiteral("labels")},
          QStringList{QStringLiteral("labels"), QStringLiteral("--layout"), QStringLiteral("A5"),
                      QStringLiteral("--pdf"), pdf},
          QStringList{QStringLiteral("labels"), QStringLiteral("--start"), QStringLiteral("x"),
                      QStringLiteral("--pdf"), pdf}}) {
        const CliRun usage = cli(dir, bad);
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_TRUE(usage.err.startsWith(QStringLiteral("usage: ambitra-cli")))
            << usage.err.toStdString();
    }
}
