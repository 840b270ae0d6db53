// Feeds arbitrary bytes to the reader of the old program's database file: opening
// it and reading every row of every table must either work or raise the reader's
// error, never crash nor read outside what the file holds.

#include "core/common/Error.h"
#include "core/legacy/LegacyFile.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace ambitra;

namespace {
constexpr int kMaxRowsVisited = 20000;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        legacy::File file(bytes, QStringLiteral("fuzz.mdb"));
        int visited = 0;
        for (const QString& name : file.tableNames()) {
            auto table = file.table(name);
            if (!table) {
                continue;
            }
            QList<legacy::Value> row;
            while (visited < kMaxRowsVisited && table->next(row)) {
                ++visited;
                for (const legacy::Value& value : row) {
                    value.dateTime();
                }
            }
        }
    } catch (const Error&) {
        // Refused in the user's words: what the reader must do with a bad file.
    }
    return 0;
}
