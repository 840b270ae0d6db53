// An import file as any bytes, read by the fixed-width, delimited or
// comma-separated import into any of the three tables with any of the options
// the options dialog offers: the import stores records or stops with its
// message, never crashes, and the database stays consistent.

#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"
#include "core/xbase/ExchangeLayouts.h"
#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>

using namespace ambitra;
using namespace ambitra::fuzz;

namespace {

struct Program {
    QString appDir = scratchFolder("text-import-fuzz");
    SilentPrompter prompter;
    TDados dados{appDir, appDir + QStringLiteral("/ambitra.ini"), prompter};

    Program() {
        dados.ReadIniFile();
        check(dados.OpenDatabase(), "the database did not open");
        for (DataTable* table : {&dados.TOperadores(), &dados.TLocais(), &dados.TBens()}) {
            table->open();
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Program program;
    if (size < 2) {
        return 0;
    }
    // Two bytes of options, the rest is the file.
    static const char* const delimiters[] = {",", ";", "\t", " "};
    static const char* const decimalPoints[] = {".", ",", ""};
    static const char* const qualifiers[] = {"", "\"", "'"};
    Settings& settings = program.dados.settings();
    settings.Delimiter = QString::fromLatin1(delimiters[data[0] & 3]);
    settings.DecimalPoint = QString::fromLatin1(decimalPoints[(data[0] >> 2) % 3]);
    settings.TextQualifier = QString::fromLatin1(qualifiers[(data[0] >> 4) % 3]);
    DataTable* tables[] = {&program.dados.TOperadores(), &program.dados.TLocais(),
                           &program.dados.TBens()};
    DataTable& table = *tables[data[1] % 3];
    const int format = (data[1] >> 2) % 3;
    static const char* const extensions[] = {".TXT", ".TXT", ".CSV"};
    const QString file =
        ExchangeFileName(table.tableName()).section(u'.', 0, 0) + QLatin1String(extensions[format]);
    writeFile(QFile::encodeName(program.appDir + u'/' + file), data + 2, size - 2);

    ExchangeRun run(program.dados, program.prompter, noProgress());
    run.OverwriteData = (data[1] & 0x40) != 0;
    try {
        switch (format) {
            case 0:
                run.ImportSDF(table, program.appDir);
                break;
            case 1:
                run.ImportTXT(table, program.appDir);
                break;
            default:
                run.ImportCSV(table, program.appDir);
                break;
        }
    } catch (const Error&) {
        // refused with its message
    }
    QSqlQuery integrity(program.dados.Conn().database());
    check(integrity.exec(QStringLiteral("PRAGMA foreign_key_check")) && !integrity.next(),
          "an import broke a reference between tables");
    return 0;
}
