#include "core/log/LogModel.h"

#include "core/data/KeysetQuery.h"
#include "core/data/TableModel.h"

#include <QDateTime>
#include <QLocale>

namespace ambitra {

LogModel::LogModel(KeysetQuery& query, QObject* parent)
    : QAbstractTableModel(parent), m_query(query) {}

void LogModel::refresh() {
    beginResetModel();
    endResetModel();
}

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_query.isOpen() ? 0 : m_query.rowCount();
}

int LogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_query.definition().columns.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ColumnDef& def = m_query.definition().columns.at(index.column());
    const QVariant value = m_query.valueAt(index.row(), index.column());
    if (def.type == ColumnType::DateTime && !value.isNull()) {
        // The regional date with the time to the second: log rows of one unload
        // lie seconds apart.
        const QDateTime when = value.toDateTime();
        return QString(QLocale::system().toString(when.date(), QLocale::ShortFormat) + u' ' +
                       when.time().toString(QStringLiteral("HH:mm:ss")));
    }
    return TableModel::displayText(value, static_cast<int>(def.type));
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const QList<ColumnDef>& columns = m_query.definition().columns;
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < columns.size()) {
        return columns[section].label;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

int LogModel::displayWidth(int section) const {
    const ColumnDef& def = m_query.definition().columns.at(section);
    return def.displayWidth > 0 ? def.displayWidth : std::max<int>(def.size, def.label.size());
}

}  // namespace ambitra
