#pragma once

#include "core/count/CountReport.h"

#include <QDialog>

class QTableWidget;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// The report of an inventory count in a window: the table of locations with its
// total and the assets not simply seen; saved as CSV (as the log export writes
// it) or PDF, or printed.
class TRelatorioContagem : public QDialog {
    Q_OBJECT

  public:
    TRelatorioContagem(CountReport report, TDados& dados, Prompter& prompter,
                       QWidget* parent = nullptr);

    // The file dialogs are skipped when a path is given (for scripted use).
    void saveCsv(const QString& path = {});
    void savePdf(const QString& path = {});
    void print();

  private:
    QString chosenFile(const QString& path, const QString& filter, const QString& suffix);

    CountReport m_report;
    TDados& m_dados;
    Prompter& m_prompter;
};

}  // namespace ambitra::ui
