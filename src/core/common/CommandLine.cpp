#include "core/common/CommandLine.h"

namespace ambitra {

bool AsksForHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help"));
}

QString VersionLine(const QString& program) {
    return program + u' ' + QStringLiteral(AMBITRA_VERSION_TEXT);
}

}  // namespace ambitra
