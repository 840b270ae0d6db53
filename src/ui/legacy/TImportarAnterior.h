#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

// "Importar banco de dados anterior": brings the old program's register over,
// showing the progress, then the rows copied and the list of values stored
// otherwise than the old file held them, which can be saved to a file.
class TImportarAnterior : public QDialog {
    Q_OBJECT
  public:
    TImportarAnterior(TDados& dados, Prompter& prompter, QWidget* parent = nullptr);

    // Copies the file into the register; false (the error shown, nothing
    // changed) when it was refused. A copy refused only for values the register
    // cannot hold is offered again storing the nearest ones.
    bool run(const QString& file);
    // Asks for the file with a picker, then runs it.
    void chooseAndRun();
    // The changed values as listed (one line each), for saving.
    const QStringList& changeLines() const { return m_lines; }
    // Writes the list to a file (UTF-8); false with the error shown.
    bool saveList(const QString& path);

  private:
    TDados& m_dados;
    Prompter& m_prompter;
    QProgressBar* m_bar;
    QLabel* m_summary;
    QPlainTextEdit* m_list;
    QPushButton* m_save;
    QStringList m_lines;
};

}  // namespace ambitra::ui
