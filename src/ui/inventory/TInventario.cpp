#include "ui/inventory/TInventario.h"

#include "core/common/OutputFile.h"
#include "core/common/Prompter.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"
#include "print/InventoryReportPdf.h"
#include "ui/inventory/InventoryChartView.h"
#include "ui/inventory/TInventarioDados.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace ambitra::ui {

namespace {

QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QTableWidget* grid(const QStringList& heads, const char* name, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(heads.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(heads);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

// Fills a table, keeping the rows chosen by the texts of their key columns.
void fill(QTableWidget& table, const QList<QStringList>& rows, const QList<int>& figures = {},
          const QList<int>& keys = {0}) {
    const auto keyOf = [&keys](const QStringList& cells) {
        QStringList key;
        for (const int k : keys) {
            key << cells.value(k);
        }
        return key.join(u'\t');
    };
    QSet<QString> chosen;
    for (const QModelIndex& index : table.selectionModel()->selectedRows()) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c) {
            cells << table.item(index.row(), c)->text();
        }
        chosen.insert(keyOf(cells));
    }
    table.clearSelection();
    table.setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            if (figures.contains(c)) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table.setItem(r, c, item);
        }
        if (chosen.contains(keyOf(rows[r]))) {
            table.selectionModel()->select(table.model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    table.resizeColumnsToContents();
}

QString momentText(const QDateTime& moment) {
    return moment.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

}  // namespace

TInventario::TInventario(TDados& dados, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_dados(dados), m_prompter(prompter) {
    setObjectName(QStringLiteral("Inventario"));
    setWindowTitle(QStringLiteral("Inventário"));
    resize(940, 640);

    m_list =
        grid({QStringLiteral("Nº"), QStringLiteral("Título"), QStringLiteral("Tipo"),
              QStringLiteral("Abertura"), QStringLiteral("Encerramento"), QStringLiteral("Cego")},
             "Inventarios", this);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMaximumHeight(m_list->fontMetrics().height() * 9);
    m_new = button(QStringLiteral("Novo"), "Novo", this);
    m_edit = button(QStringLiteral("Alterar"), "Alterar", this);
    m_close = button(QStringLiteral("Encerrar"), "Encerrar", this);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(m_new);
    listButtons->addWidget(m_edit);
    listButtons->addWidget(m_close);
    listButtons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(listButtons);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Resumo"));
    m_summary->setWordWrap(true);

    m_tabs = new QTabWidget(this);
    m_chart = new InventoryChartView;
    auto* scroll = new QScrollArea(m_tabs);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_chart);
    m_tabs->addTab(scroll, QStringLiteral("Andamento"));

    auto* locationsPage = new QWidget(m_tabs);
    m_locations = grid(
        {QStringLiteral("Local"), QStringLiteral("Descrição"), QStringLiteral("Situação"),
         QStringLiteral("Rodada"), QStringLiteral("Esperados"), QStringLiteral("Vistos"),
         QStringLiteral("Não localizados"), QStringLiteral("Em outro local"),
         QStringLiteral("De outro local"), QStringLiteral("Novos"), QStringLiteral("Inválidos")},
        "Locais", locationsPage);
    m_recount = button(QStringLiteral("Recontar"), "Recontar", locationsPage);
    auto* locationsLayout = new QVBoxLayout(locationsPage);
    locationsLayout->addWidget(m_locations, 1);
    auto* recountRow = new QHBoxLayout;
    recountRow->addWidget(m_recount);
    recountRow->addStretch(1);
    locationsLayout->addLayout(recountRow);
    m_tabs->addTab(locationsPage, QStringLiteral("Locais"));

    auto* divergencesPage = new QWidget(m_tabs);
    m_divergenceGrid = grid({QStringLiteral("Código"), QStringLiteral("Descrição"),
                             QStringLiteral("Local lido"), QStringLiteral("Contagens")},
                            "Divergencias", divergencesPage);
    m_divergenceGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_keep = button(QStringLiteral("Manter este local"), "ManterLocal", divergencesPage);
    auto* divergencesLayout = new QVBoxLayout(divergencesPage);
    divergencesLayout->addWidget(
        new QLabel(QStringLiteral("Bens lidos em locais diferentes por contagens diferentes. "
                                  "Escolha a linha do local em que o bem fica."),
                   divergencesPage));
    divergencesLayout->addWidget(m_divergenceGrid, 1);
    auto* keepRow = new QHBoxLayout;
    keepRow->addWidget(m_keep);
    keepRow->addStretch(1);
    divergencesLayout->addLayout(keepRow);
    m_tabs->addTab(divergencesPage, QStringLiteral("Divergências"));

    m_commission =
        grid({QStringLiteral("Nome"), QStringLiteral("Função"), QStringLiteral("Matrícula")},
             "Comissao", m_tabs);
    m_tabs->addTab(m_commission, QStringLiteral("Comissão"));

    m_movementRows =
        new QCheckBox(QStringLiteral("Com a lista das movimentações do período"), this);
    m_movementRows->setObjectName(QStringLiteral("ListaMovimentacoes"));
    m_pdf = button(QStringLiteral("Salvar PDF"), "SalvarPDF", this);
    m_csv = button(QStringLiteral("Salvar CSV"), "SalvarCSV", this);
    auto* closeWindow = button(QStringLiteral("Fechar"), "Fechar", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Relatório:"), this));
    bottom->addWidget(m_pdf);
    bottom->addWidget(m_csv);
    bottom->addWidget(m_movementRows);
    bottom->addStretch(1);
    bottom->addWidget(closeWindow);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_summary);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);

    connect(m_list, &QTableWidget::itemSelectionChanged, this, &TInventario::showInventory);
    connect(m_new, &QPushButton::clicked, this, &TInventario::newInventory);
    connect(m_edit, &QPushButton::clicked, this, &TInventario::editInventory);
    connect(m_close, &QPushButton::clicked, this, &TInventario::closeInventory);
    connect(m_recount, &QPushButton::clicked, this, &TInventario::recount);
    connect(m_keep, &QPushButton::clicked, this, &TInventario::keepLocation);
    connect(m_pdf, &QPushButton::clicked, this, [this] { savePdf(); });
    connect(m_csv, &QPushButton::clicked, this, [this] { saveCsv(); });
    connect(closeWindow, &QPushButton::clicked, this, &QDialog::accept);
    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(1000);
    connect(m_refresh, &QTimer::timeout, this, &TInventario::refresh);
    showButtons();
}

void TInventario::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        listInventories();
    }
    QDialog::showEvent(event);
}

