#pragma once

#include "core/inventory/InventoryReport.h"
#include "core/inventory/InventoryStore.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

class InventoryChartView;
class TInventarioDados;

// "Inventário": the inventories of the register; a new one, its data edited
// while it is open, its closing; for the chosen one the progress drawn per
// location, the locations with their state ("Recontar" sets them for a new
// round), the divergences between counts ("Manter este local" keeps the
// asset where the commission decides), the commission, and the report saved
// as PDF or CSV. It reads the inventory again when a load or an unload comes
// in while it is shown.
class TInventario : public QDialog {
    Q_OBJECT

  public:
    TInventario(TDados& dados, Prompter& prompter, QWidget* parent = nullptr);

    // Lists the inventories again, choosing that one (the open one, else the
    // latest, when 0), and shows it.
    void listInventories(int keep = 0);
    // Reads the chosen inventory again (figures, locations, divergences),
    // keeping the rows chosen in its tables. Nothing when the window is hidden.
    void refresh();
    // The same a moment later, once for a burst of loads and unloads: reading
    // a large inventory takes a while.
    void refreshSoon();

    void newInventory();    // "Novo"
    void editInventory();   // "Alterar"
    void closeInventory();  // "Encerrar"
    void recount();         // "Recontar": the chosen locations
    void keepLocation();    // "Manter este local": the chosen divergence row
    // The file dialogs are skipped when a path is given (for scripted use).
    void savePdf(const QString& path = {});
    void saveCsv(const QString& path = {});

    int currentInventory() const;
    // For tests: runs on the data dialog before it is shown modally.
    void setDataDialogHook(std::function<void(TInventarioDados&)> hook) {
        m_dataHook = std::move(hook);
    }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showInventory();
    void showButtons();
    // Runs the data dialog over a draft; true with the draft entered.
    bool editDraft(InventoryDraft& draft);
    QString chosenFile(const QString& path, const QString& filter, const QString& suffix);
    InventoryReport report(bool withMovementRows);

    TDados& m_dados;
    Prompter& m_prompter;
    QList<InventoryInfo> m_inventories;
    QList<Divergence> m_divergences;
    std::function<void(TInventarioDados&)> m_dataHook;
    QTimer* m_refresh = nullptr;

    QTableWidget* m_list = nullptr;
    QLabel* m_summary = nullptr;
    QTabWidget* m_tabs = nullptr;
    InventoryChartView* m_chart = nullptr;
    QTableWidget* m_locations = nullptr;
    QTableWidget* m_divergenceGrid = nullptr;
    QTableWidget* m_commission = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_recount = nullptr;
    QPushButton* m_keep = nullptr;
    QPushButton* m_pdf = nullptr;
    QPushButton* m_csv = nullptr;
    QCheckBox* m_movementRows = nullptr;
};

}  // namespace ambitra::ui
