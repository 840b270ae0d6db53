#include "core/data/RecordBatch.h"

#include "core/common/Error.h"
#include "core/data/DataTable.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/Schema.h"

#include <algorithm>

namespace ambitra {

EngineErrorText::ValueOf HeldWrite::valueOf() const {
    return [this](const QString& column) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (table->columns[columns[i]].name.compare(column, Qt::CaseInsensitive) == 0) {
                return single.values.value(i);
            }
        }
        if (!insert && table->keyColumn.compare(column, Qt::CaseInsensitive) == 0) {
            return QVariant(key);
        }
        return QVariant();
    };
}

RecordBatch::RecordBatch(Connection& connection, int records)
    : m_connection(connection), m_size(records) {
    m_holding = records != 1 && connection.engine().writesRowsTogether();
    if (m_holding && m_size == 0) {
        // A refused row is found by writing the batch again: it needs a savepoint.
        m_size = kHeldRecords;
    }
}

RecordBatch::~RecordBatch() {
    if (m_open) {
        try {
            m_connection.exec(QStringLiteral("ROLLBACK TO records"));
            m_connection.exec(QStringLiteral("RELEASE records"));
        } catch (const Error&) {
            // The surrounding transaction is gone; its own guard reports nothing more.
        }
        close();
    }
}

void RecordBatch::close() {
    m_open = false;
    m_count = 0;
    m_journal.clear();
    m_held.clear();
    m_heldKeys.clear();
    m_connection.setRecordBatch(nullptr);
}

void RecordBatch::begin(qint64 record) {
    m_record = record;
    if (m_size > 0 && !m_open) {
        m_connection.exec(QStringLiteral("SAVEPOINT records"));
        m_open = true;
        // A batch of one record has no other record to write again.
        if (m_size > 1) {
            m_connection.setRecordBatch(this);
        }
    }
}

void RecordBatch::keep() {
    if (m_open && ++m_count >= m_size) {
        finish();
    }
}

void RecordBatch::finish() {
    if (m_open) {
        sendHeld();
        m_connection.exec(QStringLiteral("RELEASE records"));
        close();
    }
}

void RecordBatch::journal(JournaledWrite write) {
    write.record = m_record;
    m_journal.append(std::move(write));
}

void RecordBatch::undo(bool engineRefused) {
    if (!m_open) {
        return;
    }
    // What the record handed over to be held will never be made.
    while (!m_held.isEmpty() && m_held.last().record == m_record) {
        const Pending pending = m_held.takeLast();
        m_heldKeys[pending.write.table->name].remove(pending.write.key);
        drop(pending);
    }
    const bool wrote =
        std::any_of(m_journal.cbegin(), m_journal.cend(),
                    [this](const JournaledWrite& w) { return w.record == m_record; });
    if (!engineRefused && !wrote) {
        finish();
        return;
    }
    // A server refuses every statement after a failed one until the rollback:
    // the batch goes back whole and its other records are written again.
    m_connection.setRecordBatch(nullptr);
    m_connection.exec(QStringLiteral("ROLLBACK TO records"));
    replayJournal(m_record);
    finish();
}

void RecordBatch::replayJournal(std::optional<qint64> except) {
    QList<JournaledWrite> kept;
    for (const JournaledWrite& write : std::as_const(m_journal)) {
        if (write.record != except) {
            m_connection.execWrite(write);
            kept << write;
        }
    }
    m_journal = std::move(kept);
}

void RecordBatch::hold(HeldWrite write) {
    if (!write.key.isEmpty() && m_heldKeys.value(write.table->name).contains(write.key)) {
        sendHeld();
    }
    Pending pending{std::move(write), m_record};
    if (m_stopped) {
        drop(pending);
        return;
    }
    if (!pending.write.key.isEmpty()) {
        m_heldKeys[pending.write.table->name].insert(pending.write.key);
    }
    m_held.append(std::move(pending));
}

