#pragma once

#include "core/data/EngineErrorText.h"
#include "core/data/KeyIndex.h"
#include "core/data/Schema.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace ambitra {

class Connection;
class NativeQuery;

// One table of the register opened whole, in the order of its key, with a current
// row, browse/insert/edit states and an edit buffer, as the windows, the HotSync
// runs and the imports use it.
//
// Only the ordered list of keys is held in memory; rows are read on demand (a page
// at a time when they are asked for in order, as grids and exports do, one at a
// time when asked for out of order, as look-ups do) and cached by key, so a table
// of a million rows opens in a fraction of a second and finding a key is a binary
// search, not a scan.
class DataTable : public QObject {
    Q_OBJECT

  public:
    enum class State { Inactive, Browse, Insert, Edit };
    using Hook = std::function<void(DataTable&)>;

    DataTable(Connection& connection, const TableDef& def, QObject* parent = nullptr);
    ~DataTable() override;

    const TableDef& definition() const { return m_def; }
    Connection& connection() const { return m_connection; }
    const QString& tableName() const { return m_def.name; }
    const QList<ColumnDef>& columns() const { return m_def.columns; }
    // Index of a column by name (letter case ignored); raises "Field '%s' not found".
    int fieldIndex(const QString& name) const;
    bool hasField(const QString& name) const { return m_def.indexOf(name) >= 0; }

    // Hooks run before every save (may change the buffer) and after every open.
    void setBeforePost(Hook hook) { m_beforePost = std::move(hook); }
    void setAfterOpen(Hook hook) { m_afterOpen = std::move(hook); }

