#pragma once

#include <QAbstractTableModel>
#include <QList>

namespace ambitra {

class DataTable;

// What a grid shows of a table: its visible columns (looked-up ones included) with
// their captions, display widths and the program's formats. Reads rows through the
// table on demand, so opening a grid on 100,000 rows copies nothing.
class TableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // The stored value of a cell, by which a grid sorts its rows.
    static constexpr int SortRole = Qt::UserRole;

    explicit TableModel(DataTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Display width of a grid column, in characters.
    int displayWidth(int section) const;
    DataTable& table() { return m_table; }

    // The text a grid cell shows for a value of a column.
    static QString displayText(const QVariant& value, int columnType);

  private:
    DataTable& m_table;
    QList<int> m_columns;
};

}  // namespace ambitra
