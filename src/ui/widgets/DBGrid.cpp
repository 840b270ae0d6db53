#include "ui/widgets/DBGrid.h"

#include "core/data/DataTable.h"
#include "core/data/TableModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QPolygon>
#include <QScopedValueRollback>

namespace ambitra::ui {

namespace {

// The vertical header as a narrow column with a triangle at the current record.
class RecordIndicator : public QHeaderView {
  public:
    RecordIndicator(DataTable& table, QWidget* parent)
        : QHeaderView(Qt::Vertical, parent), m_table(table) {
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
        if (m_table.isOpen() && logicalIndex == m_table.recNo()) {
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
};

}  // namespace

DBGrid::DBGrid(DataTable& table, QWidget* parent)
    : QTableView(parent), m_table(table), m_model(new TableModel(table, this)) {
    setObjectName(QStringLiteral("DBGrid1"));
    auto* indicator = new RecordIndicator(table, this);
    // Sized before the rows arrive: resizing a million sections afterwards costs
    // a visible moment at every opening.
    indicator->setDefaultSectionSize(fontMetrics().height() + 4);
    setVerticalHeader(indicator);
    setModel(m_model);
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

void DBGrid::applyColumnWidths() {
    for (int c = 0; c < m_model->columnCount(); ++c) {
        setColumnWidth(
            c, columnWidthFor(m_model->displayWidth(c),
                              m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
    }
}

void DBGrid::followTable() {
    verticalHeader()->viewport()->update();
    const int row = m_table.isOpen() ? m_table.recNo() : -1;
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    // A row the user moved to in the grid keeps the selection the click made
    // (Ctrl+click adds to it, Shift+click extends it).
    if (m_choosing && currentIndex().row() == row) {
        return;
    }
    if (currentIndex().row() == row && selectionModel()->isRowSelected(row, {})) {
        return;
    }
    m_following = true;
    const QModelIndex index = m_model->index(row, std::max(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    m_following = false;
}

void DBGrid::rowChosen(const QModelIndex& current) {
    if (m_following || !current.isValid() || !m_table.isOpen() || m_table.isEditing()) {
        return;
    }
    if (current.row() != m_table.recNo()) {
        const QScopedValueRollback<bool> choosing(m_choosing, true);
        m_table.moveTo(current.row());
    }
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}

}  // namespace ambitra::ui
