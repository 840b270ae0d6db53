#pragma once

#include "ui/records/RecordWindow.h"

class QLineEdit;

namespace ambitra {
class TDados;
}

namespace ambitra::ui {

// The locations window "Locais": code, building, department and room.
class TLocais : public RecordWindow {
    Q_OBJECT

  public:
    TLocais(TDados& dados, Prompter& prompter, QSize childArea, QWidget* parent = nullptr);

    QLineEdit* DBEdit1 = nullptr;  // LOCODIGO
    QLineEdit* DBEdit2 = nullptr;  // LOPREDIO
    QLineEdit* DBEdit3 = nullptr;  // LODEPTO
    QLineEdit* DBEdit4 = nullptr;  // LOSALA
};

}  // namespace ambitra::ui
