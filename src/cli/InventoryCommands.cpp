#include "cli/CliProgram.h"

#include "core/data/TDados.h"
#include "core/inventory/InventoryReport.h"
#include "core/inventory/InventoryStore.h"
#include "core/inventory/InventoryText.h"
#include "core/log/LogCsv.h"
#include "print/InventoryReportPdf.h"

#include <optional>

namespace ambitra::cli {

namespace {

std::optional<int> inventoryNumber(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number > 0 ? std::optional<int>(number) : std::nullopt;
}

// Runs an inventory command once the program is up: the inventory tables must be there.
int runInventory(CliProgram& program, const std::function<bool(InventoryStore&)>& work) {
    if (!program.init()) {
        return kFailed;
    }
    bool done = false;
    reportErrors(program.prompter(), [&] {
        InventoryStore::requireAvailable(program.dados());
        InventoryStore store(program.dados());
        done = work(store);
    });
    return done && !program.prompter().errorShown() ? kOk : kFailed;
}

// "NAME;ROLE;NUMBER" (the number may be left out).
std::optional<CommissionMember> memberOf(const QString& text) {
    const QStringList parts = text.split(u';');
    if (parts.size() < 2 || parts.size() > 3) {
        return std::nullopt;
    }
    return CommissionMember{parts[0].trimmed(), parts[1].trimmed().toLower(),
                            parts.size() == 3 ? parts[2].trimmed() : QString()};
}

int runNew(CliProgram& program, const QStringList& args) {
    InventoryDraft draft;
    bool titled = false;
    bool kinded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& name = args[i];
        if (name == QLatin1String("--blind") && !draft.blind) {
            draft.blind = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            return kUsage;
        }
        const QString& value = args[++i];
        if (name == QLatin1String("--title") && !titled) {
            draft.title = value;
            titled = true;
        } else if (name == QLatin1String("--kind") && !kinded) {
            const std::optional<InventoryKind> kind = inventoryKindNamed(value);
            if (!kind) {
                printErr(QStringLiteral("Tipo de inventário desconhecido: %1 (Anual, Inicial, "
                                        "Transferência de responsável, Extinção ou Eventual).")
                             .arg(value));
                return kUsage;
            }
            draft.kind = *kind;
            kinded = true;
        } else if (name == QLatin1String("--location")) {
            draft.locations << value;
        } else if (name == QLatin1String("--member")) {
            const std::optional<CommissionMember> member = memberOf(value);
            if (!member) {
                printErr(QStringLiteral("Membro da comissão malformado: %1 (use \"NOME;FUNÇÃO;"
                                        "MATRÍCULA\").")
                             .arg(value));
                return kUsage;
            }
            draft.commission << *member;
        } else {
            return kUsage;
        }
    }
    if (!titled || !kinded) {
        return kUsage;
    }
    return runInventory(program, [&](InventoryStore& store) {
        printOut(QStringLiteral("Inventário %1 aberto.").arg(store.create(draft)));
        return true;
    });
}

int runList(CliProgram& program, const QStringList& args) {
    if (!args.isEmpty()) {
        return kUsage;
    }
    return runInventory(program, [&](InventoryStore& store) {
        const QString moment = QStringLiteral("yyyy-MM-dd HH:mm:ss");
        for (const InventoryInfo& info : store.inventories()) {
            printOut(QStringList{QString::number(info.number), info.title,
                                 inventoryKindName(info.kind), info.opened.toString(moment),
                                 info.closed ? info.closed->toString(moment) : QString(),
                                 info.closed ? QStringLiteral("closed") : QStringLiteral("open"),
                                 info.blind ? QStringLiteral("blind") : QString()}
                         .join(u'\t'));
        }
        return true;
    });
}

int runRecount(CliProgram& program, const QStringList& args) {
    if (args.size() < 3 || !inventoryNumber(args[0])) {
        return kUsage;
    }
    const int number = *inventoryNumber(args[0]);
    // "--location A B" or "--location A --location B".
    QStringList locations;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--location") && i + 1 < args.size() &&
            !args[i + 1].startsWith(QLatin1String("--"))) {
            continue;
        }
        if (args[i].startsWith(QLatin1String("--")) || i == 1) {
            return kUsage;
        }
        locations << args[i];
    }
    return runInventory(program, [&](InventoryStore& store) {
        store.setRecount(number, locations);
        for (const QString& location : locations) {
            printOut(QStringLiteral("Local %1 marcado para recontagem no inventário %2.")
                         .arg(location)
                         .arg(number));
        }
        return true;
    });
}

