#include "ui/records/RecordWindow.h"

#include "ui/widgets/CursorProgress.h"
#include "core/common/Prompter.h"
#include "core/data/DataTable.h"
#include "ui/labels/TEtiquetas.h"
#include "ui/widgets/DBGrid.h"
#include "ui/widgets/DBNavigator.h"
#include "core/records/EditingProtocol.h"
#include "ui/records/FieldBinding.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ambitra::ui {

namespace {

// Where the windows were designed to open inside the client area.
constexpr QPoint kDesignPosition{192, 114};
constexpr int kCascadeStep = 24;

void setBackground(QWidget* control, const QColor& colour) {
    QPalette pal = control->palette();
    pal.setColor(QPalette::Base, colour);
    if (auto* box = qobject_cast<QComboBox*>(control); box != nullptr && !box->isEditable()) {
        pal.setColor(QPalette::Button, colour);
    }
    control->setPalette(pal);
}

}  // namespace

RecordWindow::RecordWindow(EditingProtocol* protocol, Prompter& prompter, QSize size, QSize minimum,
                           QSize childArea, QWidget* parent)
    : QWidget(parent),
      m_prompter(prompter),
      m_protocol(protocol),
      m_size(size),
      m_minimum(minimum),
      m_childArea(childArea) {
    DataTable& table = protocol->table();
    m_grid = new DBGrid(table, this);
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setFrameShape(QFrame::StyledPanel);
    m_panel->setFocusPolicy(Qt::ClickFocus);
    m_panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    m_navigator = new DBNavigator(table, prompter, cursorProgress(), this);
    m_binding = new FieldBinding(table, this);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(2);
    top->addWidget(m_grid, 1);
    top->addWidget(m_panel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(top, 1);
    m_bottom = new QHBoxLayout;
    m_bottom->setContentsMargins(0, 0, 0, 0);
    m_bottom->addWidget(m_navigator, 1);
    layout->addLayout(m_bottom);
    setMinimumSize(0, 0);

    m_navigator->setBeforeAction([this](NavButton button) {
        // A half-typed date or amount is refused before anything is asked.
        if (button == NavButton::Post && !m_binding->UpdateRecord(m_prompter)) {
            return false;
        }
        return m_protocol->BeforeAction(button);
    });
    m_navigator->setInsideLock([this](NavButton button) { m_protocol->InsideLock(button); });
    connect(m_navigator, &DBNavigator::click, this,
            [this](NavButton button) { m_protocol->AfterAction(button); });
    connect(m_protocol.get(), &EditingProtocol::controlsChanged, this,
            &RecordWindow::UpdateControls);
    connect(m_protocol.get(), &EditingProtocol::focusRequested, this, &RecordWindow::focusField);
    connect(m_binding, &FieldBinding::changed, this, [this] { m_protocol->AnyChange(); });
    connect(m_grid, &QAbstractItemView::clicked, this, &RecordWindow::UpdateControls);
    connect(m_grid, &DBGrid::dblClick, this, [this] {
        if (m_navigator->isAvailable(NavButton::Edit)) {
            m_navigator->BtnClick(NavButton::Edit);
        }
    });
}

RecordWindow::~RecordWindow() = default;

void RecordWindow::addLabelsButton(TDados& dados, bool locations) {
    auto* button = new QPushButton(QStringLiteral("Etiquetas..."), this);
    button->setObjectName(QStringLiteral("BtnEtiquetas"));
    button->setFocusPolicy(Qt::NoFocus);
    m_bottom->addWidget(button);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(button, &QPushButton::clicked, this, [this, &dados, locations] {
        TEtiquetas dialog(dados, m_prompter, cursorProgress(),
                          locations ? TEtiquetas::Kind::Locations : TEtiquetas::Kind::Assets,
                          selectedKeys(), this);
        dialog.exec();
    });
}

QStringList RecordWindow::selectedKeys() const {
    QList<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    QStringList keys;
    for (int row : rows) {
        keys << m_protocol->table().keyAt(m_grid->tableRow(m_grid->model()->index(row, 0)));
    }
    return keys;
}

Progress& RecordWindow::cursorProgress() {
    static CursorProgress progress;
    return progress;
}

QRect RecordWindow::Placement(QSize size, QSize childArea) {
    if (kDesignPosition.x() + size.width() >= childArea.width() ||
        kDesignPosition.y() + size.height() >= childArea.height()) {
        return QRect(QPoint(0, 0), size);
    }
    return QRect();
}

void RecordWindow::addEditControl(QWidget* control, const QString& field) {
    m_controls.append({control, field, true});
    control->installEventFilter(this);
}

void RecordWindow::addFollower(QWidget* control, const QString& field) {
    m_controls.append({control, field, false});
}

QWidget* RecordWindow::control(const QString& field) const {
    for (const Control& c : m_controls) {
        if (c.field == field && c.edit) {
            return c.widget;
        }
    }
    return nullptr;
}

void RecordWindow::UpdateControls() {
    const bool changing = m_protocol->Inserting() || m_protocol->Editing();
    m_grid->setEnabled(!changing);
    beforeEnableControls();
    EnableEditControls();
    updateVisibility();
    m_navigator->RefreshButtons();
    QWidget* target = control(m_protocol->FocusField());
    if (target != nullptr && target->isEnabled() && !target->isHidden()) {
        target->setFocus();
    } else {
        m_panel->setFocus();
    }
}

void RecordWindow::EnableEditControls() {
    for (const Control& c : std::as_const(m_controls)) {
        c.widget->setEnabled(m_protocol->IsFieldEnabled(c.field));
        if (c.edit) {
            SetFocusColor(c.widget);
        }
    }
}

void RecordWindow::SetFocusColor(QWidget* control) {
    if (control->hasFocus()) {
        setBackground(control, QApplication::palette().color(QPalette::ToolTipBase));
    } else if (control->isEnabled()) {
        setBackground(control, QApplication::palette().color(QPalette::Base));
    } else {
        setBackground(control, control->parentWidget()->palette().color(QPalette::Window));
    }
}

void RecordWindow::focusField(const QString& field) {
    QWidget* target = control(field);
    if (target == nullptr || !target->isEnabled()) {
        return;
    }
    target->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        edit->selectAll();
    } else if (auto* box = qobject_cast<QComboBox*>(target); box && box->lineEdit()) {
        box->lineEdit()->selectAll();
    }
}

