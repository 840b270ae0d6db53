#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace ambitra {
class ExchangeRun;
class Prompter;
}  // namespace ambitra

namespace ambitra::ui {

// The report of a check run: every problem on its own line and the count,
// which "Salvar" writes to a text file.
class CheckReportDialog : public QDialog {
    Q_OBJECT

  public:
    CheckReportDialog(const ExchangeRun& run, Prompter& prompter, const QString& folder,
                      QWidget* parent = nullptr);

    QPlainTextEdit* report() const { return m_text; }
    QPushButton* saveButton() const { return m_save; }
    // Writes the report to the file; a failure is shown.
    bool saveTo(const QString& path);

  private:
    void save();

    const ExchangeRun& m_run;
    Prompter& m_prompter;
    QString m_folder;
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_save = nullptr;
};

}  // namespace ambitra::ui
