#pragma once

#include "core/common/OutputFile.h"
#include "core/count/CountStore.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

namespace ambitra {

class LogCsvFormat;
class TDados;

// What one location of a count shows: every expected asset counted once (seen,
// missing or elsewhere) and every reading counted once where it was read (seen,
// from elsewhere, new or invalid).
struct LocationTally {
    QString location;
    int expected = 0;
    int seen = 0;
    int missing = 0;
    int elsewhere = 0;
    int fromElsewhere = 0;
    int added = 0;  // new: a code the register does not hold
    int invalid = 0;

    void add(const LocationTally& other);
    // The captions of a location's row: "Local", then one per count.
    static QStringList captions();
    // The seven counts as text, in the captions' order.
    QStringList counts() const;
    // first (the location, or TOTAL), then the counts.
    QStringList cells(const QString& first) const;
};

// An asset that was not simply seen where it was expected.
struct CountDetail {
    enum Kind { Missing, Elsewhere, FromElsewhere, New, Invalid };
    Kind kind = Missing;
    QString code;
    QString expectedLocation;  // where it was sent for (or where the register had it)
    QString readLocation;      // empty for a missing asset
    QString name;

    static QString kindName(Kind kind);  // missing, elsewhere, from_elsewhere, new, invalid
    static QString caption(Kind kind);   // the kind as reports show it in Portuguese
};

// The report of an inventory count: per location of the count (the marked ones,
// and any other one an expected asset was sent for or a reading was made at, in
// code order) and in total, with the assets that were not simply seen. An asset
// read more than once counts where it was read last; rejected readings do not
// count.
class CountReport {
  public:
    // Raises a message when the count does not exist.
    static CountReport build(TDados& dados, int count);

    const CountInfo& info() const { return m_info; }
    const QStringList& markedLocations() const { return m_marked; }
    const QList<LocationTally>& locations() const { return m_locations; }
    const LocationTally& total() const { return m_total; }
    // In the order of their kind, then of their code.
    const QList<CountDetail>& details() const { return m_details; }
    // The details of one location: those expected there (missing, elsewhere)
    // and those read there (from elsewhere, new, invalid).
    QList<CountDetail> detailsOf(const QString& location) const;

    // Building / department / room of a location of the register (empty when
    // the register does not hold it).
    QString locationCaption(const QString& location) const { return m_captions.value(location); }

    // The report as lines of the command line (tab-separated, see the CLI).
    QStringList lines(bool withDetails) const;

    // The CSV file: the location table with its total, then the assets not simply
    // seen; delimiter and qualifier of the log export, Windows-1252, CR LF. Raises
    // on a write error.
    void writeCsv(const LogCsvFormat& format, QIODevice& out) const;
    // The CSV file written whole under the name the user chose; raises an Error
    // when the name is refused or the file cannot be written (then it is untouched).
    void saveCsv(const LogCsvFormat& format, const QString& path, const OwnFiles& own) const;

  private:
    CountInfo m_info;
    QStringList m_marked;
    QList<LocationTally> m_locations;
    LocationTally m_total;
    QList<CountDetail> m_details;
    QHash<QString, QString> m_captions;
};

}  // namespace ambitra
