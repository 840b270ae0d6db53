#include "ui/widgets/DBNavigator.h"

#include "core/data/DataTable.h"
#include "core/records/NavigatorAction.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace ambitra::ui {

namespace {

struct ButtonDef {
    const char* name;
    const char* glyph;
    const char* hint;
};

constexpr ButtonDef kButtons[] = {
    {"nbFirst", "|◀", "Primeiro registro"}, {"nbPrior", "◀", "Registro anterior"},
    {"nbNext", "▶", "Próximo registro"},    {"nbLast", "▶|", "Último registro"},
    {"nbInsert", "+", "Insere registro"},   {"nbDelete", "−", "Exclui registro"},
    {"nbEdit", "▲", "Edita registro"},      {"nbPost", "✔", "Grava edição"},
    {"nbCancel", "✘", "Cancela edição"},    {"nbRefresh", "↻", "Atualiza dados"},
};

std::size_t indexOf(NavButton button) {
    return static_cast<std::size_t>(button);
}

}  // namespace

DBNavigator::DBNavigator(DataTable& table, Prompter& prompter, Progress& wait, QWidget* parent)
    : QWidget(parent), m_table(table), m_prompter(prompter), m_wait(wait) {
    setObjectName(QStringLiteral("DBNavigator1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(kButtons[i].name));
        b->setText(QString::fromUtf8(kButtons[i].glyph));
        b->setToolTip(QString::fromUtf8(kButtons[i].hint));
        b->setAccessibleName(b->toolTip());
        // Pressing a button leaves the focus where the user is typing.
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setMinimumHeight(25);
        const auto which = static_cast<NavButton>(i);
        connect(b, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
        layout->addWidget(b);
        m_buttons[i] = b;
    }
    for (auto signal :
         {&DataTable::stateChanged, &DataTable::currentChanged, &DataTable::layoutReset}) {
        connect(&m_table, signal, this, &DBNavigator::RefreshButtons);
    }
    connect(&m_table, &DataTable::rowInserted, this, &DBNavigator::RefreshButtons);
    connect(&m_table, &DataTable::rowRemoved, this, &DBNavigator::RefreshButtons);
    RefreshButtons();
}

QString DBNavigator::hint(NavButton button) {
    return QString::fromUtf8(kButtons[indexOf(button)].hint);
}

QToolButton* DBNavigator::button(NavButton button) const {
    return m_buttons[indexOf(button)];
}

bool DBNavigator::isAvailable(NavButton button) const {
    return m_buttons[indexOf(button)]->isEnabled();
}

void DBNavigator::RefreshButtons() {
    const NavigatorState state = TDados::RefreshNavigator(m_table);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setEnabled(state[i]);
    }
}

bool DBNavigator::BtnClick(NavButton which) {
    if (!isAvailable(which)) {
        return false;
    }
    return PressNavigatorButton(
        m_table, which, m_prompter, m_wait, m_beforeAction, [this](NavButton b) { emit click(b); },
        [this, which] {
            if (m_insideLock) {
                m_insideLock(which);
            }
        });
}

}  // namespace ambitra::ui
