#include "core/data/TDados.h"
#include "ui/options/TOpcoes.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;

namespace {

struct OptionsDialog : ::testing::Test {
    TestDatabase db;
    Settings& settings = db.dados().settings();
    TOpcoes dialog{db.dados(), db.prompter()};

    template <typename W>
    W* find(const char* name) {
        auto* w = dialog.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QCheckBox* box(int n) {
        return find<QCheckBox>(QByteArray("CheckBox" + QByteArray::number(n)));
    }
    QLineEdit* edit(int n) {
        return find<QLineEdit>(QByteArray("LabeledEdit" + QByteArray::number(n)));
    }
    QRadioButton* radio(const char* caption) {
        for (auto* r : dialog.findChildren<QRadioButton*>()) {
            if (r->text() == QString::fromUtf8(caption)) {
                return r;
            }
        }
        ADD_FAILURE() << caption;
        return nullptr;
    }
    QPushButton* apply() { return find<QPushButton>("BitBtn3"); }
    QString ini() { return db.dados().IniPath(); }
};

}  // namespace

TEST_F(OptionsDialog, LoadsEveryControlFromTheSettingsWithApplyDisabled) {
    settings.AutoId = true;
    settings.CodeBar = QStringLiteral("EAN13");
    settings.LastCode = QStringLiteral("000001234567");
    settings.UseSDF = true;
    settings.UseTXT = true;
    settings.Delimiter = QStringLiteral(";");
    settings.DecimalPoint = QStringLiteral(",");
    settings.TextQualifier = QStringLiteral("'");
    settings.DirTXT = QStringLiteral("/dados/txt");
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Opções"));
    EXPECT_TRUE(box(1)->isChecked());
    EXPECT_TRUE(radio("padrão EAN-13")->isChecked());
    EXPECT_EQ(edit(1)->text(), QStringLiteral("000001234567"));
    EXPECT_FALSE(box(3)->isChecked());  // both text formats on: delimited wins
    EXPECT_TRUE(box(4)->isChecked());
    EXPECT_TRUE(radio("ponto-e-vírgula")->isChecked());
    EXPECT_EQ(edit(6)->text(), QStringLiteral(","));
    EXPECT_EQ(edit(7)->text(), QStringLiteral("'"));
    EXPECT_EQ(edit(4)->text(), QStringLiteral("/dados/txt"));
    EXPECT_EQ(edit(2)->text(), db.dir().path());
    // Dependent controls: delimited text on, CSV and dBase off.
    EXPECT_TRUE(find<QGroupBox>("RadioGroup2")->isEnabled());
    EXPECT_TRUE(edit(6)->isEnabled());
    EXPECT_FALSE(edit(7)->isEnabled());
    EXPECT_TRUE(edit(4)->isEnabled());
    EXPECT_FALSE(edit(2)->isEnabled());
    EXPECT_TRUE(find<QToolButton>("SpeedButton2")->isEnabled());
    EXPECT_EQ(box(3)->toolTip(), QStringLiteral("Standard Data Format"));
    EXPECT_FALSE(apply()->isEnabled());
    EXPECT_TRUE(find<QPushButton>("BitBtn1")->isDefault());
}

TEST_F(OptionsDialog, TheTwoTextFormatsExcludeEachOther) {
    dialog.show();
    box(3)->click();
    EXPECT_TRUE(box(3)->isChecked());
    EXPECT_TRUE(apply()->isEnabled());
    EXPECT_TRUE(edit(3)->isEnabled());
    box(4)->click();
    EXPECT_TRUE(box(4)->isChecked());
    EXPECT_FALSE(box(3)->isChecked());
    EXPECT_FALSE(edit(3)->isEnabled());
    box(3)->click();
    EXPECT_FALSE(box(4)->isChecked());
    box(3)->click();  // both may be cleared
    EXPECT_FALSE(box(3)->isChecked());
    EXPECT_FALSE(box(4)->isChecked());
}

TEST_F(OptionsDialog, DefaultsEnableApplyButStoreNothing) {
    settings.UseCSV = true;
    settings.Delimiter = QStringLiteral(";");
    settings.DecimalPoint = QStringLiteral(",");
    settings.TextQualifier = QString();
    dialog.show();
    find<QPushButton>("BitBtn5")->click();
    EXPECT_TRUE(radio("vírgula")->isChecked());
    EXPECT_EQ(edit(6)->text(), QStringLiteral("."));
    EXPECT_EQ(edit(7)->text(), QStringLiteral("\""));
    EXPECT_TRUE(apply()->isEnabled());
    EXPECT_EQ(settings.Delimiter, QStringLiteral(";"));
    EXPECT_EQ(settings.TextQualifier, QString());
    EXPECT_FALSE(QFile::exists(ini()));

    // "Aplicar" stores, writes and disables itself; the dialog stays open.
    apply()->click();
    EXPECT_EQ(settings.Delimiter, QStringLiteral(","));
    EXPECT_EQ(settings.TextQualifier, QStringLiteral("\""));
    EXPECT_TRUE(readAll(ini()).contains("CSV=1"));
    EXPECT_FALSE(apply()->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(OptionsDialog, OkIsRefusedWithTheCsvDelimiterMessageOnTheFirstPage) {
    settings.UseCSV = true;
    settings.Delimiter = QStringLiteral("\t");
    dialog.show();
    auto* pages = find<QTabWidget>("PageControl1");
    pages->setCurrentIndex(1);
    int pageAtMessage = -1;
    db.prompter().onMessage = [&](const auto&) { pageAtMessage = pages->currentIndex(); };
    find<QPushButton>("BitBtn1")->click();
    EXPECT_EQ(pageAtMessage, 0);  // the page of the delimiter, before the message
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Delimitador para arquivos CSV deve ser vírgula ou "
                                         "ponto-e-vírgula!")});
    EXPECT_EQ(db.prompter().beeps, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_FALSE(QFile::exists(ini()));

    // Ticking delimited text lets it through; OK closes with the result OK.
    box(4)->click();
    find<QPushButton>("BitBtn1")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(settings.UseTXT);
    EXPECT_TRUE(QFile::exists(ini()));
}

TEST_F(OptionsDialog, CodeEditTakesTheValidationsFormAndItsCodingsMaximum) {
    settings.AutoId = true;
    settings.CodeBar = QStringLiteral("EAN13");
    settings.LastCode = QStringLiteral("123456789012");
    dialog.show();
    radio("padrão EAN-8")->click();
    EXPECT_EQ(edit(1)->text(), QStringLiteral("123456789012"));  // not cut
    QTest::keyClick(edit(1), Qt::Key_End);
    QTest::keyClick(edit(1), Qt::Key_Backspace);  // but it may be shortened
    EXPECT_EQ(edit(1)->text(), QStringLiteral("12345678901"));
    QTest::keyClick(edit(1), Qt::Key_Home);
    QTest::keyClick(edit(1), Qt::Key_Delete);
    EXPECT_EQ(edit(1)->text(), QStringLiteral("2345678901"));
    apply()->click();
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("O último código automático no padrão EAN-8 deve ter 7 "
                                         "dígitos!")});
    edit(1)->clear();
    QTest::keyClicks(edit(1), QStringLiteral("12345678"));
    EXPECT_EQ(edit(1)->text(), QStringLiteral("1234567"));  // typing stops at the maximum
    edit(1)->setText(QStringLiteral("00042"));
    db.prompter().clear();
    db.prompter().plan({Prompter::Answer::Ok});
    QString codeAtMessage;
    db.prompter().onMessage = [&](const auto&) { codeAtMessage = edit(1)->text(); };
    apply()->click();
    EXPECT_EQ(codeAtMessage, QStringLiteral("0000042"));  // reshaped before the EAN warning
    EXPECT_EQ(edit(1)->text(), QStringLiteral("0000042"));
    EXPECT_EQ(settings.LastCode, QStringLiteral("0000042"));
    EXPECT_EQ(settings.CodeBar, QStringLiteral("EAN8"));
}

