#include "ui/records/PanelBuilder.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace ambitra::ui {

PanelBuilder::PanelBuilder(QWidget* container)
    : m_container(container), m_layout(new QFormLayout(container)) {
    m_layout->setContentsMargins(6, 6, 6, 6);
    m_layout->setHorizontalSpacing(6);
    m_layout->setVerticalSpacing(4);
    m_layout->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_layout->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
}

int PanelBuilder::widthFor(const QWidget* control, int characters) {
    return characters * control->fontMetrics().horizontalAdvance(QLatin1Char('0')) + 12;
}

QLineEdit* PanelBuilder::lineEdit(const char* name, const char* caption, int characters) {
    auto* edit = new QLineEdit(m_container);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(widthFor(edit, characters));
    addRow(caption, edit, edit);
    return edit;
}

void PanelBuilder::addRow(const char* caption, QWidget* field, QWidget* buddy) {
    m_lastLabel = new QLabel(QString::fromUtf8(caption), m_container);
    m_lastLabel->setBuddy(buddy);
    buddy->setAccessibleName(m_lastLabel->text());
    m_layout->addRow(m_lastLabel, field);
}

}  // namespace ambitra::ui
