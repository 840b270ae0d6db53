// What the inventory report costs: an inventory of every asset of the register
// in 500 locations, counted by 10 counts of 50 locations each (a tenth of the
// assets read in another count's location, a hundredth not found, a hundredth
// new codes), its report built and written as CSV, then painted as PDF,
// beside the peer: the ten
// count reports the inventory merges, built and written the same way. The
// readings are kept in the order a handheld takes them (shuffled) and in key
// order.
//
// usage: bench_inventory [ASSETS [ROUNDS]]   (defaults 100000 and 3)
#include "BenchTiming.h"
#include "SilentPrompter.h"
#include "core/count/CountReport.h"
#include "core/count/CountStore.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/inventory/InventoryReport.h"
#include "core/inventory/InventoryStore.h"
#include "core/log/LogCsv.h"
#include "print/InventoryReportPdf.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

using namespace ambitra;

namespace {

constexpr int kLocations = 500;
constexpr int kCounts = 10;

QString code(int i) {
    return QStringLiteral("%1").arg(i, 13, 10, QLatin1Char('0'));
}
int locationOf(int i) {
    return i % kLocations;
}
QString location(int l) {
    return QStringLiteral("%1").arg(1 + l, 4, 10, QLatin1Char('0'));
}
// Each count loads 50 locations.
int countOf(int location) {
    return 1 + location % kCounts;
}

void exec(QSqlQuery& q) {
    if (!q.exec()) {
        std::fprintf(stderr, "%s\n", qPrintable(q.lastQuery()));
        std::exit(1);
    }
}

// The register, the inventory and its loads.
void generate(TDados& dados, int assets) {
    Connection& conn = dados.Conn();
    {
        Transaction transaction(conn);
        QSqlQuery q(conn.database());
        q.prepare(QStringLiteral("INSERT INTO Locais VALUES (?, 'P', 'D', 'S')"));
        for (int l = 0; l < kLocations; ++l) {
            q.addBindValue(location(l));
            exec(q);
        }
        q.prepare(
            QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, "
                           "BEVALOR, BEULTINV) VALUES (?, ?, ?, 'BO', 10.5, '2025-11-30')"));
        for (int i = 1; i <= assets; ++i) {
            q.addBindValue(code(i));
            q.addBindValue(QStringLiteral("Bem patrimonial %1").arg(i));
            q.addBindValue(location(locationOf(i)));
            exec(q);
        }
        conn.exec(QStringLiteral("INSERT INTO Status VALUES ('BO', 'Bom'), ('RE', 'Regular')"));
        transaction.commit();
    }
    InventoryDraft draft;
    draft.title = QStringLiteral("Inventário de medida");
    draft.commission = {{QStringLiteral("Presidente"), QStringLiteral("presidente"), {}}};
    InventoryStore(dados).create(draft);
    for (int c = 1; c <= kCounts; ++c) {
        QStringList marked;
        QList<SentAsset> sent;
        for (int l = 0; l < kLocations; ++l) {
            if (countOf(l) == c) {
                marked << location(l);
            }
        }
        for (int i = 1; i <= assets; ++i) {
            if (countOf(locationOf(i)) == c) {
                sent.append({code(i), location(locationOf(i))});
            }
        }
        CountStore(dados).openCount(QStringLiteral("Equipe %1").arg(c), marked, sent);
    }
}

