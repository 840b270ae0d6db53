#include "cli/CliProgram.h"
#include "cli/DbfCommand.h"
#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <functional>
#include <memory>

using namespace ambitra::cli;

namespace {

const char* const kUsageText =
    "usage: ambitra-cli [--app-dir DIR] COMMAND [ARGS]\n"
    "commands: init, settings, log, dbf, export, import, hotsync, unload, labels";

using Command = std::function<int(CliProgram&, const QStringList&)>;

// Labels are painted with fonts, which need the graphical application object;
// the companion never shows a window, so it paints offscreen.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    const int commandAt = argc > 1 && qstrcmp(argv[1], "--app-dir") == 0 ? 3 : 1;
    if (commandAt < argc && qstrcmp(argv[commandAt], "labels") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        // Notes of the graphical layer about the session (runtime folder, fonts)
        // are no messages of the command: stderr keeps only what the command says.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) {
                printErr(text);
            }
        });
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);

    QString appDir = ambitra::GetAppDir();
    if (!args.isEmpty() && args.first() == QLatin1String("--app-dir")) {
        if (args.size() < 2) {
            printErr(QString::fromLatin1(kUsageText));
            return kUsage;
        }
        appDir = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        printErr(QString::fromLatin1(kUsageText));
        return kUsage;
    }
    const QString name = args.takeFirst();
    const QList<std::pair<const char*, Command>> commands = {
        {"init", runInitCommand},
        {"settings", runSettingsCommand},
        {"log", runLogCommand},
        {"export", runExportCommand},
        {"import", runImportCommand},
        {"hotsync", runHotSyncCommand},
        {"unload", runUnloadCommand},
        {"labels", runLabelsCommand},
        // Reads one table file; needs nothing of the program folder.
        {"dbf", [](CliProgram&, const QStringList& dbfArgs) { return runDbfCommand(dbfArgs); }},
    };
    for (const auto& [commandName, command] : commands) {
        if (name == QLatin1String(commandName)) {
            CliProgram program(appDir);
            return command(program, args);
        }
    }
    printErr(QString::fromLatin1(kUsageText));
    return kUsage;
}
