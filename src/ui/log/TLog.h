#pragma once

#include "ui/widgets/CursorProgress.h"
#include "core/log/LogSelection.h"

#include <QWidget>

class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTableView;
class QToolButton;

namespace ambitra {
class LogModel;
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// The child window "Log de Inventário": the log rows of a period in a banded grid,
// with "TUDO" for the whole log, "Executar" to select and "Salvar" to export the
// selection as a CSV file. It never changes the database.
class TLog : public QWidget {
    Q_OBJECT

  public:
    // childWidth x childHeight: the main window's room for child windows, which
    // this window fills.
    TLog(TDados& dados, Prompter& prompter, int childWidth, int childHeight,
         QWidget* parent = nullptr);
    ~TLog() override;

    // The period of the pickers.
    LogSelection::Period period() const;

    void SpeedButton1Click();  // "TUDO"
    void BitBtn1Click();       // "Executar"
    void BitBtn2Click();       // "Salvar"

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    // The grid shows the selection (visible while the log query is open).
    void showGrid();
    // A date chosen by hand: the period covers whole days.
    void AnyChange();
    void setPeriod(const QDateTime& start, const QDateTime& end);
    void closeQuery();

    TDados& m_dados;
    Prompter& m_prompter;
    CursorProgress m_progress;
    LogSelection m_log;
    LogModel* m_model;
    int m_childWidth;
    int m_childHeight;
    bool m_placed = false;
    QDateTimeEdit* m_start = nullptr;
    QDateTimeEdit* m_end = nullptr;
    QToolButton* m_all = nullptr;
    QPushButton* m_execute = nullptr;
    QPushButton* m_save = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_status = nullptr;
};

}  // namespace ambitra::ui
