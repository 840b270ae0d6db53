// Feeds arbitrary bytes to the table reader as a .DBF file: opening, reading
// every field of every live record, editing the first record and appending one
// must either work or raise the layer's error, never crash, and never write
// anywhere but the header, the edited record and the end of the file.

#include "core/common/Error.h"
#include "core/xbase/HalcyonDataSet.h"
#include "FuzzSupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>

using namespace ambitra;
using namespace ambitra::fuzz;

namespace {

constexpr int kMaxRecordsVisited = 5000;

void readEverything(THalcyonDataSet& table) {
    int visited = 0;
    for (table.First(); !table.Eof() && visited < kMaxRecordsVisited; table.Next(), ++visited) {
        for (int i = 0; i < table.FieldCount(); ++i) {
            THalcyonField& field = table.Fields(i);
            field.IsNull();
            try {
                field.AsVariant();
                field.AsString();
            } catch (const Error&) {
                // A number that is not one: reported, and the next field is read.
            }
        }
    }
}

// Bytes that a write may change: the header's date, count, flags, stamp and user.
bool headerByteMayChange(qsizetype i) {
    return (i >= 1 && i <= 7) || (i >= 15 && i <= 23) || i == 28;
}

void checkOnlyAllowedBytesChanged(const QByteArray& before, const QByteArray& after,
                                  qsizetype editedFrom, qsizetype editedTo, qsizetype appendFrom) {
    for (qsizetype i = 0; i < before.size(); ++i) {
        const bool allowed = (i < 32 && headerByteMayChange(i)) ||
                             (i >= editedFrom && i < editedTo) || i >= appendFrom;
        if (!allowed && (i >= after.size() || before[i] != after[i])) {
            std::fprintf(stderr, "byte %lld changed\n", static_cast<long long>(i));
            std::abort();
        }
    }
}

void editAndAppend(THalcyonDataSet& table, const QByteArray& path, int headerLength,
                   int recordLength) {
    table.First();
    const QByteArray before = readFile(path);
    const qint64 count = table.RecordCount();
    const qint64 edited = table.RecNo();
    table.Edit();
    for (int i = 0; i < table.FieldCount(); ++i) {
        try {
            table.Fields(i).SetAsVariant(table.Fields(i).AsVariant());
        } catch (const Error&) {
            table.Fields(i).Clear();
        }
    }
    table.Post();
    table.Insert();
    table.Post();
    const QByteArray after = readFile(path);
    const qint64 appended = edited > 0 ? 1 : 2;  // Edit on an empty table inserts
    const qsizetype editedFrom = edited > 0 ? headerLength + (edited - 1) * recordLength : 0;
    const qsizetype editedTo = edited > 0 ? editedFrom + recordLength : 0;
    checkOnlyAllowedBytesChanged(before, after, editedFrom, editedTo,
                                 headerLength + count * recordLength);
    // The file ends right after the last record. (With a record length of 1 the
    // end mark of the file reads as one more record: the count is the file's.)
    if (after.size() != headerLength + table.RecordCount() * recordLength + 1 ||
        table.RecordCount() < count + appended) {
        std::fprintf(stderr, "size %lld, %lld records after the append\n",
                     static_cast<long long>(after.size()),
                     static_cast<long long>(table.RecordCount()));
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString folder = scratchFolder("dbf-fuzz");
    static const QByteArray path = QFile::encodeName(folder + QStringLiteral("/FUZZ.DBF"));
    writeFile(path, data, size);

    THalcyonDataSet table;
    table.SetDatabaseName(folder);
    table.SetTableName(QStringLiteral("FUZZ.DBF"));
    try {
        table.Open();
    } catch (const Error&) {
        return 0;  // refused with its message: fine
    }
    readEverything(table);
    const int headerLength = size >= 12 ? data[8] | data[9] << 8 : 0;
    const int recordLength = size >= 12 ? data[10] | data[11] << 8 : 0;
    try {
        editAndAppend(table, path, headerLength, recordLength);
    } catch (const Error&) {
    }
    return 0;
}
