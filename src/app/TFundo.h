#pragma once

#include <QWidget>

namespace ambitra::ui {

class ClickableImage;

// The wallpaper: a child window without title bar that fills the main window's
// client area behind the other children, with a grey gradient and the logo in its
// bottom-right corner. Closing all child windows leaves it (its tag is -1).
class TFundo : public QWidget {
    Q_OBJECT

  public:
    explicit TFundo(QWidget* parent = nullptr);

    // Height of one of the 256 gradient bands for a window of that height.
    static int bandHeight(int windowHeight) { return (windowHeight + 255) / 256; }

    ClickableImage* logo() const { return m_image2; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    ClickableImage* m_image2;
};

}  // namespace ambitra::ui
