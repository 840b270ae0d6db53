#pragma once

#include "cli/CliPrompter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "core/coletor/ServiceRequest.h"

namespace ambitra {
class SyncLog;
class TDados;
}  // namespace ambitra

namespace ambitra::cli {

// Exit codes of every command.
enum ExitCode { kOk = 0, kFailed = 1, kUsage = 2 };

// What every command works on: the program folder given by --app-dir (default:
// the folder of ambitra-cli), its settings file and database, as the program
// installed there would use them.
class CliProgram {
  public:
    explicit CliProgram(const QString& appDir);
    ~CliProgram();

    const QString& appDir() const { return m_appDir; }
    CliPrompter& prompter() { return m_prompter; }
    TDados& dados() { return *m_dados; }

    // The start-up sequence without a window: settings, database, LastCode.
    // True when the database is open.
    bool init();

  private:
    QString m_appDir;
    CliPrompter m_prompter;
    std::unique_ptr<TDados> m_dados;
};

// Prints every line of the synchronisation log on stdout as it is added.
void printLines(SyncLog& log);

// Commands: args are what follows the command's name. Arguments a command does
// not accept make it return kUsage without printing: main prints its usage. A
// new command is one row of the table in main.cpp.
int runInitCommand(CliProgram& program, const QStringList& args);
int runSettingsCommand(CliProgram& program, const QStringList& args);
int runLogCommand(CliProgram& program, const QStringList& args);
int runExportCommand(CliProgram& program, const QStringList& args);
int runImportCommand(CliProgram& program, const QStringList& args);
int runHotSyncCommand(CliProgram& program, const QStringList& args);
// Applies a returned assets table again (a copy kept under Recebidos/).
int runUnloadCommand(CliProgram& program, const QStringList& args);
int runLabelsCommand(CliProgram& program, const QStringList& args);
// "db init" gives an empty server database the register's tables; "db copy
// --from FILE" copies a register file into it.
int runDbCommand(CliProgram& program, const QStringList& args);
// Inventory counts: the list (or closing one), the report, the review.
int runCountsCommand(CliProgram& program, const QStringList& args);
int runReportCommand(CliProgram& program, const QStringList& args);
int runReviewCommand(CliProgram& program, const QStringList& args);
// Inventories: new, list, recount, divergences, close, report.
int runInventoryCommand(CliProgram& program, const QStringList& args);
// The handhelds paired with the service: the list, or revoking one.
int runDevicesCommand(CliProgram& program, const QStringList& args);
// The handheld service without a window, until SIGINT or SIGTERM.
int runServeCommand(CliProgram& program, const QStringList& args);
// What the rules of the API give the service: the handler of /api/ and a new
// pairing code for the desktop to show (either empty while there are none).
struct ColetorApiHooks {
    std::function<ServiceResponse(const ServiceRequest&)> handle;
    std::function<QString()> pairingCode;
    std::shared_ptr<void> keep;  // what the two work on, alive while they are used
};
ColetorApiHooks coletorApiHooks(CliProgram& program);
// The labels usage names the sheet layouts, which the label code knows.
QString labelsUsage();

}  // namespace ambitra::cli
