#include "core/data/RowPages.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/SqlValue.h"

#include <QSet>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>

namespace ambitra {

namespace {

constexpr int kPageSize = 256;
constexpr int kPrefetchSize = 1000;
constexpr int kCacheLimit = 20000;

QString errorText(const QSqlQuery& query) {
    return EngineErrorText::of(query.lastError());
}

// The select list and source: stored columns, then the looked-up ones.
QString selectFrom(const TableDef& def) {
    QStringList columns;
    for (const ColumnDef& c : def.columns) {
        columns << (c.lookup ? QStringLiteral("l.") : QStringLiteral("t.")) + c.name;
    }
    QString sql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
                  QStringLiteral(" FROM ") + def.name + QStringLiteral(" t");
    if (!def.lookupTable.isEmpty()) {
        sql += QStringLiteral(" LEFT JOIN ") + def.lookupTable + QStringLiteral(" l ON l.") +
               def.lookupKey + QStringLiteral(" = t.") + def.lookupVia;
    }
    return sql;
}

// Reads the looked-up columns of one row: the table's own columns are not needed.
QString lookupSql(const TableDef& def) {
    QStringList looked;
    for (const ColumnDef& c : def.columns) {
        if (c.lookup) {
            looked << c.name;
        }
    }
    return QStringLiteral("SELECT ") + looked.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM ") + def.lookupTable + QStringLiteral(" WHERE ") + def.lookupKey +
           QStringLiteral(" = ?");
}

RowPages::Row nativeRow(const NativeQuery& query, const TableDef& def) {
    const qsizetype columns = def.columns.size();
    RowPages::Row values;
    values.reserve(columns);
    for (int i = 0; i < columns; ++i) {
        values << sqlvalue::fromSql(query.value(i), def.columns[i].type);
    }
    return values;
}

}  // namespace

RowPages::RowPages(Connection& connection, const TableDef& def)
    : m_connection(connection), m_def(def), m_keyColumn(def.indexOf(def.keyColumn)) {}

RowPages::Row RowPages::readRow(const QSqlQuery& query, const TableDef& def) {
    Row row;
    row.reserve(def.columns.size());
    for (int i = 0; i < def.columns.size(); ++i) {
        row << sqlvalue::fromSql(query.value(i), def.columns[i].type);
    }
    return row;
}

void RowPages::open() {
    const QString select = selectFrom(m_def);
    const QString key = QStringLiteral("t.") + m_def.keyColumn;
    m_pageQuery = QSqlQuery(m_connection.database());
    m_oneQuery = QSqlQuery(m_connection.database());
    m_lookupQuery = QSqlQuery(m_connection.database());
    // Rows are read once each into the cache: no need for the driver to keep them too.
    m_pageQuery.setForwardOnly(true);
    m_oneQuery.setForwardOnly(true);
    m_lookupQuery.setForwardOnly(true);
    QString page = select;
    if (m_def.keyOrder) {
        page += QStringLiteral(" WHERE ") + key + QStringLiteral(" >= ? ORDER BY ") + key +
                QStringLiteral(" LIMIT %1").arg(kPageSize);
    } else {
        page += QStringLiteral(" ORDER BY t.rowid");
    }
    m_oneSql = select + QStringLiteral(" WHERE ") + key + QStringLiteral(" = ?");
    if (!m_pageQuery.prepare(page) || !m_oneQuery.prepare(m_oneSql)) {
        throw Error(errorText(m_pageQuery.lastError().isValid() ? m_pageQuery : m_oneQuery));
    }
    // Rows are read through the engine's own interface where there is one.
    m_pageSql = page;
    m_nativePages = m_connection.nativeQuery(page) != nullptr;
    if (!m_def.lookupTable.isEmpty()) {
        m_lookupQuery.prepare(lookupSql(m_def));
    }
}

void RowPages::close() {
    m_pageQuery = QSqlQuery();
    m_nativePages = false;
    m_oneQuery = QSqlQuery();
    m_prefetchQuery = QSqlQuery();
    m_lookupQuery = QSqlQuery();
    m_keys.clear();
    invalidate();
}

void RowPages::loadKeys() {
    m_connection.sendHeldWrites();
    const QString order = m_def.keyOrder ? m_def.keyColumn : QStringLiteral("rowid");
    const QString sql = QStringLiteral("SELECT ") + m_def.keyColumn + QStringLiteral(" FROM ") +
                        m_def.name + QStringLiteral(" ORDER BY ") + order;
    // A million keys are read at every opening: the engine's own interface spares
    // the general driver's copy and conversions of every one.
    if (NativeQuery* native = m_connection.nativeQuery(sql)) {
        m_keys.clear();
        invalidate();
        native->exec();
        while (native->next()) {
            m_keys.append(native->value(0).toString());
        }
        native->finish();
        return;
    }
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        throw Error(errorText(q));
    }
    m_keys.clear();
    invalidate();
    while (q.next()) {
        m_keys.append(q.value(0).toString());
    }
}

