#include "ui/widgets/DBGrid.h"

#include "core/data/DataTable.h"
#include "core/data/TableModel.h"

#include <QCollator>
#include <QHeaderView>
#include <QPainter>
#include <QPolygon>
#include <QScopedValueRollback>
#include <QSortFilterProxyModel>

namespace ambitra::ui {

namespace {

// The vertical header as a narrow column with a triangle at the current record.
class RecordIndicator : public QHeaderView {
  public:
    RecordIndicator(DataTable& table, DBGrid* grid)
        : QHeaderView(Qt::Vertical, grid), m_table(table), m_grid(grid) {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
    }

    QSize sizeHint() const override { return {12, QHeaderView::sizeHint().height()}; }

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        painter->fillRect(rect, palette().button());
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->drawLine(rect.topRight(), rect.bottomRight());
        if (m_table.isOpen() && m_table.recNo() >= 0 &&
            logicalIndex == m_grid->viewRow(m_table.recNo())) {
            const int h = std::min(rect.height() - 6, 8);
            const int x = rect.left() + (rect.width() - h / 2) / 2;
            const int y = rect.center().y() - h / 2;
            painter->setBrush(palette().color(QPalette::WindowText));
            painter->setPen(Qt::NoPen);
            painter->drawPolygon(
                QPolygon({QPoint(x, y), QPoint(x + h / 2, y + h / 2), QPoint(x, y + h)}));
        }
        painter->restore();
    }

    QSize sectionSizeFromContents(int) const override { return {12, defaultSectionSize()}; }

  private:
    DataTable& m_table;
    DBGrid* m_grid;
};

// The grid's order when sorted by a column: texts as a Portuguese reader orders
// them (letter case and accents aside, numbers within them by their value),
// other values by their own order, rows of equal values in the table's order.
class SortedRows : public QSortFilterProxyModel {
  public:
    explicit SortedRows(QObject* parent) : QSortFilterProxyModel(parent) {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
        m_collator.setNumericMode(true);
    }

  protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        const QVariant a = left.data(sortRole());
        const QVariant b = right.data(sortRole());
        if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString) {
            return m_collator.compare(a.toString(), b.toString()) < 0;
        }
        return QSortFilterProxyModel::lessThan(left, right);
    }

  private:
    QCollator m_collator{QLocale(QLocale::Portuguese, QLocale::Brazil)};
};

}  // namespace

DBGrid::DBGrid(DataTable& table, QWidget* parent)
    : QTableView(parent),
      m_table(table),
      m_model(new TableModel(table, this)),
      m_sorted(new SortedRows(this)) {
    setObjectName(QStringLiteral("DBGrid1"));
    auto* indicator = new RecordIndicator(table, this);
    // Sized before the rows arrive: resizing a million sections afterwards costs
    // a visible moment at every opening.
    indicator->setDefaultSectionSize(fontMetrics().height() + 4);
    setVerticalHeader(indicator);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(TableModel::SortRole);
    setModel(m_sorted);
    // Unsorted until a head is clicked: the table's own order.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The selected row stays visible when another control has the focus.
    QPalette pal = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    }
    setPalette(pal);

    applyColumnWidths();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { rowChosen(current); });
    // After a reset (rows read again, added or removed) the view has lost its row.
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::followTable);
    connect(&m_table, &DataTable::currentChanged, this, &DBGrid::followTable);
    followTable();
}

int DBGrid::columnWidthFor(int characters, const QString& caption) const {
    const int cells = characters * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 8;
    const int title = horizontalHeader()->fontMetrics().horizontalAdvance(caption) + 12;
    return std::max(cells, title);
}

int DBGrid::tableRow(const QModelIndex& viewIndex) const {
    return m_sorted->mapToSource(viewIndex).row();
}

int DBGrid::viewRow(int tableRow) const {
    return m_sorted->mapFromSource(m_model->index(tableRow, 0)).row();
}

void DBGrid::applyColumnWidths() {
    for (int c = 0; c < m_model->columnCount(); ++c) {
        setColumnWidth(
            c, columnWidthFor(m_model->displayWidth(c),
                              m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
    }
}

void DBGrid::followTable() {
    verticalHeader()->viewport()->update();
    const int current = m_table.isOpen() ? m_table.recNo() : -1;
    if (current < 0 || current >= m_model->rowCount()) {
        return;
    }
    const int row = viewRow(current);
    // A row the user moved to in the grid keeps the selection the click made
    // (Ctrl+click adds to it, Shift+click extends it).
    if (m_choosing && currentIndex().row() == row) {
        return;
    }
    if (currentIndex().row() == row && selectionModel()->isRowSelected(row, {})) {
        return;
    }
    m_following = true;
    const QModelIndex index = m_sorted->index(row, std::max(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    m_following = false;
}

void DBGrid::rowChosen(const QModelIndex& current) {
    if (m_following || !current.isValid() || !m_table.isOpen() || m_table.isEditing()) {
        return;
    }
    const int row = tableRow(current);
    if (row != m_table.recNo()) {
        const QScopedValueRollback<bool> choosing(m_choosing, true);
        m_table.moveTo(row);
    }
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}

}  // namespace ambitra::ui
