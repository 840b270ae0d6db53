#pragma once

#include "ui/widgets/ChildWindows.h"

#include <QHash>
#include <QMainWindow>

class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

class TImportarAnterior;

class TFundo;

// The main frame window "Ambitra PC": the multiple-document area, the main menu,
// the status bar with the version, the sizes child windows fit into, and the
// start-up sequence run at its first activation.
class TAbertura : public QMainWindow, public ChildWindows {
    Q_OBJECT

  public:
    // programFile: the program's file, whose version the status bar shows.
    TAbertura(TDados& dados, Prompter& prompter, const QString& programFile,
              QWidget* parent = nullptr);

    // Child windows created on demand, one of each at most, by component name.
    void setChildFactory(const QString& name, Factory factory) override;
    // Long-lived modal dialogs, created once at start and shown from the menu.
    void setDialog(const QString& name, QDialog* dialog);

    int ChildWidth() const { return m_childWidth; }
    int ChildHeight() const { return m_childHeight; }
    bool StartupDone() const { return m_startupDone; }

    // The start-up sequence (settings, wallpaper, database), run at the first
    // activation and retried at every activation until the database is open.
    void FormActivate();
    // Asks every child window with a tag that is not negative to close; false
    // when one refused (the rest stay open).
    bool CloseAllForms();
    // Rebuilds the wallpaper.
    void WallPaper();
    // At start: offers to bring the old program's register over, once.
    void OfferOldRegister();
    // The dialog that brings the old program's register over.
    TImportarAnterior* importer();
    // Opens the menu item of that object name, as a click would.
    void MainMenuClick(const QString& item);

    QMdiArea* mdiArea() const { return m_mdi; }

  signals:
    // The settings are read and the register is open: the start-up went through.
    void registerOpened();

  public:
    TFundo* wallpaper() const { return m_fundo; }
    // The child window of that component name, or null.
    QMdiSubWindow* findChildWindow(const QString& name) const;
    // Shows a widget as a child window; tag -1 keeps it open when all children close.
    QMdiSubWindow* addChildWindow(QWidget* widget, int tag = 0);

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenu();
    void updateChildSize();
    void openChild(const QString& name);
    void showDialog(const QString& name);

    TDados& m_dados;
    Prompter& m_prompter;
    QMdiArea* m_mdi;
    QLabel* m_panel0;
    QMdiSubWindow* m_fundoWindow = nullptr;
    TFundo* m_fundo = nullptr;
    int m_childWidth = 0;
    int m_childHeight = 0;
    bool m_startupDone = false;
    bool m_inStartup = false;
    QHash<QString, Factory> m_factories;
    QHash<QString, QDialog*> m_dialogs;
    TImportarAnterior* m_importer = nullptr;
};

}  // namespace ambitra::ui
