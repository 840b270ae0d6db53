#pragma once

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace ambitra {
class LabelJob;
class Progress;
class Prompter;
class TDados;
struct LabelSheet;
}  // namespace ambitra

namespace ambitra::ui {

// The modal print dialog "Etiquetas": which labels (the rows chosen in the window,
// all of them, or, for assets, a code range, each optionally of one location),
// the sheet and the position on it where printing starts (a half-used sheet), and
// a printer or a PDF file. The labels themselves come from the core's job.
class TEtiquetas : public QDialog {
    Q_OBJECT

  public:
    enum class Kind { Assets, Locations };

    // selected: the codes of the rows chosen in the window, in their order.
    TEtiquetas(TDados& dados, Prompter& prompter, Progress& progress, Kind kind,
               QStringList selected, QWidget* parent = nullptr);

    QRadioButton* RadioSelected = nullptr;
    QRadioButton* RadioAll = nullptr;
    QRadioButton* RadioRange = nullptr;
    QLineEdit* EditFrom = nullptr;
    QLineEdit* EditTo = nullptr;
    QComboBox* ComboLocation = nullptr;  // first item: every location
    QComboBox* ComboLayout = nullptr;
    QSpinBox* SpinStart = nullptr;
    QRadioButton* RadioPrinter = nullptr;
    QRadioButton* RadioPdf = nullptr;
    QLineEdit* EditPdf = nullptr;
    QPushButton* BtnPrint = nullptr;

    // "Imprimir": prints and closes the dialog; stays open when nothing was printed.
    void BtnPrintClick();

  private:
    QWidget* buildSelection();
    QWidget* buildSheet();
    QWidget* buildOutput();
    void UpdateControls();
    void fillJob(LabelJob& job) const;
    bool toPrinter(LabelJob& job, const LabelSheet& sheet, int start);
    void browsePdf();

    TDados& m_dados;
    Prompter& m_prompter;
    Progress& m_progress;
    Kind m_kind;
    QStringList m_selected;
    QToolButton* m_browse = nullptr;
    QString m_chosenPdf;  // the name last chosen in the save dialog, which asked
};

}  // namespace ambitra::ui
