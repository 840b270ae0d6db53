#include "ui/exchange/CheckReportDialog.h"

#include "core/common/OutputFile.h"
#include "core/common/Prompter.h"
#include "core/exchange/ExchangeRun.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ambitra::ui {

CheckReportDialog::CheckReportDialog(const ExchangeRun& run, Prompter& prompter,
                                     const QString& folder, QWidget* parent)
    : QDialog(parent), m_run(run), m_prompter(prompter), m_folder(folder) {
    setObjectName(QStringLiteral("CheckReport"));
    setWindowTitle(QStringLiteral("Verificação da importação"));
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setPlainText((run.Problems + QStringList{run.checkSummary()}).join(u'\n'));
    m_text->setMinimumSize(640, 240);

    m_save = new QPushButton(QStringLiteral("Salvar..."), this);
    auto* close = new QPushButton(QStringLiteral("Fechar"), this);
    close->setDefault(true);
    connect(m_save, &QPushButton::clicked, this, &CheckReportDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
}

bool CheckReportDialog::saveTo(const QString& path) {
    bool written = false;
    if (!reportErrors(m_prompter, [&] { written = m_run.writeCheckReport(path); })) {
        return false;
    }
    if (written) {
        m_prompter.notice(writtenText(QStringLiteral("Relatório"), path));
        return true;
    }
    m_prompter.beepError(QStringLiteral("Erro na criação do arquivo ") +
                         QDir::toNativeSeparators(path) + QStringLiteral("."));
    return false;
}

void CheckReportDialog::save() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Salvar relatório"),
                                     QDir(m_folder).filePath(QStringLiteral("VERIFICACAO.TXT")),
                                     QStringLiteral("Arquivos texto (*.txt)"));
    if (!path.isEmpty()) {
        saveTo(path);
    }
}

}  // namespace ambitra::ui
