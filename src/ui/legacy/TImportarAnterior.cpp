#include "ui/legacy/TImportarAnterior.h"

#include "ui/widgets/WidgetProgress.h"
#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/legacy/LegacyCopy.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace ambitra::ui {

TImportarAnterior::TImportarAnterior(TDados& dados, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      m_dados(dados),
      m_prompter(prompter),
      m_bar(new QProgressBar(this)),
      m_summary(new QLabel(this)),
      m_list(new QPlainTextEdit(this)),
      m_save(new QPushButton(QStringLiteral("Salvar lista..."), this)) {
    setObjectName(QStringLiteral("ImportarAnterior"));
    setWindowTitle(QStringLiteral("Importar banco de dados anterior"));
    m_bar->setObjectName(QStringLiteral("Progresso"));
    m_summary->setObjectName(QStringLiteral("Resumo"));
    m_summary->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("Alterados"));
    m_list->setReadOnly(true);
    m_list->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* listLabel = new QLabel(QStringLiteral("&Valores alterados:"), this);
    listLabel->setBuddy(m_list);
    m_save->setObjectName(QStringLiteral("Salvar"));
    m_save->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_save, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("Salvar lista"),
            QDir(m_dados.AppDir()).filePath(QStringLiteral("valores-alterados.txt")),
            QStringLiteral("Texto (*.txt)"));
        if (!path.isEmpty()) {
            saveList(path);
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_summary);
    layout->addWidget(listLabel);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(760, 420);
}

bool TImportarAnterior::run(const QString& file) {
    m_lines.clear();
    m_list->clear();
    m_save->setEnabled(false);
    m_summary->setText(QStringLiteral("Copiando %1...").arg(QDir::toNativeSeparators(file)));
    m_bar->setValue(0);
    show();
    WidgetProgress progress(m_bar);
    legacy::LegacyCopy::Result result;
    bool force = false;
    for (;;) {
        try {
            BusyGuard busy(progress);
            result = legacy::LegacyCopy(m_dados.Conn(), force).copyFrom(file, progress);
            break;
        } catch (const legacy::ValuesRefused& error) {
            if (force || !m_prompter.confirm(error.message() +
                                             QStringLiteral("\n\nGuardar em cada um o valor mais "
                                                            "próximo que o cadastro aceita?"))) {
                m_summary->setText(QStringLiteral("Nada foi copiado."));
                return false;
            }
            force = true;
        } catch (const Error& error) {
            m_prompter.beepError(error.message());
            m_summary->setText(QStringLiteral("Nada foi copiado."));
            return false;
        }
    }
    legacy::raiseLastCode(m_dados);
    QStringList parts;
    for (const auto& [table, rows] : result.counts) {
        parts << QStringLiteral("%1 %2").arg(table).arg(rows);
    }
    m_summary->setText(QStringLiteral("Copiados de %1: %2 registros. Valores alterados: %3.")
                           .arg(QDir::toNativeSeparators(file), parts.join(QStringLiteral(", ")))
                           .arg(result.changes.size()));
    for (const legacy::Change& change : result.changes) {
        m_lines << change.line();
    }
    m_list->setPlainText(m_lines.join(u'\n'));
    m_save->setEnabled(!m_lines.isEmpty());
    return true;
}

void TImportarAnterior::chooseAndRun() {
    const QString file = QFileDialog::getOpenFileName(
        parentWidget(), QStringLiteral("Importar banco de dados anterior"), m_dados.AppDir(),
        QStringLiteral("Banco de dados anterior (*.mdb);;Todos os arquivos (*)"));
    if (!file.isEmpty()) {
        run(file);
    }
}

bool TImportarAnterior::saveList(const QString& path) {
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly)) {
        out.write((m_lines.join(u'\n') + u'\n').toUtf8());
        if (out.commit()) {
            return true;
        }
    }
    m_prompter.beepError(QStringLiteral("A lista não pôde ser gravada em %1 (%2).")
                             .arg(QDir::toNativeSeparators(path), out.errorString()));
    return false;
}

}  // namespace ambitra::ui
