#include "core/exchange/ImportScope.h"

#include "core/common/Error.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"
#include "core/exchange/FieldError.h"

namespace ambitra {

ImportScope::ImportScope(ExchangeRun& run, DataTable& table, const QString& where)
    : m_run(run),
      m_connection(run.dados().Conn()),
      m_table(table),
      m_where(where),
      m_nested(m_connection.inTransaction()) {
    if (m_nested) {
        m_connection.exec(QStringLiteral("SAVEPOINT importfile"));
    } else {
        m_connection.beginTransaction();
    }
    try {
        if (m_run.OverwriteData) {
            m_run.EmptyTable(m_table);
        }
    } catch (const Error&) {
        rollback();
        throw;
    }
    m_records.emplace(m_connection, m_run.recordsPerSavepoint());
    m_records->onRefused([this](qint64 record, int, const QString& error) {
        refused(record, error);
        return false;
    });
}

ImportScope::~ImportScope() {
    m_records.reset();
    if (!m_done) {
        rollback();
    }
}

void ImportScope::commit() {
    if (m_nested) {
        m_connection.exec(QStringLiteral("RELEASE importfile"));
    } else {
        m_connection.commit();
    }
    m_done = true;
}

void ImportScope::rollback() {
    m_done = true;
    try {
        if (m_nested) {
            m_connection.exec(QStringLiteral("ROLLBACK TO importfile"));
            m_connection.exec(QStringLiteral("RELEASE importfile"));
        } else {
            m_connection.rollback();
        }
        m_table.requery();
    } catch (const Error&) {
        // The error that brought us here is the one the user sees.
    }
}

namespace {

// A record the engine refused: where it is ("FILE, linha N") and why.
QString refusalText(const QString& where, qint64 record, const Error& error) {
    return where + QString::number(record) + QStringLiteral(": ") + engineErrorText(error);
}

}  // namespace

// A record the engine refused when its batch was sent (see RecordBatch) is
// shown as store() shows one, and stops the run.
void ImportScope::refused(qint64 record, const QString& error) {
    m_run.recordError(refusalText(m_where, record, Error(error)), m_table,
                      ExchangeRun::Direction::Import);
    m_failed = true;
}

bool ImportScope::store(qint64 record, const std::function<QString()>& key,
                        const std::function<void()>& assign) {
    m_records->begin(record);
    try {
        if (m_table.locate(key())) {
            m_table.edit();
        } else {
            m_table.insert();
        }
        assign();
        m_table.post();
        m_records->keep();
        return true;
    } catch (const FieldError& error) {
        m_table.cancel();
        m_records->undo(false);
        // An earlier record refused when the batch went out is what stopped the run.
        if (!m_records->stopped()) {
            m_run.recordError(
                m_where + QString::number(record) + QStringLiteral(", ") + error.message(), m_table,
                ExchangeRun::Direction::Import);
        }
    } catch (const Error& error) {
        m_table.cancel();
        m_records->undo(true);
        if (!m_records->stopped()) {
            m_run.recordError(refusalText(m_where, record, error), m_table,
                              ExchangeRun::Direction::Import);
        }
    }
    m_failed = true;
    return false;
}

void ImportScope::finish(qint64 count, const QString& shownName) {
    m_records->finish();
    // Emptied and then stopped by an error, the table would hold neither what
    // it held nor what the file holds: the whole file is undone.
    if (m_failed && m_run.OverwriteData && !m_run.CheckOnly) {
        rollback();
    } else {
        commit();
    }
    if (!m_run.CancelRequested) {
        m_run.addCompletion("Importação de %1 registros de %2 concluída!", count, shownName);
    }
    m_table.first();
}

}  // namespace ambitra
