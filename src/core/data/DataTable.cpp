#include "core/data/DataTable.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/SqlValue.h"

#include <QDateTime>

#include <algorithm>

namespace ambitra {

DataTable::DataTable(Connection& connection, const TableDef& def, QObject* parent)
    : QObject(parent),
      m_connection(connection),
      m_def(def),
      m_keyColumn(m_def.indexOf(m_def.keyColumn)),
      m_rows(connection, m_def),
      m_writer(connection, m_def, *this) {
    for (int i = 0; i < m_def.columns.size(); ++i) {
        m_fieldIndex.insert(m_def.columns[i].name, i);
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

void DataTable::open() {
    if (isOpen()) {
        return;
    }
    m_rows.open();
    m_writer.open(m_rows.native(), m_rows.oneSql());
    m_rows.loadKeys();
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
    m_rows.close();
    m_writer.close();
    m_buffer.clear();
    m_state = State::Inactive;
    m_bof = m_eof = true;
    emit layoutReset();
    emit stateChanged();
}

void DataTable::requery() {
    requireOpen();
    if (isEditing()) {
        cancel();
    }
    const QString current = keys().value(m_row);
    m_rows.loadKeys();
    emit layoutReset();
    const int row = indexOfKey(current);
    setCurrent(row >= 0 ? row : std::min(m_row, rowCount() - 1));
}

void DataTable::forgetWrite(const QString& key, bool inserted) {
    invalidateCache();
    if (inserted) {
        const int row = indexOfKey(key);
        if (row >= 0) {
            m_rows.keys().removeAt(row);
            emit rowRemoved(row);
            setCurrent(m_row);
        }
    }
}

void DataTable::invalidateCache() {
    m_rows.invalidate();
}

void DataTable::reloadValues() {
    invalidateCache();
    emit valuesChanged();
}

void DataTable::setCurrent(int row) {
    m_row = std::clamp(row, 0, std::max(0, rowCount() - 1));
    m_bof = isEmpty();
    m_eof = isEmpty();
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

int DataTable::indexOfKey(const QString& key) const {
    return m_rows.indexOfKey(key);
}

void DataTable::prefetch(const QStringList& keys) {
    // The embedded engine reads a row alone for a fraction of a statement's cost.
    if (prefetches()) {
        m_rows.prefetch(keys);
    }
}

QVariant DataTable::value(int column) const {
    requireOpen();
    if (isEditing()) {
        return bufferValue(column);
    }
    if (isEmpty()) {
        return {};
    }
    return m_rows.rowAt(m_row).value(column);
}

QList<QVariant> DataTable::values() const {
    requireOpen();
    if (!isEditing() && !isEmpty()) {
        return m_rows.rowAt(m_row);
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
    return m_rows.rowAt(row).value(column);
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

QVariant DataTable::bufferValue(int column) const {
    // The location changed: its building, department and room are read when
    // first asked for (an import that sets thousands of locations asks never).
    if (m_lookupsStale && column >= 0 && column < m_def.columns.size() &&
        m_def.columns[column].lookup) {
        m_rows.readLookups(m_buffer);
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
    if (isEmpty()) {
        throw Error(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    }
    m_buffer = m_rows.rowForEdit(m_row);
    m_lookupsStale = false;
    m_original = m_buffer;
    m_editKey = keys().at(m_row);
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
        m_writer.insert(m_buffer);
    } else if (!m_editedOutsideRun) {
        // A run holds the register's write lock and read the row inside it.
        m_writer.update(m_buffer, m_original, m_editKey);
    } else if (!m_writer.updateUnchanged(m_buffer, m_original, m_editKey)) {
        cancel();
        requery();
        throw Error(QStringLiteral("Registro alterado por outro usuário. Os dados foram relidos."));
    }
    // The looked-up columns need no new read: the buffer came with them, and
    // changing the location read them again.
    const bool lookupsKnown = !m_lookupsStale;
    m_lookupsStale = false;
    Row stored = std::move(m_buffer);
    m_buffer.clear();
    m_state = State::Browse;
    placePosted(key, inserting, std::move(stored), lookupsKnown);
    emit stateChanged();
    setCurrent(m_row);
}

void DataTable::placePosted(const QString& key, bool inserting, Row stored, bool lookupsKnown) {
    if (!inserting && key == m_editKey) {
        m_rows.keepPosted(m_row, key, std::move(stored), lookupsKnown);
        emit rowUpdated(m_row);
        return;
    }
    if (!inserting) {
        // The key itself changed: the row moves to its new place.
        const int old = indexOfKey(m_editKey);
        m_rows.forget(m_editKey);
        if (old >= 0) {
            m_rows.keys().removeAt(old);
            emit rowRemoved(old);
        }
    }
    const int row = m_rows.insertPosition(key);
    m_rows.keys().insert(row, key);
    m_row = row;
    m_rows.keepPosted(row, key, std::move(stored), lookupsKnown);
    emit rowInserted(row);
}

void DataTable::remove() {
    requireOpen();
    if (isEditing()) {
        cancel();
    }
    if (isEmpty()) {
        throw Error(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    }
    const QString key = keys().at(m_row);
    m_writer.remove(key);
    const int row = m_row;
    m_rows.keys().removeAt(row);
    m_rows.forget(key);
    emit rowRemoved(row);
    setCurrent(std::min(row, rowCount() - 1));
}

}  // namespace ambitra
