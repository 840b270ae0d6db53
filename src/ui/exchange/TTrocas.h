#pragma once

#include "ui/widgets/WidgetProgress.h"
#include "ui/exchange/CheckReportDialog.h"
#include "core/exchange/ExchangeRun.h"

#include <QDialog>
#include <QPointer>

class QGroupBox;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// The dialog "Importação/Exportação": the direction, the tables, the formats
// enabled in the options (shown, not chosen here), and the run over them.
// Created once at start, so the direction and the table marks persist from
// one opening to the next.
class TTrocas : public QDialog {
    Q_OBJECT

  public:
    TTrocas(TDados& dados, Prompter& prompter, QWidget* parent = nullptr);

    ExchangeRun& run() { return m_run; }
    bool running() const { return m_running; }

    QRadioButton* directionItem(ExchangeRun::Direction direction) const;
    QListWidget* CheckListBox1() const { return m_formats; }
    QListWidget* CheckListBox2() const { return m_tables; }
    QPushButton* BitBtn1() const { return m_execute; }
    QPushButton* BitBtn2() const { return m_cancel; }
    QPushButton* checkButton() const { return m_check; }
    // The report window of the last check, while it is open.
    CheckReportDialog* checkReport() const { return m_report; }
    QProgressBar* ProgressBar1() const { return m_progressBar; }

    // Each time the dialog is shown: the format marks, the buttons, the tables.
    void FormActivate();
    // Hides the progress bar, clears a cancellation, and enables Executar when a
    // table is marked and a format enabled; the focus goes to Executar or Cancelar.
    void RefreshButtons();
    void BitBtn1Click();
    void BitBtn2Click();
    // "Verificar": an import's check run, then its report.
    void checkClick();

  public slots:
    // Escape and the close box cancel a run instead of closing under it.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QGroupBox* buildDirection();
    QGroupBox* buildTables();
    QGroupBox* buildFormats();
    ExchangeRun::Direction direction() const;
    bool tableMarked(int index) const;
    void lockChoices(bool locked);
    // Around a run or a check: buttons, choices and the progress bar.
    void beginRun();
    void endRun();

    TDados& m_dados;
    Prompter& m_prompter;
    WidgetProgress m_progress;
    ExchangeRun m_run;
    bool m_running = false;

    QGroupBox* m_directionGroup = nullptr;
    QRadioButton* m_import = nullptr;
    QRadioButton* m_export = nullptr;
    QGroupBox* m_tablesGroup = nullptr;
    QListWidget* m_tables = nullptr;
    QListWidget* m_formats = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_execute = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_check = nullptr;
    QPointer<CheckReportDialog> m_report;
};

}  // namespace ambitra::ui
