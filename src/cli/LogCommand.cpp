#include "cli/CliProgram.h"

#include "cli/TerminalProgress.h"

#include "core/common/Progress.h"
#include "core/data/TDados.h"
#include "core/log/LogSelection.h"

#include <optional>

namespace ambitra::cli {

namespace {

struct LogArgs {
    bool all = false;
    std::optional<QDateTime> from;
    std::optional<QDateTime> to;
    QString csv;
};

// A moment of the period as the log stores them, to the millisecond.
std::optional<QDateTime> momentArg(const QString& text) {
    const QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return when.isValid() ? std::optional<QDateTime>(when) : std::nullopt;
}

// Either --all or both ends of a period, and at most one --csv.
std::optional<LogArgs> parseLogArgs(const QStringList& args) {
    LogArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--all") && !parsed.all) {
            parsed.all = true;
        } else if (arg == QLatin1String("--from") && hasValue && !parsed.from) {
            parsed.from = momentArg(args[++i]);
            if (!parsed.from) {
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--to") && hasValue && !parsed.to) {
            parsed.to = momentArg(args[++i]);
            if (!parsed.to) {
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--csv") && hasValue && parsed.csv.isEmpty() &&
                   !args[i + 1].isEmpty()) {
            parsed.csv = args[++i];
        } else {
            return std::nullopt;
        }
    }
    const bool period = parsed.from && parsed.to;
    const bool partPeriod = parsed.from || parsed.to;
    if (parsed.all == partPeriod || (partPeriod && !period)) {
        return std::nullopt;
    }
    return parsed;
}

// "TUDO" (or the given period), "Executar", and "Salvar" without the question.
void runLog(CliProgram& program, const LogArgs& args) {
    LogSelection log(program.dados(), program.prompter(), TerminalProgress::forStderr());
    LogSelection::Period period;
    if (args.all) {
        const auto all = log.SelectAllDates();
        if (!all) {
            return;
        }
        period = *all;
    } else {
        period = {*args.from, *args.to};
    }
    printOut(LogSelection::StatusText(log.Execute(period)));
    if (!args.csv.isEmpty()) {
        if (const auto count = log.SaveCsv(args.csv, LogSelection::Overwrite::Always)) {
            printOut(LogSelection::CompletionText(*count));
        }
    }
}

}  // namespace

int runLogCommand(CliProgram& program, const QStringList& args) {
    const std::optional<LogArgs> parsed = parseLogArgs(args);
    if (!parsed) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    reportErrors(program.prompter(), [&] { runLog(program, *parsed); });
    return program.prompter().errorShown() ? kFailed : kOk;
}

}  // namespace ambitra::cli
