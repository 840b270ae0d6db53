#include "core/exchange/ExchangeFixture.h"

#include "core/common/Cp1252.h"
#include "ui/exchange/TTrocas.h"
#include "ui/widgets/WidgetProgress.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;
using Answer = Prompter::Answer;

namespace {

struct Dialog : ::testing::Test {
    ExchangeFixture f;
    TTrocas dialog{f.db.dados(), f.db.prompter()};

    // Opens the dialog as the menu does and lets its activation run.
    void open() {
        dialog.show();
        QApplication::processEvents();
    }
    void mark(int table) {
        QListWidget* list = dialog.CheckListBox2();
        const QRect rect = list->visualItemRect(list->item(table));
        // A click on the check box of the item.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(rect.left() + rect.height() / 2, rect.center().y()));
    }
    QStringList shown() { return f.db.prompter().texts(); }
};

}  // namespace

TEST_F(Dialog, ExecutarNeedsATableAndAFormat) {
    open();
    EXPECT_EQ(shown(), QStringList{QStringLiteral(
                           "Nenhum formato de arquivo para importação/exportação de dados está "
                           "habilitado nas opções de configuração!")});
    EXPECT_TRUE(dialog.directionItem(ExchangeRun::Direction::Export)->isChecked());
    mark(1);
    EXPECT_EQ(dialog.CheckListBox2()->item(1)->checkState(), Qt::Checked);
    EXPECT_TRUE(dialog.CheckListBox2()->selectedItems().isEmpty());
    EXPECT_FALSE(dialog.BitBtn1()->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), dialog.BitBtn2());

    dialog.hide();
    f.useFormats(false, true, false, true);
    open();
    EXPECT_EQ(dialog.CheckListBox1()->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(dialog.CheckListBox1()->item(0)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(dialog.CheckListBox1()->isEnabled());
    EXPECT_TRUE(dialog.BitBtn1()->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), dialog.BitBtn1());
    mark(1);
    EXPECT_FALSE(dialog.BitBtn1()->isEnabled());
}

TEST_F(Dialog, NoToTheConfirmationChangesNothing) {
    f.useFormats(false, true, false, false);
    open();
    mark(0);
    f.db.prompter().plan({Answer::No});
    QTest::mouseClick(dialog.BitBtn1(), Qt::LeftButton);
    EXPECT_EQ(shown(),
              QStringList{QStringLiteral("Exportação de dados do Ambitra. Confirmar a execução?")});
    EXPECT_TRUE(QDir(f.folder).isEmpty());
    EXPECT_TRUE(dialog.BitBtn1()->isEnabled());
}

TEST_F(Dialog, AsksForTheHeaderOnlyWithCommaSeparatedFilesAndStaysOffAfterARun) {
    f.useFormats(false, true, false, false);
    open();
    mark(0);
    QTest::mouseClick(dialog.BitBtn1(), Qt::LeftButton);
    const QString done =
        QStringLiteral("Exportação de 0 registros para OPERADOR.TXT concluída!\r\n");
    EXPECT_EQ(shown(),
              (QStringList{QStringLiteral("Exportação de dados do Ambitra. Confirmar a execução?"),
                           done}));
    EXPECT_FALSE(dialog.BitBtn1()->isEnabled());
    EXPECT_FALSE(dialog.ProgressBar1()->isVisible());
    EXPECT_TRUE(dialog.CheckListBox2()->isEnabled());

    // Clicking the direction enables it again; now with the header question.
    f.useFormats(false, false, false, true);
    QTest::mouseClick(dialog.directionItem(ExchangeRun::Direction::Export), Qt::LeftButton);
    EXPECT_TRUE(dialog.BitBtn1()->isEnabled());
    f.db.prompter().clear();
    f.db.prompter().plan({Answer::Yes, Answer::No});
    QTest::mouseClick(dialog.BitBtn1(), Qt::LeftButton);
    EXPECT_EQ(shown().value(1),
              QStringLiteral("Incluir os nomes dos campos no cabeçalho do arquivo CSV?"));
    EXPECT_FALSE(dialog.run().CsvHeader);
}

