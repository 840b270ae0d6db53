#include "app/TAbertura.h"
#include "core/count/CountFixture.h"
#include "print/CountReportPdf.h"
#include "core/count/CountReport.h"
#include "ui/count/TConferencia.h"
#include "ui/count/TRelatorioContagem.h"
#include "support/WidgetLookup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;
using Answer = Prompter::Answer;

namespace {

// Runs work inside the next modal window's event loop.
void whenModal(std::function<void(QWidget&)> work) {
    QTimer::singleShot(0, [work = std::move(work)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        work(*modal);
    });
}

}  // namespace

// The review as the user does it: "Conferência" from the Sincronização menu,
// the moved readings alone, one of them applied, then the count's report saved.
TEST(CountWindows, TheReviewAppliesTheChosenReadingAndItsReportIsSaved) {
    Counting c(true);
    c.unload();
    TDados& dados = c.db.dados();
    ScriptedPrompter& prompter = c.db.prompter();
    TAbertura main(dados, prompter, QCoreApplication::applicationFilePath());
    TConferencia conferencia(dados, prompter, &main);
    main.setDialog(QStringLiteral("Conferencia"), &conferencia);
    main.show();
    const QString csv = c.db.dir().file(QStringLiteral("contagem.csv"));
    QString proposed;
    QStringList reportRows;
    bool reviewed = false;

    whenModal([&](QWidget& window) {
        ASSERT_EQ(&window, &conferencia);
        auto* grid = child<QTableWidget>(window, "DBGrid1");
        auto* classes = child<QComboBox>(window, "ComboBox2");
        EXPECT_EQ(grid->rowCount(), 7);
        classes->setCurrentIndex(classes->findData(QStringLiteral("moved")));
        EXPECT_EQ(column(*grid, 1), (QStringList{QStringLiteral("3"), QStringLiteral("4")}));
        EXPECT_EQ(column(*grid, 2),
                  (QStringList{QStringLiteral("0202 > 0101"), QStringLiteral("0303 > 0202")}));
        grid->selectRow(0);
        child<QPushButton>(window, "BitBtn1")->click();
        EXPECT_EQ(child<QPlainTextEdit>(window, "Memo1")->toPlainText().split(u'\n'),
                  (QStringList{QStringLiteral("> Processando dados descarregados do Palm..."),
                               QStringLiteral("   Processamento de 1 registros de inventário "
                                              "concluído!"),
                               QStringLiteral("   Verifique o LOG de inventário que tem 1 "
                                              "registros novos!")}));
        // The filter stays; the applied reading has left the list.
        EXPECT_EQ(column(*grid, 1), QStringList{QStringLiteral("4")});

        whenModal([&](QWidget& report) {
            EXPECT_EQ(report.windowTitle(), QStringLiteral("Relatório da contagem 1"));
            reportRows = column(*child<QTableWidget>(report, "DBGrid1"), 0);
            whenModal([&](QWidget& dialog) {
                auto* files = qobject_cast<QFileDialog*>(&dialog);
                ASSERT_NE(files, nullptr);
                proposed = files->selectedFiles().value(0);
                files->selectFile(csv);
                QMetaObject::invokeMethod(files, "accept");
            });
            child<QPushButton>(report, "BitBtn1")->click();
            qobject_cast<QDialog*>(&report)->accept();
        });
        child<QPushButton>(window, "BitBtn3")->click();
        conferencia.accept();
        reviewed = true;
    });
    main.findChild<QAction*>(QStringLiteral("Conferencia1"))->trigger();

    ASSERT_TRUE(reviewed);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Relatório gravado em ") + csv + QStringLiteral(".")});
    EXPECT_EQ(c.logRows(), QStringList{QStringLiteral("Coletor|Ana|3|LOCAL:0202>0101")});
    EXPECT_TRUE(c.bens().contains(QStringLiteral("3|0101|01||2024-03-09|Ana")))
        << c.bens().join(u' ').toStdString();
    EXPECT_EQ(reportRows, (QStringList{QStringLiteral("0101"), QStringLiteral("0202"),
                                       QStringLiteral("TOTAL")}));
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("/Contagem-1.csv"))) << proposed.toStdString();
    EXPECT_TRUE(readAll(csv).contains("\r\n")) << csv.toStdString();
}

