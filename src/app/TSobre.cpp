#include "app/TSobre.h"

#include "ui/widgets/ClickableImage.h"
#include "ui/widgets/Logo.h"
#include "core/common/Conversions.h"

#include <QLabel>

namespace ambitra::ui {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
              int pixelSize, bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    l->setFont(font);
    l->setGeometry(geometry);
    return l;
}

}  // namespace

TSobre::TSobre(const QString& programFile, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Sobre"));
    setWindowTitle(QStringLiteral("Sobre o Ambitra"));
    setFixedSize(312, 206);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* image1 = new ClickableImage(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(makerLogo());
    image1->setGeometry(56, 8, 200, 24);
    image1->setToolTip(makerWebAddress());
    image1->setAccessibleName(makerWebAddress());
    connect(image1, &ClickableImage::clicked, this, &openMakerWebSite);

    label(this, "Label1", QStringLiteral("Ambitra PC"), QRect(8, 40, 296, 26), 19, true);
    QLabel* label2 =
        label(this, "Label2",
              QStringLiteral("Módulo de suporte à comunicação de dados via HotSync® do "
                             "Ambitra - Sistema de Inventário Patrimonial"),
              QRect(8, 70, 296, 44), 12);
    label2->setWordWrap(true);
    m_label3 = label(this, "Label3", QStringLiteral("Versão ") + GetFileVersionText(programFile),
                     QRect(8, 122, 200, 20), 13);
    auto* image2 = new QLabel(this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setPixmap(handheldBadge());
    image2->setGeometry(216, 114, 85, 35);
    label(this, "Label4", makerNoticeLine(), QRect(8, 156, 296, 18), 11);
    label(this, "Label5",
          QStringLiteral("Todas as marcas citadas são de seus respectivos proprietários."),
          QRect(8, 180, 296, 16), 9);
}

}  // namespace ambitra::ui
