#include "app/ApplicationName.h"

#include <QCoreApplication>

namespace ambitra::ui {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Ambitra PC"));
}

}  // namespace ambitra::ui
