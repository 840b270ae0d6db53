#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace ambitra {
class DataTable;
class Prompter;
}  // namespace ambitra

namespace ambitra::ui {

class DBLookupComboBox;

// Binds edit controls to the columns of a table's current record: controls show
// the record (or the record being changed), and what the user types goes into the
// table's edit buffer. Every change of a control's content is announced, whatever
// caused it, as the editing protocol counts changes.
class FieldBinding : public QObject {
    Q_OBJECT

  public:
    explicit FieldBinding(DataTable& table, QObject* parent = nullptr);

    // A text column; the control accepts no more than the column's size.
    void bindText(QLineEdit* edit, const QString& column);
    // A date column, typed as "dd/mm/yyyy" through a mask.
    void bindDate(QLineEdit* edit, const QString& column);
    // An amount column, typed with three decimals.
    void bindMoney(QLineEdit* edit, const QString& column);
    // A text column typed freely or taken from a suggestion list.
    void bindSuggestions(QComboBox* box, const QString& column);
    // A code column chosen from a look-up table.
    void bindLookup(DBLookupComboBox* box, const QString& column);
    // A read-only text.
    void bindLabel(QLabel* label, const QString& column);

    // Replaces a suggestion list without touching what the control holds.
    static void setSuggestions(QComboBox* box, const QStringList& items);

    // Before a save: every typed date and amount must be a whole, valid one. On
    // the first that is not, beeps, focuses it and shows why; false then.
    bool UpdateRecord(Prompter& prompter);
    // Shows the table's current values in every control.
    void refresh();

    // The text a date or amount control shows for a value.
    static QString dateText(const QVariant& value);
    static QString moneyText(const QVariant& value);

  signals:
    // A bound control's content changed.
    void changed();

  private:
    enum class Kind { Text, Date, Money, Suggestions, Lookup, Label };
    struct Entry {
        QWidget* widget;
        int column;
        Kind kind;
    };

    void add(QWidget* widget, const QString& column, Kind kind);
    void load(const Entry& entry);
    void loadColumn(int column);
    void store(const Entry& entry);
    QVariant currentValue(int column) const;
    // The value a date or amount control holds; invalid QVariant with ok false
    // when its text is not acceptable.
    static QVariant parsed(const Entry& entry, bool* ok);

    DataTable& m_table;
    QList<Entry> m_entries;
    bool m_loading = false;
    int m_storing = -1;  // column being written from its own control
};

}  // namespace ambitra::ui
