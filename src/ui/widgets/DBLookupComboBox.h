#pragma once

#include <QComboBox>

class QTableView;

namespace ambitra {
class DataTable;
class TableModel;
}  // namespace ambitra

namespace ambitra::ui {

// A choice from the rows of a look-up table, keyed by its key column: the open
// list shows the table's visible columns, the closed box one of them. The Delete
// key clears the choice.
class DBLookupComboBox : public QComboBox {
    Q_OBJECT

  public:
    // displayColumn: the grid column the closed box shows.
    DBLookupComboBox(DataTable& list, int displayColumn, QWidget* parent = nullptr);

    // Key of the chosen row; empty when none is chosen.
    QString keyValue() const;
    // Chooses the row with that key; none when it is not in the list.
    void setKeyValue(const QString& key);

  signals:
    // The user cleared the choice with the Delete key.
    void cleared();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showPopup() override;

  private:
    DataTable& m_list;
    TableModel* m_model;
    QTableView* m_view;
};

}  // namespace ambitra::ui