int TInventario::currentInventory() const {
    const int row = m_list->currentRow();
    return row >= 0 && row < m_inventories.size() ? m_inventories[row].number : 0;
}

void TInventario::listInventories(int keep) {
    {
        const QSignalBlocker blocker(m_list);
        m_inventories.clear();
        m_list->setRowCount(0);
        reportErrors(m_prompter, [&] {
            InventoryStore::requireAvailable(m_dados);
            InventoryStore store(m_dados);
            m_inventories = store.inventories();
            if (keep == 0) {
                keep = store.openInventory();
            }
        });
        QList<QStringList> rows;
        for (const InventoryInfo& i : m_inventories) {
            rows << QStringList{QString::number(i.number),
                                i.title,
                                inventoryKindName(i.kind),
                                momentText(i.opened),
                                i.closed ? momentText(*i.closed) : QStringLiteral("em andamento"),
                                i.blind ? QStringLiteral("sim") : QStringLiteral("não")};
        }
        fill(*m_list, rows, {0});
        int row = static_cast<int>(m_inventories.size()) - 1;
        for (int r = 0; r < m_inventories.size(); ++r) {
            if (m_inventories[r].number == keep) {
                row = r;
            }
        }
        if (row >= 0) {
            m_list->selectRow(row);
        }
    }
    showInventory();
}

void TInventario::refresh() {
    if (isVisible()) {
        showInventory();
    }
}

void TInventario::refreshSoon() {
    if (!m_refresh->isActive()) {
        m_refresh->start();
    }
}

