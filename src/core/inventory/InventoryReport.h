#pragma once

#include "core/common/OutputFile.h"
#include "core/count/CountReport.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace ambitra {

class LogCsvFormat;
class TDados;

// The kinds of inventory the rules of public bodies name.
enum class InventoryKind { Annual, Initial, ChangeOfCharge, Extinction, Occasional };

// A member of an inventory's commission.
struct CommissionMember {
    QString name;
    QString role;          // "presidente", "membro" or "secretário"
    QString registration;  // the member's registration number
};

// An inventory as lists and reports show it.
struct InventoryInfo {
    int number = 0;
    QString title;
    InventoryKind kind = InventoryKind::Annual;
    QDateTime opened;
    std::optional<QDateTime> closed;  // none while it is open
    bool blind = false;
    bool allLocations = true;
    QList<CommissionMember> commission;
};

// Where a location of an inventory stands.
enum class InventoryLocationState { NotLoaded, Loaded, Returned, ForRecount };

// Amounts are counted in thousandths, as the register keeps them (3 decimals).
using Thousandths = qint64;

// The figures of one round of one location, merged over the counts of that round.
struct RoundFigures {
    int round = 1;
    LocationTally tally;  // tally.location: the location's code
    Thousandths expectedValue = 0;
    Thousandths missingValue = 0;
};

// One location of the inventory: the figures of its latest round, the rounds
// before it, and where it stands.
struct InventoryLocation {
    QString location;
    QString caption;  // building / department / room
    InventoryLocationState state = InventoryLocationState::NotLoaded;
    RoundFigures latest;
    QList<RoundFigures> earlierRounds;  // oldest first
};

// An asset of the register that no count of its location's latest round saw.
struct NotLocatedAsset {
    QString code;
    QString name;
    QString location;
    Thousandths value = 0;
    QDate lastInventory;  // null when the register has none
};

// A code read that the register does not hold (the action taken: kept as read,
// pending or applied as a new asset).
struct UnregisteredAsset {
    QString code;
    QString name;
    QString location;  // where it was read
    QString action;    // in Portuguese, as the report prints it
};

// An asset of the register read at a location other than its own.
struct FoundElsewhereAsset {
    QString code;
    QString name;
    QString registeredLocation;
    QString foundLocation;
};

// Seen assets per condition code of Status.
struct ConditionFigure {
    QString code;
    QString text;  // Status's text; empty when the code is not in Status
    int count = 0;
    Thousandths value = 0;
};

// The movements the log recorded in the inventory's period.
struct PeriodMovements {
    int moves = 0;
    int conditionChanges = 0;
    int serialChanges = 0;
    int newAssets = 0;
    struct Row {
        QDateTime when;
        QString user;
        QString operatorName;
        QString asset;
        QString occurrence;
    };
    QList<Row> rows;  // filled only on request
};

// The report of an inventory: the organisation, the inventory and its
// commission, per location the merged figures, the lists, the condition of the
// seen assets, the period's movements and the totals. Plain data: built from the
// register by build(), painted by the PDF writer, written as CSV here.
struct InventoryReport {
    QString organisation;  // the LabelTitle setting
    QDate issued;
    InventoryInfo info;
    QList<InventoryLocation> locations;  // in code order
    RoundFigures total;                  // the latest rounds summed
    QList<NotLocatedAsset> notLocated;   // by code
    QList<UnregisteredAsset> unregistered;
    QList<FoundElsewhereAsset> foundElsewhere;
    QList<ConditionFigure> conditions;  // by code
    PeriodMovements movements;

    // Raises a message when there is no such inventory.
    static InventoryReport build(TDados& dados, int number, bool withMovementRows);

    // Delimiter and qualifier of the log export, Windows-1252, CR LF.
    void writeCsv(const LogCsvFormat& format, QIODevice& out) const;
    void saveCsv(const LogCsvFormat& format, const QString& path, const OwnFiles& own) const;
};

// The kind's name in Portuguese ("Anual", "Inicial", "Transferência de
// responsável", "Extinção", "Eventual"); inventoryKindNamed accepts those
// names in any letter case and without accents.
QString inventoryKindName(InventoryKind kind);
std::optional<InventoryKind> inventoryKindNamed(const QString& name);
// "não carregado", "carregado", "devolvido", "recontagem"
QString inventoryLocationStateName(InventoryLocationState state);

}  // namespace ambitra
