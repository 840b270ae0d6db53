#include "cli/CliProgram.h"

#include "cli/TerminalProgress.h"

#include "core/common/Progress.h"
#include "core/data/TDados.h"
#include "core/sync/ConduitRegistration.h"
#include "core/sync/Cradle.h"
#include "core/sync/InventoryUnload.h"
#include "core/sync/LocationCheckList.h"
#include "core/sync/Registry.h"
#include "core/sync/SyncCycle.h"
#include "core/common/SyncLog.h"

#include <QFileInfo>

#include <optional>

namespace ambitra::cli {

namespace {

struct HotSyncArgs {
    QString user;
    QString device;
    QStringList locations;
};

std::optional<HotSyncArgs> parseHotSyncArgs(const QStringList& args) {
    HotSyncArgs parsed;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        const QString& value = args[i + 1];
        if (args[i] == QLatin1String("--user") && parsed.user.isEmpty()) {
            parsed.user = value;
        } else if (args[i] == QLatin1String("--device") && parsed.device.isEmpty()) {
            parsed.device = value;
        } else if (args[i] == QLatin1String("--location")) {
            parsed.locations << value;
        } else {
            return std::nullopt;
        }
    }
    if (args.size() % 2 != 0 || parsed.user.isEmpty() || parsed.device.isEmpty()) {
        return std::nullopt;
    }
    return parsed;
}

// Marks every location, or only those with the given codes; false (after saying
// which) when a code is not in the list.
bool markLocations(LocationCheckList& list, const QStringList& codes, CliPrompter& prompter) {
    list.setAll(codes.isEmpty());
    for (const QString& code : codes) {
        bool found = false;
        for (int i = 0; i < list.count(); ++i) {
            if (list.item(i).text.left(5).trimmed() == code) {
                list.setChecked(i, true);
                found = true;
            }
        }
        if (!found) {
            prompter.error(QStringLiteral("Local %1 não encontrado.").arg(code));
            return false;
        }
    }
    return true;
}

bool runHotSync(CliProgram& program, const HotSyncArgs& args) {
    TDados& dados = program.dados();
    for (DataTable* table : {&dados.TOperadores(), &dados.TLocais(), &dados.TBens()}) {
        table->open();
    }
    LocationCheckList locations;
    locations.fill(dados.TLocais());
    if (!markLocations(locations, args.locations, program.prompter())) {
        return false;
    }
    SyncLog log;
    printLines(log);
    IniRegistry registry(IniRegistry::userRegistryPath());
    Cradle cradle(registry);
    cradle.registerUser(args.user);
    SyncCycle cycle(dados, cradle, locations, log, TerminalProgress::forStderr());
    SwitchSupportOn(cradle, log);
    cradle.runCycle(args.user, QFileInfo(args.device).absoluteFilePath());
    // A failure the log reports counts like one shown in a message box.
    return cycle.cycleEnded() && log.errorCount() == 0;
}

bool runUnload(CliProgram& program, const QString& file, const QString& user) {
    SyncLog log;
    printLines(log);
    InventoryUnload unload(program.dados(), log, TerminalProgress::forStderr());
    unload.ProcessFile(user, QFileInfo(file).absoluteFilePath());
    return unload.completed() && log.errorCount() == 0;
}

}  // namespace

void printLines(SyncLog& log) {
    QObject::connect(&log, &SyncLog::linesAdded, &log, [](const QStringList& lines) {
        for (const QString& line : lines) {
            printOut(line);
        }
    });
}

int runHotSyncCommand(CliProgram& program, const QStringList& args) {
    const std::optional<HotSyncArgs> parsed = parseHotSyncArgs(args);
    if (!parsed) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    bool ended = false;
    reportErrors(program.prompter(), [&] { ended = runHotSync(program, *parsed); });
    return ended && !program.prompter().errorShown() ? kOk : kFailed;
}

int runUnloadCommand(CliProgram& program, const QStringList& args) {
    // FILE --user NAME, or the option first.
    const bool userFirst = args.size() == 3 && args[0] == QLatin1String("--user");
    const QString file = userFirst ? args.value(2) : args.value(0);
    const QString user = userFirst ? args.value(1) : args.value(2);
    if (args.size() != 3 || (!userFirst && args[1] != QLatin1String("--user")) || user.isEmpty() ||
        file.isEmpty() || file.startsWith(QLatin1String("--"))) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    bool completed = false;
    reportErrors(program.prompter(), [&] { completed = runUnload(program, file, user); });
    return completed && !program.prompter().errorShown() ? kOk : kFailed;
}

}  // namespace ambitra::cli
