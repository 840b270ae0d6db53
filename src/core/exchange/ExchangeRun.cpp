#include "core/exchange/ExchangeRun.h"

#include "core/common/Plural.h"
#include "core/data/EngineErrorText.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/common/Cp1252.h"
#include "core/exchange/ExchangeOptions.h"
#include "core/exchange/DbfExchange.h"
#include "core/exchange/TextExport.h"
#include "core/exchange/TextImport.h"

#include <QDir>

#include <optional>

namespace ambitra {

QString findExchangeFile(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (dir.exists(name)) {
        return dir.filePath(name);
    }
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return dir.filePath(entry);
        }
    }
    return {};
}

QString engineErrorText(const Error& error) {
    // The data layer already words engine errors in Portuguese, with the
    // engine's own text in parentheses at the end.
    QString text = error.message();
    if (!text.endsWith(QLatin1Char('.')) && !text.endsWith(QLatin1Char('!')) &&
        !text.endsWith(QLatin1Char(')'))) {
        text += QLatin1Char('.');
    }
    return text;
}

QString withDelimiter(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator())) {
        return folder;
    }
    return folder + QDir::separator();
}

ExchangeRun::ExchangeRun(TDados& dados, Prompter& prompter, Progress& progress)
    : m_dados(dados), m_prompter(prompter), m_progress(&progress) {}

QString ExchangeRun::directionText(Direction direction) {
    return direction == Direction::Import ? QStringLiteral("Importação de dados externos")
                                          : QStringLiteral("Exportação de dados do Ambitra");
}

QString ExchangeRun::tableText(int index) {
    switch (index) {
        case 0:
            return QStringLiteral("Operadores");
        case 1:
            return QStringLiteral("Locais");
        default:
            return QStringLiteral("Bens Patrimoniais");
    }
}

DataTable& ExchangeRun::table(int index) {
    switch (index) {
        case 0:
            return m_dados.TOperadores();
        case 1:
            return m_dados.TLocais();
        default:
            return m_dados.TBens();
    }
}

bool ExchangeRun::anyFormat() const {
    const Settings& s = m_dados.settings();
    return s.UseDBF || s.UseSDF || s.UseTXT || s.UseCSV;
}

bool ExchangeRun::OpenTables() {
    if (!anyFormat()) {
        m_prompter.beep();
        m_prompter.warning(QStringLiteral(
            "Nenhum formato de arquivo para importação/exportação de dados está habilitado nas "
            "opções de configuração!"));
        return false;
    }
    for (int i = 0; i < kTableCount; ++i) {
        table(i).open();
    }
    return true;
}

bool ExchangeRun::checkOptions() {
    const QString problem = textOptionsProblem(textOptionsOf(m_dados.settings()), m_dados.AppDir());
    if (!problem.isEmpty()) {
        m_prompter.beepError(problem);
        return false;
    }
    return true;
}

bool ExchangeRun::AskQuestions(Direction direction) {
    if (!checkOptions()) {
        return false;
    }
    m_prompter.beep();
    if (!m_prompter.confirm(directionText(direction) + QStringLiteral(". Confirmar a execução?"))) {
        return false;
    }
    OverwriteData = false;
    CsvHeader = false;
    if (direction == Direction::Import) {
        OverwriteData =
            m_prompter.message(Prompter::Kind::Warning,
                               QStringLiteral("Sobrescrever o arquivo apagando TODOS os dados já "
                                              "existentes?"),
                               Prompter::Buttons::NoAll) == Prompter::Answer::All;
    } else if (m_dados.settings().UseCSV) {
        CsvHeader = m_prompter.confirm(
            QStringLiteral("Incluir os nomes dos campos no cabeçalho do arquivo CSV?"),
            Prompter::Kind::Warning);
    }
    return true;
}

bool ExchangeRun::AskCheckQuestions() {
    if (!checkOptions()) {
        return false;
    }
    OverwriteData = m_prompter.message(Prompter::Kind::Warning,
                                       QStringLiteral("Sobrescrever o arquivo apagando TODOS os "
                                                      "dados já existentes?"),
                                       Prompter::Buttons::NoAll) == Prompter::Answer::All;
    CsvHeader = false;
    return true;
}

void ExchangeRun::RunCheck(const std::function<bool(int)>& marked) {
    CheckOnly = true;
    Problems.clear();
    RecordsRead = 0;
    {
        // Whatever the check stores (so that later lines see the earlier ones,
        // as in the real run) is undone here.
        Transaction transaction(m_dados.Conn());
        RunTables(Direction::Import, marked);
    }
    CheckOnly = false;
    requeryOpenTables();
}