// Nothing of the report is cut: the marked locations wrap over several lines and
// the column heads that are wider than their columns wrap within them.
TEST(CountReportPdf, LongLinesAndColumnHeadsWrapInsteadOfBeingCut) {
    Counting c(true);
    QStringList marked;
    QList<SentAsset> sent;
    for (int i = 1; i <= 30; ++i) {
        marked << QStringLiteral("L%1").arg(i, 3, 10, QLatin1Char('0'));
        c.db.exec(
            QStringLiteral("INSERT INTO Locais VALUES ('%1', 'P', 'D', 'S')").arg(marked.last()));
    }
    sent.append({QStringLiteral("1"), marked.last()});
    const int count = CountStore(c.db.dados()).openCount(QStringLiteral("Coletor 2"), marked, sent);
    const QString pdf = c.db.dir().file(QStringLiteral("contagem.pdf"));
    writeCountReportPdf(CountReport::build(c.db.dados(), count), pdf, c.db.dados().ownFiles());

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    EXPECT_TRUE(pages.contains(QStringLiteral("Locais marcados: ") +
                               marked.join(QStringLiteral(", ")) + u'.'))
        << pages.toStdString();
    for (const char* head : {"Esperados", "Faltantes", "outro local", "Inválidos", "esperado"}) {
        EXPECT_TRUE(pages.contains(QString::fromUtf8(head))) << head;
    }
    EXPECT_FALSE(pages.contains(QChar(0x2026))) << pages.toStdString();  // no elision
}

// A misread code is applied only when the user agrees to it by its code; a count
// with pending readings is closed only when the user agrees; the counts list
// follows what was applied.
TEST(CountWindows, TheReviewAsksBeforeAMisreadCodeAndBeforeClosingWithPendingReadings) {
    Counting c(true);
    c.unload();
    ScriptedPrompter& prompter = c.db.prompter();
    TConferencia window(c.db.dados(), prompter);
    window.show();
    auto* counts = child<QComboBox>(window, "ComboBox1");
    auto* grid = child<QTableWidget>(window, "DBGrid1");
    auto* classes = child<QComboBox>(window, "ComboBox2");
    EXPECT_TRUE(counts->currentText().endsWith(QStringLiteral("(aberta, 7 pendentes)")));
    classes->setCurrentIndex(classes->findData(QStringLiteral("invalid")));
    ASSERT_EQ(grid->rowCount(), 1);

    grid->selectRow(0);
    prompter.plan({Answer::No});
    child<QPushButton>(window, "BitBtn1")->click();
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("O código ") + badEan13() +
                          QStringLiteral(" não tem um dígito verificador válido no padrão EAN-13: "
                                         "aplicada, a leitura criará um bem novo com esse código. "
                                         "Aplicar esta leitura assim mesmo?")});
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_FALSE(c.bens().join(u' ').contains(badEan13()));

    grid->selectRow(0);
    child<QPushButton>(window, "BitBtn1")->click();  // Yes
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_TRUE(c.bens().join(u' ').contains(badEan13()));
    EXPECT_TRUE(counts->currentText().endsWith(QStringLiteral("(aberta, 6 pendentes)")))
        << counts->currentText().toStdString();

    prompter.clear();
    prompter.plan({Answer::No});
    child<QPushButton>(window, "BitBtn4")->click();
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("A contagem 1 ainda tem 6 leituras pendentes. Encerrar a "
                                         "contagem assim mesmo?")});
    EXPECT_TRUE(counts->currentText().contains(QStringLiteral("aberta")));
    child<QPushButton>(window, "BitBtn4")->click();  // Yes
    EXPECT_TRUE(counts->currentText().contains(QStringLiteral("encerrada")));
}
