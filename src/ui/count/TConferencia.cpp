#include "ui/count/TConferencia.h"

#include "core/common/Plural.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/count/CountReport.h"
#include "core/count/CountReview.h"
#include "core/count/ReadingClass.h"
#include "ui/count/TRelatorioContagem.h"
#include "core/data/TDados.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

// The classes of readings with their captions, in the order the filter offers them.
const std::pair<ReadingClass, const char*> kClasses[] = {
    {ReadingClass::Moved, "Mudou de local"},
    {ReadingClass::Condition, "Situação alterada"},
    {ReadingClass::Serial, "Nº de série alterado"},
    {ReadingClass::Unchanged, "Sem alteração"},
    {ReadingClass::New, "Bem novo"},
    {ReadingClass::Invalid, "Código inválido"}};

QString classCaption(const QString& name) {
    for (const auto& [readingClass, caption] : kClasses) {
        if (isReadingClass(name, readingClass)) {
            return QString::fromUtf8(caption);
        }
    }
    return name;
}

QString change(const QVariant& old, const QVariant& now) {
    if (old.isNull() == now.isNull() && old.toString() == now.toString()) {
        return now.toString();
    }
    return old.toString() + QStringLiteral(" > ") + now.toString();
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// A drop-down as wide as its longest caption.
QComboBox* labeledCombo(const char* name, const char* caption, QHBoxLayout* row, QWidget* parent,
                        int stretch) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    label->setBuddy(combo);
    row->addWidget(label);
    row->addWidget(combo, stretch);
    return combo;
}

}  // namespace

TConferencia::TConferencia(TDados& dados, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_dados(dados), m_prompter(prompter) {
    setObjectName(QStringLiteral("Conferencia"));
    setWindowTitle(QStringLiteral("Conferência"));
    setModal(true);
    resize(820, 560);

    // The count has a row of its own: its caption (number, moment, user, state,
    // pending readings) is read whole to choose the right count.
    auto* count = new QHBoxLayout;
    m_counts = labeledCombo("ComboBox1", "Contagem", count, this, 1);
    auto* filters = new QHBoxLayout;
    m_classes = labeledCombo("ComboBox2", "Classe", filters, this, 0);
    m_locations = labeledCombo("ComboBox3", "Local lido", filters, this, 0);
    filters->addStretch(1);

    m_grid = new QTableWidget(0, 6, this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Classe"), QStringLiteral("Código"),
                                       QStringLiteral("Local"), QStringLiteral("Situação"),
                                       QStringLiteral("Nº Série"), QStringLiteral("Descrição")});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setMaximumHeight(110);

    m_apply = button("BitBtn1", "Aplicar", this);
    m_apply->setToolTip(QStringLiteral("Aplica ao cadastro as leituras selecionadas"));
    m_discard = button("BitBtn2", "Descartar", this);
    m_discard->setToolTip(QStringLiteral("Descarta as leituras selecionadas"));
    m_report = button("BitBtn3", "Relatório", this);
    m_close = button("BitBtn4", "Encerrar contagem", this);
    auto* closeWindow = button("BitBtn5", "Fechar", this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_apply, m_discard, m_report, m_close}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(closeWindow);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(count);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_memo);
    layout->addLayout(buttons);

    m_classes->addItem(QStringLiteral("Todas"), QString());
    for (const auto& [readingClass, caption] : kClasses) {
        m_classes->addItem(QString::fromUtf8(caption), readingClassName(readingClass));
    }
    connect(m_counts, &QComboBox::currentIndexChanged, this, &TConferencia::showReadings);
    connect(m_classes, &QComboBox::currentIndexChanged, this, &TConferencia::showRows);
    connect(m_locations, &QComboBox::currentIndexChanged, this, &TConferencia::showRows);
    connect(m_apply, &QPushButton::clicked, this, &TConferencia::BitBtn1Click);
    connect(m_discard, &QPushButton::clicked, this, &TConferencia::BitBtn2Click);
    connect(m_report, &QPushButton::clicked, this, &TConferencia::BitBtn3Click);
    connect(m_close, &QPushButton::clicked, this, &TConferencia::BitBtn4Click);
    connect(closeWindow, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_log, &SyncLog::changed, this, &TConferencia::showLog);
}

void TConferencia::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormActivate();
    }
    QDialog::showEvent(event);
}

void TConferencia::FormActivate() {
    listCounts(0);
}

void TConferencia::listCounts(int keep) {
    const QSignalBlocker blocker(m_counts);
    m_counts->clear();
    m_rows.clear();
    m_grid->setRowCount(0);
    reportErrors(m_prompter, [&] {
        CountStore::requireAvailable(m_dados);
        for (const CountInfo& c : CountStore(m_dados).counts()) {
            m_counts->addItem(
                QStringLiteral("%1 - %2 - %3 (%4, %5)")
                    .arg(c.number)
                    .arg(c.opened.toString(QStringLiteral("dd/MM/yyyy HH:mm")), c.user,
                         c.open ? QStringLiteral("aberta") : QStringLiteral("encerrada"),
                         countOf(c.pending, QStringLiteral("pendente"),
                                 QStringLiteral("pendentes"))),
                c.number);
        }
    });
    if (keep > 0) {
        m_counts->setCurrentIndex(std::max(0, m_counts->findData(keep)));
    }
    showReadings();
}

