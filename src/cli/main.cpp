#include "cli/CliProgram.h"
#include "cli/DbfCommand.h"
#include "common/ProgramFolder.h"

#include <QCoreApplication>

#include <functional>

using namespace ambitra::cli;

namespace {

const char* const kUsageText =
    "usage: ambitra-cli [--app-dir DIR] COMMAND [ARGS]\n"
    "commands: init, settings, log, dbf, export, import, hotsync, unload";

using Command = std::function<int(CliProgram&, const QStringList&)>;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
