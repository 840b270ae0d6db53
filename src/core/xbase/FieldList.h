#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace ambitra {

// One entry of a field list: "NAME;T;WIDTH;DECIMALS", e.g. "BEVALOR;N;12;3".
struct FieldEntry {
    QString name;
    QChar type;
    int width = 0;
    int decimals = 0;
    bool valid = false;
};

// Reads one entry. Trailing blanks and ";" are ignored; the type must be one
// character; width and decimals must be decimal integers (the decimals are read
// from at most three characters).
FieldEntry ParseFieldEntry(const QString& entry);

// Checks the whole list (not empty, every entry valid, no name twice, every
// field one the format can hold), then writes a new empty table at path with
// these fields in list order. An invalid list raises EHalcyonError "Field list
// is invalid" before anything is written.
void BuildDBFFile(const QString& path, const QStringList& entries, bool ownerOnly = false);

}  // namespace ambitra
