#pragma once

#include "core/data/Query.h"
#include "core/data/Schema.h"

#include <QHash>
#include <QList>
#include <QSqlQuery>

namespace ambitra {

// A query over one table whose result is held as the rowids of its rows, in the
// query's order; the rows themselves are read a page at a time when they are
// asked for. A period of the inventory log can hold a million rows: the grid and
// the export read them without ever holding them all in memory, and selecting
// the period is an index-only scan.
//
// The text must select the rowid alone ("SELECT rowid FROM Log WHERE ... ORDER
// BY ..."); the columns are those of the table definition.
class KeysetQuery : public Statement {
  public:
    KeysetQuery(Connection& connection, const TableDef& table);

    void open();  // raises on an engine error
    void close();
    void requery() { open(); }
    bool isOpen() const { return m_open; }
    bool isEmpty() const { return m_keys.isEmpty(); }
    int rowCount() const { return static_cast<int>(m_keys.size()); }

    // Current row, for callers that walk the result.
    void first() { m_row = 0; }
    void last() { m_row = std::max(0, rowCount() - 1); }
    void next() { ++m_row; }
    bool eof() const { return m_row >= rowCount(); }
    int position() const { return m_row; }
    void moveTo(int row) { m_row = row; }

    const TableDef& definition() const { return m_table; }
    QStringList columnNames() const { return m_table.storedColumns(); }
    int columnIndex(const QString& name) const { return m_table.indexOf(name); }
    // Value of a column of the current row; raises past the end.
    QVariant value(const QString& name) const;
    // Value of any row (a row deleted since the selection reads as nulls).
    QVariant valueAt(int row, int column) const;
    // The value as the database holds it (moments as their stored text): for
    // callers that walk every row and need no conversion.
    QVariant storedAt(int row, int column) const;

  private:
    // Rows are kept as stored and converted when read: a moment costs a time-zone
    // look-up to build, which an export of a million rows should not pay.
    using Row = QList<QVariant>;
    struct Page {
        QList<Row> rows;
        quint64 used = 0;  // for dropping the least recently used page
    };

    const Page& page(int number) const;
    void prepareFetch() const;

    const TableDef& m_table;
    QList<int> m_stored;  // the table's columns that are stored, not looked up
    QList<qint64> m_keys;
    bool m_open = false;
    int m_row = 0;
    mutable QSqlQuery m_fetch;
    mutable int m_fetchPreparedFor = -1;
    mutable QHash<int, Page> m_pages;
    mutable quint64 m_clock = 0;
};

}  // namespace ambitra
