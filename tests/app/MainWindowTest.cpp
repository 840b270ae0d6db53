#include "app/ApplicationName.h"
#include "ui/widgets/ClickableImage.h"
#include "app/TAbertura.h"
#include "app/TFundo.h"
#include "app/TSobre.h"
#include "core/data/TDados.h"
#include "support/ScriptedPrompter.h"
#include "support/TempAppDir.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace ambitra::ui;

namespace {

// A child window that may refuse to close, as an editing window with a pending change.
class Child : public QWidget {
  public:
    bool refuse = false;

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (refuse) {
            event->ignore();
        } else {
            event->accept();
        }
    }
};

struct MainWindow : ::testing::Test {
    TempAppDir dir;
    ScriptedPrompter prompter;
    TDados dados{dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter};
    TAbertura window{dados, prompter, QCoreApplication::applicationFilePath()};
    TSobre sobre{QCoreApplication::applicationFilePath(), &window};
    QDialog opcoes{&window};
    QString lastModal;

    void SetUp() override {
        window.setDialog(QStringLiteral("Sobre"), &sobre);
        window.setDialog(QStringLiteral("Opcoes"), &opcoes);
        window.setChildFactory(QStringLiteral("Operadores"), [](QSize) { return new Child; });
        window.setChildFactory(QStringLiteral("Log"), [](QSize) { return new Child; });
        window.resize(900, 700);
        window.show();
        window.FormActivate();
    }

    // Chooses a menu item whose action shows a modal dialog, and closes it.
    void clickModal(const char* item) {
        lastModal.clear();
        QTimer::singleShot(0, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                lastModal =
                    modal->windowTitle().isEmpty() ? modal->objectName() : modal->windowTitle();
                modal->close();
            }
        });
        window.MainMenuClick(QString::fromLatin1(item));
    }

    int children() const {
        int n = 0;
        for (QMdiSubWindow* sub : window.mdiArea()->subWindowList()) {
            n += sub->property("tag").toInt() >= 0 ? 1 : 0;
        }
        return n;
    }
};

}  // namespace

TEST_F(MainWindow, StartupCreatesTheDatabaseAndTheWallpaperOnce) {
    EXPECT_TRUE(window.StartupDone());
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("Ambitra.db"))));
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Ambitra PC"));
    ASSERT_NE(window.wallpaper(), nullptr);
    auto* version = window.findChild<QLabel*>(QStringLiteral("StatusPanel0"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("1.0.0.0"));
    EXPECT_EQ(window.ChildWidth(), window.mdiArea()->width() - 4);
    EXPECT_EQ(window.ChildHeight(), window.mdiArea()->height() - 4);
}

TEST_F(MainWindow, TheWallpaperFollowsResizesWithItsLogoTenPixelsFromTheCorner) {
    window.resize(1000, 760);
    QApplication::processEvents();
    TFundo* fundo = window.wallpaper();
    ASSERT_NE(fundo, nullptr);
    EXPECT_EQ(fundo->parentWidget()->size(), QSize(window.ChildWidth(), window.ChildHeight()));
    const QRect logo = fundo->logo()->geometry();
    EXPECT_EQ(fundo->width() - logo.right() - 1, 10);
    EXPECT_EQ(fundo->height() - logo.bottom() - 1, 10);
    EXPECT_EQ(TFundo::bandHeight(200), 1);
    EXPECT_EQ(TFundo::bandHeight(257), 2);
}

