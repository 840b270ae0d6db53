#pragma once

#include "core/xbase/DbfFormat.h"
#include "core/xbase/FieldCodec.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

namespace ambitra {

class THalcyonDataSet;

// One field of the open table, reading and writing the current record.
//
// Values cross as QVariant: C gives QString (null when blank), N with decimals
// double, N without decimals int (qlonglong when the stored number does not
// fit an int, double when the stored text has a fraction), D QDate (null for
// no date), L bool. A field object lives until its table is closed.
class THalcyonField {
  public:
    // Type of the value the field presents.
    enum class Kind { Text, Real, Integer, Date, Logical };

    const QString& FieldName() const { return m_def.name; }
    char FieldType() const { return m_def.type; }
    Kind ValueKind() const { return m_kind; }
    int Size() const { return m_def.width; }  // bytes in the record (C: full width)
    int Decimals() const { return m_def.decimals; }
    int Offset() const { return m_offset; }  // from the record start; 1 is the first field

    QString AsString() const;
    QVariant AsVariant() const;
    bool IsNull() const;
    // The stored bytes, for callers that copy records field by field.
    QByteArrayView RawBytes() const;

    // Writing needs the table in Edit or Insert state. A null QVariant or Clear()
    // empties the field: blanks, or zero for N fields.
    void SetAsString(const QString& text);
    void SetAsVariant(const QVariant& value);
    void Clear();

  private:
    friend class THalcyonDataSet;
    THalcyonField(THalcyonDataSet& owner, dbf::FieldDef def, int offset);

    const char* data() const;
    char* writableData();
    bool isNumeric() const { return m_kind == Kind::Real || m_kind == Kind::Integer; }
    dbf::ParsedNumber parsedNumber() const;
    void setInteger(qint64 value);
    void setReal(double value);
    void setNumberText(const QString& text);
    void setDate(const QDate& date);
    void placeNumber(const char* text, int length);

    THalcyonDataSet* m_owner;
    dbf::FieldDef m_def;
    int m_offset;
    Kind m_kind;
};

}  // namespace ambitra