    void open();
    void close();
    // Reads the table again (other writers, a "DELETE FROM"); keeps the current key
    // when it still exists.
    void requery();
    // Opens the table, or reads it again when it is open: a run's fresh view of it.
    void openOrRequery() {
        if (isOpen()) {
            requery();
        } else {
            open();
        }
    }
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Insert || m_state == State::Edit; }

    int rowCount() const { return static_cast<int>(m_keys.size()); }
    bool isEmpty() const { return m_keys.isEmpty(); }
    // Current row, 0-based; -1 when the table is empty.
    int recNo() const { return m_keys.isEmpty() ? -1 : m_row; }
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    // Makes the row with exactly this key current; false (and no move) when none.
    bool locate(const QString& key);
    // Row index of a key, or -1.
    int indexOfKey(const QString& key) const;
    // Reads in one statement the rows of keys a run is about to edit that are
    // not at hand, where reading each alone would cost a server's round trip.
    void prefetch(const QStringList& keys);
    // Whether prefetch() reads anything on this engine.
    bool prefetches() const { return isOpen() && !m_nativePages; }
    QString keyAt(int row) const { return m_keys.value(row); }

    // Values of the current row, or of the edit buffer while inserting or editing.
    QVariant value(int column) const;
    QVariant value(const QString& name) const { return value(fieldIndex(name)); }
    bool isNull(const QString& name) const { return value(name).isNull(); }
    QString text(const QString& name) const { return value(name).toString(); }
    // Every value of the current row at once, for runs over a whole table that
    // would otherwise find the row again for each column.
    QList<QVariant> values() const;
    // Values of any row, for grids (the looked-up columns included).
    QVariant valueAt(int row, int column) const;

    // Changes a column of the edit buffer; only while inserting or editing.
    void setValue(int column, const QVariant& value);
    void setValue(const QString& name, const QVariant& value) { setValue(fieldIndex(name), value); }
    void setNull(const QString& name) { setValue(name, QVariant()); }

    void insert();  // a new blank row
    void edit();    // the current row; raises when the table is empty
    void post();    // runs the before-save hook, stores; raises on engine errors
    void cancel();
    void remove();  // deletes the current row

    // A write a run held back (see RecordBatch) will never be made: the row is
    // read again as the engine holds it, and an inserted one is gone.
    void forgetWrite(const QString& key, bool inserted);
    // Drops cached rows (another connection or statement changed the table).
    void invalidateCache();
    // Drops cached rows and has views show the values anew: a table whose rows
    // this one looks up has changed.
    void reloadValues();

  signals:
    void stateChanged();
    void currentChanged();
    void fieldChanged(int column);
    void layoutReset();  // rows read again
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowUpdated(int row);
    // Cached rows were dropped: what was shown may have changed.
    void valuesChanged();

  private:
    using Row = QList<QVariant>;

    void requireOpen() const;
    void loadKeys();
    const Row& rowAt(int row) const;
    // The row to edit, read without keeping a copy when out of order.
    Row rowForEdit(int row) const;
    void fetchPage(int row) const;
    QList<Row> fetchNativePage(int row) const;
    void placePage(int row, QList<Row>& rows) const;
    Row nativeRow(const NativeQuery& query) const;
    const Row* windowRow(int row) const;
    void keepPosted(int row, const QString& key, Row stored, bool lookupsKnown);
    Row fetchOne(const QString& key) const;
    Row readRow(const QSqlQuery& query) const;
    void prepareWrites();
    // The values of the row written, for the user's text of a failed write.
    EngineErrorText::ValueOf bufferValues() const;
    QString writeErrorText(const QSqlQuery& q) const;
    // A write statement on the engine's own interface; null for other engines.
    NativeQuery* nativeWrite(const QString& sql) const;
    void execNative(NativeQuery& statement) const;
    void storeInsert();
    void storeUpdate();
    void storeCheckedUpdate();
    // The stored row of a key, locked until the transaction ends; empty when gone.
    Row fetchLocked(const QString& key);
    bool sameStoredValues(const Row& stored, const Row& read) const;
    // Fills the looked-up columns of a row from its location.
    void readLookups(Row& row) const;
    // A value of the edit buffer; a looked-up one is read if the location changed.
    QVariant bufferValue(int column) const;
    void setCurrent(int row);
    void cacheRow(const QString& key, const Row& row) const;
    int insertPosition(const QString& key) const;

    Connection& m_connection;
    TableDef m_def;
    int m_keyColumn = 0;
    QHash<QString, int> m_fieldIndex;  // exact column name -> index
    QStringList m_stored;              // stored columns, in order
    QList<int> m_storedIndex;
    State m_state = State::Inactive;
    KeyIndex m_keys;  // sorted by key (code-point order) when keyOrder
    int m_row = 0;
    bool m_bof = true;
    bool m_eof = true;
    mutable Row m_buffer;
    mutable bool m_lookupsStale = false;  // the location changed since they were read
    Row m_original;                       // the row as it was when editing began
    QString m_editKey;
    bool m_editedOutsideRun = false;  // read before a run's transaction: check on save
    // The last page read: rows m_windowStart.. in key order. Sequential reads
    // and grids are served from it; a row counts only while its key is still
    // at that place, so inserts and removals need no bookkeeping here.
    mutable int m_windowStart = 0;
    mutable QStringList m_windowKeys;
    mutable QList<Row> m_windowRows;  // an empty row: a place the page did not fill
    mutable int m_lastRow = -1;       // the row asked for last
    // Rows posted or read alone, by key.
    mutable QHash<QString, Row> m_cache;
    mutable QSqlQuery m_pageQuery;
    QString m_pageSql;
    QString m_oneSql;
    bool m_nativePages = false;  // rows read through the engine's own interface
    mutable QSqlQuery m_oneQuery;
    QSqlQuery m_prefetchQuery;
    mutable QSqlQuery m_lookupQuery;
    QSqlQuery m_lockedOneQuery;
    QString m_insertSql;
    QSqlQuery m_insertQuery;
    QHash<quint64, QString> m_updateSql;        // by the set of changed columns
    QHash<quint64, QSqlQuery> m_updateQueries;  // the same, for other engines
    Hook m_beforePost;
    Hook m_afterOpen;
};

}  // namespace ambitra
