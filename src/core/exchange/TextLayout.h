#pragma once

#include "core/exchange/ExchangeFields.h"
#include "core/exchange/FieldError.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

namespace ambitra {

struct Settings;

// The three text layouts of a table's exchange file.
enum class TextFormat {
    Fixed,      // fields side by side, each filled to its width
    Delimited,  // the fixed-width field texts joined by the delimiter
    Csv,        // trimmed values, text in the qualifier, joined by the separator
};

// The exchange file of a table in a text layout: NAME.CSV for comma-separated
// text, NAME.TXT for both other layouts (their folders tell them apart).
QString textFileName(const QString& tableName, TextFormat format);

// Turns records into lines of one layout and lines back into values. Lines are
// text here; the files hold them in Windows-1252 with CR LF after each.
class TextLayout {
  public:
    TextLayout(TextFormat format, QList<ExchangeField> fields, const Settings& settings);

    TextFormat format() const { return m_format; }
    const QList<ExchangeField>& fields() const { return m_fields; }
    // What stands between two fields: the delimiter, or for comma-separated text
    // the delimiter when it is "," or ";", otherwise ","; empty for fixed width.
    const QString& separator() const { return m_separator; }

    // The line of a record; values holds one value per field (null = none).
    QString formatLine(const QVariantList& values) const;
    // The same, appended to line (which keeps its capacity from line to line).
    void appendLine(QString& line, const QVariantList& values) const;
    // The header line of the comma-separated layout: the labels, qualified.
    QString headerLine() const;

    // One text value per field, trimmed and the qualifiers removed, as the file
    // has it; amountWidth receives the width the amount's field took in the line
    // (its implied decimals depend on it).
    QStringList readValues(QStringView line, int* amountWidth = nullptr) const;
    // The value a read text gives its field: the amount normalised and read, a
    // date read as "yyyymmdd". A value that is no amount, an amount out of the
    // column's range or digits that are no calendar date raise a FieldError.
    QVariant toValue(const ExchangeField& field, const QString& text, int amountWidth) const;
    // Why the record cannot be written in this layout so that it reads back the
    // same (a line break in a text, a text or an amount wider than its field);
    // empty when it can.
    QString unwritable(const QVariantList& values) const;

  private:
    void appendFixed(QString& line, const ExchangeField& field, const QVariant& value) const;
    void appendCsv(QString& line, const ExchangeField& field, const QVariant& value) const;
    void appendQualified(QString& line, QStringView text, QStringView qualifier) const;
    void appendCsvText(QString& line, QStringView text) const;
    QString readCsvValue(QStringView line, qsizetype& pos, int& width) const;
    qsizetype readQualified(QStringView line, qsizetype start, QStringView qualifier,
                            QString& content) const;
    bool hasFixedShape(QStringView line) const;
    QString unqualified(QStringView value) const;

    TextFormat m_format;
    QList<ExchangeField> m_fields;
    QString m_separator;
    QString m_decimalPoint;
    QString m_qualifier;
    QString m_readQualifier;
};

// The amount in twelve characters for the fixed-width and delimited layouts:
// zero-filled, three decimals behind the decimal point setting (which may be
// empty); a negative amount starts with its sign.
QString fixedAmountText(double value, const QString& decimalPoint);
// The amount with three decimals and nothing else, for comma-separated text.
QString csvAmountText(double value, const QString& decimalPoint);
// An amount read from a file, as a text with "." as point: used as it is when it
// holds a ".", else with the decimal point setting replaced, else with three
// implied decimals in a field of that width.
QString normaliseAmount(const QString& value, int width, const QString& decimalPoint);
// The text without blanks and control characters at either end.
QStringView trimBlanks(QStringView text);

// Highest magnitude the amount column holds: eight digits and three decimals.
inline constexpr double kMaxAmount = 99999999.999;
// Why an amount beyond that is refused, as the messages say it.
QString amountRangeReason();

}  // namespace ambitra
