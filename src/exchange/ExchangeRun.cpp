#include "exchange/ExchangeRun.h"

#include "common/Error.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "data/TDados.h"
#include "exchange/ImportScope.h"

#include <QDir>

namespace ambitra {

ImportScope::ImportScope(Connection& connection, DataTable& table)
    : m_connection(connection), m_table(table) {
    m_connection.beginTransaction();
}

ImportScope::~ImportScope() {
    if (m_done) {
        return;
    }
    try {
        m_connection.rollback();
        m_table.requery();
    } catch (const Error&) {
        // The error that brought us here is the one the user sees.
    }
}

void ImportScope::commit() {
    m_connection.commit();
    m_done = true;
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

bool ExchangeRun::AskQuestions(Direction direction) {
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

void ExchangeRun::RunTables(Direction direction, const std::function<bool(int)>& marked) {
    BusyGuard busy(*m_progress);
    CancelRequested = false;
    RunMessages.clear();
    m_progress->setValue(0);
    try {
        for (int i = 0; i < kTableCount; ++i) {
            if (CancelRequested || !marked(i)) {
                continue;
            }
            if (direction == Direction::Import) {
                ImportTable(table(i));
            } else {
                ExportTable(table(i));
            }
        }
    } catch (const Error& error) {
        // A failure outside the per-record handling (the emptying, a file that
        // cannot be written): shown, and the run ends here.
        m_prompter.beepError(error.message());
        CancelRequested = true;
    }
}

void ExchangeRun::ShowRunMessages() {
    if (!RunMessages.isEmpty()) {
        m_prompter.beep();
        m_prompter.notice(RunMessages);
    }
}

void ExchangeRun::ImportTable(DataTable& table) {
    const Settings& s = m_dados.settings();
    if (!CancelRequested && s.UseDBF) {
        ImportDBF(table, s.DirDBF);
    }
    if (!CancelRequested && s.UseSDF) {
        ImportSDF(table, s.DirSDF);
    }
    if (!CancelRequested && s.UseTXT) {
        ImportTXT(table, s.DirTXT);
    }
    if (!CancelRequested && s.UseCSV) {
        ImportCSV(table, s.DirCSV);
    }
}

void ExchangeRun::ExportTable(DataTable& table) {
    const Settings& s = m_dados.settings();
    if (!CancelRequested && s.UseDBF) {
        ExportDBF(table, s.DirDBF);
    }
    if (!CancelRequested && s.UseSDF) {
        ExportSDF(table, s.DirSDF);
    }
    if (!CancelRequested && s.UseTXT) {
        ExportTXT(table, s.DirTXT);
    }
    if (!CancelRequested && s.UseCSV) {
        ExportCSV(table, s.DirCSV);
    }
}

void ExchangeRun::EmptyTable(DataTable& table) {
    Command& command = m_dados.SQLCmd();
    command.setText(QStringLiteral("DELETE FROM ") + table.tableName());
    command.execute();
    table.requery();
}

bool ExchangeRun::storeRecord(DataTable& table, const std::function<QString()>& key,
                              const std::function<void()>& assign) {
    Savepoint savepoint(m_dados.Conn());
    try {
        if (table.locate(key())) {
            table.edit();
        } else {
            table.insert();
        }
        assign();
        table.post();
        savepoint.release();
        return true;
    } catch (const Error& error) {
        table.cancel();
        savepoint.rollback();
        m_prompter.beepError(error.message());
        CancelRequested = true;
        return false;
    }
}

void ExchangeRun::reportMissing(const QString& folder, const QString& fileName) {
    m_prompter.beepError(QStringLiteral("Arquivo ") + withDelimiter(folder) + fileName +
                         QStringLiteral(" não encontrado. Importação de dados não efetuada!"));
}

void ExchangeRun::reportNotCreated(const QString& folder, const QString& fileName) {
    m_prompter.beepError(QStringLiteral("Erro na criação do arquivo ") + withDelimiter(folder) +
                         fileName + QStringLiteral(". Exportação de dados não efetuada!"));
}

void ExchangeRun::addCompletion(const char* format, qint64 count, const QString& fileName) {
    RunMessages += QString::fromUtf8(format).arg(count).arg(fileName) + QStringLiteral("\r\n");
}

}  // namespace ambitra
