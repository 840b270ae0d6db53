#include "cli/CliProgram.h"

#include "core/coletor/ColetorApi.h"
#include "core/coletor/DeviceStore.h"
#include "core/common/Error.h"
#include "core/data/TDados.h"

#include <optional>

namespace ambitra::cli {

namespace {

QString momentText(const QDateTime& when) {
    return when.isNull() ? QStringLiteral("-")
                         : when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

int runDevicesCommand(CliProgram& program, const QStringList& args) {
    std::optional<int> toRevoke;
    if (args.size() == 2 && args[0] == QLatin1String("--revoke")) {
        bool ok = false;
        toRevoke = args[1].toInt(&ok);
        if (!ok || *toRevoke <= 0) {
            return kUsage;
        }
    } else if (!args.isEmpty()) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    bool done = false;
    reportErrors(program.prompter(), [&] {
        if (program.dados().schemaVersion() < ColetorApi::kSchemaVersion) {
            throw Error(
                QStringLiteral("Os coletores não estão disponíveis neste banco de dados: "
                               "ele não tem a versão de esquema 3 do Ambitra PC."));
        }
        DeviceStore store(program.dados().Conn());
        if (toRevoke) {
            if (!store.revoke(*toRevoke, QDateTime::currentDateTime())) {
                throw Error(
                    QStringLiteral("O coletor %1 não existe ou já está revogado.").arg(*toRevoke));
            }
            printOut(QStringLiteral("Coletor %1 revogado.").arg(*toRevoke));
            done = true;
            return;
        }
        for (const Device& d : store.devices()) {
            printOut(QStringList{QString::number(d.id), d.name, momentText(d.paired),
                                 momentText(d.lastContact),
                                 d.active() ? QStringLiteral("active") : QStringLiteral("revoked")}
                         .join(u'\t'));
        }
        done = true;
    });
    return done && !program.prompter().errorShown() ? kOk : kFailed;
}

}  // namespace ambitra::cli