TEST_F(Dialog, CancelarStopsARunningImportAtOnceAndTheChoicesAreLockedMeanwhile) {
    f.useFormats(false, true, false, false);
    QByteArray lines;
    for (int i = 0; i < 100000; ++i) {
        lines += QByteArray::number(i).leftJustified(13, ' ') + "\r\n";
    }
    f.write(QStringLiteral("BENS.TXT"), lines);
    open();
    dialog.directionItem(ExchangeRun::Direction::Import)->click();
    mark(2);
    f.db.prompter().plan({Answer::Yes, Answer::No});

    bool lockedDuringRun = false;
    bool barShown = false;
    QElapsedTimer sinceCancel;
    QTimer::singleShot(50, &dialog, [&] {
        lockedDuringRun = !dialog.CheckListBox2()->isEnabled() &&
                          !dialog.directionItem(ExchangeRun::Direction::Export)->isEnabled() &&
                          !dialog.BitBtn1()->isEnabled();
        barShown = dialog.ProgressBar1()->isVisible();
        sinceCancel.start();
        QTest::mouseClick(dialog.BitBtn2(), Qt::LeftButton);
    });
    QTest::mouseClick(dialog.BitBtn1(), Qt::LeftButton);
    const qint64 afterCancel = sinceCancel.elapsed();
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(barShown);
    EXPECT_LT(afterCancel, 100);
    EXPECT_TRUE(dialog.isVisible());  // Cancelar stopped the run, it did not close
    const int stored = f.db.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt();
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, 100000);
    EXPECT_EQ(shown().size(), 2);  // the two questions; no completion line
    EXPECT_FALSE(dialog.BitBtn1()->isEnabled());

    QTest::mouseClick(dialog.BitBtn2(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(Dialog, VerificarReadsTheImportWithoutChangingItAndSavesItsReport) {
    f.useFormats(false, false, false, true);
    f.addLocal("0", "old", "old", "old");
    f.write(QStringLiteral("LOCAIS.CSV"),
            "\"1\",\"A\",\"B\",\"C\"\r\n\"2\",\"A\",\"B\",\"12345\"\r\n");
    open();
    mark(1);
    EXPECT_FALSE(dialog.checkButton()->isEnabled());  // an export is chosen
    QTest::mouseClick(dialog.directionItem(ExchangeRun::Direction::Import), Qt::LeftButton);
    ASSERT_TRUE(dialog.checkButton()->isEnabled());
    f.db.prompter().plan({Answer::All});
    QTest::mouseClick(dialog.checkButton(), Qt::LeftButton);
    ASSERT_NE(dialog.checkReport(), nullptr);
    const QString report = dialog.checkReport()->report()->toPlainText();
    // The Portuguese words alone: the engine's own text is for support, not for this report.
    EXPECT_TRUE(report.startsWith(
        QStringLiteral("LOCAIS.CSV, linha 2: Locais: Sala (LOSALA) tem mais de 4 caracteres.\n")))
        << qPrintable(report);
    EXPECT_TRUE(report.endsWith(QStringLiteral("\nVerificação: 2 registros lidos, 1 erro.")));
    EXPECT_EQ(f.rows(QStringLiteral("Locais")), QStringList{QStringLiteral("0|old|old|old")});
    EXPECT_TRUE(dialog.BitBtn1()->isEnabled());

    const QString path = f.path(QStringLiteral("relatorio.txt"));
    EXPECT_TRUE(dialog.checkReport()->saveTo(path));
    EXPECT_EQ(f.read(QStringLiteral("relatorio.txt")),
              cp1252::encode(report).replace("\n", "\r\n") + "\r\n");
    dialog.checkReport()->close();
}

// A run shows the bar at every yield only now and then; its last record still
// brings the bar to its end before the completion message.
TEST(WidgetProgress, TheLastRecordFillsTheBar) {
    QProgressBar bar;
    ui::WidgetProgress progress(&bar);
    progress.setMaximum(1000);
    for (int i = 0; i < 1000; ++i) {
        progress.advance(1);
        progress.yield();
    }
    EXPECT_EQ(bar.value(), 1000);
}
