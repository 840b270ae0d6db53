#include "ui/widgets/BrowseForFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace ambitra::ui {

bool BrowseForFolder(const QString& title, const QString& root, QString& folder, QWidget* owner) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder.clear();
    }
    QString start = folder;
    if (start.isEmpty()) {
        start = root.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                               : root;
    }
    if (owner == nullptr) {
        owner = QApplication::activeWindow();
    }
    const QString chosen =
        QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return false;
    }
    folder = QDir::toNativeSeparators(QDir::cleanPath(chosen));
    return true;
}

}  // namespace ambitra::ui
