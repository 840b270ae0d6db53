#include "app/TAbertura.h"

#include "app/TFundo.h"
#include "core/common/FileVersion.h"
#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/legacy/LegacyCopy.h"
#include "ui/legacy/TImportarAnterior.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

namespace ambitra::ui {

namespace {

const char* const kTag = "tag";

// Puts its window back at the bottom of its siblings whenever anything raises it.
class KeepBehind : public QObject {
  public:
    explicit KeepBehind(QWidget* window) : QObject(window), m_window(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::ZOrderChange && !m_lowering) {
            m_lowering = true;
            m_window->lower();
            m_lowering = false;
        }
        return false;
    }

  private:
    QWidget* m_window;
    bool m_lowering = false;
};

struct MenuEntry {
    const char* object;
    const char* caption;
};

}  // namespace

TAbertura::TAbertura(TDados& dados, Prompter& prompter, const QString& programFile, QWidget* parent)
    : QMainWindow(parent), m_dados(dados), m_prompter(prompter), m_mdi(new QMdiArea(this)) {
    setObjectName(QStringLiteral("Abertura"));
    setWindowTitle(QStringLiteral("Ambitra PC"));
    m_mdi->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(m_mdi);

    m_panel0 = new QLabel(GetFileVersionText(programFile), this);
    m_panel0->setObjectName(QStringLiteral("StatusPanel0"));
    m_panel0->setAlignment(Qt::AlignCenter);
    m_panel0->setMinimumWidth(50);
    auto* panel1 = new QLabel(this);
    panel1->setObjectName(QStringLiteral("StatusPanel1"));
    panel1->setMinimumWidth(50);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_panel0);
    statusBar()->addWidget(panel1);
    statusBar()->setSizeGripEnabled(false);

    buildMenu();
    resize(800, 600);
}

void TAbertura::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto add = [this](auto* owner, const MenuEntry& e) {
        QAction* action = owner->addAction(QString::fromUtf8(e.caption));
        action->setObjectName(QString::fromLatin1(e.object));
        const QString item = action->objectName();
        connect(action, &QAction::triggered, this, [this, item] { MainMenuClick(item); });
        return action;
    };
    QMenu* arquivos = bar->addMenu(QStringLiteral("Arquivos"));
    arquivos->menuAction()->setObjectName(QStringLiteral("Arquivos1"));
    add(arquivos, {"Operadores1", "Operadores"});
    add(arquivos, {"Locais1", "Locais"});
    add(arquivos, {"Bens1", "Bens Patrimoniais"});
    arquivos->addSeparator();
    add(arquivos, {"Trocas1", "Importação/Exportação"});
    add(arquivos, {"ImportarAnterior1", "Importar banco de dados anterior..."});
    arquivos->addSeparator();
    add(arquivos, {"Log1", "Log de Inventário"});
    QMenu* sincronizacao = bar->addMenu(QStringLiteral("Sincronização"));
    sincronizacao->menuAction()->setObjectName(QStringLiteral("Sincronizacao0"));
    add(sincronizacao, {"Sincronizacao1", "Sincronização"});
    add(sincronizacao, {"Conferencia1", "Conferência"});
    add(sincronizacao, {"Inventario1", "Inventário"});
    add(bar, {"Opcoes1", "Opções"});
    add(bar, {"Sobre1", "Sobre"});
}

void TAbertura::setChildFactory(const QString& name, Factory factory) {
    m_factories.insert(name, std::move(factory));
}

void TAbertura::setDialog(const QString& name, QDialog* dialog) {
    m_dialogs.insert(name, dialog);
}

void TAbertura::MainMenuClick(const QString& item) {
    reportErrors(m_prompter, [&] {
        if (item == QLatin1String("Operadores1")) {
            openChild(QStringLiteral("Operadores"));
        } else if (item == QLatin1String("Locais1")) {
            openChild(QStringLiteral("Locais"));
        } else if (item == QLatin1String("Bens1")) {
            openChild(QStringLiteral("Bens"));
        } else if (item == QLatin1String("Log1")) {
            openChild(QStringLiteral("Log"));
        } else if (item == QLatin1String("Trocas1")) {
            if (CloseAllForms()) {
                showDialog(QStringLiteral("Trocas"));
            }
        } else if (item == QLatin1String("Sincronizacao1")) {
            if (CloseAllForms()) {
                showDialog(QStringLiteral("Sincronizacao"));
            }
        } else if (item == QLatin1String("Conferencia1")) {
            if (CloseAllForms()) {
                showDialog(QStringLiteral("Conferencia"));
            }
        } else if (item == QLatin1String("Inventario1")) {
            if (CloseAllForms()) {
                showDialog(QStringLiteral("Inventario"));
            }
        } else if (item == QLatin1String("Opcoes1")) {
            if (CloseAllForms()) {
                showDialog(QStringLiteral("Opcoes"));
            }
        } else if (item == QLatin1String("ImportarAnterior1")) {
            if (CloseAllForms()) {
                importer()->chooseAndRun();
            }
        } else if (item == QLatin1String("Sobre1")) {
            showDialog(QStringLiteral("Sobre"));
        }
    });
}

