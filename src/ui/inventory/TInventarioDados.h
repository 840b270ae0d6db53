#pragma once

#include "core/inventory/InventoryStore.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTableWidget;

namespace ambitra {
class Prompter;
}

namespace ambitra::ui {

// The data of an inventory as the user enters them: title, kind, blind or not,
// the locations it covers (all or chosen) and its commission, one member a row.
// It only collects them; the store checks and keeps them.
class TInventarioDados : public QDialog {
    Q_OBJECT

  public:
    // locations: the register's locations, each its code and its caption.
    TInventarioDados(const QList<std::pair<QString, QString>>& locations, Prompter& prompter,
                     QWidget* parent = nullptr);

    // Shows an inventory's data.
    void setDraft(const InventoryDraft& draft);
    // What was entered; the locations marked in the register's order, none
    // when all are covered.
    InventoryDraft draft() const;

    void addMember(const CommissionMember& member = {});
    void removeMember();

    // Refuses "Locais escolhidos" with none marked, which would read as all.
    void accept() override;

  private:
    Prompter& m_prompter;
    QLineEdit* m_title = nullptr;
    QComboBox* m_kind = nullptr;
    QCheckBox* m_blind = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_some = nullptr;
    QListWidget* m_locations = nullptr;
    QTableWidget* m_members = nullptr;
};

// The roles a commission member may have, as kept.
QStringList commissionRoles();

}  // namespace ambitra::ui
