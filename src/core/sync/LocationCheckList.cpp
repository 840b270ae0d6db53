#include "core/sync/LocationCheckList.h"

#include "core/common/Conversions.h"
#include "core/data/DataTable.h"

namespace ambitra {

QString LocationCheckList::LocationLine(const QString& code, const QString& building,
                                        const QString& department, const QString& room) {
    const QChar blank = QLatin1Char(' ');
    return PadRight(code, 5, blank) + PadRight(building, 4, blank) +
           PadRight(department, 4, blank) + PadRight(room, 5, blank);
}

void LocationCheckList::fill(DataTable& locais) {
    m_items.clear();
    m_byText.clear();
    m_exact.clear();
    for (locais.first(); !locais.eof() && !locais.isEmpty(); locais.next()) {
        const QString line = LocationLine(
            locais.text(QStringLiteral("LOCODIGO")), locais.text(QStringLiteral("LOPREDIO")),
            locais.text(QStringLiteral("LODEPTO")), locais.text(QStringLiteral("LOSALA")));
        m_byText.insert(line.toLower(), static_cast<int>(m_items.size()));
        m_exact.insert(line, static_cast<int>(m_items.size()));
        m_items.append({line, false});
    }
    // The insert above keeps the last duplicate; the first one is the one found.
    for (int i = static_cast<int>(m_items.size()) - 1; i >= 0; --i) {
        m_byText.insert(m_items[i].text.toLower(), i);
        m_exact.insert(m_items[i].text, i);
    }
    emit changed();
}

void LocationCheckList::clear() {
    m_items.clear();
    m_byText.clear();
    m_exact.clear();
    emit changed();
}

void LocationCheckList::setAll(bool checked) {
    for (Item& item : m_items) {
        item.checked = checked;
    }
    emit changed();
}

void LocationCheckList::setChecked(int index, bool checked) {
    if (index >= 0 && index < m_items.size()) {
        m_items[index].checked = checked;
        emit changed();
    }
}

int LocationCheckList::find(const QString& text) const {
    // Codes that differ only in letter case are different locations: the exact
    // item wins, and letter case is ignored only when there is none.
    const int exact = m_exact.value(text, -1);
    return exact >= 0 ? exact : m_byText.value(text.toLower(), -1);
}

}  // namespace ambitra
