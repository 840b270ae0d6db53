#pragma once

class QFormLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace ambitra::ui {

// Lays out labelled controls in rows on a panel or group box: caption on the
// left, as the control's buddy, control on the right, sized in characters.
class PanelBuilder {
  public:
    explicit PanelBuilder(QWidget* container);

    QLineEdit* lineEdit(const char* name, const char* caption, int characters);
    // Adds a control (or a row holding it) under a caption; buddy is the control
    // the caption names.
    void addRow(const char* caption, QWidget* field, QWidget* buddy);
    QLabel* lastLabel() const { return m_lastLabel; }
    QFormLayout* layout() const { return m_layout; }

    // Width of a control that shows that many characters.
    static int widthFor(const QWidget* control, int characters);

  private:
    QWidget* m_container;
    QFormLayout* m_layout;
    QLabel* m_lastLabel = nullptr;
};

}  // namespace ambitra::ui
