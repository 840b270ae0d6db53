#pragma once

#include "core/common/Error.h"
#include "core/common/Progress.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace ambitra {

class Connection;
class TDados;

namespace legacy {

// The copy refused because values of the file cannot be held as they are.
class ValuesRefused : public Error {
  public:
    using Error::Error;
};

// A value the copy stored otherwise than the old file held it, and why.
struct Change {
    QString table;
    QString key;  // the row's key; for Log, its place in the file ("registro N")
    QString column;
    QString oldValue;
    QString stored;
    QString reason;

    // "Bens | 0000000000003 | BECOMPRA | 1899-12-30 00:00:00.000 | NULL | reason"
    QString line() const;
};

// Brings the old Windows program's register (its database file of the Jet 4.0
// format) into the open register: Status, Operadores, Locais, Bens and Log, in
// that order, every row in the order it lies in the file, in one transaction.
//
// The register's rules for a saved row apply: an empty text and the zero date
// (30/12/1899) of Operadores, Locais, Bens and Status are stored as null, and an
// amount is rounded to three decimals; a date-only column leaves out a time of
// day. Log rows are the record of what happened and are stored as they are. A
// value the register cannot hold (a text longer than its column, an amount
// beyond 99,999,999.999, no date at all) refuses the copy; with force, the nearest value the
// register holds is stored instead. Every value stored otherwise is reported.
// Locations and conditions that point nowhere stay as they are, as in the old
// file. Status rows of the register whose codes the file has too take the
// file's; its other codes stay.
class LegacyCopy {
  public:
    struct Result {
        QList<std::pair<QString, qint64>> counts;  // rows by table, in copy order
        QList<Change> changes;
    };

    explicit LegacyCopy(Connection& target, bool force = false)
        : m_target(target), m_force(force) {}

    // Raises an Error in the user's words, with nothing stored, when the file
    // cannot be read or lacks a table or column, the register already holds
    // operators, locations, assets or log rows, a value cannot be held (without
    // force; the message lists each) or the engine refuses a row.
    Result copyFrom(const QString& file, Progress& progress = noProgress());

  private:
    Connection& m_target;
    bool m_force;
};

// The old program's register in the program folder that start-up offers to
// bring over: its path when the folder holds Ambitra.mdb, the register holds no
// assets and the offer was not declined before; empty otherwise.
QString offeredOldRegister(TDados& dados);

// After a copy: LastCode rises to the highest asset code copied when that is
// numerically higher, as at the opening of the register.
void raiseLastCode(TDados& dados);

}  // namespace legacy
}  // namespace ambitra
