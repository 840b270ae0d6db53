#pragma once

#include "core/data/KeyIndex.h"
#include "core/data/Schema.h"

#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace ambitra {

class Connection;
class NativeQuery;

// The rows of an open table: the ordered list of its keys, and the rows read on
// demand, a page at a time when they are asked for in order (grids, exports),
// one at a time when asked for out of order (look-ups, runs over files in any
// order), kept by key. Also reads the looked-up columns of a row (an asset's
// building, department and room come from its location).
class RowPages {
  public:
    using Row = QList<QVariant>;

    RowPages(Connection& connection, const TableDef& def);

    // Prepares the reading statements; raises engine errors.
    void open();
    void close();
    // Rows are read through the engine's own interface.
    bool native() const { return m_nativePages; }
    // The statement that reads the row of one key.
    const QString& oneSql() const { return m_oneSql; }

    KeyIndex& keys() { return m_keys; }
    const KeyIndex& keys() const { return m_keys; }
    // Reads the keys again (the cached rows go).
    void loadKeys();
    // Row index of a key, or -1.
    int indexOfKey(const QString& key) const;
    // Where a new key goes.
    int insertPosition(const QString& key) const;

    const Row& rowAt(int row);
    // The row to edit, read without keeping a copy when out of order.
    Row rowForEdit(int row);
    void prefetch(const QStringList& keys);
    // A row just stored at this place: the page takes its values when it holds
    // the place, and no older copy stays behind.
    void keepPosted(int row, const QString& key, Row stored, bool lookupsKnown);
    void forget(const QString& key) { m_cache.remove(key); }
    void invalidate();

    // Fills the looked-up columns of a row from its location.
    void readLookups(Row& row);
    // A row as the driver gives it, in the columns' own types.
    static Row readRow(const QSqlQuery& query, const TableDef& def);

  private:
    void fetchPage(int row);
    QList<Row> fetchNativePage(int row);
    void placePage(int row, QList<Row>& rows);
    const Row* windowRow(int row) const;
    Row fetchOne(const QString& key);
    void cacheRow(const QString& key, const Row& row);

    Connection& m_connection;
    const TableDef& m_def;
    int m_keyColumn = 0;
    KeyIndex m_keys;  // sorted by key (code-point order) when keyOrder
    // The last page read: rows m_windowStart.. in key order. Sequential reads
    // and grids are served from it; a row counts only while its key is still
    // at that place, so inserts and removals need no bookkeeping here.
    int m_windowStart = 0;
    QStringList m_windowKeys;
    QList<Row> m_windowRows;  // an empty row: a place the page did not fill
    int m_lastRow = -1;       // the row asked for last
    // Rows posted or read alone, by key.
    QHash<QString, Row> m_cache;
    QSqlQuery m_pageQuery;
    QString m_pageSql;
    QString m_oneSql;
    bool m_nativePages = false;
    QSqlQuery m_oneQuery;
    QSqlQuery m_prefetchQuery;
    QSqlQuery m_lookupQuery;
};

}  // namespace ambitra
