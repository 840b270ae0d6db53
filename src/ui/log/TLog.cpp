#include "ui/log/TLog.h"

#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/log/LogModel.h"

#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace ambitra::ui {

namespace {

// Every second row on the tooltip colour, the current row highlighted, a line
// under each row and none between columns: a banded list.
class BandedRowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.row() % 2 == 1 && !(option.state & QStyle::State_Selected)) {
            painter->fillRect(option.rect, option.palette.toolTipBase());
        }
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

QDateTimeEdit* makePicker(const char* name, QWidget* parent) {
    auto* picker = new QDateTimeEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setCalendarPopup(true);
    // A short date on screen; the picker still holds a time of day.
    picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    picker->setMinimumDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    return picker;
}

QLabel* captionFor(const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TLog::TLog(TDados& dados, Prompter& prompter, int childWidth, int childHeight, QWidget* parent)
    : QWidget(parent),
      m_dados(dados),
      m_prompter(prompter),
      m_log(dados, prompter, m_progress),
      m_model(new LogModel(dados.QLog(), this)),
      m_childWidth(childWidth),
      m_childHeight(childHeight) {
    setObjectName(QStringLiteral("Log"));
    setWindowTitle(QStringLiteral("Log de Inventário"));
    buildControls();
    setPeriod(dados.DayStart, dados.DayEnd);
    m_save->setEnabled(false);
    m_grid->setVisible(dados.QLog().isOpen());
}

TLog::~TLog() {
    closeQuery();
}

void TLog::buildControls() {
    auto* group =
        new QGroupBox(QStringLiteral(" Informe o período para seleção de registros "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    m_start = makePicker("DateTimePicker1", group);
    m_end = makePicker("DateTimePicker2", group);
    m_all = new QToolButton(group);
    m_all->setObjectName(QStringLiteral("SpeedButton1"));
    m_all->setText(QStringLiteral("TUDO"));
    m_all->setAutoRaise(true);
    m_all->setCursor(Qt::PointingHandCursor);
    m_all->setToolTip(QStringLiteral("Clique aqui para selecionar todas as datas possíveis!"));
    auto* periodLayout = new QHBoxLayout(group);
    periodLayout->addWidget(captionFor(QStringLiteral("Início"), m_start, group));
    periodLayout->addWidget(m_start);
    periodLayout->addSpacing(12);
    periodLayout->addWidget(captionFor(QStringLiteral("Término"), m_end, group));
    periodLayout->addWidget(m_end);
    periodLayout->addSpacing(12);
    periodLayout->addWidget(m_all);

    m_execute = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload),
                                QStringLiteral("Executar"), this);
    m_execute->setObjectName(QStringLiteral("BitBtn1"));
    m_save = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton),
                             QStringLiteral("Salvar"), this);
    m_save->setObjectName(QStringLiteral("BitBtn2"));
    m_save->setToolTip(QStringLiteral("Grava arquivo CSV compatível com o Microsoft® Excel"));

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new BandedRowDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setShowGrid(false);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setHighlightSections(false);
    // Columns as wide as their display width in digits, or their caption.
    const QFontMetrics metrics = m_grid->fontMetrics();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const QString caption = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        const int text = metrics.horizontalAdvance(QString(m_model->displayWidth(c), u'0'));
        m_grid->setColumnWidth(c, std::max(text, metrics.horizontalAdvance(caption)) + 16);
    }
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);

    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(false);
    m_status = new QLabel(statusBar);
    m_status->setObjectName(QStringLiteral("StatusPanel"));
    statusBar->addWidget(m_status, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(group);
    top->addStretch(1);
    top->addWidget(m_execute, 0, Qt::AlignBottom);
    top->addWidget(m_save, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->addLayout(top);
    layout->addWidget(m_grid, 1);
    layout->addStretch(0);
    layout->addWidget(statusBar);

    connect(m_start, &QDateTimeEdit::dateTimeChanged, this, &TLog::AnyChange);
    connect(m_end, &QDateTimeEdit::dateTimeChanged, this, &TLog::AnyChange);
    connect(m_all, &QToolButton::clicked, this, &TLog::SpeedButton1Click);
    connect(m_execute, &QPushButton::clicked, this, &TLog::BitBtn1Click);
    connect(m_save, &QPushButton::clicked, this, &TLog::BitBtn2Click);
}

LogSelection::Period TLog::period() const {
    return {m_start->dateTime(), m_end->dateTime()};
}

void TLog::setPeriod(const QDateTime& start, const QDateTime& end) {
    // Set by the program: not a change by hand.
    const QSignalBlocker blockStart(m_start);
    const QSignalBlocker blockEnd(m_end);
    m_start->setDateTime(start);
    m_end->setDateTime(end);
}

void TLog::AnyChange() {
    setPeriod(QDateTime(m_start->date(), QTime(0, 0, 0, 0)),
              QDateTime(m_end->date(), QTime(23, 59, 59, 999)));
}

void TLog::SpeedButton1Click() {
    reportErrors(m_prompter, [this] {
        if (const auto all = m_log.SelectAllDates()) {
            setPeriod(all->start, all->end);
        }
    });
}

void TLog::BitBtn1Click() {
    // The result is on screen before an empty one is announced.
    const auto show = [this](int count) {
        showGrid();
        m_save->setEnabled(count > 0);
        m_status->setText(QLatin1Char(' ') + LogSelection::StatusText(count));
    };
    if (!reportErrors(m_prompter, [this, &show] { m_log.Execute(period(), show); })) {
        showGrid();  // the error was shown; the last selection's texts stay
    }
}

void TLog::showGrid() {
    m_model->refresh();
    m_grid->setVisible(m_dados.QLog().isOpen());
}

void TLog::BitBtn2Click() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Arquivo texto separado por vírgulas (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // The window asks its own question about an existing file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(LogSelection::ProposedFileName(period()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    reportErrors(m_prompter, [this, &path] {
        const auto count = m_log.SaveCsv(path, LogSelection::Overwrite::Ask);
        if (!count) {
            return;
        }
        m_model->refresh();
        m_grid->setVisible(true);
        m_prompter.notice(LogSelection::CompletionText(*count));
        // The grid is left on the last row.
        if (m_model->rowCount() > 0) {
            m_grid->selectRow(m_model->rowCount() - 1);
        }
    });
}

void TLog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    // The window fills the main window's room at its top-left corner.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->setMinimumSize(554, 256);
        frame->setGeometry(0, 0, std::max(m_childWidth, 554), std::max(m_childHeight, 256));
    }
}

void TLog::closeEvent(QCloseEvent* event) {
    closeQuery();
    event->accept();
}

void TLog::closeQuery() {
    m_dados.QLog().close();
    m_model->refresh();
}

}  // namespace ambitra::ui