void TInventario::showInventory() {
    const int number = currentInventory();
    QList<InventoryLocation> locations;
    QList<QStringList> locationRows;
    QList<QStringList> divergenceRows;
    QList<QStringList> memberRows;
    m_divergences.clear();
    m_summary->clear();
    if (number > 0) {
        const InventoryInfo& info = m_inventories[m_list->currentRow()];
        m_summary->setText(
            QStringLiteral("Inventário nº %1 – %2. %3, aberto em %4; %5.%6")
                .arg(info.number)
                .arg(info.title, inventoryKindName(info.kind), momentText(info.opened),
                     info.closed ? QStringLiteral("encerrado em ") + momentText(*info.closed)
                                 : QStringLiteral("em andamento"),
                     info.blind ? QStringLiteral(" Inventário cego.") : QString()));
        for (const CommissionMember& m : info.commission) {
            memberRows << QStringList{m.name, m.role, m.registration};
        }
        reportErrors(m_prompter, [&] {
            const InventoryReport read = InventoryReport::build(m_dados, number, false);
            locations = read.locations;
            m_divergences = InventoryStore(m_dados).divergences(number);
        });
        for (const InventoryLocation& l : locations) {
            locationRows << QStringList{l.location, l.caption, inventoryLocationStateName(l.state),
                                        QString::number(l.latest.round)} +
                                l.latest.tally.counts();
        }
        for (const Divergence& d : m_divergences) {
            QStringList counts;
            for (const int count : d.counts) {
                counts << QString::number(count);
            }
            for (const QString& location : d.locations) {
                divergenceRows << QStringList{d.code, d.name, location,
                                              counts.join(QStringLiteral(", "))};
            }
        }
    }
    m_chart->setLocations(locations);
    fill(*m_locations, locationRows, {3, 4, 5, 6, 7, 8, 9, 10});
    fill(*m_divergenceGrid, divergenceRows, {}, {0, 2});
    fill(*m_commission, memberRows);
    m_tabs->setTabText(2, m_divergences.isEmpty()
                              ? QStringLiteral("Divergências")
                              : QStringLiteral("Divergências (%1)").arg(m_divergences.size()));
    showButtons();
}

void TInventario::showButtons() {
    const int row = m_list->currentRow();
    const bool chosen = row >= 0 && row < m_inventories.size();
    const bool open = chosen && !m_inventories[row].closed;
    m_edit->setEnabled(open);
    m_close->setEnabled(open);
    m_recount->setEnabled(open);
    m_keep->setEnabled(open && !m_divergences.isEmpty());
    m_pdf->setEnabled(chosen);
    m_csv->setEnabled(chosen);
}

