#pragma once

#include <QDialog>

class QLabel;

namespace ambitra::ui {

class ClickableImage;

// The about box: product name, description and the program's version.
class TSobre : public QDialog {
    Q_OBJECT

  public:
    // programFile: the file whose version the box shows.
    explicit TSobre(const QString& programFile, QWidget* parent = nullptr);

    QLabel* versionLabel() const { return m_label3; }

  private:
    QLabel* m_label3;
};

}  // namespace ambitra::ui
