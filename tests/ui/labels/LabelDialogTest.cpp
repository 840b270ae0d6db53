#include "print/LabelScan.h"
#include "core/common/Progress.h"
#include "ui/labels/TEtiquetas.h"
#include "support/TestDatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using ambitra::ui::TEtiquetas;

namespace {

// The bar codes expected on each page, blank-separated.
QList<QStringList> pages(std::initializer_list<const char*> perPage) {
    QList<QStringList> result;
    for (const char* page : perPage) {
        result << QString::fromLatin1(page).split(u' ');
    }
    return result;
}

struct LabelDialog : ::testing::Test {
    TestDatabase db;
    QString pdf = db.dir().file(QStringLiteral("portas.pdf"));

    void SetUp() override {
        db.exec(
            QStringLiteral("INSERT INTO Locais VALUES ('L1', 'ADM', 'RH', '101'), ('L2', "
                           "'ADM', 'TI', '102')"));
        for (const char* code : {"A1", "A2", "A3"}) {
            db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES (?, "
                                   "'Mesa', ?)"),
                    {QString::fromLatin1(code),
                     code[1] == '2' ? QStringLiteral("L2") : QStringLiteral("L1")});
        }
    }
    // Prints to the PDF file and says whether the dialog closed.
    bool printToPdf(TEtiquetas& dialog) {
        dialog.RadioPdf->setChecked(true);
        dialog.EditPdf->setText(pdf);
        dialog.BtnPrint->click();
        return dialog.result() == QDialog::Accepted;
    }
};

}  // namespace

TEST_F(LabelDialog, PrintsTheChosenRowsOrALocationsAssetsFromItsStartPosition) {
    TEtiquetas chosen(db.dados(), db.prompter(), noProgress(), TEtiquetas::Kind::Assets,
                      {QStringLiteral("A3"), QStringLiteral("A1")});
    // Several rows chosen: those are offered first.
    EXPECT_TRUE(chosen.RadioSelected->isChecked());
    EXPECT_EQ(chosen.RadioSelected->text(), QStringLiteral("Linhas selecionadas (2)"));
    ASSERT_TRUE(printToPdf(chosen));
    EXPECT_EQ(scanPdf(pdf).codes, pages({"CODE-128:A1 CODE-128:A3"}));

    TEtiquetas located(db.dados(), db.prompter(), noProgress(), TEtiquetas::Kind::Assets, {});
    EXPECT_FALSE(located.RadioSelected->isEnabled());
    EXPECT_TRUE(located.RadioAll->isChecked());
    ASSERT_EQ(located.ComboLocation->count(), 3);
    EXPECT_EQ(located.ComboLocation->itemText(2), QStringLiteral("L2 - ADM / TI / 102"));
    located.ComboLocation->setCurrentIndex(1);
    located.ComboLayout->setCurrentIndex(located.ComboLayout->findData(QStringLiteral("A4-2x7")));
    EXPECT_EQ(located.SpinStart->maximum(), 14);
    located.SpinStart->setValue(14);
    ASSERT_TRUE(printToPdf(located));
    const ScannedPdf scanned = scanPdf(pdf);
    ASSERT_EQ(scanned.pages, 2);
    EXPECT_EQ(scanned.codes[0], QStringList{QStringLiteral("CODE-128:A1")});
    EXPECT_EQ(scanned.codes[1], QStringList{QStringLiteral("CODE-128:A3")});
}

TEST_F(LabelDialog, DoorLabelsHoldTheLocationCodes) {
    TEtiquetas doors(db.dados(), db.prompter(), noProgress(), TEtiquetas::Kind::Locations,
                     {QStringLiteral("L2")});
    EXPECT_EQ(doors.windowTitle(), QStringLiteral("Etiquetas de Locais"));
    EXPECT_FALSE(doors.RadioRange->isVisibleTo(&doors));
    ASSERT_TRUE(printToPdf(doors));
    EXPECT_EQ(scanPdf(pdf).codes, pages({"CODE-128:L1 CODE-128:L2"}));
    doors.RadioSelected->setChecked(true);
    ASSERT_TRUE(printToPdf(doors));
    EXPECT_EQ(scanPdf(pdf).codes, pages({"CODE-128:L2"}));
}

TEST_F(LabelDialog, NothingToPrintKeepsTheDialogOpen) {
    TEtiquetas dialog(db.dados(), db.prompter(), noProgress(), TEtiquetas::Kind::Assets, {});
    dialog.RadioRange->setChecked(true);
    dialog.EditFrom->setText(QStringLiteral("B"));
    EXPECT_FALSE(printToPdf(dialog));
    EXPECT_EQ(db.prompter().texts(), QStringList{QStringLiteral("Nenhuma etiqueta a imprimir!")});
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(LabelDialog, AnExistingFileIsReplacedOnlyWhenTheUserAgreesAndTheDialogSaysWhereItWent) {
    writeAll(pdf, "antigo");
    TEtiquetas dialog(db.dados(), db.prompter(), noProgress(), TEtiquetas::Kind::Assets,
                      {QStringLiteral("A1")});
    dialog.RadioSelected->setChecked(true);
    db.prompter().plan({Prompter::Answer::No});
    EXPECT_FALSE(printToPdf(dialog));
    EXPECT_EQ(readAll(pdf), QByteArray("antigo"));
    ASSERT_TRUE(printToPdf(dialog));  // Yes
    EXPECT_EQ(
        db.prompter().texts(),
        (QStringList{
            QStringLiteral("O arquivo ") + pdf + QStringLiteral(" já existe. Deseja substituí-lo?"),
            QStringLiteral("O arquivo ") + pdf + QStringLiteral(" já existe. Deseja substituí-lo?"),
            QStringLiteral("1 etiqueta gravada em ") + pdf + u'.'}));
    EXPECT_EQ(scanPdf(pdf).codes, pages({"CODE-128:A1"}));
}
