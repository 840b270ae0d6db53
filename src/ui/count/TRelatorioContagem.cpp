#include "ui/count/TRelatorioContagem.h"

#include "core/common/OutputFile.h"
#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "print/CountReportPdf.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

QTableWidget* table(const QStringList& heads, const QList<QStringList>& rows, QWidget* parent) {
    auto* grid =
        new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(heads.size()), parent);
    grid->setHorizontalHeaderLabels(heads);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setVisible(false);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            grid->setItem(r, c, new QTableWidgetItem(rows[r][c]));
        }
    }
    grid->resizeColumnsToContents();
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

}  // namespace

TRelatorioContagem::TRelatorioContagem(CountReport report, TDados& dados, Prompter& prompter,
                                       QWidget* parent)
    : QDialog(parent), m_report(std::move(report)), m_dados(dados), m_prompter(prompter) {
    setObjectName(QStringLiteral("RelatorioContagem"));
    const CountInfo& info = m_report.info();
    setWindowTitle(QStringLiteral("Relatório da contagem %1").arg(info.number));
    resize(820, 560);

    auto* heading = new QLabel(
        QStringLiteral("Contagem %1, aberta em %2 pelo usuário %3 (%4). Locais marcados: %5.")
            .arg(info.number)
            .arg(info.opened.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), info.user,
                 info.open ? QStringLiteral("em andamento") : QStringLiteral("encerrada"),
                 m_report.markedLocations().join(QStringLiteral(", "))),
        this);
    heading->setWordWrap(true);

    QList<QStringList> tallies;
    for (const LocationTally& t : m_report.locations()) {
        tallies << t.cells(t.location);
    }
    tallies << m_report.total().cells(QStringLiteral("TOTAL"));
    auto* locations = table(LocationTally::captions(), tallies, this);
    locations->setObjectName(QStringLiteral("DBGrid1"));
    QList<QStringList> details;
    for (const CountDetail& d : m_report.details()) {
        details << QStringList{CountDetail::caption(d.kind), d.code, d.expectedLocation,
                               d.readLocation, d.name};
    }
    auto* assets = table(
        {QStringLiteral("Ocorrência"), QStringLiteral("Código"), QStringLiteral("Local esperado"),
         QStringLiteral("Local lido"), QStringLiteral("Descrição")},
        details, this);
    assets->setObjectName(QStringLiteral("DBGrid2"));

    auto* csv = new QPushButton(QStringLiteral("Salvar CSV"), this);
    csv->setObjectName(QStringLiteral("BitBtn1"));
    auto* pdf = new QPushButton(QStringLiteral("Salvar PDF"), this);
    pdf->setObjectName(QStringLiteral("BitBtn2"));
    auto* printButton = new QPushButton(QStringLiteral("Imprimir"), this);
    printButton->setObjectName(QStringLiteral("BitBtn3"));
    auto* close = new QPushButton(QStringLiteral("Fechar"), this);
    close->setObjectName(QStringLiteral("BitBtn4"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(csv);
    buttons->addWidget(pdf);
    buttons->addWidget(printButton);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(locations, 1);
    layout->addWidget(new QLabel(QStringLiteral("Bens não vistos no local esperado:"), this));
    layout->addWidget(assets, 2);
    layout->addLayout(buttons);

    connect(csv, &QPushButton::clicked, this, [this] { saveCsv(); });
    connect(pdf, &QPushButton::clicked, this, [this] { savePdf(); });
    connect(printButton, &QPushButton::clicked, this, &TRelatorioContagem::print);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QString TRelatorioContagem::chosenFile(const QString& path, const QString& filter,
                                       const QString& suffix) {
    if (!path.isEmpty()) {
        // A name not chosen in the save dialog, which would have asked.
        return mayReplace(path, m_prompter) ? path : QString();
    }
    const QString proposed =
        QDir(m_dados.AppDir())
            .filePath(QStringLiteral("Contagem-%1.%2").arg(m_report.info().number).arg(suffix));
    return QFileDialog::getSaveFileName(this, QStringLiteral("Salvar relatório"), proposed, filter);
}

void TRelatorioContagem::saveCsv(const QString& path) {
    const QString file = chosenFile(
        path, QStringLiteral("Arquivo texto separado por vírgulas (*.csv)"), QStringLiteral("csv"));
    if (file.isEmpty()) {
        return;
    }
    reportErrors(m_prompter, [&] {
        m_report.saveCsv(LogCsvFormat(m_dados.settings()), file, m_dados.ownFiles());
        m_prompter.notice(writtenText(QStringLiteral("Relatório"), file));
    });
}

void TRelatorioContagem::savePdf(const QString& path) {
    const QString file =
        chosenFile(path, QStringLiteral("Documento PDF (*.pdf)"), QStringLiteral("pdf"));
    if (!file.isEmpty()) {
        reportErrors(m_prompter, [&] {
            writeCountReportPdf(m_report, file, m_dados.ownFiles());
            m_prompter.notice(writtenText(QStringLiteral("Relatório"), file));
        });
    }
}

void TRelatorioContagem::print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted && !paintCountReport(m_report, printer)) {
        m_prompter.beepError(QStringLiteral("Não foi possível imprimir o relatório."));
    }
}

}  // namespace ambitra::ui
