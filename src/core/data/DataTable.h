#pragma once

#include "core/data/RowPages.h"
#include "core/data/RowWriter.h"
#include "core/data/Schema.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace ambitra {

class Connection;

// One table of the register opened whole, in the order of its key, with a current
// row, browse/insert/edit states and an edit buffer, as the windows, the HotSync
// runs and the imports use it.
//
// Only the ordered list of keys is held in memory; rows are read on demand (a page
// at a time when they are asked for in order, as grids and exports do, one at a
// time when asked for out of order, as look-ups do) and cached by key, so a table
// of a million rows opens in a fraction of a second and finding a key is a binary
// search, not a scan. The rows are read by RowPages and stored by RowWriter;
// this class keeps the current row, the state and the edit buffer.
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

    int rowCount() const { return keys().size(); }
    bool isEmpty() const { return keys().isEmpty(); }
    // Current row, 0-based; -1 when the table is empty.
    int recNo() const { return keys().isEmpty() ? -1 : m_row; }
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
    bool prefetches() const { return isOpen() && !m_rows.native(); }
    QString keyAt(int row) const { return keys().value(row); }

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

    const KeyIndex& keys() const { return m_rows.keys(); }
    void requireOpen() const;
    // A value of the edit buffer; a looked-up one is read if the location changed.
    QVariant bufferValue(int column) const;
    void setCurrent(int row);
    // The stored row takes its place among the keys and in the pages.
    void placePosted(const QString& key, bool inserting, Row stored, bool lookupsKnown);

    Connection& m_connection;
    TableDef m_def;
    int m_keyColumn = 0;
    QHash<QString, int> m_fieldIndex;  // exact column name -> index
    State m_state = State::Inactive;
    mutable RowPages m_rows;
    RowWriter m_writer;
    int m_row = 0;
    bool m_bof = true;
    bool m_eof = true;
    mutable Row m_buffer;
    mutable bool m_lookupsStale = false;  // the location changed since they were read
    Row m_original;                       // the row as it was when editing began
    QString m_editKey;
    bool m_editedOutsideRun = false;  // read before a run's transaction: check on save
    Hook m_beforePost;
    Hook m_afterOpen;
};

}  // namespace ambitra
