#pragma once

#include "core/count/CountStore.h"
#include "core/common/SyncLog.h"

#include <QDialog>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// "Conferência": the pending readings of an inventory count with their class and
// the values they would change, filtered by class and location; the chosen ones
// are applied (with the synchronisation log's lines shown below) or discarded.
// From here the count's report is shown and the count is closed.
class TConferencia : public QDialog {
    Q_OBJECT

  public:
    TConferencia(TDados& dados, Prompter& prompter, QWidget* parent = nullptr);

    // Fills the list of counts (newest first) and shows the first one's readings.
    void FormActivate();
    void BitBtn1Click();  // "Aplicar"
    void BitBtn2Click();  // "Descartar"
    void BitBtn3Click();  // "Relatório"
    void BitBtn4Click();  // "Encerrar contagem"

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    int currentCount() const;
    // Lists the counts again, choosing that one (the first when 0), and its readings.
    void listCounts(int keep);
    void showReadings();
    void showRows();
    QSet<int> chosenPlaces() const;
    void showLog();

    TDados& m_dados;
    Prompter& m_prompter;
    SyncLog m_log;
    QList<CountStore::PendingRow> m_rows;
    QComboBox* m_counts = nullptr;
    QComboBox* m_classes = nullptr;
    QComboBox* m_locations = nullptr;
    QTableWidget* m_grid = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_discard = nullptr;
    QPushButton* m_report = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace ambitra::ui
