#include "cli/CliProgram.h"

#include "core/common/Error.h"
#include "core/data/TDados.h"

#include <QDir>

namespace ambitra::cli {

CliProgram::CliProgram(const QString& appDir)
    : m_appDir(QDir::cleanPath(QDir(appDir).absolutePath())),
      m_dados(std::make_unique<TDados>(
          m_appDir, QDir(m_appDir).filePath(QStringLiteral("ambitra.ini")), m_prompter)) {}

CliProgram::~CliProgram() = default;

bool CliProgram::init() {
    m_dados->ReadIniFile();
    if (!m_dados->CheckProgramFolder()) {
        return false;
    }
    try {
        return m_dados->OpenDatabase();
    } catch (const Error& error) {
        // Creating a missing database failed: the general error report.
        m_prompter.error(error.message());
        return false;
    }
}

int runInitCommand(CliProgram& program, const QStringList& args) {
    if (!args.isEmpty()) {
        return kUsage;
    }
    return program.init() ? kOk : kFailed;
}

int runSettingsCommand(CliProgram& program, const QStringList& args) {
    if (!args.isEmpty()) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    const Settings& s = program.dados().settings();
    auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    auto text = [](QString t) { return t.replace(QLatin1Char('\t'), QStringLiteral("\\t")); };
    const QList<std::pair<const char*, QString>> fields = {
        {"AutoId", flag(s.AutoId)},
        {"CodeBar", text(s.CodeBar)},
        {"LastCode", text(s.LastCode)},
        {"UseDBF", flag(s.UseDBF)},
        {"UseSDF", flag(s.UseSDF)},
        {"UseTXT", flag(s.UseTXT)},
        {"UseCSV", flag(s.UseCSV)},
        {"Delimiter", text(s.Delimiter)},
        {"DecimalPoint", text(s.DecimalPoint)},
        {"TextQualifier", text(s.TextQualifier)},
        {"DirDBF", text(s.DirDBF)},
        {"DirSDF", text(s.DirSDF)},
        {"DirTXT", text(s.DirTXT)},
        {"DirCSV", text(s.DirCSV)},
        {"LabelTitle", text(s.LabelTitle)},
        {"DBProvider", text(s.DBProvider)},
        {"DBName", text(s.DBName)},
    };
    for (const auto& [name, value] : fields) {
        printOut(QString::fromLatin1(name) + QLatin1Char('=') + value);
    }
    return kOk;
}

}  // namespace ambitra::cli
