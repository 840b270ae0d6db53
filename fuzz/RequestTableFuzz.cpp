// The handheld's request table as any bytes, through a whole HotSync cycle of
// the folder cradle: the table is fetched, read, answered and sent back, and a
// load or an unload runs when it asks for one. Nothing may crash; a table that
// cannot be read is reported in the log and the cycle still ends.

#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/sync/Cradle.h"
#include "core/sync/LocationCheckList.h"
#include "core/sync/Registry.h"
#include "core/sync/RequestTable.h"
#include "core/sync/SyncCycle.h"
#include "core/common/SyncLog.h"
#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QFile>

using namespace ambitra;
using namespace ambitra::fuzz;

namespace {

struct Program {
    QString appDir = scratchFolder("request-fuzz");
    QString device = appDir + QStringLiteral("/device");
    SilentPrompter prompter;
    TDados dados{appDir, appDir + QStringLiteral("/ambitra.ini"), prompter};
    IniRegistry registry{appDir + QStringLiteral("/registry.ini")};
    Cradle cradle{registry};
    LocationCheckList locations;
    SyncLog log;
    SyncCycle cycle{dados, cradle, locations, log, noProgress()};

    Program() {
        QDir().mkpath(appDir + QStringLiteral("/Pilot"));
        QDir().mkpath(device);
        dados.ReadIniFile();
        check(dados.OpenDatabase(), "the database did not open");
        for (DataTable* table : {&dados.TOperadores(), &dados.TLocais(), &dados.TBens()}) {
            table->open();
        }
        locations.fill(dados.TLocais());
        cradle.registerUser(QStringLiteral("Fuzz"));
        cradle.SetEnabled(true);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Program program;
    writeFile(QFile::encodeName(program.device + u'/' + QLatin1String(RequestTable::kFileName)),
              data, size);
    try {
        program.cradle.runCycle(QStringLiteral("Fuzz"), program.device);
    } catch (const Error&) {
        fail("a cycle refused to run");
    }
    check(program.cycle.cycleEnded(), "the cycle did not reach its end");
    program.log.clear();
    return 0;
}
