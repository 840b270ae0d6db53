#include "core/data/DataTable.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/RecordBatch.h"
#include "core/data/SqlValue.h"

#include <QDateTime>
#include <QSqlError>
#include <QSet>
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

}  // namespace

DataTable::DataTable(Connection& connection, const TableDef& def, QObject* parent)
    : QObject(parent), m_connection(connection), m_def(def) {
    m_keyColumn = m_def.indexOf(m_def.keyColumn);
    for (int i = 0; i < m_def.columns.size(); ++i) {
        m_fieldIndex.insert(m_def.columns[i].name, i);
        if (!m_def.columns[i].lookup) {
            m_stored << m_def.columns[i].name;
            m_storedIndex << i;
        }
    }
}

DataTable::~DataTable() = default;

int DataTable::fieldIndex(const QString& name) const {
    // Callers name columns exactly as declared: a hash finds them without
    // comparing every column name in turn.
    const auto exact = m_fieldIndex.constFind(name);
    if (exact != m_fieldIndex.constEnd()) {
        return *exact;
    }
    const int index = m_def.indexOf(name);
    if (index < 0) {
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    }
    return index;
}

void DataTable::requireOpen() const {
    if (m_state == State::Inactive) {
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    }
}

// The select list and source: stored columns, then the looked-up ones.
static QString selectFrom(const TableDef& def) {
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

void DataTable::open() {
    if (isOpen()) {
        return;
    }
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
        QStringList looked;
        for (const ColumnDef& c : m_def.columns) {
            if (c.lookup) {
                looked << c.name;
            }
        }
        m_lookupQuery.prepare(QStringLiteral("SELECT ") + looked.join(QStringLiteral(", ")) +
                              QStringLiteral(" FROM ") + m_def.lookupTable +
                              QStringLiteral(" WHERE ") + m_def.lookupKey + QStringLiteral(" = ?"));
    }
    prepareWrites();
    loadKeys();
    m_state = State::Browse;
    setCurrent(0);
    emit layoutReset();
    emit stateChanged();
    if (m_afterOpen) {
        m_afterOpen(*this);
    }
}

void DataTable::close() {
    if (!isOpen()) {
        return;
    }
    m_pageQuery = QSqlQuery();
    m_nativePages = false;
    m_oneQuery = QSqlQuery();
    m_prefetchQuery = QSqlQuery();
    m_lookupQuery = QSqlQuery();
    m_lockedOneQuery = QSqlQuery();
    m_insertQuery = QSqlQuery();
    m_updateQueries.clear();
    m_keys.clear();
    invalidateCache();
    m_buffer.clear();
    m_state = State::Inactive;
    m_bof = m_eof = true;
    emit layoutReset();
    emit stateChanged();
}

void DataTable::loadKeys() {
    m_connection.sendHeldWrites();
    const QString order = m_def.keyOrder ? m_def.keyColumn : QStringLiteral("rowid");
    const QString sql = QStringLiteral("SELECT ") + m_def.keyColumn + QStringLiteral(" FROM ") +
                        m_def.name + QStringLiteral(" ORDER BY ") + order;
    // A million keys are read at every opening: the engine's own interface spares
    // the general driver's copy and conversions of every one.
    if (NativeQuery* native = m_connection.nativeQuery(sql)) {
        m_keys.clear();
        invalidateCache();
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
    invalidateCache();
    while (q.next()) {
        m_keys.append(q.value(0).toString());
    }
}

void DataTable::requery() {
    requireOpen();
    if (isEditing()) {
        cancel();
    }
    const QString current = m_keys.value(m_row);
    loadKeys();
    emit layoutReset();
    const int row = indexOfKey(current);
    setCurrent(row >= 0 ? row : std::min(m_row, rowCount() - 1));
}

void DataTable::forgetWrite(const QString& key, bool inserted) {
    invalidateCache();
    if (inserted) {
        const int row = indexOfKey(key);
        if (row >= 0) {
            m_keys.removeAt(row);
            emit rowRemoved(row);
            setCurrent(m_row);
        }
    }
}

void DataTable::invalidateCache() {
    m_cache.clear();
    m_windowKeys.clear();
    m_windowRows.clear();
}

void DataTable::reloadValues() {
    invalidateCache();
    emit valuesChanged();
}

void DataTable::setCurrent(int row) {
    m_row = std::clamp(row, 0, std::max(0, rowCount() - 1));
    m_bof = m_keys.isEmpty();
    m_eof = m_keys.isEmpty();
    emit currentChanged();
}

void DataTable::first() {
    requireOpen();
    setCurrent(0);
    m_bof = true;
}

void DataTable::last() {
    requireOpen();
    setCurrent(rowCount() - 1);
    m_eof = true;
}

void DataTable::next() {
    requireOpen();
    if (m_row + 1 >= rowCount()) {
        m_eof = true;
        return;
    }
    setCurrent(m_row + 1);
}

void DataTable::prior() {
    requireOpen();
    if (m_row <= 0) {
        m_bof = true;
        return;
    }
    setCurrent(m_row - 1);
}

void DataTable::moveTo(int row) {
    requireOpen();
    setCurrent(row);
}

bool DataTable::locate(const QString& key) {
    requireOpen();
    const int row = indexOfKey(key);
    if (row < 0) {
        return false;
    }
    setCurrent(row);
    return true;
}

DataTable::Row DataTable::readRow(const QSqlQuery& query) const {
    Row row;
    row.reserve(m_def.columns.size());
    for (int i = 0; i < m_def.columns.size(); ++i) {
        row << sqlvalue::fromSql(query.value(i), m_def.columns[i].type);
    }
    return row;
}

void DataTable::cacheRow(const QString& key, const Row& row) const {
    if (m_cache.size() >= kCacheLimit) {
        m_cache.clear();
    }
    m_cache.insert(key, row);
}

void DataTable::fetchPage(int row) const {
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
            rows << readRow(m_pageQuery);
        }
        m_pageQuery.finish();
    }
    placePage(row, rows);
}

