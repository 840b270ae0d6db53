#include "ui/widgets/DBLookupComboBox.h"

#include "core/data/DataTable.h"
#include "core/data/TableModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>

namespace ambitra::ui {

DBLookupComboBox::DBLookupComboBox(DataTable& list, int displayColumn, QWidget* parent)
    : QComboBox(parent),
      m_list(list),
      m_model(new TableModel(list, this)),
      m_view(new QTableView(this)) {
    m_view->horizontalHeader()->hide();
    m_view->verticalHeader()->hide();
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setModel(m_model);
    setView(m_view);
    setModelColumn(displayColumn);
    setCurrentIndex(-1);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

QString DBLookupComboBox::keyValue() const {
    const int row = currentIndex();
    return row >= 0 && m_list.isOpen() ? m_list.keyAt(row) : QString();
}

void DBLookupComboBox::setKeyValue(const QString& key) {
    const int row = key.isEmpty() || !m_list.isOpen() ? -1 : m_list.indexOfKey(key);
    if (row != currentIndex()) {
        setCurrentIndex(row);
    }
}

void DBLookupComboBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        setCurrentIndex(-1);
        emit cleared();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DBLookupComboBox::showPopup() {
    // The open list shows every column side by side, as wide as they need.
    m_view->resizeColumnsToContents();
    int width = 2 * m_view->frameWidth() + m_view->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_view->setColumnWidth(c, m_view->columnWidth(c) + 8);
        width += m_view->columnWidth(c);
    }
    m_view->setMinimumWidth(std::max(width, this->width()));
    QComboBox::showPopup();
}

}  // namespace ambitra::ui