void RecordWindow::moveToNextControl(QWidget* from) {
    qsizetype start = -1;
    for (qsizetype i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i].widget == from) {
            start = i;
        }
    }
    for (qsizetype step = 1; step <= m_controls.size(); ++step) {
        const Control& c = m_controls[(start + step) % m_controls.size()];
        if (c.edit && c.widget->isEnabled() && c.widget->isVisible()) {
            c.widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool RecordWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::EnabledChange:
            SetFocusColor(widget);
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                moveToNextControl(widget);
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void RecordWindow::FormActivate() {
    reportErrors(m_prompter, [this] { m_protocol->FormActivate(); });
}

void RecordWindow::attachToSubWindow() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (sub == nullptr || m_attached) {
        return;
    }
    m_attached = true;
    connect(sub, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (now.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowActive)) {
                    FormActivate();
                }
            });
}

bool RecordWindow::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        attachToSubWindow();
    } else if (event->type() == QEvent::WindowActivate && isWindow()) {
        FormActivate();
    }
    return QWidget::event(event);
}

QRect RecordWindow::cascadePlace(QMdiSubWindow* frame) const {
    // Each child window open (the wallpaper, tagged -1, aside) moves the next one
    // down and right, at its natural size.
    int others = 0;
    if (QMdiArea* area = frame->mdiArea()) {
        for (QMdiSubWindow* sub : area->subWindowList()) {
            if (sub != frame && sub->isVisible() && sub->property("tag").toInt() >= 0) {
                ++others;
            }
        }
    }
    const int step = kCascadeStep * (others % 8);
    const QSize size = frame->sizeHint().expandedTo(m_minimum).boundedTo(m_childArea);
    return QRect(QPoint(step, step), size);
}

void RecordWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    QWidget* frame = parentWidget() != nullptr && qobject_cast<QMdiSubWindow*>(parentWidget())
                         ? parentWidget()
                         : this;
    frame->setMinimumSize(m_minimum);
    QRect place = Placement(m_size, m_childArea);
    if (!place.isValid() && frame != this) {
        place = cascadePlace(static_cast<QMdiSubWindow*>(frame));
    }
    if (place.isValid()) {
        frame->setGeometry(place);
    }
}

void RecordWindow::closeEvent(QCloseEvent* event) {
    bool close = true;
    reportErrors(m_prompter, [&] { close = m_protocol->FormClose(); });
    if (close) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace ambitra::ui