void RecordBatch::sendHeld() {
    if (m_held.isEmpty()) {
        return;
    }
    QList<Pending> held = std::move(m_held);
    m_held.clear();
    m_heldKeys.clear();
    // One statement per table and set of columns. Tables go in the order they
    // were first written, so a row is there before rows that refer to it (an
    // asset before its log rows); within a table no row is written twice.
    QStringList tables;
    QHash<QString, QStringList> statements;  // by table, in order of first use
    QHash<QString, QList<const Pending*>> groups;
    for (const Pending& pending : std::as_const(held)) {
        const QString& table = pending.write.table->name;
        const QString& sql = pending.write.single.sql;
        auto group = groups.find(sql);
        if (group == groups.end()) {
            if (!statements.contains(table)) {
                tables << table;
            }
            statements[table] << sql;
            group = groups.insert(sql, {});
        }
        group->append(&pending);
    }
    try {
        for (const QString& table : std::as_const(tables)) {
            for (const QString& sql : statements.value(table)) {
                sendGroup(groups.value(sql));
            }
        }
    } catch (const Error&) {
        // Which row was refused, and why, only writing them one by one tells.
        m_connection.exec(QStringLiteral("ROLLBACK TO records"));
        replayJournal(std::nullopt);
        replayHeld(std::move(held));
        return;
    }
    for (const Pending& pending : std::as_const(held)) {
        JournaledWrite write = pending.write.single;
        write.record = pending.record;
        m_journal.append(std::move(write));
    }
}

void RecordBatch::sendGroup(const QList<const Pending*>& group) {
    const HeldWrite& first = group.first()->write;
    const qsizetype width = first.single.values.size();
    QList<QList<QVariant>> columns(width);
    for (QList<QVariant>& column : columns) {
        column.reserve(group.size());
    }
    for (const Pending* pending : group) {
        for (qsizetype i = 0; i < width; ++i) {
            columns[i] << pending->write.single.values.at(i);
        }
    }
    DatabaseEngine& engine = m_connection.engine();
    JournaledWrite many{heldSql(first), {}};
    for (const QList<QVariant>& column : std::as_const(columns)) {
        many.values << engine.arrayParameter(column);
    }
    m_connection.execWrite(many);
}

QString RecordBatch::heldSql(const HeldWrite& write) {
    auto it = m_heldSql.find(write.single.sql);
    if (it == m_heldSql.end()) {
        QStringList names;
        QStringList types;
        for (const int column : write.columns) {
            names << write.table->columns[column].name;
            types << declaredType(write.table->columns[column].type);
        }
        const DatabaseEngine& engine = m_connection.engine();
        it = m_heldSql.insert(write.single.sql,
                              write.insert
                                  ? engine.manyRowsInsertSql(write.table->name, names, types)
                                  : engine.manyRowsUpdateSql(write.table->name,
                                                             write.table->keyColumn, names, types));
    }
    return *it;
}

void RecordBatch::replayHeld(QList<Pending> held) {
    for (qsizetype from = 0; from < held.size();) {
        qsizetype to = from + 1;
        while (to < held.size() && held[to].record == held[from].record) {
            ++to;
        }
        if (m_stopped) {
            for (qsizetype i = from; i < to; ++i) {
                drop(held[i]);
            }
        } else {
            writeRecord(held, from, to);
        }
        from = to;
    }
}

void RecordBatch::writeRecord(const QList<Pending>& held, qsizetype from, qsizetype to) {
    // The record's own writes first: they stand or fall together, and their
    // refusal takes the record's other parts with it. Each other part stands
    // alone.
    QList<int> parts{0};
    for (qsizetype i = from; i < to; ++i) {
        if (!parts.contains(held[i].write.part)) {
            parts << held[i].write.part;
        }
    }
    for (const int part : std::as_const(parts)) {
        const std::optional<QString> refused = writePart(held, from, to, part);
        for (qsizetype i = from; i < to; ++i) {
            if (refused && (part == 0 || held[i].write.part == part)) {
                drop(held[i]);
            } else if (!refused && held[i].write.part == part) {
                JournaledWrite write = held[i].write.single;
                write.record = held[i].record;
                m_journal.append(std::move(write));
            }
        }
        if (refused) {
            tell(held[from].record, part, *refused);
            if (part == 0) {
                return;
            }
        }
    }
}

std::optional<QString> RecordBatch::writePart(const QList<Pending>& held, qsizetype from,
                                              qsizetype to, int part) {
    Savepoint savepoint(m_connection, "heldrecord");
    try {
        for (qsizetype i = from; i < to; ++i) {
            if (held[i].write.part == part) {
                m_connection.execWrite(held[i].write.single, held[i].write.valueOf());
            }
        }
        savepoint.release();
        return std::nullopt;
    } catch (const Error& error) {
        savepoint.rollback();
        return error.message();
    }
}

void RecordBatch::tell(qint64 record, int part, const QString& error) {
    // A run that did not say how it goes on past a refused record must not
    // end as if the record had been stored.
    if (!m_refused) {
        throw Error(error);
    }
    if (!m_refused(record, part, error)) {
        m_stopped = true;
    }
}

void RecordBatch::drop(const Pending& pending) {
    if (pending.write.origin != nullptr) {
        pending.write.origin->forgetWrite(pending.write.key, pending.write.insert);
    }
}

}  // namespace ambitra
