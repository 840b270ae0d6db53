#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace ambitra {

class DataTable;
class LocationCheckList;
struct SentAsset;
class Progress;
class SyncLog;
class TDados;

// Writes the master data for the handheld: all operators, the locations marked
// in the check list, and the assets of those locations (and assets whose location
// is not in the list at all), each table into its exchange file.
class HandheldLoad {
  public:
    HandheldLoad(TDados& dados, const LocationCheckList& locations, SyncLog& log,
                 Progress& progress);

    // Writes the exchange file of one of the data module's tables into folder.
    // Errors creating or opening the file escape to the caller; an error on one
    // record is shown and the next record is written.
    void ExportForHandheld(DataTable& table, const QString& folder);

    // Whether a load with these marks sends a row: a location (asset false) when
    // it is marked; an asset when its location is marked or not in the list at
    // all. An asset's location is its code with the building, department and
    // room looked up in Locais (empty when the location does not exist).
    static bool Sends(const LocationCheckList& locations, bool asset, const QString& code,
                      const QString& building, const QString& department, const QString& room);

    // Every asset written from now on is added here with the location it was
    // sent for (what the inventory count expects to see).
    void collectSentAssets(QList<SentAsset>* sent) { m_sent = sent; }

  private:
    enum class Selection { All, Locations, Assets };

    // parts: the columns of code, building, department and room.
    bool goes(Selection selection, const QList<QVariant>& row, const int (&parts)[4]) const;
    // goes() asked once per location for assets.
    bool goesCached(Selection selection, const QList<QVariant>& row, const int (&parts)[4]);
    void writeRows(DataTable& table, Selection selection);
    void reportNotCreated(const QString& path);

    TDados& m_dados;
    const LocationCheckList& m_locations;
    SyncLog& m_log;
    Progress& m_progress;
    QList<SentAsset>* m_sent = nullptr;
    QHash<QString, bool> m_goesByLocation;  // of the assets being written
};

}  // namespace ambitra
