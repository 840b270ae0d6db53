#include "cli/CliProgram.h"
#include "cli/DbfCommand.h"
#include "core/common/CommandLine.h"
#include "core/common/FileAccess.h"
#include "core/common/ProgramFolder.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <functional>
#include <memory>

using namespace ambitra;
using namespace ambitra::cli;

namespace {

// One row per command: its name, its usage (printed for --help on stdout and,
// when the command returns kUsage, on stderr) and what runs it. A command
// reports bad arguments by returning kUsage without printing anything.
struct Command {
    const char* name;
    QString usage;
    std::function<int(CliProgram&, const QStringList&)> run;
};

const QList<Command>& commands() {
    static const QList<Command> table = {
        {"init", QStringLiteral("usage: ambitra-cli [--app-dir DIR] init"), runInitCommand},
        {"settings", QStringLiteral("usage: ambitra-cli [--app-dir DIR] settings"),
         runSettingsCommand},
        {"log",
         QStringLiteral(
             "usage: ambitra-cli [--app-dir DIR] log (--all | --from \"yyyy-mm-dd hh:nn:ss.zzz\" "
             "--to \"yyyy-mm-dd hh:nn:ss.zzz\") [--csv FILE]"),
         runLogCommand},
        // Reads one table file; needs nothing of the program folder.
        {"dbf", QStringLiteral("usage: ambitra-cli dbf FILE"),
         [](CliProgram&, const QStringList& args) { return runDbfCommand(args); }},
        {"export",
         QStringLiteral(
             "usage: ambitra-cli [--app-dir DIR] export [--table Operadores|Locais|Bens]... "
             "[--csv-header]"),
         runExportCommand},
        {"import",
         QStringLiteral("usage: ambitra-cli [--app-dir DIR] import [--check] "
                        "[--table Operadores|Locais|Bens]... [--overwrite]"),
         runImportCommand},
        {"hotsync",
         QStringLiteral("usage: ambitra-cli [--app-dir DIR] hotsync --user NAME --device DEVDIR "
                        "[--location CODE]..."),
         runHotSyncCommand},
        {"unload", QStringLiteral("usage: ambitra-cli [--app-dir DIR] unload FILE --user NAME"),
         runUnloadCommand},
        {"labels", labelsUsage(), runLabelsCommand},
        {"db",
         QStringLiteral("usage: ambitra-cli [--app-dir DIR] db init\n"
                        "       ambitra-cli [--app-dir DIR] db copy --from FILE.db\n"
                        "       ambitra-cli [--app-dir DIR] db copy --from Ambitra.mdb [--force]"),
         runDbCommand},
        {"counts", QStringLiteral("usage: ambitra-cli [--app-dir DIR] counts [--close N]"),
         runCountsCommand},
        {"report",
         QStringLiteral("usage: ambitra-cli [--app-dir DIR] report [--count N] [--csv FILE] "
                        "[--pdf FILE] [--details]"),
         runReportCommand},
        {"inventory",
         QStringLiteral(
             "usage: ambitra-cli [--app-dir DIR] inventory new --title T --kind K [--blind] "
             "[--location L]... [--member \"NAME;ROLE;NUMBER\"]...\n"
             "       ambitra-cli [--app-dir DIR] inventory list\n"
             "       ambitra-cli [--app-dir DIR] inventory recount N --location L...\n"
             "       ambitra-cli [--app-dir DIR] inventory divergences N [--keep CODE --location "
             "L]\n"
             "       ambitra-cli [--app-dir DIR] inventory close N [--yes]\n"
             "       ambitra-cli [--app-dir DIR] inventory report N [--csv FILE] [--pdf FILE]"),
         runInventoryCommand},
        {"devices", QStringLiteral("usage: ambitra-cli [--app-dir DIR] devices [--revoke ID]"),
         runDevicesCommand},
        {"review",
         QStringLiteral("usage: ambitra-cli [--app-dir DIR] review [--count N] (--list | --accept "
                        "all|CODE... | --reject all|CODE...)"),
         runReviewCommand},
        {"serve",
         QStringLiteral("usage: ambitra-cli [--app-dir DIR] serve [--port N] [--setup-port M] "
                        "[--address A]"),
         runServeCommand},
    };
    return table;
}

QString programUsage() {
    QStringList names;
    for (const Command& command : commands()) {
        names << QString::fromLatin1(command.name);
    }
    return QStringLiteral("usage: ambitra-cli [--app-dir DIR] COMMAND [ARGS]\ncommands: ") +
           names.join(QStringLiteral(", "));
}

// --help of the program: its own usage, then every command's.
QString programHelp() {
    QString help = programUsage();
    help.insert(help.indexOf(u'\n'), QStringLiteral("\n       ambitra-cli --version | --help"));
    for (const Command& command : commands()) {
        help += u'\n' + command.usage;
    }
    return help;
}

int usageError(const QString& usage) {
    printErr(usage);
    return kUsage;
}

// Labels and reports are painted with fonts, which need the graphical
// application object; the companion never shows a window, so it paints offscreen.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    const int commandAt = argc > 1 && qstrcmp(argv[1], "--app-dir") == 0 ? 3 : 1;
    if (commandAt < argc &&
        (qstrcmp(argv[commandAt], "labels") == 0 || qstrcmp(argv[commandAt], "report") == 0 ||
         (qstrcmp(argv[commandAt], "inventory") == 0 && commandAt + 1 < argc &&
          qstrcmp(argv[commandAt + 1], "report") == 0))) {
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
    ambitra::restrictNewFiles();
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);

    QString appDir;
    if (!args.isEmpty() && args.first() == QLatin1String("--app-dir")) {
        if (args.size() < 2) {
            return usageError(programUsage());
        }
        appDir = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        return usageError(programUsage());
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help")) {
        printOut(programHelp());
        return kOk;
    }
    if (name == QLatin1String("--version") && args.isEmpty()) {
        printOut(VersionLine(QStringLiteral("ambitra-cli")));
        return kOk;
    }
    for (const Command& command : commands()) {
        if (name != QLatin1String(command.name)) {
            continue;
        }
        if (AsksForHelp(args)) {
            printOut(command.usage);
            return kOk;
        }
        // Resolved only now: the user's data folder is made on first use.
        CliProgram program(appDir.isEmpty() ? GetAppDir() : appDir);
        const int result = command.run(program, args);
        return result == kUsage ? usageError(command.usage) : result;
    }
    return usageError(programUsage());
}