int runDivergences(CliProgram& program, const QStringList& args) {
    if (args.isEmpty() || !inventoryNumber(args[0])) {
        return kUsage;
    }
    const int number = *inventoryNumber(args[0]);
    std::optional<QString> code;
    std::optional<QString> location;
    for (int i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return kUsage;
        }
        if (args[i] == QLatin1String("--keep") && !code) {
            code = args[i + 1];
        } else if (args[i] == QLatin1String("--location") && !location) {
            location = args[i + 1];
        } else {
            return kUsage;
        }
    }
    if (code.has_value() != location.has_value()) {
        return kUsage;
    }
    return runInventory(program, [&](InventoryStore& store) {
        if (code) {
            store.keep(number, *code, *location);
            printOut(QStringLiteral("Bem %1 mantido no local %2; as outras leituras foram "
                                    "descartadas.")
                         .arg(*code, *location));
            return true;
        }
        for (const Divergence& d : store.divergences(number)) {
            QStringList counts;
            for (int count : d.counts) {
                counts << QString::number(count);
            }
            printOut(
                QStringList{d.code, d.name, d.locations.join(u','), counts.join(u',')}.join(u'\t'));
        }
        return true;
    });
}

int runClose(CliProgram& program, const QStringList& args) {
    const bool yes = args.size() == 2 && args[1] == QLatin1String("--yes");
    if ((args.size() != 1 && !yes) || !inventoryNumber(args[0])) {
        return kUsage;
    }
    const int number = *inventoryNumber(args[0]);
    // Without --yes the question is answered no.
    program.prompter().setAnswerer([yes](Prompter::Kind, const QString&, Prompter::Buttons) {
        return yes ? Prompter::Answer::Yes : Prompter::Answer::No;
    });
    return runInventory(program, [&](InventoryStore& store) {
        if (!store.close(number, program.prompter())) {
            printErr(
                QStringLiteral("Inventário %1 não encerrado: confirme com --yes.").arg(number));
            return false;
        }
        printOut(QStringLiteral("Inventário %1 encerrado.").arg(number));
        return true;
    });
}

int runReport(CliProgram& program, const QStringList& args) {
    if (args.isEmpty() || !inventoryNumber(args[0])) {
        return kUsage;
    }
    const int number = *inventoryNumber(args[0]);
    std::optional<QString> csv;
    std::optional<QString> pdf;
    for (int i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return kUsage;
        }
        if (args[i] == QLatin1String("--csv") && !csv) {
            csv = args[i + 1];
        } else if (args[i] == QLatin1String("--pdf") && !pdf) {
            pdf = args[i + 1];
        } else {
            return kUsage;
        }
    }
    return runInventory(program, [&](InventoryStore&) {
        const InventoryReport report = InventoryReport::build(program.dados(), number, false);
        for (const QString& line : inventoryReportLines(report)) {
            printOut(line);
        }
        if (csv) {
            report.saveCsv(LogCsvFormat(program.dados().settings()), *csv,
                           program.dados().ownFiles());
        }
        if (pdf) {
            writeInventoryReportPdf(report, *pdf, program.dados().ownFiles());
        }
        return true;
    });
}

}  // namespace

int runInventoryCommand(CliProgram& program, const QStringList& args) {
    if (args.isEmpty()) {
        return kUsage;
    }
    const QString action = args[0];
    const QStringList rest = args.mid(1);
    if (action == QLatin1String("new")) {
        return runNew(program, rest);
    }
    if (action == QLatin1String("list")) {
        return runList(program, rest);
    }
    if (action == QLatin1String("recount")) {
        return runRecount(program, rest);
    }
    if (action == QLatin1String("divergences")) {
        return runDivergences(program, rest);
    }
    if (action == QLatin1String("close")) {
        return runClose(program, rest);
    }
    if (action == QLatin1String("report")) {
        return runReport(program, rest);
    }
    return kUsage;
}

}  // namespace ambitra::cli
