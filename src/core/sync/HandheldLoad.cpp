#include "core/sync/HandheldLoad.h"

#include "core/common/AsideFile.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/count/CountStore.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/sync/LocationCheckList.h"
#include "core/common/SyncLog.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>

namespace ambitra {

namespace {

// The stored columns of a table with the dBase field each one fills.
struct ColumnField {
    int column;
    THalcyonField* field;
};

}  // namespace

HandheldLoad::HandheldLoad(TDados& dados, const LocationCheckList& locations, SyncLog& log,
                           Progress& progress)
    : m_dados(dados), m_locations(locations), m_log(log), m_progress(progress) {}

bool HandheldLoad::Sends(const LocationCheckList& locations, bool asset, const QString& code,
                         const QString& building, const QString& department, const QString& room) {
    const int item =
        locations.find(LocationCheckList::LocationLine(code, building, department, room));
    if (item < 0) {
        // A location row always has its item; an asset of an unlisted location goes.
        return asset;
    }
    return locations.item(item).checked;
}

bool HandheldLoad::goes(Selection selection, const QList<QVariant>& row,
                        const int (&parts)[4]) const {
    if (selection == Selection::All) {
        return true;
    }
    return Sends(m_locations, selection == Selection::Assets, row.value(parts[0]).toString(),
                 row.value(parts[1]).toString(), row.value(parts[2]).toString(),
                 row.value(parts[3]).toString());
}

bool HandheldLoad::goesCached(Selection selection, const QList<QVariant>& row,
                              const int (&parts)[4]) {
    if (selection != Selection::Assets) {
        return goes(selection, row, parts);
    }
    // The assets of one location all go or all stay (their looked-up building,
    // department and room are the location's): decided once per location.
    const QString location = row.value(parts[0]).toString();
    auto known = m_goesByLocation.constFind(location);
    if (known == m_goesByLocation.constEnd()) {
        known = m_goesByLocation.insert(location, goes(selection, row, parts));
    }
    return *known;
}

void HandheldLoad::writeRows(DataTable& table, Selection selection) {
    m_goesByLocation.clear();
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    QList<ColumnField> fields;
    const QList<ColumnDef>& columns = table.columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (!columns[i].lookup) {
            fields.append({i, dbf.FindField(columns[i].name)});
        }
    }
    int parts[4] = {0, 0, 0, 0};
    if (selection != Selection::All) {
        const bool locations = selection == Selection::Locations;
        parts[0] =
            table.fieldIndex(locations ? QStringLiteral("LOCODIGO") : QStringLiteral("BELOCAL"));
        parts[1] = table.fieldIndex(QStringLiteral("LOPREDIO"));
        parts[2] = table.fieldIndex(QStringLiteral("LODEPTO"));
        parts[3] = table.fieldIndex(QStringLiteral("LOSALA"));
    }
    const int codeColumn =
        selection == Selection::Assets ? table.fieldIndex(QStringLiteral("BECODIGO")) : 0;
    m_progress.setMaximum(table.rowCount());
    m_progress.setValue(0);
    // Records go to the file in blocks under the append lock: the same bytes as one
    // append at a time, written in a fraction of the time.
    dbf.BeginBulkAppend();
    for (table.first(); !table.eof() && !table.isEmpty(); table.next()) {
        const QList<QVariant> row = table.values();
        if (goesCached(selection, row, parts)) {
            try {
                dbf.Insert();
                for (const ColumnField& f : fields) {
                    const QVariant& value = row.at(f.column);
                    if (!value.isNull()) {
                        THalcyonField& field =
                            f.field != nullptr ? *f.field : dbf.FieldByName(columns[f.column].name);
                        field.SetAsVariant(value);
                    }
                }
                dbf.Post();
                if (m_sent != nullptr && selection == Selection::Assets) {
                    m_sent->append({row.at(codeColumn).toString(), row.at(parts[0])});
                }
            } catch (const Error& error) {
                dbf.Cancel();
                m_dados.prompter().beepError(error.message());
            }
        }
        m_progress.advance();
    }
    dbf.EndBulkAppend();
}

void HandheldLoad::reportNotCreated(const QString& path) {
    m_dados.prompter().beep();
    m_log.appendError(QStringLiteral("   Erro na criação do arquivo ") +
                      QDir::toNativeSeparators(path) +
                      QStringLiteral(". Exportação de dados não efetuada!"));
}

void HandheldLoad::ExportForHandheld(DataTable& table, const QString& folder) {
    BusyGuard busy(m_progress);
    const QString fileName = ExchangeFileName(table.tableName());
    m_log.append(QStringLiteral("> Preparando dados de ") + table.tableName() +
                 QStringLiteral(" para carga no Palm..."));
    // Written aside and put in place when complete: an interrupted load never
    // leaves a short table for the handheld where the previous one was.
    const QString target = QDir(folder).filePath(fileName);
    AsideFile aside(target);
    const QString written = aside.created() ? aside.fileName() : fileName;
    m_dados.CreateDBFTable(folder, written);
    if (!QFile::exists(QDir(folder).filePath(written))) {
        reportNotCreated(target);
        return;
    }
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    dbf.Close();
    dbf.SetDatabaseName(folder);
    dbf.SetTableName(written);
    dbf.Open();
    if (dbf.Active()) {
        Selection selection = Selection::All;
        if (fileName.startsWith(QLatin1String("LOCAIS"))) {
            selection = Selection::Locations;
        } else if (fileName.startsWith(QLatin1String("BENS"))) {
            selection = Selection::Assets;
        }
        writeRows(table, selection);
        const qint64 count = dbf.RecordCount();
        dbf.Close();
        if (aside.created() && !aside.commit()) {
            reportNotCreated(target);
            return;
        }
        m_log.append(QStringLiteral("   ") +
                     QStringLiteral("Exportação de %1 registros para %2 concluída!")
                         .arg(count)
                         .arg(fileName));
    }
    table.first();
}

}  // namespace ambitra