// The readings of every count, in the order given, kept as applied readings.
void keepReadings(TDados& dados, int assets, bool shuffled) {
    Connection& conn = dados.Conn();
    Transaction transaction(conn);
    conn.exec(QStringLiteral("DELETE FROM Leituras"));
    std::vector<int> order(static_cast<size_t>(assets + assets / 100));
    std::iota(order.begin(), order.end(), 1);
    if (shuffled) {
        std::mt19937 random(20261210);
        std::shuffle(order.begin(), order.end(), random);
    }
    QSqlQuery q(conn.database());
    q.prepare(QStringLiteral(
        "INSERT INTO Leituras (LECONTAGEM, LESEQ, LEDATA, LEBEM, LENOME, LELOCAL, LESITUACAO, "
        "LECLASSE, LEINVALIDO, LELOCANT, LEESTADO) VALUES (?, ?, '2026-12-10 10:00:00.000', ?, "
        "?, ?, ?, ?, 0, ?, 'A')"));
    std::vector<int> seq(kCounts + 1, 0);
    for (const int i : order) {
        const bool added = i > assets;
        if (!added && i % 100 == 7) {
            continue;  // not found
        }
        // A tenth read in the next location, which another count loaded.
        const int l =
            added ? locationOf(i) : (i % 10 == 0 ? locationOf(i) + 1 : locationOf(i)) % kLocations;
        const int count = countOf(l);
        q.addBindValue(count);
        q.addBindValue(++seq[static_cast<size_t>(count)]);
        q.addBindValue(added ? QStringLiteral("9%1").arg(i, 12, 10, QLatin1Char('0')) : code(i));
        q.addBindValue(added ? QStringLiteral("Bem novo") : QVariant());
        q.addBindValue(location(l));
        q.addBindValue(i % 20 == 3 ? QStringLiteral("RE") : QStringLiteral("BO"));
        q.addBindValue(
            added ? QStringLiteral("new")
                  : (l == locationOf(i) ? QStringLiteral("unchanged") : QStringLiteral("moved")));
        q.addBindValue(added ? QVariant() : QVariant(location(locationOf(i))));
        exec(q);
    }
    transaction.commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const int assets = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;
    const int rounds = argc > 2 ? std::max(1, QString::fromLatin1(argv[2]).toInt()) : 3;
    QTemporaryDir dir;
    SilentPrompter prompter(Prompter::Answer::Ok, SilentPrompter::Show::Messages);
    TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
    dados.ReadIniFile();
    dados.OpenDatabase();
    generate(dados, assets);
    const LogCsvFormat format(dados.settings());

    std::printf("assets %d in %d locations, %d counts; best of %d rounds; seconds\n", assets,
                kLocations, kCounts, rounds);
    std::printf("%-46s %8s %8s %10s\n", "", "wall", "cpu", "CSV bytes");
    for (const bool shuffled : {true, false}) {
        keepReadings(dados, assets, shuffled);
        Timing inventory;
        Timing pdf;
        Timing peer;
        qint64 pdfBytes = 0;
        qint64 inventoryBytes = 0;
        qint64 peerBytes = 0;
        QStringList totals;
        for (int round = 0; round < rounds; ++round) {
            keepBest(inventory, seconds([&] {
                         const InventoryReport report = InventoryReport::build(dados, 1, false);
                         QBuffer out;
                         out.open(QIODevice::WriteOnly);
                         report.writeCsv(format, out);
                         inventoryBytes = out.size();
                         const LocationTally& t = report.total.tally;
                         totals = t.cells(QStringLiteral("total"));
                     }));
            const InventoryReport report = InventoryReport::build(dados, 1, false);
            const QString file = dir.filePath(QStringLiteral("inventario.pdf"));
            keepBest(pdf,
                     seconds([&] { writeInventoryReportPdf(report, file, dados.ownFiles()); }));
            pdfBytes = QFileInfo(file).size();
            keepBest(peer, seconds([&] {
                         peerBytes = 0;
                         for (int c = 1; c <= kCounts; ++c) {
                             const CountReport report = CountReport::build(dados, c);
                             QBuffer out;
                             out.open(QIODevice::WriteOnly);
                             report.writeCsv(format, out);
                             peerBytes += out.size();
                         }
                     }));
        }
        const char* order = shuffled ? "shuffled" : "key order";
        std::printf(
            "%-46s %8.3f %8.3f %10lld (target under 2 s)\n",
            qPrintable(
                QStringLiteral("inventory report + CSV, %1").arg(QString::fromLatin1(order))),
            inventory.wall, inventory.cpu, static_cast<long long>(inventoryBytes));
        std::printf("%-46s %8.3f %8.3f %10lld (PDF bytes)\n",
                    qPrintable(QStringLiteral("the same report painted as PDF, %1")
                                   .arg(QString::fromLatin1(order))),
                    pdf.wall, pdf.cpu, static_cast<long long>(pdfBytes));
        std::printf("%-46s %8.3f %8.3f %10lld\n",
                    qPrintable(QStringLiteral("peer: the 10 count reports + CSV, %1")
                                   .arg(QString::fromLatin1(order))),
                    peer.wall, peer.cpu, static_cast<long long>(peerBytes));
        std::printf("  ratio %.2f; %s\n", inventory.wall / peer.wall,
                    qPrintable(totals.join(u' ')));
    }
    return 0;
}
