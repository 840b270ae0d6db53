#include "ui/labels/TEtiquetas.h"

#include "core/common/OutputFile.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/labels/LabelJob.h"
#include "print/LabelPainter.h"
#include "core/labels/LabelSheet.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

QRadioButton* radio(const char* name, const QString& caption, QWidget* parent) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(QString::fromLatin1(name));
    return r;
}

// A form row whose caption is the field's accessible name and buddy.
void addRow(QFormLayout* form, const char* caption, QWidget* field) {
    auto* label = new QLabel(QString::fromUtf8(caption));
    label->setBuddy(field);
    field->setAccessibleName(label->text());
    form->addRow(label, field);
}

}  // namespace

TEtiquetas::TEtiquetas(TDados& dados, Prompter& prompter, Progress& progress, Kind kind,
                       QStringList selected, QWidget* parent)
    : QDialog(parent),
      m_dados(dados),
      m_prompter(prompter),
      m_progress(progress),
      m_kind(kind),
      m_selected(std::move(selected)) {
    setObjectName(QStringLiteral("Etiquetas"));
    setWindowTitle(kind == Kind::Assets ? QStringLiteral("Etiquetas")
                                        : QStringLiteral("Etiquetas de Locais"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(buildSelection());
    layout->addWidget(buildSheet());
    layout->addWidget(buildOutput());

    BtnPrint = new QPushButton(QStringLiteral("Imprimir"), this);
    BtnPrint->setObjectName(QStringLiteral("BitBtn1"));
    BtnPrint->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(5);
    buttons->addStretch(1);
    buttons->addWidget(BtnPrint);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(BtnPrint, &QPushButton::clicked, this, &TEtiquetas::BtnPrintClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Several rows chosen: most likely those are the ones wanted.
    (m_selected.size() > 1 ? RadioSelected : RadioAll)->setChecked(true);
    UpdateControls();
}

QWidget* TEtiquetas::buildSelection() {
    auto* group = new QGroupBox(QStringLiteral(" Imprimir "), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    auto* layout = new QVBoxLayout(group);
    RadioSelected = radio("RadioSelected",
                          QStringLiteral("Linhas selecionadas (%1)").arg(m_selected.size()), group);
    RadioSelected->setEnabled(!m_selected.isEmpty());
    RadioAll = radio("RadioAll",
                     m_kind == Kind::Assets ? QStringLiteral("Todos os bens")
                                            : QStringLiteral("Todos os locais"),
                     group);
    RadioRange = radio("RadioRange", QStringLiteral("Faixa de códigos"), group);
    layout->addWidget(RadioSelected);
    layout->addWidget(RadioAll);
    layout->addWidget(RadioRange);

    auto* range = new QWidget(group);
    auto* rangeLayout = new QHBoxLayout(range);
    rangeLayout->setContentsMargins(20, 0, 0, 0);
    EditFrom = new QLineEdit(range);
    EditFrom->setObjectName(QStringLiteral("EditFrom"));
    EditTo = new QLineEdit(range);
    EditTo->setObjectName(QStringLiteral("EditTo"));
    for (QLineEdit* edit : {EditFrom, EditTo}) {
        edit->setMaxLength(13);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 15);
    }
    auto* from = new QLabel(QStringLiteral("De"), range);
    from->setBuddy(EditFrom);
    auto* to = new QLabel(QStringLiteral("Até"), range);
    to->setBuddy(EditTo);
    EditFrom->setAccessibleName(from->text());
    EditTo->setAccessibleName(to->text());
    rangeLayout->addWidget(from);
    rangeLayout->addWidget(EditFrom);
    rangeLayout->addWidget(to);
    rangeLayout->addWidget(EditTo);
    rangeLayout->addStretch(1);
    layout->addWidget(range);

    auto* where = new QWidget(group);
    auto* whereForm = new QFormLayout(where);
    whereForm->setContentsMargins(0, 4, 0, 0);
    ComboLocation = new QComboBox(where);
    ComboLocation->setObjectName(QStringLiteral("ComboLocation"));
    ComboLocation->addItem(QStringLiteral("(todos)"));
    if (m_kind == Kind::Assets) {
        for (const auto& [code, line] : LocationChoices(m_dados)) {
            ComboLocation->addItem(line, code);
        }
    }
    addRow(whereForm, "Local", ComboLocation);
    layout->addWidget(where);

    // Locations are printed all or as chosen: a door label needs no range.
    RadioRange->setVisible(m_kind == Kind::Assets);
    range->setVisible(m_kind == Kind::Assets);
    where->setVisible(m_kind == Kind::Assets);
    for (QRadioButton* r : {RadioSelected, RadioAll, RadioRange}) {
        connect(r, &QRadioButton::toggled, this, &TEtiquetas::UpdateControls);
    }
    return group;
}

QWidget* TEtiquetas::buildSheet() {
    auto* group = new QGroupBox(QStringLiteral(" Folha de etiquetas "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* form = new QFormLayout(group);
    ComboLayout = new QComboBox(group);
    ComboLayout->setObjectName(QStringLiteral("ComboLayout"));
    for (const LabelSheet& sheet : LabelSheet::all()) {
        ComboLayout->addItem(sheet.caption, sheet.name);
    }
    addRow(form, "Modelo", ComboLayout);
    SpinStart = new QSpinBox(group);
    SpinStart->setObjectName(QStringLiteral("SpinStart"));
    addRow(form, "Posição inicial", SpinStart);
    auto follow = [this] {
        const LabelSheet& sheet = LabelSheet::all().at(ComboLayout->currentIndex());
        SpinStart->setRange(1, sheet.labelsPerSheet());
    };
    connect(ComboLayout, &QComboBox::currentIndexChanged, this, follow);
    follow();
    return group;
}

QWidget* TEtiquetas::buildOutput() {
    auto* group = new QGroupBox(QStringLiteral(" Saída "), this);
    group->setObjectName(QStringLiteral("RadioGroup2"));
    auto* layout = new QVBoxLayout(group);
    RadioPrinter = radio("RadioPrinter", QStringLiteral("Impressora"), group);
    RadioPdf = radio("RadioPdf", QStringLiteral("Arquivo PDF"), group);
    RadioPrinter->setChecked(true);
    layout->addWidget(RadioPrinter);
    layout->addWidget(RadioPdf);
    auto* file = new QWidget(group);
    auto* fileLayout = new QHBoxLayout(file);
    fileLayout->setContentsMargins(20, 0, 0, 0);
    EditPdf = new QLineEdit(
        QDir::toNativeSeparators(QDir(m_dados.AppDir()).filePath(QStringLiteral("Etiquetas.pdf"))),
        file);
    EditPdf->setObjectName(QStringLiteral("EditPdf"));
    EditPdf->setAccessibleName(RadioPdf->text());
    EditPdf->setMinimumWidth(320);
    m_browse = new QToolButton(file);
    m_browse->setObjectName(QStringLiteral("SpeedButton1"));
    m_browse->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    m_browse->setToolTip(QStringLiteral("Selecionar arquivo"));
    m_browse->setAccessibleName(m_browse->toolTip());
    fileLayout->addWidget(EditPdf, 1);
    fileLayout->addWidget(m_browse);
    layout->addWidget(file);
    connect(RadioPdf, &QRadioButton::toggled, this, &TEtiquetas::UpdateControls);
    connect(m_browse, &QToolButton::clicked, this, &TEtiquetas::browsePdf);
    return group;
}

void TEtiquetas::UpdateControls() {
    EditFrom->setEnabled(RadioRange->isChecked());
    EditTo->setEnabled(RadioRange->isChecked());
    ComboLocation->setEnabled(!RadioSelected->isChecked());
    EditPdf->setEnabled(RadioPdf->isChecked());
    m_browse->setEnabled(RadioPdf->isChecked());
}

void TEtiquetas::fillJob(LabelJob& job) const {
    if (m_kind == Kind::Locations) {
        job.addLocations(RadioSelected->isChecked() ? m_selected : QStringList());
        return;
    }
    AssetSelection selection;
    if (RadioSelected->isChecked()) {
        selection.codes = m_selected;
    } else {
        if (RadioRange->isChecked()) {
            selection.from = EditFrom->text();
            selection.to = EditTo->text();
        }
        if (ComboLocation->currentIndex() > 0) {
            selection.locations << ComboLocation->currentData().toString();
        }
    }
    job.addAssets(selection);
}

void TEtiquetas::browsePdf() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Salvar etiquetas"), EditPdf->text(),
                                     QStringLiteral("Documento PDF (*.pdf)"));
    if (!path.isEmpty()) {
        m_chosenPdf = path;
        EditPdf->setText(QDir::toNativeSeparators(path));
    }
}

bool TEtiquetas::toPrinter(LabelJob& job, const LabelSheet& sheet, int start) {
    // Nothing to print is said before a printer is asked for.
    if (!job.Check(sheet, start, m_prompter)) {
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    return printLabels(job, sheet, start, printer, m_prompter, m_progress);
}

void TEtiquetas::BtnPrintClick() {
    if (RadioPdf->isChecked() && EditPdf->text().trimmed().isEmpty()) {
        browsePdf();
        if (EditPdf->text().trimmed().isEmpty()) {
            return;
        }
    }
    const QString pdf = QDir::fromNativeSeparators(EditPdf->text().trimmed());
    if (RadioPdf->isChecked() && pdf != m_chosenPdf && !mayReplace(pdf, m_prompter)) {
        return;
    }
    const LabelSheet& sheet = LabelSheet::all().at(ComboLayout->currentIndex());
    const int start = SpinStart->value();
    LabelJob job(m_dados);
    bool printed = false;
    reportErrors(m_prompter, [&] {
        fillJob(job);
        printed = RadioPdf->isChecked()
                      ? writeLabelsPdf(job, sheet, start, pdf, m_prompter, m_progress)
                      : toPrinter(job, sheet, start);
    });
    if (printed) {
        if (RadioPdf->isChecked()) {
            m_prompter.notice(job.writtenText(pdf));
        }
        accept();
    }
}

}  // namespace ambitra::ui
