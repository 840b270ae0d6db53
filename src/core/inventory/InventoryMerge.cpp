#include "core/inventory/InventoryMerge.h"

#include "core/count/ReadingClass.h"
#include "core/data/BoundQuery.h"

#include <QSet>

namespace ambitra {

InventoryMerge::InventoryMerge(Connection& conn, int inventory) {
    QSqlQuery rounds = runBoundQuery(
        conn,
        QStringLiteral("SELECT ILLOCAL, ILRODADA FROM InventarioLocais WHERE ILINVENTARIO = ?"),
        {inventory});
    while (rounds.next()) {
        m_rounds.insert(rounds.value(0).toString(), rounds.value(1).toInt());
    }
    rounds.finish();
    // The rounds the counts joined their locations for. Readings and expected
    // assets are matched with them here: the engine would look each count's
    // rows up once per location it loaded.
    QHash<std::pair<int, QString>, int> joined;
    QSqlQuery pairs = runBoundQuery(
        conn,
        QStringLiteral("SELECT ICCONTAGEM, ICLOCAL, ICRODADA FROM InventarioContagens WHERE "
                       "ICINVENTARIO = ?"),
        {inventory});
    while (pairs.next()) {
        joined.insert({pairs.value(0).toInt(), pairs.value(1).toString()}, pairs.value(2).toInt());
    }
    pairs.finish();
    const QString counts =
        QStringLiteral("(SELECT ICCONTAGEM FROM InventarioContagens WHERE ICINVENTARIO = ?)");
    // In the order they were kept: the latest reading of a code decides.
    QSqlQuery readings = runBoundQuery(
        conn,
        QStringLiteral("SELECT LECONTAGEM, LELOCAL, LESEQ, LEBEM, LESITUACAO, LENSERIE, LECLASSE, "
                       "LEESTADO, LELOCANT, LENOME FROM Leituras WHERE LECONTAGEM IN ") +
            counts +
            QStringLiteral(" AND LEESTADO <> 'R' AND LEBEM IS NOT NULL AND LELOCAL IS NOT NULL AND "
                           "NOT EXISTS (SELECT 1 FROM InventarioDescartes WHERE IXCONTAGEM = "
                           "LECONTAGEM AND IXSEQ = LESEQ) ORDER BY LEDATA, LECONTAGEM, LESEQ"),
        {inventory});
    while (readings.next()) {
        InventoryReading r;
        r.count = readings.value(0).toInt();
        r.location = readings.value(1).toString();
        const auto round = joined.constFind({r.count, r.location});
        if (round == joined.constEnd()) {
            continue;  // read at a location its count did not load
        }
        r.round = round.value();
        r.seq = readings.value(2).toInt();
        r.code = readings.value(3).toString();
        r.condition = readings.value(4).toString();
        r.serial = readings.value(5).toString();
        r.readingClass = readings.value(6).toString();
        r.state = readings.value(7).toString();
        r.registerLocation = readings.value(8).toString();
        r.name = readings.value(9).toString();
        m_readings.append(std::move(r));
    }
    readings.finish();
    QSqlQuery expected = runBoundQuery(
        conn,
        QStringLiteral("SELECT ESCONTAGEM, ESLOCAL, ESBEM FROM Esperados WHERE ESCONTAGEM IN ") +
            counts + QStringLiteral(" AND ESLOCAL IS NOT NULL ORDER BY ESCONTAGEM"),
        {inventory});
    while (expected.next()) {
        const int count = expected.value(0).toInt();
        const QString location = expected.value(1).toString();
        const auto round = joined.constFind({count, location});
        if (round != joined.constEnd()) {
            m_expected.append({location, round.value(), count, expected.value(2).toString()});
        }
    }
    expected.finish();
    for (const Expected& e : std::as_const(m_expected)) {
        m_loadedRounds[e.location].insert(e.round);
    }
    for (const InventoryReading& r : std::as_const(m_readings)) {
        m_loadedRounds[r.location].insert(r.round);
    }
}

QList<int> InventoryMerge::loadedRounds(const QString& location) const {
    const QSet<int> rounds = m_loadedRounds.value(location);
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