TEST_F(MainWindow, MenuOpensOneChildOfEachAndDialogsCloseChildrenButNotTheWallpaper) {
    window.MainMenuClick(QStringLiteral("Operadores1"));
    QMdiSubWindow* operators = window.findChildWindow(QStringLiteral("Operadores"));
    operators->showMaximized();
    window.MainMenuClick(QStringLiteral("Operadores1"));
    EXPECT_EQ(children(), 1);
    EXPECT_TRUE(operators->isMaximized());  // brought forward as it was
    operators->showMinimized();
    window.MainMenuClick(QStringLiteral("Operadores1"));
    EXPECT_FALSE(operators->isMinimized());

    clickModal("Sobre1");
    EXPECT_EQ(lastModal, QStringLiteral("Sobre o Ambitra"));
    EXPECT_EQ(children(), 1);  // the about box leaves children open

    clickModal("Opcoes1");
    EXPECT_EQ(children(), 0);
    EXPECT_NE(window.wallpaper(), nullptr);
    EXPECT_NE(window.findChildWindow(QStringLiteral("Fundo")), nullptr);
}

TEST_F(MainWindow, TheWallpaperStaysBehindWhenAChildOrADialogCloses) {
    window.MainMenuClick(QStringLiteral("Operadores1"));
    window.MainMenuClick(QStringLiteral("Log1"));
    QMdiSubWindow* operators = window.findChildWindow(QStringLiteral("Operadores"));
    QMdiSubWindow* wallpaper = window.findChildWindow(QStringLiteral("Fundo"));
    auto bottom = [this] {
        return window.mdiArea()->subWindowList(QMdiArea::StackingOrder).first();
    };
    ASSERT_EQ(bottom(), wallpaper);
    window.findChildWindow(QStringLiteral("Log"))->close();
    QApplication::processEvents();
    EXPECT_EQ(bottom(), wallpaper);
    EXPECT_EQ(window.mdiArea()->activeSubWindow(), operators);

    clickModal("Sobre1");
    QApplication::processEvents();
    EXPECT_EQ(bottom(), wallpaper);
    wallpaper->raise();  // as a click on it would
    EXPECT_EQ(bottom(), wallpaper);
}

TEST_F(MainWindow, AChildThatRefusesToCloseStopsTheDialogFromOpening) {
    window.MainMenuClick(QStringLiteral("Operadores1"));
    auto* child =
        dynamic_cast<Child*>(window.findChildWindow(QStringLiteral("Operadores"))->widget());
    ASSERT_NE(child, nullptr);
    child->refuse = true;
    clickModal("Opcoes1");
    EXPECT_TRUE(lastModal.isEmpty());
    EXPECT_EQ(children(), 1);
}

TEST_F(MainWindow, ItemsWithoutTheirWindowYetSayTheyAreUnderConstruction) {
    window.MainMenuClick(QStringLiteral("Locais1"));
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Em construção.")});
}

TEST(MainWindowStartup, AnUnreadableDatabaseShowsTheErrorAndDoesNotStart) {
    TempAppDir dir;
    writeAll(dir.file(QStringLiteral("Ambitra.db")), QByteArray(4096, 'x'));
    ScriptedPrompter prompter;
    TDados dados(dir.path(), dir.file(QStringLiteral("ambitra.ini")), prompter);
    TAbertura window(dados, prompter, QCoreApplication::applicationFilePath());
    window.FormActivate();
    EXPECT_FALSE(window.StartupDone());
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("O arquivo ") + dir.file(QStringLiteral("Ambitra.db")) +
                          QStringLiteral(" não é um banco de dados. (file is not a database)")});
}

// The window system appends an explicitly set display name to every caption.
TEST(ApplicationName, NamesTheProgramWithoutAddingToCaptions) {
    const QString before = QCoreApplication::applicationName();
    nameApplication();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Ambitra PC"));
    QCoreApplication::setApplicationName(QStringLiteral("outro"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("outro"));
    QCoreApplication::setApplicationName(before);
}

TEST(ApplicationName, WindowsCarryTheProgramsIconAndFileDialogsSpeakPortuguese) {
    setProgramIcon();
    EXPECT_TRUE(QApplication::windowIcon().availableSizes().contains(QSize(48, 48)));
    translateApplication(*static_cast<QApplication*>(QCoreApplication::instance()));
    TempAppDir dir;
    EXPECT_EQ(QFileIconProvider().type(QFileInfo(dir.path())), QStringLiteral("Pasta"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("&Salvar"));
}
