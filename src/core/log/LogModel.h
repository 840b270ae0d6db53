#pragma once

#include <QAbstractTableModel>

namespace ambitra {

class KeysetQuery;

// What the log grid shows of the log query: its five columns with their captions,
// read on demand from the query's pages, so a period of a million rows costs the
// grid nothing but the rows on screen. Empty while the query is closed.
class LogModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit LogModel(KeysetQuery& query, QObject* parent = nullptr);

    // Re-reads the query after it was run, run again or closed.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Display width of a column, in characters.
    int displayWidth(int section) const;

  private:
    KeysetQuery& m_query;
};

}  // namespace ambitra
