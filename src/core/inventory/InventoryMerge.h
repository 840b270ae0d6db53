#pragma once

#include "core/count/CountReport.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <functional>

namespace ambitra {

class Connection;

// A reading of a count of the inventory, at a location the count joined it
// for (rejected and discarded readings left out).
struct InventoryReading {
    int round = 1;  // the round the count joined the location for
    int count = 0;
    int seq = 0;
    QString code;
    QString location;
    QString condition;
    QString serial;
    QString readingClass;
    QString state;
    QString registerLocation;  // the register's location it was compared with
    QString name;              // as read
};

// The readings and expected assets of an inventory's counts, merged per
// location: an asset is seen when any count read it, the latest reading decides
// where, and an asset read at two locations by different counts diverges.
class InventoryMerge {
  public:
    // Reads the inventory's rounds, its counts' readings and expected assets.
    InventoryMerge(Connection& conn, int inventory);

    // The current round of every covered location, by code.
    const QMap<QString, int>& rounds() const { return m_rounds; }
    // The rounds of a location that counts joined (in order).
    QList<int> loadedRounds(const QString& location) const;

    struct Result {
        QMap<QString, LocationTally> tallies;  // the locations that took part
        // Every code read: its latest reading.
        QHash<QString, const InventoryReading*> latest;
        // Every code expected: where (the first count that expected it decides).
        QHash<QString, QString> expectedAt;
        // Codes read at two locations by different counts: where, and by which.
        QMap<QString, QList<const InventoryReading*>> divergent;
    };
    // The merge of the (location, round) pairs takes accepts.
    Result merge(const std::function<bool(const QString& location, int round)>& takes) const;
    // The merge of every location's current round.
    Result mergeLatest() const;

  private:
    struct Expected {
        QString location;
        int round = 1;
        int count = 0;
        QString code;
    };
    QMap<QString, int> m_rounds;
    QHash<QString, QSet<int>> m_loadedRounds;  // the rounds read or expected, by location
    QList<InventoryReading> m_readings;        // oldest first
    QList<Expected> m_expected;                // by count
};

}  // namespace ambitra
