#pragma once

#include <QLabel>

namespace ambitra::ui {

// A picture that acts on a click (the logos), with the hand pointer.
class ClickableImage : public QLabel {
    Q_OBJECT

  public:
    explicit ClickableImage(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace ambitra::ui
