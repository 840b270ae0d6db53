#include "cli/CliPrompter.h"
#include "cli/DbfCommand.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 2 && args.at(1) == QStringLiteral("dbf")) {
        return ambitra::cli::runDbfCommand(args.mid(2));
    }
    return 0;
}
