#include "core/data/TableModel.h"

#include "core/data/DataTable.h"

#include <QDateTime>
#include <QLocale>

namespace ambitra {

TableModel::TableModel(DataTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {
    const QList<ColumnDef>& columns = table.columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].visible) {
            m_columns << i;
        }
    }
    auto reset = [this] {
        beginResetModel();
        endResetModel();
    };
    connect(&m_table, &DataTable::layoutReset, this, reset);
    connect(&m_table, &DataTable::rowInserted, this, reset);
    connect(&m_table, &DataTable::rowRemoved, this, reset);
    connect(&m_table, &DataTable::rowUpdated, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); });
    connect(&m_table, &DataTable::valuesChanged, this, [this] {
        if (rowCount() > 0) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        }
    });
    connect(&m_table, &DataTable::fieldChanged, this, [this](int) {
        if (m_table.state() == DataTable::State::Edit && m_table.recNo() >= 0) {
            const int row = m_table.recNo();
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        }
    });
}

int TableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_table.isOpen() ? 0 : m_table.rowCount();
}

int TableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString TableModel::displayText(const QVariant& value, int columnType) {
    if (value.isNull()) {
        return QString();
    }
    switch (static_cast<ColumnType>(columnType)) {
        case ColumnType::Money:
            // "##,###,##0.000" with the regional separators.
            return QLocale::system().toString(value.toDouble(), 'f', 3);
        case ColumnType::Date:
            return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        case ColumnType::DateTime:
            return QLocale::system().toString(value.toDateTime(), QLocale::ShortFormat);
        case ColumnType::Text:
            break;
    }
    return value.toString();
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= m_columns.size()) {
        return {};
    }
    const int column = m_columns[index.column()];
    const ColumnDef& def = m_table.columns()[column];
    if (role == Qt::DisplayRole) {
        return displayText(m_table.valueAt(index.row(), column), static_cast<int>(def.type));
    }
    if (role == SortRole) {
        return m_table.valueAt(index.row(), column);
    }
    if (role == Qt::TextAlignmentRole && def.type == ColumnType::Money) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_columns.size()) {
        return m_table.columns()[m_columns[section]].label;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

int TableModel::displayWidth(int section) const {
    const ColumnDef& def = m_table.columns()[m_columns.value(section)];
    if (def.displayWidth > 0) {
        return def.displayWidth;
    }
    return std::max<int>(def.size, static_cast<int>(def.label.size()));
}

}  // namespace ambitra
