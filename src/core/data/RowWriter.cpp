#include "core/data/RowWriter.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/NativeQuery.h"
#include "core/data/RecordBatch.h"
#include "core/data/RowPages.h"
#include "core/data/SqlValue.h"

#include <QSqlError>

namespace ambitra {

namespace {

QString errorText(const QSqlQuery& query) {
    return EngineErrorText::of(query.lastError());
}

bool isChanged(quint64 changed, int column) {
    return (changed & (quint64(1) << column)) != 0;
}

}  // namespace

RowWriter::RowWriter(Connection& connection, const TableDef& def, DataTable& origin)
    : m_connection(connection),
      m_def(def),
      m_origin(origin),
      m_keyColumn(def.indexOf(def.keyColumn)) {
    for (int i = 0; i < def.columns.size(); ++i) {
        if (!def.columns[i].lookup) {
            m_stored << def.columns[i].name;
            m_storedIndex << i;
        }
    }
}

void RowWriter::open(bool native, const QString& oneSql) {
    m_native = native;
    m_oneSql = oneSql;
    QStringList marks;
    for (int i = 0; i < m_stored.size(); ++i) {
        marks << QStringLiteral("?");
    }
    m_insertQuery = QSqlQuery(m_connection.database());
    m_updateQueries.clear();
    m_updateSql.clear();
    m_insertSql = QStringLiteral("INSERT INTO ") + m_def.name + QStringLiteral(" (") +
                  m_stored.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  marks.join(QStringLiteral(", ")) + QStringLiteral(")");
    if (!m_insertQuery.prepare(m_insertSql)) {
        throw Error(errorText(m_insertQuery));
    }
}

void RowWriter::close() {
    m_native = false;
    m_lockedOneQuery = QSqlQuery();
    m_insertQuery = QSqlQuery();
    m_updateQueries.clear();
}

EngineErrorText::ValueOf RowWriter::valuesOf(const Row& values) const {
    return [this, &values](const QString& column) {
        const int index = m_def.indexOf(column);
        return index >= 0 && index < values.size() ? values[index] : QVariant();
    };
}

NativeQuery* RowWriter::nativeWrite(const QString& sql) const {
    return m_native ? m_connection.nativeQuery(sql) : nullptr;
}

void RowWriter::execNative(NativeQuery& statement, const Row& values) const {
    if (!statement.execute()) {
        throw Error(EngineErrorText::translate(statement.errorText(), valuesOf(values)));
    }
}

void RowWriter::execDriver(QSqlQuery& statement, const Row& values) const {
    const bool ok = statement.exec();
    const QString error =
        ok ? QString() : EngineErrorText::of(statement.lastError(), valuesOf(values));
    statement.finish();
    if (!ok) {
        throw Error(error);
    }
}

void RowWriter::insert(const Row& row) {
    const bool journal = m_connection.journalsWrites();
    QList<QVariant> values;
    if (m_connection.holdsWrites()) {
        values.reserve(m_storedIndex.size());
        for (const int c : std::as_const(m_storedIndex)) {
            values << sqlvalue::toSql(row[c], m_def.columns[c].type);
        }
        m_connection.hold({{m_insertSql, std::move(values)},
                           &m_def,
                           m_storedIndex,
                           true,
                           row[m_keyColumn].toString(),
                           &m_origin});
        return;
    }
    if (NativeQuery* native = nativeWrite(m_insertSql)) {
        for (int i = 0; i < m_storedIndex.size(); ++i) {
            const int c = m_storedIndex[i];
            QVariant value = sqlvalue::toSql(row[c], m_def.columns[c].type);
            native->bind(i, value);
            if (journal) {
                values << std::move(value);
            }
        }
        execNative(*native, row);
    } else {
        for (int i = 0; i < m_storedIndex.size(); ++i) {
            const int c = m_storedIndex[i];
            QVariant value = sqlvalue::toSql(row[c], m_def.columns[c].type);
            m_insertQuery.bindValue(i, value);
            if (journal) {
                values << std::move(value);
            }
        }
        execDriver(m_insertQuery, row);
    }
    if (journal) {
        m_connection.journalWrite(m_insertSql, std::move(values));
    }
}

QSqlQuery& RowWriter::updateQuery(quint64 changed, const QString& sql) {
    auto it = m_updateQueries.find(changed);
    if (it == m_updateQueries.end()) {
        QSqlQuery q(m_connection.database());
        if (!q.prepare(sql)) {
            throw Error(errorText(q));
        }
        it = m_updateQueries.insert(changed, q);
    }
    return *it;
}

quint64 RowWriter::changedColumns(const Row& row, const Row& original) const {
    quint64 changed = 0;
    for (int i = 0; i < m_storedIndex.size(); ++i) {
        const int c = m_storedIndex[i];
        const QVariant& now = row[c];
        const QVariant& was = original.value(c);
        if (now.isNull() != was.isNull() || now != was) {
            changed |= quint64(1) << i;
        }
    }
    return changed;
}

const QString& RowWriter::updateSql(quint64 changed) {
    auto sql = m_updateSql.find(changed);
    if (sql == m_updateSql.end()) {
        QStringList sets;
        for (int i = 0; i < m_storedIndex.size(); ++i) {
            if (isChanged(changed, i)) {
                sets << m_stored[i] + QStringLiteral(" = ?");
            }
        }
        sql = m_updateSql.insert(changed,
                                 QStringLiteral("UPDATE ") + m_def.name + QStringLiteral(" SET ") +
                                     sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
                                     m_def.keyColumn + QStringLiteral(" = ?"));
    }
    return *sql;
}

// Only the columns that changed are written: an update of a few columns costs
// the engine much less than rewriting the row and its key index, and runs update
// a hundred thousand rows at a time.
void RowWriter::update(const Row& row, const Row& original, const QString& key) {
    const quint64 changed = changedColumns(row, original);
    if (changed == 0) {
        return;
    }
    const QString& sql = updateSql(changed);
    QList<QVariant> values;
    QList<int> columns;
    for (int i = 0; i < m_storedIndex.size(); ++i) {
        if (isChanged(changed, i)) {
            const int c = m_storedIndex[i];
            values << sqlvalue::toSql(row[c], m_def.columns[c].type);
            columns << c;
        }
    }
    values << key;
    // A changed key is written at once: a held write of the new key could
    // otherwise meet it in the same statement.
    if (m_connection.holdsWrites() && row[m_keyColumn].toString() == key) {
        m_connection.hold({{sql, std::move(values)}, &m_def, columns, false, key, &m_origin});
        return;
    }
    if (NativeQuery* native = nativeWrite(sql)) {
        for (int i = 0; i < values.size(); ++i) {
            native->bind(i, values[i]);
        }
        execNative(*native, row);
    } else {
        QSqlQuery& q = updateQuery(changed, sql);
        for (int i = 0; i < values.size(); ++i) {
            q.bindValue(i, values[i]);
        }
        execDriver(q, row);
    }
    m_connection.journalWrite(sql, std::move(values));
}

// Another desktop may have changed or deleted the row since it was read: the
// row is read again, locked, and saved only when it is still as it was read, so
// that no one's change is overwritten unseen. No lock is held while editing.
bool RowWriter::updateUnchanged(const Row& row, const Row& original, const QString& key) {
    // Inside the save's own transaction when the window took one; else a short one.
    const bool own = !m_connection.inTransaction();
    if (own) {
        m_connection.beginRowWrite();
    }
    try {
        if (!sameStoredValues(fetchLocked(key), original)) {
            if (own) {
                m_connection.rollback();
            }
            return false;
        }
        update(row, original, key);
        if (own) {
            m_connection.commit();
        }
        return true;
    } catch (const Error&) {
        if (own && m_connection.inTransaction()) {
            m_connection.rollback();
        }
        throw;
    }
}

RowWriter::Row RowWriter::fetchLocked(const QString& key) {
    if (!m_lockedOneQuery.isActive() && m_lockedOneQuery.lastQuery().isEmpty()) {
        m_lockedOneQuery = QSqlQuery(m_connection.database());
        m_lockedOneQuery.setForwardOnly(true);
        if (!m_lockedOneQuery.prepare(m_oneSql + m_connection.engine().lockRowSuffix())) {
            throw Error(errorText(m_lockedOneQuery));
        }
    }
    m_lockedOneQuery.bindValue(0, key);
    if (!m_lockedOneQuery.exec()) {
        throw Error(errorText(m_lockedOneQuery));
    }
    Row row = m_lockedOneQuery.next() ? RowPages::readRow(m_lockedOneQuery, m_def) : Row();
    m_lockedOneQuery.finish();
    return row;
}

bool RowWriter::sameStoredValues(const Row& stored, const Row& read) const {
    if (stored.isEmpty()) {
        return false;  // deleted
    }
    for (const int c : m_storedIndex) {
        const QVariant& now = stored.at(c);
        const QVariant& was = read.value(c);
        if (now.isNull() != was.isNull() || (!now.isNull() && now != was)) {
            return false;
        }
    }
    return true;
}

void RowWriter::remove(const QString& key) {
    // A held write of the row must not come after its deletion.
    m_connection.sendHeldWrites();
    const QString sql = QStringLiteral("DELETE FROM ") + m_def.name + QStringLiteral(" WHERE ") +
                        m_def.keyColumn + QStringLiteral(" = ?");
    QSqlQuery q(m_connection.database());
    q.prepare(sql);
    q.bindValue(0, key);
    if (!q.exec()) {
        throw Error(errorText(q));
    }
    m_connection.journalWrite(sql, {key});
}

}  // namespace ambitra
