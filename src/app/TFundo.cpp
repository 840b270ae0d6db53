#include "app/TFundo.h"

#include "ui/widgets/ClickableImage.h"
#include "ui/widgets/Logo.h"

#include <QPainter>

namespace ambitra::ui {

TFundo::TFundo(QWidget* parent) : QWidget(parent), m_image2(new ClickableImage(this)) {
    setObjectName(QStringLiteral("Fundo"));
    setWindowTitle(QStringLiteral("Papel de Parede"));
    setFocusPolicy(Qt::NoFocus);
    m_image2->setObjectName(QStringLiteral("Image2"));
    m_image2->setPixmap(makerLogo());
    m_image2->setFixedSize(200, 24);
    m_image2->setToolTip(makerWebAddress());
    m_image2->setAccessibleName(makerWebAddress());
    connect(m_image2, &ClickableImage::clicked, this, &openMakerWebSite);
}

void TFundo::paintEvent(QPaintEvent*) {
    // The window is frameless, so its outer size is its own size.
    const int w = width();
    const int h = height();
    if (w == 0 || h == 0) {
        return;
    }
    QPainter p(this);
    // 256 bands from black downwards; bands below the bottom edge are not seen.
    const int b = bandHeight(h);
    for (int i = 0; i < 256; ++i) {
        p.fillRect(QRect(0, i * b, w, b), QColor(i, i, i));
    }
}

void TFundo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (width() != 0 && height() != 0) {
        m_image2->move(width() - m_image2->width() - 10, height() - m_image2->height() - 10);
    }
}

}  // namespace ambitra::ui
