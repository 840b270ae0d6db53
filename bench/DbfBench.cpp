// Writes 100,000 asset records into BENS.DBF and reads them back, once with one
// append per record (lock, header re-read, record, header, unlock) and once in
// bulk; reports records per second, and the same work done by independent
// implementations (pyshp writing, dbfread reading) where Debian's python has them.

#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>
#include <vector>

using namespace ambitra;

namespace {

constexpr int kRecords = 100000;
constexpr int kDistinctRows = 1000;

// Typed values as the handheld load takes them from the database; made up front
// so that the timing is the table layer's.
std::vector<QVariantList> sampleRows() {
    std::vector<QVariantList> rows;
    for (int i = 0; i < kDistinctRows; ++i) {
        rows.push_back(
            {QString::number(7890000000000LL + i), QStringLiteral("Cadeira giratória nº %1").arg(i),
             QStringLiteral("%1").arg(i % 200, 4, 10, QLatin1Char('0')),
             QStringLiteral("Fábrica Móveis"), QStringLiteral("01"),
             QStringLiteral("SN-%1").arg(i * 7919), 1234.5 + i, QDate(2020, 1, 1).addDays(i),
             QVariant(), QStringLiteral("Operador"), QVariant()});
    }
    return rows;
}

void report(const char* what, qint64 records, qint64 nanoseconds) {
    const double seconds = static_cast<double>(nanoseconds) / 1e9;
    std::printf("%-44s %8.3f s  %10.0f records/s\n", what, seconds,
                static_cast<double>(records) / seconds);
}

qint64 write(const QString& folder, const std::vector<QVariantList>& rows, bool bulk) {
    CreateDBFTable(folder, QStringLiteral("BENS.DBF"));
    THalcyonDataSet table;
    table.SetDatabaseName(folder);
    table.SetTableName(QStringLiteral("BENS.DBF"));
    table.Open();
    QElapsedTimer timer;
    timer.start();
    if (bulk) {
        table.BeginBulkAppend();
    }
    for (int i = 0; i < kRecords; ++i) {
        const QVariantList& row = rows[static_cast<size_t>(i % kDistinctRows)];
        table.Insert();
        for (int f = 0; f < row.size(); ++f) {
            if (!row[f].isNull()) {
                table.Fields(f).SetAsVariant(row[f]);
            }
        }
        table.Post();
    }
    table.Close();
    return timer.nsecsElapsed();
}

qint64 read(const QString& folder, qint64& records) {
    QElapsedTimer timer;
    timer.start();
    THalcyonDataSet table;
    table.SetReadOnly(true);
    table.SetDatabaseName(folder);
    table.SetTableName(QStringLiteral("BENS.DBF"));
    table.Open();
    records = 0;
    qint64 checksum = 0;
    for (; !table.Eof(); table.Next()) {
        for (int f = 0; f < table.FieldCount(); ++f) {
            checksum += table.Fields(f).AsVariant().isValid();
        }
        ++records;
    }
    table.Close();
    if (checksum == 0) {
        std::printf("nothing read\n");
    }
    return timer.nsecsElapsed();
}

// The peers run in the same conditions as this program, one after the other.
void runPeers(const QString& ours, const QString& scratch) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(AMBITRA_BENCH_DIR "/dbf_peers.py"), ours, scratch,
                  QString::number(kRecords)});
    if (!python.waitForFinished(600000) || python.exitCode() != 0) {
        std::printf("/usr/bin/python3 failed: peers not measured\n");
        return;
    }
    for (const QByteArray& line : python.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 3) {
            report(parts[0].constData(), parts[1].toLongLong(), parts[2].toLongLong());
        } else if (parts.size() == 2) {
            std::printf("peer not measured: %s\n", parts[1].constData());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::vector<QVariantList> rows = sampleRows();
    std::printf("BENS.DBF, %d records of 129 bytes\n", kRecords);
    report("write, one append per record", kRecords, write(dir.path(), rows, false));
    report("write, bulk append", kRecords, write(dir.path(), rows, true));
    qint64 records = 0;
    const qint64 readTime = read(dir.path(), records);
    report("read, every field as a typed value", records, readTime);
    runPeers(dir.filePath(QStringLiteral("BENS.DBF")), dir.filePath(QStringLiteral("PEER.DBF")));
    return records == kRecords ? 0 : 1;
}
