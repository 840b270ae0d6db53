#include "core/inventory/InventoryMerge.h"

#include "core/count/ReadingClass.h"
#include "core/inventory/InventoryQuery.h"

#include <QSet>

namespace ambitra {

InventoryMerge::InventoryMerge(Connection& conn, int inventory) {
    QSqlQuery rounds = runInventoryQuery(
        conn,
        QStringLiteral("SELECT ILLOCAL, ILRODADA FROM InventarioLocais WHERE ILINVENTARIO = ?"),
        {inventory});
    while (rounds.next()) {
        m_rounds.insert(rounds.value(0).toString(), rounds.value(1).toInt());
    }
    rounds.finish();
    // In the order they were kept: the latest reading of a code decides.
    QSqlQuery readings = runInventoryQuery(
        conn,
        QStringLiteral(
            "SELECT ICRODADA, LECONTAGEM, LESEQ, LEBEM, LELOCAL, LESITUACAO, LENSERIE, LECLASSE, "
            "LEESTADO, LELOCANT, LENOME FROM InventarioContagens JOIN Leituras ON LECONTAGEM = "
            "ICCONTAGEM AND LELOCAL = ICLOCAL WHERE ICINVENTARIO = ? AND LEESTADO <> 'R' AND "
            "LEBEM IS NOT NULL AND NOT EXISTS (SELECT 1 FROM InventarioDescartes WHERE "
            "IXCONTAGEM = LECONTAGEM AND IXSEQ = LESEQ) ORDER BY LEDATA, LECONTAGEM, LESEQ"),
        {inventory});
    while (readings.next()) {
        InventoryReading r;
        r.round = readings.value(0).toInt();
        r.count = readings.value(1).toInt();
        r.seq = readings.value(2).toInt();
        r.code = readings.value(3).toString();
        r.location = readings.value(4).toString();
        r.condition = readings.value(5).toString();
        r.serial = readings.value(6).toString();
        r.readingClass = readings.value(7).toString();
        r.state = readings.value(8).toString();
        r.registerLocation = readings.value(9).toString();
        r.name = readings.value(10).toString();
        m_readings.append(std::move(r));
    }
    readings.finish();
    QSqlQuery expected = runInventoryQuery(
        conn,
        QStringLiteral("SELECT ICLOCAL, ICRODADA, ICCONTAGEM, ESBEM FROM InventarioContagens JOIN "
                       "Esperados ON ESCONTAGEM = ICCONTAGEM AND ESLOCAL = ICLOCAL WHERE "
                       "ICINVENTARIO = ? ORDER BY ICCONTAGEM"),
        {inventory});
    while (expected.next()) {
        m_expected.append({expected.value(0).toString(), expected.value(1).toInt(),
                           expected.value(2).toInt(), expected.value(3).toString()});
    }
    expected.finish();
}

QList<int> InventoryMerge::loadedRounds(const QString& location) const {
    QSet<int> rounds;
    for (const Expected& e : m_expected) {
        if (e.location == location) {
            rounds.insert(e.round);
        }
    }
    for (const InventoryReading& r : m_readings) {
        if (r.location == location) {
            rounds.insert(r.round);
        }
    }
    QList<int> list(rounds.begin(), rounds.end());
    std::sort(list.begin(), list.end());
    return list;
}

InventoryMerge::Result InventoryMerge::merge(
    const std::function<bool(const QString& location, int round)>& takes) const {
    Result result;
    auto tally = [&result](const QString& location) -> LocationTally& {
        LocationTally& t = result.tallies[location];
        t.location = location;
        return t;
    };
    for (const Expected& e : m_expected) {
        if (takes(e.location, e.round) && !result.expectedAt.contains(e.code)) {
            result.expectedAt.insert(e.code, e.location);
            ++tally(e.location).expected;
        }
    }
    // Where each code was read and by which counts, for the divergences.
    QHash<QString, QList<const InventoryReading*>> readsOf;
    for (const InventoryReading& r : m_readings) {
        if (!takes(r.location, r.round)) {
            continue;
        }
        tally(r.location);
        result.latest.insert(r.code, &r);
        readsOf[r.code].append(&r);
    }
    for (auto it = readsOf.constBegin(); it != readsOf.constEnd(); ++it) {
        const QList<const InventoryReading*>& reads = it.value();
        bool diverges = false;
        for (qsizetype i = 1; i < reads.size() && !diverges; ++i) {
            for (qsizetype j = 0; j < i && !diverges; ++j) {
                diverges =
                    reads[i]->location != reads[j]->location && reads[i]->count != reads[j]->count;
            }
        }
        if (diverges) {
            result.divergent.insert(it.key(), reads);
        }
    }
    for (auto it = result.expectedAt.constBegin(); it != result.expectedAt.constEnd(); ++it) {
        LocationTally& t = tally(it.value());
        const InventoryReading* read = result.latest.value(it.key());
        if (read == nullptr) {
            ++t.missing;
        } else if (read->location == it.value()) {
            ++t.seen;
        } else {
            ++t.elsewhere;
            ++tally(read->location).fromElsewhere;
        }
    }
    for (auto it = result.latest.constBegin(); it != result.latest.constEnd(); ++it) {
        if (result.expectedAt.contains(it.key())) {
            continue;
        }
        LocationTally& t = tally(it.value()->location);
        if (isReadingClass(it.value()->readingClass, ReadingClass::Invalid)) {
            ++t.invalid;
        } else if (isReadingClass(it.value()->readingClass, ReadingClass::New)) {
            ++t.added;
        } else {
            ++t.fromElsewhere;
        }
    }
    return result;
}

InventoryMerge::Result InventoryMerge::mergeLatest() const {
    return merge([this](const QString& location, int round) {
        return m_rounds.value(location, 0) == round;
    });
}

}  // namespace ambitra
