#pragma once

#include <QTableView>

class QSortFilterProxyModel;

namespace ambitra {
class DataTable;
class TableModel;
}  // namespace ambitra

namespace ambitra::ui {

// The read-only grid over a whole table: the table's visible columns with their
// captions and display widths, whole-row selection that stays visible without the
// focus, and a marker beside the current record. The grid's current row and the
// table's current record follow each other.
class DBGrid : public QTableView {
    Q_OBJECT

  public:
    explicit DBGrid(DataTable& table, QWidget* parent = nullptr);

    // Width in pixels of a column of that many characters under that caption.
    int columnWidthFor(int characters, const QString& caption) const;
    // A click on a column's head sorts the rows shown by it (again: the other
    // way round); the table keeps its own order. These map between the two.
    int tableRow(const QModelIndex& viewIndex) const;
    int viewRow(int tableRow) const;

  signals:
    // A double click anywhere in the grid.
    void dblClick();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void applyColumnWidths();
    void followTable();
    void rowChosen(const QModelIndex& current);

    DataTable& m_table;
    TableModel* m_model;
    QSortFilterProxyModel* m_sorted;
    bool m_following = false;
    bool m_choosing = false;  // the grid itself moves the table
};

}  // namespace ambitra::ui
