#pragma once

#include <QDialog>

namespace ambitra::ui {

// The about box: product name, description and the program's version.
class TSobre : public QDialog {
    Q_OBJECT

  public:
    // programFile: the file whose version the box shows.
    explicit TSobre(const QString& programFile, QWidget* parent = nullptr);
};

}  // namespace ambitra::ui
