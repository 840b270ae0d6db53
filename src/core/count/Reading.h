#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>

namespace ambitra {

class Progress;
class THalcyonDataSet;
class THalcyonField;

// What one returned record says about an asset: the fields the unload applies,
// as read from the handheld's file. A field that could not be read keeps its
// error, raised only when the field is used, so that a kept reading fails
// exactly where applying the file itself would have failed.
class Reading {
  public:
    enum Field {
        Code,
        Name,
        Location,
        Maker,
        Condition,
        Serial,
        Value,
        Bought,
        Inventoried,
        Operator,
        FieldCount
    };

    // The field's name in the returned table (BECODIGO, ...).
    static QString fieldName(int field);

    // The value as read (text, amount, date or null); raises the field's error.
    QVariant value(int field) const;
    // The value without raising (null when the field could not be read).
    const QVariant& stored(int field) const { return m_values[field]; }
    QString code() const { return m_values[Code].toString(); }

    void set(int field, QVariant value) { m_values[field] = std::move(value); }
    void setError(int field, const QString& error) { m_errors[field] = error; }

    // The errors as one text ("FIELD<TAB>error" lines; empty when none) and back.
    QString errorsText() const;
    void setErrorsText(const QString& text);

    // Where the reading is kept: its count and its place in it (0 when not kept).
    int count = 0;
    int seq = 0;
    QString readingClass;  // the name of its ReadingClass, as kept
    // The identifier the handheld gave the reading (empty for a returned table's
    // record): kept with it, so that a reading sent again is recognised.
    QString id;

  private:
    std::array<QVariant, FieldCount> m_values;
    std::array<QString, FieldCount> m_errors;
};

// The records of a returned assets table that take part in an unload (BEFLAG
// exactly "X"), as readings, in file order. Each record of the file is one step
// of progress.
class ReturnedRecords {
  public:
    // dbf: open. Raises when the table has no BEFLAG field.
    ReturnedRecords(THalcyonDataSet& dbf, Progress& progress);

    // Starts again at the first record.
    void rewind();
    // The identifiers of the records taking part, in order: each reading gets its
    // own (a record beyond the list none).
    void setIds(QStringList ids) { m_ids = std::move(ids); }
    // The next record taking part; false at the end.
    bool next(Reading& reading);

  private:
    THalcyonDataSet& m_dbf;
    Progress& m_progress;
    THalcyonField* m_flag;
    std::array<THalcyonField*, Reading::FieldCount> m_fields{};
    std::array<QString, Reading::FieldCount> m_missing;  // error of an absent field
    bool m_started = false;
    QStringList m_ids;
    qsizetype m_taken = 0;  // records taking part read since the first
};

// Whether a code cannot be a bar code of the coding ("EAN8", "EAN13"): of the
// coding's length and not digits ending in their check digit. Never for other
// codings or other lengths.
bool FailsCheckDigit(const QString& code, const QString& coding);

// Whether a reading's value changes the register's: one null and the other not,
// or different texts (letter case counts); two nulls are equal.
bool ValueChanged(const QVariant& old, const QVariant& now);

}  // namespace ambitra