TEST_F(OptionsDialog, FolderButtonsOpenThePickerOnTheEditsFolderAndDefaultFolderResetsAll) {
    const QString other = db.dir().file(QStringLiteral("outra"));
    QDir().mkpath(other);
    settings.DirCSV = db.dir().path();
    dialog.show();
    QString shownFirst;
    QString title;
    auto pick = [&](const QString& choice) {
        QTimer::singleShot(0, [&, choice] {
            auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(picker, nullptr);
            shownFirst = picker->directory().absolutePath();
            title = picker->windowTitle();
            if (choice.isEmpty()) {
                picker->reject();
            } else {
                picker->setDirectory(choice);
                QMetaObject::invokeMethod(picker, "accept");
            }
        });
        find<QToolButton>("SpeedButton5")->click();
    };
    pick(QString());
    EXPECT_EQ(shownFirst, db.dir().path());
    EXPECT_EQ(title,
              QStringLiteral("Repositório para arquivos em formato separado por vígulas (*.csv)"));
    EXPECT_EQ(edit(5)->text(), db.dir().path());  // cancelled: unchanged
    pick(other);
    EXPECT_EQ(edit(5)->text(), other);
    EXPECT_TRUE(apply()->isEnabled());

    edit(2)->setText(QStringLiteral("/x"));
    find<QPushButton>("BitBtn4")->click();
    for (int n : {2, 3, 4, 5}) {
        EXPECT_EQ(edit(n)->text(), db.dir().path()) << n;
    }
}

TEST_F(OptionsDialog, AFolderTheSettingsFileCannotHoldIsRefusedOnItsPage) {
    settings.UseCSV = true;
    dialog.show();
    const QString folder = QStringLiteral("/dados/\u041F\u0430\u043F\u043A\u0430");
    edit(5)->setText(folder);
    auto* pages = find<QTabWidget>("PageControl1");
    int pageAtMessage = -1;
    db.prompter().onMessage = [&](const auto&) { pageAtMessage = pages->currentIndex(); };
    apply()->click();
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("A pasta ") + folder +
                          QStringLiteral(" tem caracteres que o arquivo de opções não pode "
                                         "guardar. Escolha uma pasta cujo nome use apenas letras, "
                                         "algarismos e sinais do alfabeto latino.")});
    EXPECT_EQ(pageAtMessage, 1);
    EXPECT_NE(settings.DirCSV, folder);
    EXPECT_FALSE(QFile::exists(ini()));
    edit(5)->setText(QStringLiteral("/dados/Exportação"));  // accents are in the code page
    apply()->click();
    EXPECT_EQ(settings.DirCSV, QStringLiteral("/dados/Exportação"));
}

TEST_F(OptionsDialog, TheReviewOptionIsLoadedAndStoredAsReviewInPrefs) {
    dialog.show();
    QCheckBox* review = box(6);
    ASSERT_NE(review, nullptr);
    EXPECT_EQ(review->text(), QStringLiteral("Conferir leituras antes de aplicar"));
    EXPECT_FALSE(review->isChecked());
    review->click();
    EXPECT_TRUE(apply()->isEnabled());
    apply()->click();
    EXPECT_TRUE(settings.Review);
    EXPECT_TRUE(readAll(ini()).contains("Review=1\r\n"));
    dialog.hide();
    settings.Review = false;
    dialog.show();
    EXPECT_FALSE(box(6)->isChecked());
}
