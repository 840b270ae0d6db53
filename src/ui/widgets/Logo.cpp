#include "ui/widgets/Logo.h"

#include <QDesktopServices>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

namespace ambitra::ui {

QString makerWebAddress() {
    return QStringLiteral("https://www.ambitra.example");
}

QString makerNoticeLine() {
    return QStringLiteral("© Ambitra. Todos os direitos reservados.");
}

QPixmap makerLogo() {
    QPixmap pixmap(200, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // An emblem of three stacked bars, like shelves of an inventory.
    const QColor blue(0x1F, 0x4E, 0x8C);
    const QColor teal(0x2A, 0x9D, 0x8F);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(2, 3, 18, 5), 1.5, 1.5);
    p.setBrush(teal);
    p.drawRoundedRect(QRectF(2, 10, 14, 5), 1.5, 1.5);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(2, 17, 18, 5), 1.5, 1.5);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    font.setBold(true);
    p.setFont(font);
    p.setPen(blue);
    p.drawText(QRect(26, 0, 174, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Ambitra"));
    return pixmap;
}

QPixmap handheldBadge() {
    QPixmap pixmap(85, 35);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A small handheld with a screen, and a sync arrow beside it.
    p.setPen(QPen(QColor(0x44, 0x44, 0x44), 1.5));
    p.setBrush(QColor(0xDD, 0xDD, 0xDD));
    p.drawRoundedRect(QRectF(3, 2, 20, 31), 3, 3);
    p.setBrush(QColor(0x9F, 0xC5, 0x9F));
    p.drawRect(QRectF(6, 5, 14, 14));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x1F, 0x4E, 0x8C));
    p.drawText(QRect(27, 0, 58, 35), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Coletor"));
    return pixmap;
}

void openMakerWebSite() {
    QDesktopServices::openUrl(QUrl(makerWebAddress()));
}

}  // namespace ambitra::ui
