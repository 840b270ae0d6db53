#include "app/ApplicationName.h"
#include "app/SingleInstance.h"
#include "app/TAbertura.h"
#include "app/TSobre.h"
#include "ui/widgets/WidgetPrompter.h"
#include "core/common/FileAccess.h"
#include "core/common/ProgramFolder.h"
#include "ui/count/TConferencia.h"
#include "ui/inventory/TInventario.h"
#include "ui/log/TLog.h"
#include "ui/options/TOpcoes.h"
#include "core/data/TDados.h"
#include "ui/exchange/TTrocas.h"
#include "ui/records/RecordWindows.h"
#include "core/sync/Registry.h"
#include "ui/sync/TSincronizacao.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

using namespace ambitra;

int main(int argc, char** argv) {
    ambitra::restrictNewFiles();
    QApplication app(argc, argv);
    ui::nameApplication();

    ui::SingleInstance instance;
    if (!instance.claim()) {
        return 0;
    }
    ui::translateApplication(app);
    ui::setProgramIcon();

    // The program's folder (or, installed, the user's data folder) holds its
    // settings file and its database.
    const QString programFile = QCoreApplication::applicationFilePath();
    const QString appDir = GetAppDir();
    const QString iniPath =
        QDir(appDir).filePath(QFileInfo(programFile).completeBaseName() + QStringLiteral(".ini"));

    ui::WidgetPrompter prompter;
    TDados dados(appDir, iniPath, prompter);
    ui::TAbertura abertura(dados, prompter, programFile);
    IniRegistry registry(IniRegistry::userRegistryPath());
    ui::TSincronizacao sincronizacao(dados, prompter, registry, &abertura);
    sincronizacao.setChildSize(
        [&abertura] { return QSize(abertura.ChildWidth(), abertura.ChildHeight()); });
    abertura.setDialog(QStringLiteral("Sincronizacao"), &sincronizacao);
    QObject::connect(&abertura, &ui::TAbertura::registerOpened, &sincronizacao,
                     &ui::TSincronizacao::startWithProgram);
    ui::TConferencia conferencia(dados, prompter, &abertura);
    abertura.setDialog(QStringLiteral("Conferencia"), &conferencia);
    ui::TInventario inventario(dados, prompter, &abertura);
    abertura.setDialog(QStringLiteral("Inventario"), &inventario);
    // The handheld in the browser loads and unloads while the window is shown.
    QObject::connect(&sincronizacao, &ui::TSincronizacao::countsChanged, &inventario,
                     &ui::TInventario::refreshSoon);
    ui::TOpcoes opcoes(dados, prompter, &abertura);
    abertura.setDialog(QStringLiteral("Opcoes"), &opcoes);
    ui::TSobre sobre(programFile, &abertura);
    abertura.setDialog(QStringLiteral("Sobre"), &sobre);
    ui::TTrocas trocas(dados, prompter, &abertura);
    abertura.setDialog(QStringLiteral("Trocas"), &trocas);
    ui::registerRecordWindows(abertura, dados, prompter);
    abertura.setChildFactory(QStringLiteral("Log"), [&dados, &prompter](QSize area) {
        return new ui::TLog(dados, prompter, area.width(), area.height());
    });

    QObject::connect(&instance, &ui::SingleInstance::activationRequested, &abertura,
                     [&abertura] { ui::bringForward(&abertura); });
    abertura.show();
    return app.exec();
}