int RowPages::indexOfKey(const QString& key) const {
    if (!m_def.keyOrder) {
        return m_keys.indexOf(key);
    }
    const int row = m_keys.lowerBound(key);
    return row < m_keys.size() && m_keys.at(row) == key ? row : -1;
}

int RowPages::insertPosition(const QString& key) const {
    if (!m_def.keyOrder) {
        return m_keys.size();
    }
    // Imports usually arrive in key order: try the end first.
    if (m_keys.isEmpty() || KeyIndex::less(m_keys.last(), key)) {
        return m_keys.size();
    }
    return m_keys.lowerBound(key);
}

void RowPages::invalidate() {
    m_cache.clear();
    m_windowKeys.clear();
    m_windowRows.clear();
}

void RowPages::cacheRow(const QString& key, const Row& row) {
    if (m_cache.size() >= kCacheLimit) {
        m_cache.clear();
    }
    m_cache.insert(key, row);
}

void RowPages::fetchPage(int row) {
    m_connection.sendHeldWrites();
    QList<Row> rows;
    if (m_nativePages) {
        rows = fetchNativePage(row);
    } else {
        if (m_def.keyOrder) {
            m_pageQuery.bindValue(0, m_keys.at(row));
        }
        if (!m_pageQuery.exec()) {
            throw Error(errorText(m_pageQuery));
        }
        while (m_pageQuery.next()) {
            rows << readRow(m_pageQuery, m_def);
        }
        m_pageQuery.finish();
    }
    placePage(row, rows);
}

QList<RowPages::Row> RowPages::fetchNativePage(int row) {
    NativeQuery* page = m_connection.nativeQuery(m_pageSql);
    if (page == nullptr) {
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    }
    page->exec(m_def.keyOrder ? &m_keys.at(row) : nullptr);
    QList<Row> rows;
    while (page->next()) {
        rows << nativeRow(*page, m_def);
    }
    page->finish();
    return rows;
}

// Each row of the page goes to the row of its key. Another writer may have
// added rows since the keys were read (they are passed over) or removed some
// (their places stay unread: read alone when asked for, they come back as nulls),
// and the rows after such a change still land at their places.
void RowPages::placePage(int row, QList<Row>& rows) {
    m_windowStart = m_def.keyOrder ? row : 0;
    m_windowKeys.clear();
    m_windowRows.clear();
    int at = m_windowStart;
    const int count = m_keys.size();
    for (Row& values : rows) {
        QString key = values[m_keyColumn].toString();
        if (m_def.keyOrder) {
            while (at < count && KeyIndex::less(m_keys.at(at), key)) {
                m_windowKeys << m_keys.at(at++);
                m_windowRows << Row();
            }
        }
        if (at >= count) {
            break;
        }
        if (!m_def.keyOrder || m_keys.at(at) == key) {
            m_windowKeys << std::move(key);
            m_windowRows << std::move(values);
            ++at;
        }
    }
}

const RowPages::Row* RowPages::windowRow(int row) const {
    const qsizetype at = row - m_windowStart;
    if (at >= 0 && at < m_windowKeys.size() && !m_windowRows[at].isEmpty() &&
        m_windowKeys[at] == m_keys.at(row)) {
        return &m_windowRows[at];
    }
    return nullptr;
}

void RowPages::keepPosted(int row, const QString& key, Row stored, bool lookupsKnown) {
    // No older copy may remain behind the row.
    m_cache.remove(key);
    // The page holds the row at its place (the key checked): it takes the new
    // values there. Elsewhere the row is read again when it is next shown: runs
    // post a row for every record and show none of them, and keeping each one
    // would only churn the cache.
    const qsizetype at = row - m_windowStart;
    if (at >= 0 && at < m_windowKeys.size() && m_windowKeys[at] == key) {
        if (!lookupsKnown) {
            readLookups(stored);
        }
        m_windowRows[at] = std::move(stored);
    }
}

