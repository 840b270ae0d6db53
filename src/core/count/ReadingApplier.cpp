#include "core/count/ReadingApplier.h"

#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/SyncLog.h"
#include "core/count/CountStore.h"
#include "core/data/Connection.h"
#include "core/data/DataTable.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/ReadAhead.h"
#include "core/data/RecordBatch.h"
#include "core/data/Schema.h"
#include "core/data/SqlValue.h"
#include "core/data/TDados.h"

#include <QDateTime>

#include <optional>

namespace ambitra {

namespace {

// Compares one column of the asset with the reading and carries the change over,
// adding its part to the occurrence text.
void carryOver(DataTable& bens, const char* column, const char* label, const QVariant& now,
               QString& occurrence) {
    const QString name = QString::fromLatin1(column);
    const QVariant old = bens.value(name);
    if (!ValueChanged(old, now)) {
        return;
    }
    if (!occurrence.isEmpty()) {
        occurrence += QLatin1Char(';');
    }
    occurrence += QString::fromLatin1(label) + QLatin1Char(':') + old.toString() +
                  QLatin1Char('>') + now.toString();
    bens.setValue(name, now);
}

QString codingCaption(const QString& coding) {
    return coding == QLatin1String("EAN8") ? QStringLiteral("padrão EAN-8")
                                           : QStringLiteral("padrão EAN-13");
}

}  // namespace

ReadingApplier::ReadingApplier(TDados& dados, SyncLog& log, Progress& progress)
    : m_dados(dados), m_log(log), m_progress(progress) {}

void ReadingApplier::clearCounts() {
    m_processed = 0;
    m_newRows = 0;
}

void ReadingApplier::applyReturned(const QString& userName, const ReadingSource& source,
                                   bool keep) {
    m_completed = false;
    const QDateTime start = QDateTime::currentDateTime();
    applyAll(userName, source, true, {}, keep);
    finish(start);
}

void ReadingApplier::applyKept(const QString& userName, const ReadingSource& source,
                               const AppliedHook& applied) {
    BusyGuard busy(m_progress);
    m_completed = false;
    m_log.append(QStringLiteral("> Processando dados descarregados do Palm..."));
    DataTable& bens = m_dados.TBens();
    bens.openOrRequery();
    m_processed = 0;
    m_newRows = 0;
    const QDateTime start = QDateTime::currentDateTime();
    // Readings named for applying are applied whatever their code.
    applyAll(userName, source, false, applied, false);
    finish(start);
    bens.first();
}

void ReadingApplier::finish(const QDateTime& start) {
    // Set only once the unload is through: one that failed part-way must not
    // leave the log window a period that ends before it starts.
    m_dados.DayStart = start;
    m_dados.DayEnd = QDateTime::currentDateTime();
    m_log.append(
        QStringLiteral("   ") +
        QStringLiteral("Processamento de %1 registros de inventário concluído!").arg(m_processed));
    if (m_newRows > 0) {
        m_log.append(QStringLiteral("   ") +
                     QStringLiteral("Verifique o LOG de inventário que tem %1 registros novos!")
                         .arg(m_newRows));
    }
    m_completed = true;
}

void ReadingApplier::applyAll(const QString& userName, const ReadingSource& source,
                              bool holdInvalid, const AppliedHook& applied, bool keep) {
    try {
        Transaction transaction(m_dados.Conn(), m_progress);
        std::optional<CountStore> store;
        std::optional<ReadingKeeper> keeper;
        if (keep) {
            store.emplace(m_dados);
            keeper.emplace(*store, userName, m_dados.settings().CodeBar);
        }
        RecordBatch records(m_dados.Conn(), recordsPerSavepoint(applied != nullptr));
        m_holding = records.holdsWrites();
        m_dealt.clear();
        m_dealtFirst = 0;
        records.onRefused([this](qint64 record, int part, const QString& error) {
            refused(m_dealt[record - m_dealtFirst], part, error);
            return true;
        });
        ReadAhead<Reading> ahead(m_dados.TBens(), [&source](Reading& reading, QString& code) {
            if (!source(reading)) {
                return false;
            }
            code = reading.code();
            return true;
        });
        RegisterRow found;
        qint64 record = 0;
        while (const Reading* reading = ahead.next()) {
            if (m_holding) {
                Dealt dealt;
                dealt.reading = *reading;
                m_dealt.append(std::move(dealt));
            }
            const bool done =
                applyOne(records, record++, *reading, userName, holdInvalid, applied, found);
            if (!m_holding) {
                if (keeper) {
                    // Outside the reading's savepoint: a reading that could not be
                    // applied is still kept, pending.
                    keeper->keepDealt(*reading, found, done);
                }
                continue;
            }
            m_dealt.last().found = found;
            m_dealt.last().done = done;
            if (!records.isOpen()) {
                settle(keeper ? &*keeper : nullptr);
            }
        }
        records.finish();
        settle(keeper ? &*keeper : nullptr);
        if (keeper) {
            keeper->finish();
        }
        transaction.commit();
    } catch (const Error&) {
        // The transaction is rolled back by now: nothing of the unload was
        // kept, so show the table as it is again.
        m_dados.TBens().requery();
        throw;
    }
}

int ReadingApplier::recordsPerSavepoint(bool reviewing) const {
    // A savepoint costs little on the embedded engine: one per record there. To
    // a server each savepoint and its release are a round trip, as much as the
    // record's own write: a batch of records shares one (see RecordBatch). A
    // review marks its readings applied outside the batch's journal: one each.
    if (reviewing || m_dados.Conn().engine().isFile()) {
        return 1;
    }
    return kRecordsPerSavepoint;
}

bool ReadingApplier::applyOne(RecordBatch& records, qint64 record, const Reading& r,
                              const QString& userName, bool holdInvalid, const AppliedHook& applied,
                              RegisterRow& found) {
    DataTable& bens = m_dados.TBens();
    QString occurrence;
    QString code;
    found = RegisterRow{};
    records.begin(record);
    bool writing = false;  // the engine was asked to write the record
    try {
        code = r.value(Reading::Code).toString();
        if (bens.locate(code)) {
            found = {true, bens.value(QStringLiteral("BELOCAL")),
                     bens.value(QStringLiteral("BESITUACAO")),
                     bens.value(QStringLiteral("BENSERIE"))};
        }
        const QString& coding = m_dados.settings().CodeBar;
        if (holdInvalid && !found.known && FailsCheckDigit(code, coding)) {
            // A misread code would otherwise become a new asset: it waits in
            // the count for someone to look at it.
            note(QStringLiteral("> Leitura do bem %1 retida: código inválido no %2.")
                     .arg(code, codingCaption(coding)));
            records.keep();
            return false;
        }
        if (found.known) {
            bens.edit();
            carryOver(bens, "BELOCAL", "LOCAL", r.value(Reading::Location), occurrence);
            carryOver(bens, "BESITUACAO", "SITUACAO", r.value(Reading::Condition), occurrence);
            carryOver(bens, "BENSERIE", "NSERIE", r.value(Reading::Serial), occurrence);
        } else {
            bens.insert();
            for (int field : {Reading::Code, Reading::Name, Reading::Location, Reading::Maker,
                              Reading::Condition, Reading::Serial, Reading::Bought}) {
                bens.setValue(Reading::fieldName(field), r.value(field));
            }
            // A blank amount reads as zero, never as null.
            bens.setValue(QStringLiteral("BEVALOR"), r.value(Reading::Value).toDouble());
            occurrence = QStringLiteral("NOVO");
        }
        bens.setValue(QStringLiteral("BEULTINV"), r.value(Reading::Inventoried));
        bens.setValue(QStringLiteral("BEULTOPE"), r.value(Reading::Operator));
        writing = true;
        bens.post();
        if (applied) {
            applied(r);
        }
    } catch (const Error& error) {
        // Only this record's change is abandoned: the records before it in
        // its batch are kept.
        bens.cancel();
        records.undo(writing);
        noteError(QStringLiteral("> ") + error.message());
        return false;
    }
    ++m_processed;
    if (!occurrence.isEmpty()) {
        writeLogRow(records, r, userName, code, occurrence);
    }
    records.keep();
    return true;
}

void ReadingApplier::writeLogRow(RecordBatch& records, const Reading& r, const QString& userName,
                                 const QString& code, const QString& occurrence) {
    HeldWrite row = logRow(r, userName, code, occurrence);
    if (m_holding) {
        // Refused when the batch is sent, the row leaves the asset saved and counted.
        row.part = 1;
        records.hold(std::move(row));
        ++m_newRows;
        m_dealt.last().logged = true;
        return;
    }
    // The log row has a savepoint of its own: a refused row leaves the asset
    // saved and counted.
    Savepoint savepoint(m_dados.Conn());
    try {
        m_dados.Conn().execWrite(row.single, row.valueOf());
        savepoint.release();
        ++m_newRows;
    } catch (const Error& error) {
        m_log.appendError(QStringLiteral("> ") + error.message());
    }
}

HeldWrite ReadingApplier::logRow(const Reading& r, const QString& userName, const QString& code,
                                 const QString& occurrence) {
    const TableDef& log = schema::log();
    static const QStringList names{QStringLiteral("LGDATA"), QStringLiteral("LGUSUARIO"),
                                   QStringLiteral("LGOPERADOR"), QStringLiteral("LGBEM"),
                                   QStringLiteral("LGOCORRENC")};
    static const QString sql =
        QStringLiteral("INSERT INTO Log (%1) VALUES (?, ?, ?, ?, ?)").arg(names.join(u", "));
    const QVariant values[] = {QDateTime::currentDateTime(), userName, r.value(Reading::Operator),
                               code, occurrence};
    HeldWrite row;
    row.single.sql = sql;
    row.table = &log;
    row.insert = true;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const int column = log.indexOf(names[i]);
        row.columns << column;
        row.single.values << sqlvalue::toSql(values[i], log.columns[column].type);
    }
    return row;
}

void ReadingApplier::refused(Dealt& dealt, int part, const QString& error) {
    if (part == 0) {
        dealt.done = false;
        --m_processed;
    }
    if (dealt.logged) {
        dealt.logged = false;
        --m_newRows;
    }
    dealt.messages.append({true, QStringLiteral("> ") + error});
}

void ReadingApplier::settle(ReadingKeeper* keeper) {
    for (const Dealt& dealt : std::as_const(m_dealt)) {
        for (const auto& [error, text] : dealt.messages) {
            if (error) {
                m_log.appendError(text);
            } else {
                m_log.append(text);
            }
        }
        if (keeper) {
            keeper->keepDealt(dealt.reading, dealt.found, dealt.done);
        }
    }
    m_dealtFirst += m_dealt.size();
    m_dealt.clear();
}

void ReadingApplier::note(const QString& text, bool error) {
    if (!m_holding) {
        if (error) {
            m_log.appendError(text);
        } else {
            m_log.append(text);
        }
        return;
    }
    m_dealt.last().messages.append({error, text});
}

}  // namespace ambitra
