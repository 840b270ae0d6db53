#pragma once

#include "core/xbase/DbfFormat.h"

#include <QList>
#include <QString>

namespace ambitra {

// Writes a new, empty table file from field definitions: header, descriptors,
// terminator and end-of-file mark. An existing file of that name is replaced.
class GSO_DBFBuild {
  public:
    // The path is trimmed; ".DBF" is added when the file name has no extension.
    explicit GSO_DBFBuild(const QString& path);
    // Writes the file if WriteTable was never called (errors are lost then).
    virtual ~GSO_DBFBuild();
    GSO_DBFBuild(const GSO_DBFBuild&) = delete;
    GSO_DBFBuild& operator=(const GSO_DBFBuild&) = delete;

    const QString& FilePath() const { return m_path; }
    // A file that holds passwords is readable by its owner only.
    void SetOwnerOnly(bool ownerOnly) { m_ownerOnly = ownerOnly; }

    // An empty name adds nothing. The name is upper-cased and cut to 10
    // characters; D and L fields get their fixed widths; C fields keep the full
    // width (up to 65535, stored in two bytes). A definition the format cannot
    // hold raises EHalcyonError.
    void AddField(const QString& name, QChar type, int width, int decimals);
    void WriteTable();

    const QList<dbf::FieldDef>& Fields() const { return m_fields; }
    int RecordLength() const { return m_recordLength; }
    int HeaderLength() const;

  protected:
    virtual quint8 version() const { return dbf::kVersion; }

  private:
    QString m_path;
    QList<dbf::FieldDef> m_fields;
    int m_recordLength = 1;
    bool m_ownerOnly = false;
    bool m_written = false;
};

// The flavour used for the exchange tables. It differs only for tables with
// memo fields, which this program never writes, so its files are the same bytes.
class GSO_DBFoxBuild : public GSO_DBFBuild {
  public:
    using GSO_DBFBuild::GSO_DBFBuild;
};

// Upper case as the code page knows it: one character for one, so a name keeps
// its length ("ß" stays).
QString UpperFieldName(const QString& name);

}  // namespace ambitra