RowPages::Row RowPages::fetchOne(const QString& key) {
    // A row a run wrote is read as the engine holds it.
    m_connection.sendHeldWrites();
    // Runs over files in any order read a row for each record: the engine's own
    // interface reads it at a fraction of the general driver's cost.
    if (NativeQuery* one = m_nativePages ? m_connection.nativeQuery(m_oneSql) : nullptr) {
        one->exec(&key);
        Row row = one->next() ? nativeRow(*one, m_def) : Row(m_def.columns.size());
        one->finish();
        return row;
    }
    m_oneQuery.bindValue(0, key);
    if (!m_oneQuery.exec()) {
        throw Error(errorText(m_oneQuery));
    }
    Row row = m_oneQuery.next() ? readRow(m_oneQuery, m_def) : Row(m_def.columns.size());
    m_oneQuery.finish();
    return row;
}

void RowPages::prefetch(const QStringList& keys) {
    QStringList wanted;
    QSet<QString> seen;
    for (const QString& key : keys) {
        const int row = indexOfKey(key);
        if (row >= 0 && windowRow(row) == nullptr && !m_cache.contains(key) &&
            !seen.contains(key)) {
            seen.insert(key);
            wanted << key;
        }
    }
    if (wanted.size() > 1) {
        m_connection.sendHeldWrites();
    }
    // One row alone is read as before, when it is asked for.
    for (qsizetype start = 0; wanted.size() - start > 1; start += kPrefetchSize) {
        const DatabaseEngine& engine = m_connection.engine();
        if (m_prefetchQuery.lastQuery().isEmpty()) {
            m_prefetchQuery = QSqlQuery(m_connection.database());
            m_prefetchQuery.setForwardOnly(true);
            if (!m_prefetchQuery.prepare(
                    selectFrom(m_def) + QStringLiteral(" WHERE ") +
                    engine.keyListCondition(QStringLiteral("t.") + m_def.keyColumn,
                                            kPrefetchSize))) {
                throw Error(errorText(m_prefetchQuery));
            }
        }
        const QList<QVariant> parameters = engine.keyListParameters(
            wanted.mid(start, std::min<qsizetype>(kPrefetchSize, wanted.size() - start)),
            kPrefetchSize);
        for (qsizetype i = 0; i < parameters.size(); ++i) {
            m_prefetchQuery.bindValue(static_cast<int>(i), parameters[i]);
        }
        if (!m_prefetchQuery.exec()) {
            throw Error(errorText(m_prefetchQuery));
        }
        while (m_prefetchQuery.next()) {
            Row row = readRow(m_prefetchQuery, m_def);
            cacheRow(row[m_keyColumn].toString(), row);
        }
        m_prefetchQuery.finish();
    }
}

RowPages::Row RowPages::rowForEdit(int row) {
    const QString& key = m_keys.at(row);
    if (row == m_lastRow + 1 || windowRow(row) != nullptr || m_cache.contains(key)) {
        return rowAt(row);
    }
    // Read alone and not cached: the edit buffer holds it, and after the post
    // the row is read again when it is shown.
    m_lastRow = row;
    return fetchOne(key);
}

const RowPages::Row& RowPages::rowAt(int row) {
    // Rows asked for in order (grids, exports, runs over files in key order) are
    // read a page at a time; a row asked for out of order is read alone. Runs
    // over files in any other order would otherwise pay a page for every row.
    const bool inOrder = row == m_lastRow + 1;
    m_lastRow = row;
    if (const Row* page = windowRow(row)) {
        return *page;
    }
    const QString& key = m_keys.at(row);
    auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd()) {
        return *it;
    }
    // A row that the page did not bring (the engine ordered differently, or the
    // row vanished) is read alone too.
    if (inOrder) {
        fetchPage(row);
        if (const Row* page = windowRow(row)) {
            return *page;
        }
    }
    cacheRow(key, fetchOne(key));
    return *m_cache.constFind(key);
}

void RowPages::readLookups(Row& row) {
    const QVariant via = row[m_def.indexOf(m_def.lookupVia)];
    QList<QVariant> found;
    if (!via.isNull()) {
        m_lookupQuery.bindValue(0, via.toString());
        if (m_lookupQuery.exec() && m_lookupQuery.next()) {
            for (int i = 0; i < m_lookupQuery.record().count(); ++i) {
                found << m_lookupQuery.value(i).toString();
            }
        }
        m_lookupQuery.finish();
    }
    int n = 0;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        if (m_def.columns[i].lookup) {
            row[i] = found.value(n++);
        }
    }
}

}  // namespace ambitra
