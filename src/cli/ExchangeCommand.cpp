#include "cli/CliProgram.h"

#include "cli/TerminalProgress.h"

#include "core/common/Progress.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"

#include <QSet>

#include <optional>

namespace ambitra::cli {

namespace {

using Direction = ExchangeRun::Direction;

const char* const kTableNames[] = {"Operadores", "Locais", "Bens"};

struct ExchangeArgs {
    QSet<int> tables;    // none named: all three
    bool flag = false;   // --csv-header (export) or --overwrite (import)
    bool check = false;  // import --check
};

std::optional<int> tableIndex(const QString& name) {
    for (int i = 0; i < ExchangeRun::kTableCount; ++i) {
        if (name.compare(QLatin1String(kTableNames[i]), Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<ExchangeArgs> parseArgs(Direction direction, const QStringList& args) {
    const QLatin1String flag(direction == Direction::Export ? "--csv-header" : "--overwrite");
    ExchangeArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--table") && i + 1 < args.size()) {
            const std::optional<int> index = tableIndex(args[++i]);
            if (!index) {
                return std::nullopt;
            }
            parsed.tables.insert(*index);
        } else if (args[i] == flag) {
            parsed.flag = true;
        } else if (direction == Direction::Import && args[i] == QLatin1String("--check")) {
            parsed.check = true;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.tables.isEmpty()) {
        parsed.tables = {0, 1, 2};
    }
    return parsed;
}

// The exchange dialog's run without the dialog: the confirmation answered yes,
// the overwrite or header question by the flag.
int runExchange(CliProgram& program, Direction direction, const QStringList& args) {
    const std::optional<ExchangeArgs> parsed = parseArgs(direction, args);
    if (!parsed) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    CliPrompter& prompter = program.prompter();
    // The confirmation is answered yes; the one question after it (overwrite
    // or header) by the flag.
    const bool flag = parsed->flag;
    bool confirmed = false;
    prompter.setAnswerer(
        [flag, &confirmed](Prompter::Kind, const QString&, Prompter::Buttons buttons) {
            switch (buttons) {
                case Prompter::Buttons::NoAll:
                    return flag ? Prompter::Answer::All : Prompter::Answer::No;
                case Prompter::Buttons::YesNo:
                    if (!confirmed) {
                        confirmed = true;
                        return Prompter::Answer::Yes;
                    }
                    return flag ? Prompter::Answer::Yes : Prompter::Answer::No;
                default:
                    return Prompter::Answer::Ok;
            }
        });
    ExchangeRun run(program.dados(), prompter, TerminalProgress::forStderr());
    bool opened = false;
    reportErrors(prompter, [&] { opened = run.OpenTables(); });
    if (!opened) {
        return kFailed;
    }
    const auto marked = [&parsed](int i) { return parsed->tables.contains(i); };
    if (parsed->check) {
        // Every problem on its own line, then the count; the register and the
        // files stay as they were.
        if (!run.AskCheckQuestions()) {
            return kFailed;
        }
        run.RunCheck(marked);
        for (const QString& problem : run.Problems) {
            printOut(problem);
        }
        printOut(run.checkSummary());
        return run.Problems.isEmpty() ? kOk : kFailed;
    }
    if (!run.AskQuestions(direction)) {
        return kFailed;
    }
    run.RunTables(direction, marked);
    for (const QString& line : run.RunMessages.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        printOut(line);
    }
    return prompter.errorShown() ? kFailed : kOk;
}

}  // namespace

int runExportCommand(CliProgram& program, const QStringList& args) {
    return runExchange(program, Direction::Export, args);
}

int runImportCommand(CliProgram& program, const QStringList& args) {
    return runExchange(program, Direction::Import, args);
}

}  // namespace ambitra::cli