int TConferencia::currentCount() const {
    return m_counts->currentData().toInt();
}

void TConferencia::showReadings() {
    m_rows.clear();
    if (currentCount() > 0) {
        reportErrors(m_prompter, [&] { m_rows = CountStore(m_dados).pendingRows(currentCount()); });
    }
    QStringList places;
    for (const CountStore::PendingRow& row : m_rows) {
        const QString place = row.reading.stored(Reading::Location).toString();
        if (!places.contains(place)) {
            places << place;
        }
    }
    places.sort();
    const QSignalBlocker blocker(m_locations);
    m_locations->clear();
    m_locations->addItem(QStringLiteral("Todos"), QVariant());
    for (const QString& place : places) {
        m_locations->addItem(place.isEmpty() ? QStringLiteral("(sem local)") : place, place);
    }
    for (QPushButton* b : {m_apply, m_discard, m_report, m_close}) {
        b->setEnabled(currentCount() > 0);
    }
    showRows();
}

void TConferencia::showRows() {
    const QString wanted = m_classes->currentData().toString();
    const QVariant place = m_locations->currentData();
    m_grid->setRowCount(0);
    for (const CountStore::PendingRow& row : m_rows) {
        const Reading& r = row.reading;
        if ((!wanted.isEmpty() && r.readingClass != wanted) ||
            (!place.isNull() && r.stored(Reading::Location).toString() != place.toString())) {
            continue;
        }
        const int at = m_grid->rowCount();
        m_grid->insertRow(at);
        const QStringList cells{classCaption(r.readingClass),
                                r.code(),
                                change(row.oldLocation, r.stored(Reading::Location)),
                                change(row.oldCondition, r.stored(Reading::Condition)),
                                change(row.oldSerial, r.stored(Reading::Serial)),
                                r.stored(Reading::Name).toString()};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, r.seq);
            m_grid->setItem(at, c, item);
        }
    }
    m_grid->resizeColumnsToContents();
}

QSet<int> TConferencia::chosenPlaces() const {
    QSet<int> places;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows()) {
        places.insert(m_grid->item(index.row(), 0)->data(Qt::UserRole).toInt());
    }
    return places;
}

void TConferencia::BitBtn1Click() {
    QSet<int> places = chosenPlaces();
    if (places.isEmpty()) {
        m_prompter.beep();
        m_prompter.notice(QStringLiteral("Selecione as leituras a aplicar."));
        return;
    }
    const QList<CountStore::PendingRow> invalid =
        CountReview::invalidChosen(m_rows, ReadingChoice::places(places));
    if (!invalid.isEmpty() && !m_prompter.confirm(CountReview::invalidCodesQuestion(
                                  invalid, m_dados.settings().CodeBar))) {
        // The others are applied; these stay pending.
        for (const CountStore::PendingRow& row : invalid) {
            places.remove(row.reading.seq);
        }
        if (places.isEmpty()) {
            return;
        }
    }
    reportErrors(m_prompter, [&] {
        CountReview(m_dados, m_log, noProgress())
            .accept(currentCount(), ReadingChoice::places(places));
    });
    // The counts' captions show their pending readings.
    listCounts(currentCount());
}

void TConferencia::BitBtn2Click() {
    const QSet<int> places = chosenPlaces();
    if (places.isEmpty()) {
        m_prompter.beep();
        m_prompter.notice(QStringLiteral("Selecione as leituras a descartar."));
        return;
    }
    if (!m_prompter.confirm(
            places.size() == 1
                ? QStringLiteral("Descartar a leitura selecionada? Ela não será aplicada ao "
                                 "cadastro.")
                : QStringLiteral("Descartar %1 leituras selecionadas? Elas não serão aplicadas "
                                 "ao cadastro.")
                      .arg(places.size()))) {
        return;
    }
    reportErrors(m_prompter, [&] {
        const int rejected = CountReview(m_dados, m_log, noProgress())
                                 .reject(currentCount(), ReadingChoice::places(places));
        m_log.append(
            QStringLiteral("   %1.").arg(countOf(rejected, QStringLiteral("leitura descartada"),
                                                 QStringLiteral("leituras descartadas"))));
    });
    listCounts(currentCount());
}

void TConferencia::BitBtn3Click() {
    reportErrors(m_prompter, [&] {
        TRelatorioContagem report(CountReport::build(m_dados, currentCount()), m_dados, m_prompter,
                                  this);
        report.exec();
    });
}

void TConferencia::BitBtn4Click() {
    reportErrors(m_prompter, [&] {
        CountStore store(m_dados);
        if (const std::optional<CountInfo> info = store.count(currentCount())) {
            const QString question = CountReview::closeQuestion(*info);
            if (!question.isEmpty() && !m_prompter.confirm(question)) {
                return;
            }
        }
        store.closeCount(currentCount());
        m_log.append(QStringLiteral("> Contagem %1 encerrada.").arg(currentCount()));
    });
    listCounts(currentCount());
}

void TConferencia::showLog() {
    m_memo->setPlainText(m_log.lines().join(u'\n'));
    m_memo->moveCursor(QTextCursor::End);
}

}  // namespace ambitra::ui