bool TInventario::editDraft(InventoryDraft& draft) {
    QList<std::pair<QString, QString>> places;
    DataTable& locais = m_dados.TLocais();
    locais.openOrRequery();
    for (locais.first(); !locais.eof() && !locais.isEmpty(); locais.next()) {
        QStringList caption;
        for (const char* column : {"LOPREDIO", "LODEPTO", "LOSALA"}) {
            const QString part = locais.text(QString::fromLatin1(column)).trimmed();
            if (!part.isEmpty()) {
                caption << part;
            }
        }
        places.append(
            {locais.text(QStringLiteral("LOCODIGO")), caption.join(QStringLiteral(" / "))});
    }
    TInventarioDados dialog(places, m_prompter, this);
    dialog.setDraft(draft);
    if (m_dataHook) {
        m_dataHook(dialog);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    draft = dialog.draft();
    return true;
}

void TInventario::newInventory() {
    reportErrors(m_prompter, [&] {
        InventoryStore::requireAvailable(m_dados);
        InventoryDraft draft;
        if (editDraft(draft)) {
            listInventories(InventoryStore(m_dados).create(draft));
        }
    });
}

void TInventario::editInventory() {
    const int number = currentInventory();
    if (number == 0) {
        return;
    }
    reportErrors(m_prompter, [&] {
        const InventoryInfo& info = m_inventories[m_list->currentRow()];
        InventoryDraft draft{info.title, info.kind, info.blind, {}, info.commission};
        if (!info.allLocations) {
            for (const CoveredLocation& l : InventoryStore(m_dados).locations(number)) {
                draft.locations << l.location;
            }
        }
        if (editDraft(draft)) {
            InventoryStore(m_dados).edit(number, draft);
            listInventories(number);
        }
    });
}

void TInventario::closeInventory() {
    const int number = currentInventory();
    if (number == 0) {
        return;
    }
    reportErrors(m_prompter, [&] {
        if (InventoryStore(m_dados).close(number, m_prompter)) {
            m_prompter.notice(QStringLiteral("Inventário %1 encerrado.").arg(number));
        }
    });
    listInventories(number);
}

void TInventario::recount() {
    const int number = currentInventory();
    QStringList chosen;
    for (const QModelIndex& index : m_locations->selectionModel()->selectedRows()) {
        chosen << m_locations->item(index.row(), 0)->text();
    }
    if (number == 0 || chosen.isEmpty()) {
        m_prompter.beepError(QStringLiteral("Escolha na lista os locais a recontar."));
        return;
    }
    std::sort(chosen.begin(), chosen.end());
    if (!m_prompter.confirm(
            QStringLiteral("Recontar %1? A próxima carga de cada local abre uma nova rodada dele.")
                .arg(chosen.join(QStringLiteral(", "))))) {
        return;
    }
    reportErrors(m_prompter, [&] { InventoryStore(m_dados).setRecount(number, chosen); });
    showInventory();
}

void TInventario::keepLocation() {
    const int number = currentInventory();
    const int row = m_divergenceGrid->currentRow();
    if (number == 0 || row < 0 || m_divergenceGrid->selectionModel()->selectedRows().isEmpty()) {
        m_prompter.beepError(QStringLiteral("Escolha na lista o local em que o bem fica."));
        return;
    }
    const QString code = m_divergenceGrid->item(row, 0)->text();
    const QString location = m_divergenceGrid->item(row, 2)->text();
    if (!m_prompter.confirm(QStringLiteral("Manter o bem %1 no local %2? As leituras dele nos "
                                           "outros locais serão descartadas.")
                                .arg(code, location))) {
        return;
    }
    reportErrors(m_prompter, [&] { InventoryStore(m_dados).keep(number, code, location); });
    showInventory();
}

InventoryReport TInventario::report(bool withMovementRows) {
    return InventoryReport::build(m_dados, currentInventory(), withMovementRows);
}

QString TInventario::chosenFile(const QString& path, const QString& filter, const QString& suffix) {
    if (!path.isEmpty()) {
        // A name not chosen in the save dialog, which would have asked.
        return mayReplace(path, m_prompter) ? path : QString();
    }
    const QString proposed =
        QDir(m_dados.AppDir())
            .filePath(QStringLiteral("Inventario-%1.%2").arg(currentInventory()).arg(suffix));
    return QFileDialog::getSaveFileName(this, QStringLiteral("Salvar relatório"), proposed, filter);
}

void TInventario::savePdf(const QString& path) {
    if (currentInventory() == 0) {
        return;
    }
    const QString file =
        chosenFile(path, QStringLiteral("Documento PDF (*.pdf)"), QStringLiteral("pdf"));
    if (!file.isEmpty()) {
        reportErrors(m_prompter, [&] {
            writeInventoryReportPdf(report(m_movementRows->isChecked()), file, m_dados.ownFiles());
            m_prompter.notice(writtenText(QStringLiteral("Relatório"), file));
        });
    }
}

void TInventario::saveCsv(const QString& path) {
    if (currentInventory() == 0) {
        return;
    }
    const QString file = chosenFile(
        path, QStringLiteral("Arquivo texto separado por vírgulas (*.csv)"), QStringLiteral("csv"));
    if (!file.isEmpty()) {
        reportErrors(m_prompter, [&] {
            report(m_movementRows->isChecked())
                .saveCsv(LogCsvFormat(m_dados.settings()), file, m_dados.ownFiles());
            m_prompter.notice(writtenText(QStringLiteral("Relatório"), file));
        });
    }
}

}  // namespace ambitra::ui
