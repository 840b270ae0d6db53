#pragma once

#include <QString>

class QWidget;

namespace ambitra::ui {

// The folder picker. Opens on folder when that names an existing folder (it is
// cleared otherwise), else on root, else on the desktop. When the user chooses a
// folder, folder takes its full path and the result is true; when the user
// cancels, the result is false. The program's other windows are blocked while
// the picker is open.
bool BrowseForFolder(const QString& title, const QString& root, QString& folder,
                     QWidget* owner = nullptr);

}  // namespace ambitra::ui
