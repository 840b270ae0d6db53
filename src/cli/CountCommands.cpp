#include "cli/CliProgram.h"

#include "cli/TerminalProgress.h"
#include "core/common/Error.h"
#include "core/count/CountReport.h"
#include "print/CountReportPdf.h"
#include "core/count/CountReview.h"
#include "core/count/CountStore.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"
#include "core/common/SyncLog.h"

#include <QDir>

#include <optional>

namespace ambitra::cli {

namespace {

std::optional<int> countNumber(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number > 0 ? std::optional<int>(number) : std::nullopt;
}

// The count a command works on: the one given, else the latest.
int chosenCount(CountStore& store, std::optional<int> given) {
    if (given) {
        return *given;
    }
    const int latest = store.latestCount();
    if (latest == 0) {
        throw Error(QStringLiteral("Nenhuma contagem de inventário registrada."));
    }
    return latest;
}

// Runs a count command once the program is up: the count features must be there.
int runCounting(CliProgram& program, const std::function<bool()>& work) {
    if (!program.init()) {
        return kFailed;
    }
    bool done = false;
    reportErrors(program.prompter(), [&] {
        CountStore::requireAvailable(program.dados());
        done = work();
    });
    return done && !program.prompter().errorShown() ? kOk : kFailed;
}

struct ReportArgs {
    std::optional<int> count;
    std::optional<QString> csv;
    std::optional<QString> pdf;
    bool details = false;
};

std::optional<ReportArgs> parseReportArgs(const QStringList& args) {
    ReportArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& name = args[i];
        if (name == QLatin1String("--details")) {
            parsed.details = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            return std::nullopt;
        }
        const QString& value = args[++i];
        if (name == QLatin1String("--count") && !parsed.count) {
            parsed.count = countNumber(value);
            if (!parsed.count) {
                return std::nullopt;
            }
        } else if (name == QLatin1String("--csv") && !parsed.csv) {
            parsed.csv = value;
        } else if (name == QLatin1String("--pdf") && !parsed.pdf) {
            parsed.pdf = value;
        } else {
            return std::nullopt;
        }
    }
    return parsed;
}

struct ReviewArgs {
    std::optional<int> count;
    enum class Action { None, List, Accept, Reject } action = Action::None;
    bool all = false;
    QStringList codes;
};

std::optional<ReviewArgs> parseReviewArgs(const QStringList& args) {
    ReviewArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& name = args[i];
        if (name == QLatin1String("--count") && i + 1 < args.size() && !parsed.count) {
            parsed.count = countNumber(args[++i]);
            if (!parsed.count) {
                return std::nullopt;
            }
        } else if (name == QLatin1String("--list") && parsed.action == ReviewArgs::Action::None) {
            parsed.action = ReviewArgs::Action::List;
        } else if ((name == QLatin1String("--accept") || name == QLatin1String("--reject")) &&
                   parsed.action == ReviewArgs::Action::None) {
            parsed.action = name == QLatin1String("--accept") ? ReviewArgs::Action::Accept
                                                              : ReviewArgs::Action::Reject;
            // The codes run to the next option.
            while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"))) {
                parsed.codes << args[++i];
            }
            if (parsed.codes.isEmpty()) {
                return std::nullopt;
            }
            if (parsed.codes == QStringList{QStringLiteral("all")}) {
                parsed.all = true;
                parsed.codes.clear();
            }
        } else {
            return std::nullopt;
        }
    }
    if (parsed.action == ReviewArgs::Action::None) {
        return std::nullopt;
    }
    return parsed;
}

}  // namespace

int runCountsCommand(CliProgram& program, const QStringList& args) {
    std::optional<int> toClose;
    if (args.size() == 2 && args[0] == QLatin1String("--close")) {
        toClose = countNumber(args[1]);
        if (!toClose) {
            return kUsage;
        }
    } else if (!args.isEmpty()) {
        return kUsage;
    }
    return runCounting(program, [&] {
        CountStore store(program.dados());
        if (toClose) {
            store.closeCount(*toClose);
            printOut(QStringLiteral("Contagem %1 encerrada.").arg(*toClose));
            return true;
        }
        for (const CountInfo& c : store.counts()) {
            printOut(QStringList{QString::number(c.number),
                                 c.opened.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), c.user,
                                 c.open ? QStringLiteral("open") : QStringLiteral("closed"),
                                 QString::number(c.expected), QString::number(c.readings),
                                 QString::number(c.pending)}
                         .join(u'\t'));
        }
        return true;
    });
}

int runReportCommand(CliProgram& program, const QStringList& args) {
    const std::optional<ReportArgs> parsed = parseReportArgs(args);
    if (!parsed) {
        return kUsage;
    }
    return runCounting(program, [&] {
        CountStore store(program.dados());
        const CountReport report =
            CountReport::build(program.dados(), chosenCount(store, parsed->count));
        for (const QString& line : report.lines(parsed->details)) {
            printOut(line);
        }
        if (parsed->csv) {
            report.saveCsv(LogCsvFormat(program.dados().settings()), *parsed->csv,
                           program.dados().ownFiles());
        }
        if (parsed->pdf) {
            writeCountReportPdf(report, *parsed->pdf, program.dados().ownFiles());
        }
        return true;
    });
}

int runReviewCommand(CliProgram& program, const QStringList& args) {
    const std::optional<ReviewArgs> parsed = parseReviewArgs(args);
    if (!parsed) {
        return kUsage;
    }
    return runCounting(program, [&] {
        TDados& dados = program.dados();
        CountStore store(dados);
        const int count = chosenCount(store, parsed->count);
        if (!store.count(count)) {
            throw Error(QStringLiteral("A contagem %1 não existe.").arg(count));
        }
        if (parsed->action == ReviewArgs::Action::List) {
            for (const CountStore::PendingRow& row : store.pendingRows(count)) {
                printOut(CountReview::describe(row));
            }
            return true;
        }
        const ReadingChoice choice =
            parsed->all ? ReadingChoice::all() : ReadingChoice::codes(parsed->codes);
        SyncLog log;
        printLines(log);
        CountReview review(dados, log, TerminalProgress::forStderr());
        if (parsed->action == ReviewArgs::Action::Reject) {
            printOut(QStringLiteral("%1 leituras descartadas.").arg(review.reject(count, choice)));
            return true;
        }
        return review.accept(count, choice) && log.errorCount() == 0;
    });
}

}  // namespace ambitra::cli
