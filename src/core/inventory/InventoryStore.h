#pragma once

#include "core/inventory/InventoryReport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ambitra {

class Connection;
class Prompter;
class TDados;
struct InventoryReading;

// What the user gives for a new inventory, or for one being edited.
struct InventoryDraft {
    QString title;
    InventoryKind kind = InventoryKind::Annual;
    bool blind = false;
    QStringList locations;  // empty: every location of the register
    QList<CommissionMember> commission;
};

// A location an inventory covers: its current round and whether its next load
// counts it again.
struct CoveredLocation {
    QString location;
    int round = 1;
    bool recount = false;
    int counts = 0;    // counts of its current round
    int returned = 0;  // of them, those that sent readings back
    bool everLoaded = false;
    InventoryLocationState state() const;
};

// An asset read at two locations by different counts of the latest rounds.
struct Divergence {
    QString code;
    QString name;
    QStringList locations;  // where it was read, in code order
    QList<int> counts;      // the counts that read it, in order
};

// The inventories kept in the register: created and edited while open, one open
// at a time; the counts of the loads of their locations join them (for the
// current round of each location); recounts, the commission's decisions on
// divergences, and the closing, after which nothing of the inventory changes.
class InventoryStore {
  public:
    explicit InventoryStore(TDados& dados);

    // Raises the program's message when the database has no inventory tables.
    static void requireAvailable(TDados& dados);
    // Whether the register has the inventory tables.
    static bool available(TDados& dados);

    int create(const InventoryDraft& draft);
    // Raises a message when the inventory is closed or the draft is refused.
    void edit(int number, const InventoryDraft& draft);

    QList<InventoryInfo> inventories();                  // by number
    std::optional<InventoryInfo> inventory(int number);  // none when there is none
    int openInventory();                                 // 0 when none is open
    QList<CoveredLocation> locations(int number);        // in code order

    // The next load of each of these locations opens a new round of it.
    void setRecount(int number, const QStringList& locations);

    // The divergences no decision settled, by code.
    QList<Divergence> divergences(int number);
    // The commission keeps the asset at location; its readings at the others
    // are discarded with the reason kept (a pending one is rejected), and an
    // asset that a discarded applied reading moved goes back, with its log row.
    void keep(int number, const QString& code, const QString& location);

    // Why the inventory cannot be closed (empty when it can), and the counts
    // whose user or device loaded and has not sent since.
    struct ClosingCheck {
        QString refusal;
        QStringList waiting;  // "contagem 3 (Ana)"
    };
    ClosingCheck closingCheck(int number);
    // Closes the inventory and its counts, keeping its report as it stands
    // (later reports show that one). Raises the refusal; asks through the
    // prompter when counts wait for readings, and returns false when the user
    // declines (nothing changed).
    bool close(int number, Prompter& prompter);

    // Inside the transaction that opens count for a load of these locations:
    // while an inventory is open the count joins it for every location it
    // covers. Returns the lines for the synchronisation log (none when the
    // count joined nothing).
    QStringList join(int count, const QStringList& locations);
    // Whether a load of these locations is one of a blind inventory.
    bool blindLoad(const QStringList& locations);

  private:
    void checkDraft(const InventoryDraft& draft);
    void writeMembers(int number, const QList<CommissionMember>& members);
    // The locations a draft covers: those it names, or all of the register's.
    QStringList coveredBy(const InventoryDraft& draft);
    void addLocation(int number, const QString& location);
    void requireOpen(int number);
    QString refusalOf(int number);
    void restoreKeptLocation(const QString& code, const QString& location,
                             const QList<const InventoryReading*>& reads, const QString& now);

    TDados& m_dados;
    Connection& m_conn;
};

}  // namespace ambitra