void TAbertura::openChild(const QString& name) {
    if (QMdiSubWindow* existing = findChildWindow(name)) {
        // Only a minimised window is restored: a maximised one stays maximised.
        if (existing->isMinimized()) {
            existing->showNormal();
        } else {
            existing->show();
        }
        m_mdi->setActiveSubWindow(existing);
        existing->raise();
        return;
    }
    const auto factory = m_factories.constFind(name);
    if (factory == m_factories.constEnd()) {
        m_prompter.notice(QStringLiteral("Em construção."));
        return;
    }
    QWidget* widget = (*factory)(QSize(m_childWidth, m_childHeight));
    widget->setObjectName(name);
    addChildWindow(widget);
}

void TAbertura::showDialog(const QString& name) {
    QDialog* dialog = m_dialogs.value(name);
    if (dialog == nullptr) {
        m_prompter.notice(QStringLiteral("Em construção."));
        return;
    }
    dialog->exec();
}

QMdiSubWindow* TAbertura::findChildWindow(const QString& name) const {
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->widget() != nullptr && sub->widget()->objectName() == name) {
            return sub;
        }
    }
    return nullptr;
}

QMdiSubWindow* TAbertura::addChildWindow(QWidget* widget, int tag) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty(kTag, tag);
    sub->setWindowTitle(widget->windowTitle());
    sub->show();
    return sub;
}

bool TAbertura::CloseAllForms() {
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->property(kTag).toInt() >= 0 && !sub->close()) {
            return false;
        }
    }
    return true;
}

void TAbertura::WallPaper() {
    if (m_fundoWindow != nullptr) {
        m_fundoWindow->close();
        m_fundoWindow = nullptr;
        m_fundo = nullptr;
    }
    m_fundo = new TFundo;
    m_fundoWindow = addChildWindow(m_fundo, -1);
    m_fundoWindow->setWindowFlags(Qt::FramelessWindowHint);
    m_fundoWindow->setFocusPolicy(Qt::NoFocus);
    m_fundoWindow->setGeometry(0, 0, m_childWidth, m_childHeight);
    m_fundoWindow->show();
    m_fundoWindow->lower();
    QMdiSubWindow* wallpaper = m_fundoWindow;
    connect(wallpaper, &QObject::destroyed, this, [this, wallpaper] {
        if (m_fundoWindow == wallpaper) {
            m_fundoWindow = nullptr;
            m_fundo = nullptr;
        }
    });
    // The wallpaper stays behind the other children whatever raises it: a click,
    // or the area activating it when a child or a dialog closes.
    wallpaper->installEventFilter(new KeepBehind(wallpaper));
    connect(m_mdi, &QMdiArea::subWindowActivated, wallpaper,
            [this, wallpaper](QMdiSubWindow* active) {
                if (active != wallpaper) {
                    return;
                }
                const QList<QMdiSubWindow*> stack = m_mdi->subWindowList(QMdiArea::StackingOrder);
                for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
                    if (*it != wallpaper && (*it)->isVisible() && !(*it)->isMinimized()) {
                        m_mdi->setActiveSubWindow(*it);
                        break;
                    }
                }
                wallpaper->lower();
            });
}

void TAbertura::updateChildSize() {
    m_childWidth = m_mdi->width() - 4;
    m_childHeight = m_mdi->height() - 4;
}

void TAbertura::FormActivate() {
    if (m_startupDone || m_inStartup) {
        return;
    }
    // Message boxes of the sequence activate the window again: run it once at a time.
    m_inStartup = true;
    const bool completed = reportErrors(m_prompter, [this] {
        m_dados.ReadIniFile();
        WallPaper();
        if (m_dados.CheckProgramFolder() && m_dados.OpenDatabase()) {
            m_startupDone = true;
            QTimer::singleShot(0, this, &TAbertura::OfferOldRegister);
            QTimer::singleShot(0, this, &TAbertura::registerOpened);
        } else {
            // The error was shown by the data module; the program ends.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
        }
    });
    Q_UNUSED(completed);
    m_inStartup = false;
}

TImportarAnterior* TAbertura::importer() {
    if (m_importer == nullptr) {
        m_importer = new TImportarAnterior(m_dados, m_prompter, this);
    }
    return m_importer;
}

void TAbertura::OfferOldRegister() {
    reportErrors(m_prompter, [this] {
        const QString file = legacy::offeredOldRegister(m_dados);
        if (file.isEmpty()) {
            return;
        }
        if (m_prompter.confirm(
                QStringLiteral("A pasta do programa tem o cadastro do programa anterior (%1) e "
                               "este cadastro ainda não tem bens. Deseja trazer o cadastro "
                               "anterior para este programa?")
                    .arg(QDir::toNativeSeparators(file)))) {
            importer()->run(file);
        } else {
            m_dados.settings().OldRegisterDeclined = true;
            m_dados.WriteIniFile();
        }
    });
}

bool TAbertura::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        QTimer::singleShot(0, this, &TAbertura::FormActivate);
    }
    return QMainWindow::event(event);
}

void TAbertura::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    updateChildSize();
    if (m_fundoWindow != nullptr) {
        m_fundoWindow->resize(0, 0);
        m_fundoWindow->resize(m_childWidth, m_childHeight);
    }
    if (m_startupDone) {
        WallPaper();
    }
}

void TAbertura::closeEvent(QCloseEvent* event) {
    m_dados.CloseDatabase();
    QMainWindow::closeEvent(event);
}

}  // namespace ambitra::ui