void ExchangeRun::requeryOpenTables() {
    for (int i = 0; i < kTableCount; ++i) {
        if (table(i).isOpen()) {
            table(i).requery();
        }
    }
}

QString ExchangeRun::checkSummary() const {
    return QStringLiteral("Verificação: %1, %2.")
        .arg(countOf(RecordsRead, QStringLiteral("registro lido"),
                     QStringLiteral("registros lidos")),
             countOf(Problems.size(), QStringLiteral("erro"), QStringLiteral("erros")));
}

bool ExchangeRun::writeCheckReport(const QString& path) const {
    OutputFile file(path, m_dados.ownFiles());
    if (!file.open()) {
        return false;
    }
    QString text;
    for (const QString& line : Problems + QStringList{checkSummary()}) {
        text += line + QStringLiteral("\r\n");
    }
    const QByteArray bytes = cp1252::encode(text);
    return file.device().write(bytes) == bytes.size() && file.commit();
}

void ExchangeRun::RunTables(Direction direction, const std::function<bool(int)>& marked) {
    BusyGuard busy(*m_progress);
    CancelRequested = false;
    RunMessages.clear();
    m_progress->setValue(0);
    try {
        // Also for a caller that did not ask the questions: the two text formats
        // would read or write each other's files.
        if (const QString folders =
                textFolderProblem(textOptionsOf(m_dados.settings()), m_dados.AppDir());
            !folders.isEmpty()) {
            throw Error(folders);
        }
        if (direction == Direction::Import) {
            importTables(marked);
        } else {
            exportTables(marked);
        }
    } catch (const Error& error) {
        // A failure outside the per-record handling (the emptying, a file that
        // cannot be written): shown, and the run ends here.
        report(error.message());
        CancelRequested = true;
    }
}

void ExchangeRun::forEachTable(const std::function<bool(int)>& marked,
                               const std::function<void(DataTable&)>& work) {
    for (int i = 0; i < kTableCount; ++i) {
        if (!CancelRequested && marked(i)) {
            work(table(i));
        }
    }
}

void ExchangeRun::importTables(const std::function<bool(int)>& marked) {
    const auto importEach = [&] { forEachTable(marked, [this](DataTable& t) { ImportTable(t); }); };
    Connection& connection = m_dados.Conn();
    if (connection.inTransaction()) {
        // A check run: its own transaction is undone when it ends.
        importEach();
        return;
    }
    // One run, one transaction: whenever the program dies, the register is as it
    // was before the run or as the run left it, never some files in and others
    // not. A run that stops keeps what it stored before it stopped, as each
    // file's own rule decided.
    std::optional<Error> failure;
    std::optional<Error> notKept;
    {
        Transaction run(connection, *m_progress);
        try {
            importEach();
        } catch (const Error& error) {
            failure = error;
        }
        try {
            run.commit();
        } catch (const Error& error) {
            notKept = error;
        }
    }
    if (notKept) {
        // Nothing of the run is in the register: no completion line may say
        // otherwise, and the tables show the register as it is.
        RunMessages.clear();
        requeryOpenTables();
        throw Error((failure ? failure->message() + u'\n' : QString()) + engineErrorText(*notKept) +
                    QStringLiteral("\nA importação não foi gravada; o banco de dados ficou como "
                                   "estava antes dela."));
    }
    if (failure) {
        throw *failure;
    }
}

void ExchangeRun::exportTables(const std::function<bool(int)>& marked) {
    // Every file of the run from one view of the register: an import that
    // another program commits meanwhile is in all of them or in none.
    ReadSnapshot snapshot(m_dados.Conn());
    forEachTable(marked, [this](DataTable& t) {
        t.requery();
        ExportTable(t);
    });
}

void ExchangeRun::ShowRunMessages() {
    if (!RunMessages.isEmpty()) {
        m_prompter.beep();
        m_prompter.notice(RunMessages);
    }
}

QString ExchangeRun::folderOf(const QString& setting) const {
    return setting.isEmpty() ? m_dados.AppDir() : setting;
}

void ExchangeRun::ImportTable(DataTable& table) {
    const Settings& s = m_dados.settings();
    if (!CancelRequested && s.UseDBF) {
        ImportDBF(table, folderOf(s.DirDBF));
    }
    if (!CancelRequested && s.UseSDF) {
        ImportSDF(table, folderOf(s.DirSDF));
    }
    if (!CancelRequested && s.UseTXT) {
        ImportTXT(table, folderOf(s.DirTXT));
    }
    if (!CancelRequested && s.UseCSV) {
        ImportCSV(table, folderOf(s.DirCSV));
    }
}

