#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

namespace ambitra {

class DataTable;

// The locations offered for an inventory load, each a fixed-pitch line of 18
// characters (code, building, department, room) with a check mark. The load sends
// the marked locations and their assets.
class LocationCheckList : public QObject {
    Q_OBJECT

  public:
    struct Item {
        QString text;
        bool checked = false;
    };

    explicit LocationCheckList(QObject* parent = nullptr) : QObject(parent) {}

    // The line of a location: each part padded with blanks to 5, 4, 4 and 5.
    static QString LocationLine(const QString& code, const QString& building,
                                const QString& department, const QString& room);

    // One unmarked item per row of the (open) Locais table, in table order.
    void fill(DataTable& locais);
    void clear();
    void setAll(bool checked);  // "Todos" / "Nenhum"
    void setChecked(int index, bool checked);

    int count() const { return static_cast<int>(m_items.size()); }
    const Item& item(int index) const { return m_items[index]; }

    // The first item with exactly that text, else the first with that text in
    // another letter case; -1 when none.
    int find(const QString& text) const;

  signals:
    void changed();

  private:
    QList<Item> m_items;
    QHash<QString, int> m_byText;  // lower-cased text -> first item
    QHash<QString, int> m_exact;   // text -> first item
};

}  // namespace ambitra
