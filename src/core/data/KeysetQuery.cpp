#include "core/data/KeysetQuery.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/SqlValue.h"

#include <QSqlError>

namespace ambitra {

namespace {

// Rows read per fetch, and how many pages stay cached: a grid shows a page or
// two at a time, an export walks them in order.
constexpr int kPageSize = 256;
constexpr int kPagesKept = 32;

}  // namespace

KeysetQuery::KeysetQuery(Connection& connection, const TableDef& table)
    : Statement(connection), m_table(table) {
    for (int c = 0; c < table.columns.size(); ++c) {
        if (!table.columns[c].lookup) {
            m_stored << c;
        }
    }
}

void KeysetQuery::open() {
    close();
    QSqlQuery& q = prepared();
    q.setForwardOnly(true);
    if (!q.exec()) {
        const QString text = errorText(q);
        q.finish();
        throw Error(text);
    }
    while (q.next()) {
        m_keys.append(q.value(0).toLongLong());
    }
    q.finish();
    m_row = 0;
    m_open = true;
}

void KeysetQuery::close() {
    // Prepared again on the next open: the connection may close in between.
    m_fetch = QSqlQuery();
    m_fetchPreparedFor = -1;
    m_keys.clear();
    m_pages.clear();
    m_row = 0;
    m_open = false;
}

QVariant KeysetQuery::value(const QString& name) const {
    const int column = columnIndex(name);
    if (column < 0) {
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    }
    if (eof()) {
        throw Error(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    }
    return valueAt(m_row, column);
}

QVariant KeysetQuery::valueAt(int row, int column) const {
    if (column < 0 || column >= m_table.columns.size()) {
        return {};
    }
    return sqlvalue::fromSql(storedAt(row, column), m_table.columns[column].type);
}

QVariant KeysetQuery::storedAt(int row, int column) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    return page(row / kPageSize).rows.value(row % kPageSize).value(column);
}

void KeysetQuery::prepareFetch() const {
    if (m_fetchPreparedFor == m_connection.generation()) {
        return;
    }
    QStringList marks;
    for (int i = 0; i < kPageSize; ++i) {
        marks << QStringLiteral("?");
    }
    const QString text =
        QStringLiteral("SELECT rowid, ") + m_table.storedColumns().join(QStringLiteral(", ")) +
        QStringLiteral(" FROM ") + m_table.name + QStringLiteral(" WHERE rowid IN (") +
        marks.join(QLatin1Char(',')) + QLatin1Char(')');
    m_fetch = QSqlQuery(m_connection.database());
    m_fetch.setForwardOnly(true);
    if (!m_fetch.prepare(text)) {
        throw Error(errorText(m_fetch));
    }
    m_fetchPreparedFor = m_connection.generation();
}

const KeysetQuery::Page& KeysetQuery::page(int number) const {
    auto found = m_pages.find(number);
    if (found != m_pages.end()) {
        found->used = ++m_clock;
        return *found;
    }
    if (m_pages.size() >= kPagesKept) {
        auto oldest = m_pages.begin();
        for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
            if (it->used < oldest->used) {
                oldest = it;
            }
        }
        m_pages.erase(oldest);
    }
    prepareFetch();
    const int begin = number * kPageSize;
    const int count = std::min(kPageSize, rowCount() - begin);
    QHash<qint64, int> slot;
    for (int i = 0; i < kPageSize; ++i) {
        // A short last page repeats its first key in the unused places.
        const qint64 key = m_keys[begin + (i < count ? i : 0)];
        m_fetch.bindValue(i, key);
        if (i < count) {
            slot.insert(key, i);
        }
    }
    if (!m_fetch.exec()) {
        const QString text = errorText(m_fetch);
        m_fetch.finish();
        throw Error(text);
    }
    Page page;
    page.rows.resize(count);
    while (m_fetch.next()) {
        const int at = slot.value(m_fetch.value(0).toLongLong(), -1);
        if (at < 0) {
            continue;
        }
        Row row(m_table.columns.size());
        for (int i = 0; i < m_stored.size(); ++i) {
            row[m_stored[i]] = m_fetch.value(i + 1);
        }
        page.rows[at] = row;
    }
    m_fetch.finish();
    page.used = ++m_clock;
    return *m_pages.insert(number, page);
}

}  // namespace ambitra