void ExchangeRun::ExportTable(DataTable& table) {
    const Settings& s = m_dados.settings();
    if (!CancelRequested && s.UseDBF) {
        ExportDBF(table, folderOf(s.DirDBF));
    }
    if (!CancelRequested && s.UseSDF) {
        ExportSDF(table, folderOf(s.DirSDF));
    }
    if (!CancelRequested && s.UseTXT) {
        ExportTXT(table, folderOf(s.DirTXT));
    }
    if (!CancelRequested && s.UseCSV) {
        ExportCSV(table, folderOf(s.DirCSV));
    }
}

void ExchangeRun::ExportSDF(DataTable& table, const QString& folder) {
    TextExport(*this).exportTable(table, folder, TextFormat::Fixed);
}

void ExchangeRun::ExportTXT(DataTable& table, const QString& folder) {
    TextExport(*this).exportTable(table, folder, TextFormat::Delimited);
}

void ExchangeRun::ExportCSV(DataTable& table, const QString& folder) {
    TextExport(*this).exportTable(table, folder, TextFormat::Csv);
}

void ExchangeRun::ExportDBF(DataTable& table, const QString& folder) {
    DbfExchange(*this).exportTable(table, folder);
}

void ExchangeRun::ImportSDF(DataTable& table, const QString& folder) {
    TextImport(*this).importTable(table, folder, TextFormat::Fixed);
}

void ExchangeRun::ImportTXT(DataTable& table, const QString& folder) {
    TextImport(*this).importTable(table, folder, TextFormat::Delimited);
}

void ExchangeRun::ImportCSV(DataTable& table, const QString& folder) {
    TextImport(*this).importTable(table, folder, TextFormat::Csv);
}

void ExchangeRun::ImportDBF(DataTable& table, const QString& folder) {
    DbfExchange(*this).importTable(table, folder);
}

void ExchangeRun::EmptyTable(DataTable& table) {
    Command& command = m_dados.SQLCmd();
    command.setText(QStringLiteral("DELETE FROM ") + table.tableName());
    command.execute();
    table.requery();
}

int ExchangeRun::recordsPerSavepoint() const {
    // A check goes on past a failing record: a savepoint each. A table emptied
    // first is put back whole when a record fails: none. Otherwise the run stops
    // at the failing record, and a savepoint may hold many (see RecordBatch).
    if (CheckOnly) {
        return 1;
    }
    return OverwriteData ? 0 : kRecordsPerSavepoint;
}

void ExchangeRun::recordError(const QString& problem, const DataTable& table, Direction direction) {
    if (CheckOnly) {
        // The check report says it in Portuguese only: table, field, value, limit.
        Problems << EngineErrorText::withoutEngineText(problem);
        return;
    }
    QString outcome;
    if (direction == Direction::Export) {
        outcome = QStringLiteral("Exportação de dados não efetuada!");
    } else if (OverwriteData) {
        outcome = QStringLiteral(
                      "A importação foi interrompida e nada deste arquivo foi "
                      "gravado: a tabela %1 ficou como estava antes dele.")
                      .arg(table.tableName());
    } else {
        outcome = QStringLiteral(
            "A importação foi interrompida; os registros anteriores a "
            "este foram mantidos.");
    }
    m_prompter.beepError(problem + QLatin1Char('\n') + outcome);
    CancelRequested = true;
}

void ExchangeRun::report(const QString& text) {
    if (CheckOnly) {
        Problems << text;
    } else {
        m_prompter.beepError(text);
    }
}

void ExchangeRun::reportMissing(const QString& folder, const QString& fileName) {
    report(QStringLiteral("Arquivo ") + withDelimiter(folder) + fileName +
           QStringLiteral(" não encontrado. Importação de dados não efetuada!"));
}

void ExchangeRun::reportNotCreated(const QString& folder, const QString& fileName) {
    report(QStringLiteral("Erro na criação do arquivo ") + withDelimiter(folder) + fileName +
           QStringLiteral(". Exportação de dados não efetuada!"));
}

void ExchangeRun::addCompletion(const char* format, qint64 count, const QString& fileName) {
    RunMessages += QString::fromUtf8(format).arg(count).arg(fileName) + QStringLiteral("\r\n");
}

}  // namespace ambitra