QList<DataTable::Row> DataTable::fetchNativePage(int row) const {
    NativeQuery* page = m_connection.nativeQuery(m_pageSql);
    if (page == nullptr) {
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    }
    page->exec(m_def.keyOrder ? &m_keys.at(row) : nullptr);
    QList<Row> rows;
    while (page->next()) {
        rows << nativeRow(*page);
    }
    page->finish();
    return rows;
}

DataTable::Row DataTable::nativeRow(const NativeQuery& query) const {
    const qsizetype columns = m_def.columns.size();
    Row values;
    values.reserve(columns);
    for (int i = 0; i < columns; ++i) {
        values << sqlvalue::fromSql(query.value(i), m_def.columns[i].type);
    }
    return values;
}

// Each row of the page goes to the row of its key. Another writer may have
// added rows since the keys were read (they are passed over) or removed some
// (their places stay unread: read alone when asked for, they come back as nulls),
// and the rows after such a change still land at their places.
void DataTable::placePage(int row, QList<Row>& rows) const {
    m_windowStart = m_def.keyOrder ? row : 0;
    m_windowKeys.clear();
    m_windowRows.clear();
    int at = m_windowStart;
    for (Row& values : rows) {
        QString key = values[m_keyColumn].toString();
        if (m_def.keyOrder) {
            while (at < rowCount() && KeyIndex::less(m_keys.at(at), key)) {
                m_windowKeys << m_keys.at(at++);
                m_windowRows << Row();
            }
        }
        if (at >= rowCount()) {
            break;
        }
        if (!m_def.keyOrder || m_keys.at(at) == key) {
            m_windowKeys << std::move(key);
            m_windowRows << std::move(values);
            ++at;
        }
    }
}

const DataTable::Row* DataTable::windowRow(int row) const {
    const qsizetype at = row - m_windowStart;
    if (at >= 0 && at < m_windowKeys.size() && !m_windowRows[at].isEmpty() &&
        m_windowKeys[at] == m_keys.at(row)) {
        return &m_windowRows[at];
    }
    return nullptr;
}

void DataTable::keepPosted(int row, const QString& key, Row stored, bool lookupsKnown) {
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

DataTable::Row DataTable::fetchOne(const QString& key) const {
    // A row a run wrote is read as the engine holds it.
    m_connection.sendHeldWrites();
    // Runs over files in any order read a row for each record: the engine's own
    // interface reads it at a fraction of the general driver's cost.
    if (NativeQuery* one = m_nativePages ? m_connection.nativeQuery(m_oneSql) : nullptr) {
        one->exec(&key);
        Row row = one->next() ? nativeRow(*one) : Row(m_def.columns.size());
        one->finish();
        return row;
    }
    m_oneQuery.bindValue(0, key);
    if (!m_oneQuery.exec()) {
        throw Error(errorText(m_oneQuery));
    }
    Row row = m_oneQuery.next() ? readRow(m_oneQuery) : Row(m_def.columns.size());
    m_oneQuery.finish();
    return row;
}

void DataTable::prefetch(const QStringList& keys) {
    // The embedded engine reads a row alone for a fraction of a statement's cost.
    if (!prefetches()) {
        return;
    }
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
            Row row = readRow(m_prefetchQuery);
            cacheRow(row[m_keyColumn].toString(), row);
        }
        m_prefetchQuery.finish();
    }
}

