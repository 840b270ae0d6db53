#include "cli/CliProgram.h"

#include "core/common/Progress.h"
#include "core/data/TDados.h"
#include "core/labels/LabelJob.h"
#include "print/LabelPainter.h"
#include "core/labels/LabelSheet.h"

#include <QDir>

#include <optional>

namespace ambitra::cli {

namespace {

struct LabelsArgs {
    AssetSelection selection;
    const LabelSheet* sheet = &LabelSheet::all().first();
    int start = 1;
    QString pdf;
};

}  // namespace

QString labelsUsage() {
    QStringList names;
    for (const LabelSheet& sheet : LabelSheet::all()) {
        names << sheet.name;
    }
    return QStringLiteral(
               "usage: ambitra-cli [--app-dir DIR] labels [--from CODE] [--to CODE] "
               "[--location CODE]... [--layout NAME] [--start N] --pdf FILE\n"
               "layouts: ") +
           names.join(QStringLiteral(", "));
}

namespace {

std::optional<LabelsArgs> parseArgs(const QStringList& args) {
    LabelsArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& name = args[i];
        if (i + 1 >= args.size()) {
            return std::nullopt;
        }
        const QString& value = args[++i];
        if (name == QLatin1String("--from")) {
            parsed.selection.from = value;
        } else if (name == QLatin1String("--to")) {
            parsed.selection.to = value;
        } else if (name == QLatin1String("--location")) {
            parsed.selection.locations << value;
        } else if (name == QLatin1String("--layout")) {
            parsed.sheet = LabelSheet::find(value);
            if (parsed.sheet == nullptr) {
                return std::nullopt;
            }
        } else if (name == QLatin1String("--start")) {
            bool ok = false;
            parsed.start = value.toInt(&ok);
            if (!ok) {
                return std::nullopt;
            }
        } else if (name == QLatin1String("--pdf")) {
            parsed.pdf = value;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.pdf.isEmpty()) {
        return std::nullopt;
    }
    return parsed;
}

}  // namespace

int runLabelsCommand(CliProgram& program, const QStringList& args) {
    const std::optional<LabelsArgs> parsed = parseArgs(args);
    if (!parsed) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    LabelJob job(program.dados());
    bool written = false;
    reportErrors(program.prompter(), [&] {
        job.addAssets(parsed->selection);
        written = writeLabelsPdf(job, *parsed->sheet, parsed->start, parsed->pdf,
                                 program.prompter(), noProgress());
    });
    if (!written) {
        return kFailed;
    }
    printOut(QStringLiteral("%1 etiquetas gravadas em %2")
                 .arg(job.printedCount())
                 .arg(QDir::toNativeSeparators(parsed->pdf)));
    return kOk;
}

}  // namespace ambitra::cli
