#include "core/log/LogSelection.h"

#include "core/common/Conversions.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/SqlValue.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"

#include <QFileInfo>

namespace ambitra {

namespace {

// A moment of the count query as stored; a log whose rows all lack a date gives
// the zero day.
QDateTime momentOf(const QVariant& stored) {
    const QVariant moment = sqlvalue::fromSql(stored, ColumnType::DateTime);
    return moment.isNull() ? QDateTime(kZeroDate, QTime(0, 0)) : moment.toDateTime();
}

}  // namespace

LogSelection::LogSelection(TDados& dados, Prompter& prompter, Progress& progress)
    : m_dados(dados), m_prompter(prompter), m_progress(progress) {}

std::optional<LogSelection::Period> LogSelection::SelectAllDates() {
    std::optional<Period> period;
    {
        BusyGuard busy(m_progress, Progress::Cursor::DatabaseWait);
        Query& q = m_dados.SQLTmp();
        q.close();
        q.setText(
            QStringLiteral("SELECT COUNT(*) AS NUM_RECS, MIN(LGDATA) AS MIN_DATE, "
                           "MAX(LGDATA) AS MAX_DATE FROM Log"));
        q.open();
        q.first();
        if (!q.eof() && q.value(QStringLiteral("NUM_RECS")).toLongLong() > 0) {
            period = Period{momentOf(q.value(QStringLiteral("MIN_DATE"))),
                            momentOf(q.value(QStringLiteral("MAX_DATE")))};
        }
        q.close();
    }
    if (!period) {
        m_prompter.beep();
        m_prompter.notice(QStringLiteral("Nenhum registro encontrado no arquivo!"));
    }
    return period;
}

int LogSelection::Execute(const Period& period, const std::function<void(int)>& shown) {
    int count = 0;
    {
        BusyGuard busy(m_progress, Progress::Cursor::DatabaseWait);
        KeysetQuery& q = m_dados.QLog();
        q.setParameter(QStringLiteral("MIN"), period.start);
        q.setParameter(QStringLiteral("MAX"), period.end);
        if (q.isOpen()) {
            q.requery();
        } else {
            q.open();
        }
        count = q.rowCount();
    }
    if (shown) {
        shown(count);
    }
    if (count == 0) {
        m_prompter.beep();
        m_prompter.notice(StatusText(0));
    }
    return count;
}

std::optional<int> LogSelection::SaveCsv(const QString& path, Overwrite overwrite) {
    const LogCsvFormat format(m_dados.settings());
    // Written whole or not at all: a failed export never leaves half a file, nor
    // destroys the file it was to replace; the program's own files are refused.
    std::optional<OutputFile> file;
    try {
        file.emplace(path, m_dados.ownFiles());
    } catch (const Error& refusal) {
        m_prompter.beepError(refusal.message());
        return std::nullopt;
    }
    if (overwrite == Overwrite::Ask && QFileInfo::exists(path) &&
        !m_prompter.confirm(QStringLiteral("Arqivo já existe. Sobrescrever?"),
                            Prompter::Kind::Warning)) {
        return std::nullopt;
    }
    const QString cannotCreate = QStringLiteral("Arquivo ") + QFileInfo(path).absoluteFilePath() +
                                 QStringLiteral(" não pode ser criado!");
    if (!file->open()) {
        m_prompter.beepError(cannotCreate);
        return std::nullopt;
    }
    // The file from one view of the log: rows that an unload of another program
    // commits meanwhile are in it all or not at all.
    ReadSnapshot snapshot(m_dados.Conn());
    KeysetQuery& rows = m_dados.QLog();
    {
        BusyGuard busy(m_progress, Progress::Cursor::DatabaseWait);
        if (rows.isOpen()) {
            rows.requery();
        } else {
            rows.open();
        }
    }
    const int count = writeLogCsv(rows, format, file->device(), m_progress);
    if (!file->commit()) {
        throw Error(cannotCreate);
    }
    return count;
}

QString LogSelection::StatusText(int count) {
    if (count == 0) {
        return QStringLiteral("Nenhum registro selecionado no período!");
    }
    if (count == 1) {
        return QStringLiteral("Apenas %1 registro selecionado!").arg(count);
    }
    return QStringLiteral("Foram selecionados %1 registros!").arg(count);
}

QString LogSelection::CompletionText(int count) {
    return QStringLiteral("Exportação de %1 registros concluída!").arg(count);
}

QString LogSelection::ProposedFileName(const Period& period) {
    const QString format = QStringLiteral("yyyyMMdd");
    return QStringLiteral("Ambitra-Log_") + period.start.date().toString(format) +
           QLatin1Char('-') + period.end.date().toString(format);
}

}  // namespace ambitra