DataTable::Row DataTable::rowForEdit(int row) const {
    const QString& key = m_keys.at(row);
    if (row == m_lastRow + 1 || windowRow(row) != nullptr || m_cache.contains(key)) {
        return rowAt(row);
    }
    // Read alone and not cached: the edit buffer holds it, and after the post
    // the row is read again when it is shown.
    m_lastRow = row;
    return fetchOne(key);
}

const DataTable::Row& DataTable::rowAt(int row) const {
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

QVariant DataTable::value(int column) const {
    requireOpen();
    if (isEditing()) {
        return bufferValue(column);
    }
    if (m_keys.isEmpty()) {
        return {};
    }
    return rowAt(m_row).value(column);
}

QList<QVariant> DataTable::values() const {
    requireOpen();
    if (!isEditing() && !m_keys.isEmpty()) {
        return rowAt(m_row);
    }
    Row row;
    for (int column = 0; column < m_def.columns.size(); ++column) {
        row << value(column);
    }
    return row;
}

QVariant DataTable::valueAt(int row, int column) const {
    if (!isOpen() || row < 0 || row >= rowCount()) {
        return {};
    }
    if (isEditing() && row == m_row && m_state == State::Edit) {
        return bufferValue(column);
    }
    return rowAt(row).value(column);
}

void DataTable::setValue(int column, const QVariant& value) {
    if (!isEditing()) {
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    }
    if (column < 0 || column >= m_buffer.size()) {
        throw Error(QStringLiteral("Field index out of range"));
    }
    const ColumnDef& def = m_def.columns[column];
    QVariant v = value;
    if (!v.isNull() && v.isValid()) {
        switch (def.type) {
            case ColumnType::Text:
                v = v.toString();
                break;
            case ColumnType::Money:
                v = sqlvalue::roundMoney(v.toDouble());
                break;
            case ColumnType::Date:
                v = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
                break;
            case ColumnType::DateTime:
                v = v.typeId() == QMetaType::QDate ? v.toDate().startOfDay() : v.toDateTime();
                break;
        }
    } else {
        v = QVariant();
    }
    if (m_buffer[column] == v && m_buffer[column].isNull() == v.isNull()) {
        return;
    }
    m_buffer[column] = v;
    emit fieldChanged(column);
    if (!m_def.lookupVia.isEmpty() && def.name == m_def.lookupVia) {
        m_lookupsStale = true;
        for (int i = 0; i < m_def.columns.size(); ++i) {
            if (m_def.columns[i].lookup) {
                emit fieldChanged(i);
            }
        }
    }
}

void DataTable::readLookups(Row& row) const {
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

QVariant DataTable::bufferValue(int column) const {
    // The location changed: its building, department and room are read when
    // first asked for (an import that sets thousands of locations asks never).
    if (m_lookupsStale && column >= 0 && column < m_def.columns.size() &&
        m_def.columns[column].lookup) {
        readLookups(m_buffer);
        m_lookupsStale = false;
    }
    return m_buffer.value(column);
}

void DataTable::insert() {
    requireOpen();
    if (isEditing()) {
        cancel();
    }
    m_buffer = Row(m_def.columns.size());
    m_lookupsStale = false;
    m_editKey.clear();
    m_state = State::Insert;
    emit stateChanged();
    emit currentChanged();
}

void DataTable::edit() {
    requireOpen();
    if (m_state == State::Edit) {
        return;
    }
    if (m_keys.isEmpty()) {
        throw Error(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    }
    m_buffer = rowForEdit(m_row);
    m_lookupsStale = false;
    m_original = m_buffer;
    m_editKey = m_keys.at(m_row);
    m_editedOutsideRun = !m_connection.inTransaction();
    m_state = State::Edit;
    emit stateChanged();
}

void DataTable::cancel() {
    if (!isEditing()) {
        return;
    }
    m_buffer.clear();
    m_lookupsStale = false;
    m_state = State::Browse;
    emit stateChanged();
    emit currentChanged();
}

int DataTable::indexOfKey(const QString& key) const {
    if (!m_def.keyOrder) {
        return m_keys.indexOf(key);
    }
    const int row = m_keys.lowerBound(key);
    return row < rowCount() && m_keys.at(row) == key ? row : -1;
}

int DataTable::insertPosition(const QString& key) const {
    if (!m_def.keyOrder) {
        return rowCount();
    }
    // Imports usually arrive in key order: try the end first.
    if (m_keys.isEmpty() || KeyIndex::less(m_keys.last(), key)) {
        return rowCount();
    }
    return m_keys.lowerBound(key);
}

void DataTable::prepareWrites() {
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

EngineErrorText::ValueOf DataTable::bufferValues() const {
    return [this](const QString& column) {
        const int index = m_def.indexOf(column);
        return index >= 0 && index < m_buffer.size() ? m_buffer[index] : QVariant();
    };
}

QString DataTable::writeErrorText(const QSqlQuery& q) const {
    return EngineErrorText::of(q.lastError(), bufferValues());
}

NativeQuery* DataTable::nativeWrite(const QString& sql) const {
    return m_nativePages ? m_connection.nativeQuery(sql) : nullptr;
}

void DataTable::execNative(NativeQuery& statement) const {
    if (!statement.execute()) {
        throw Error(EngineErrorText::translate(statement.errorText(), bufferValues()));
    }
}

void DataTable::storeInsert() {
    const bool journal = m_connection.journalsWrites();
    QList<QVariant> values;
    if (m_connection.holdsWrites()) {
        values.reserve(m_storedIndex.size());
        for (const int c : std::as_const(m_storedIndex)) {
            values << sqlvalue::toSql(m_buffer[c], m_def.columns[c].type);
        }
        m_connection.hold({{m_insertSql, std::move(values)},
                           &m_def,
                           m_storedIndex,
                           true,
                           m_buffer[m_keyColumn].toString(),
                           this});
        return;
    }
    if (NativeQuery* native = nativeWrite(m_insertSql)) {
        for (int i = 0; i < m_storedIndex.size(); ++i) {
            const int c = m_storedIndex[i];
            QVariant value = sqlvalue::toSql(m_buffer[c], m_def.columns[c].type);
            native->bind(i, value);
            if (journal) {
                values << std::move(value);
            }
        }
        execNative(*native);
    } else {
        QSqlQuery& q = m_insertQuery;
        for (int i = 0; i < m_storedIndex.size(); ++i) {
            const int c = m_storedIndex[i];
            QVariant value = sqlvalue::toSql(m_buffer[c], m_def.columns[c].type);
            q.bindValue(i, value);
            if (journal) {
                values << std::move(value);
            }
        }
        const bool ok = q.exec();
        const QString error = ok ? QString() : writeErrorText(q);
        q.finish();
        if (!ok) {
            throw Error(error);
        }
    }
    if (journal) {
        m_connection.journalWrite(m_insertSql, std::move(values));
    }
}

// Only the columns that changed are written: an update of a few columns costs
// the engine much less than rewriting the row and its key index, and runs update
// a hundred thousand rows at a time.
void DataTable::storeUpdate() {
    quint64 changed = 0;
    QStringList sets;
    for (int i = 0; i < m_storedIndex.size(); ++i) {
        const int c = m_storedIndex[i];
        const QVariant& now = m_buffer[c];
        const QVariant& was = m_original.value(c);
        if (now.isNull() != was.isNull() || now != was) {
            changed |= quint64(1) << i;
            sets << m_stored[i] + QStringLiteral(" = ?");
        }
    }
    if (changed == 0) {
        return;
    }
    auto sql = m_updateSql.find(changed);
    if (sql == m_updateSql.end()) {
        sql = m_updateSql.insert(changed,
                                 QStringLiteral("UPDATE ") + m_def.name + QStringLiteral(" SET ") +
                                     sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
                                     m_def.keyColumn + QStringLiteral(" = ?"));
    }
    QList<QVariant> values;
    for (int i = 0; i < m_storedIndex.size(); ++i) {
        if (changed & (quint64(1) << i)) {
            const int c = m_storedIndex[i];
            values << sqlvalue::toSql(m_buffer[c], m_def.columns[c].type);
        }
    }
    values << m_editKey;
    // A changed key is written at once: a held write of the new key could
    // otherwise meet it in the same statement.
    if (m_connection.holdsWrites() && m_buffer[m_keyColumn].toString() == m_editKey) {
        QList<int> columns;
        for (int i = 0; i < m_storedIndex.size(); ++i) {
            if (changed & (quint64(1) << i)) {
                columns << m_storedIndex[i];
            }
        }
        m_connection.hold({{*sql, std::move(values)}, &m_def, columns, false, m_editKey, this});
        return;
    }
    if (NativeQuery* native = nativeWrite(*sql)) {
        for (int i = 0; i < values.size(); ++i) {
            native->bind(i, values[i]);
        }
        execNative(*native);
    } else {
        auto it = m_updateQueries.find(changed);
        if (it == m_updateQueries.end()) {
            QSqlQuery q(m_connection.database());
            if (!q.prepare(*sql)) {
                throw Error(errorText(q));
            }
            it = m_updateQueries.insert(changed, q);
        }
        QSqlQuery& q = *it;
        for (int i = 0; i < values.size(); ++i) {
            q.bindValue(i, values[i]);
        }
        const bool ok = q.exec();
        const QString error = ok ? QString() : writeErrorText(q);
        q.finish();
        if (!ok) {
            throw Error(error);
        }
    }
    m_connection.journalWrite(*sql, std::move(values));
}

// Another desktop may have changed or deleted the row since it was read: the
// row is read again, locked, and saved only when it is still as it was read, so
// that no one's change is overwritten unseen. No lock is held while editing.
void DataTable::storeCheckedUpdate() {
    // Inside the save's own transaction when the window took one; else a short one.
    const bool own = !m_connection.inTransaction();
    if (own) {
        m_connection.beginRowWrite();
    }
    try {
        if (!sameStoredValues(fetchLocked(m_editKey), m_original)) {
            if (own) {
                m_connection.rollback();
            }
            cancel();
            requery();
            throw Error(
                QStringLiteral("Registro alterado por outro usuário. Os dados foram relidos."));
        }
        storeUpdate();
        if (own) {
            m_connection.commit();
        }
    } catch (const Error&) {
        if (own && m_connection.inTransaction()) {
            m_connection.rollback();
        }
        throw;
    }
}

DataTable::Row DataTable::fetchLocked(const QString& key) {
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
    Row row = m_lockedOneQuery.next() ? readRow(m_lockedOneQuery) : Row();
    m_lockedOneQuery.finish();
    return row;
}

bool DataTable::sameStoredValues(const Row& stored, const Row& read) const {
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

void DataTable::post() {
    requireOpen();
    if (!isEditing()) {
        return;
    }
    if (m_beforePost) {
        m_beforePost(*this);
    }
    const QString key = m_buffer[m_keyColumn].toString();
    const bool inserting = m_state == State::Insert;
    if (inserting) {
        storeInsert();
    } else if (!m_editedOutsideRun) {
        // A run holds the register's write lock and read the row inside it.
        storeUpdate();
    } else {
        storeCheckedUpdate();
    }
    // The looked-up columns need no new read: the buffer came with them, and
    // changing the location read them again.
    const bool lookupsKnown = !m_lookupsStale;
    m_lookupsStale = false;
    Row stored = std::move(m_buffer);
    m_buffer.clear();
    m_state = State::Browse;

    if (!inserting && key == m_editKey) {
        keepPosted(m_row, key, std::move(stored), lookupsKnown);
        emit rowUpdated(m_row);
    } else {
        if (!inserting) {
            // The key itself changed: the row moves to its new place.
            const int old = indexOfKey(m_editKey);
            m_cache.remove(m_editKey);
            if (old >= 0) {
                m_keys.removeAt(old);
                emit rowRemoved(old);
            }
        }
        const int row = insertPosition(key);
        m_keys.insert(row, key);
        m_row = row;
        keepPosted(row, key, std::move(stored), lookupsKnown);
        emit rowInserted(row);
    }
    emit stateChanged();
    setCurrent(m_row);
}

void DataTable::remove() {
    requireOpen();
    if (isEditing()) {
        cancel();
    }
    if (m_keys.isEmpty()) {
        throw Error(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    }
    const QString key = m_keys.at(m_row);
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
    const int row = m_row;
    m_keys.removeAt(row);
    m_cache.remove(key);
    emit rowRemoved(row);
    setCurrent(std::min(row, rowCount() - 1));
}

}  // namespace ambitra
