#pragma once

#include "core/data/TDados.h"
#include "support/TestDatabase.h"
#include "core/sync/LocationCheckList.h"
#include "core/common/SyncLog.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

namespace ambitra::test {

// A register, an exchange folder and the objects a HotSync cycle uses.
struct SyncFixture {
    TestDatabase db;
    QTemporaryDir folder;
    LocationCheckList locations;
    SyncLog log;

    QString path(const QString& file) const { return QDir(folder.path()).filePath(file); }

    // Writes a returned BENS.DBF with these records (field name -> value).
    void writeReturnedAssets(const QList<QMap<QString, QVariant>>& records) {
        db.dados().CreateDBFTable(folder.path(), QStringLiteral("BENS.DBF"));
        THalcyonDataSet dbf;
        dbf.SetDatabaseName(folder.path());
        dbf.SetTableName(QStringLiteral("BENS.DBF"));
        dbf.Open();
        for (const auto& record : records) {
            dbf.Insert();
            for (auto it = record.begin(); it != record.end(); ++it) {
                dbf.FieldByName(it.key()).SetAsVariant(it.value());
            }
            dbf.Post();
        }
        dbf.Close();
    }

    // Every record of an exchange file, fields joined by "|" (values as read).
    QStringList readFile(const QString& file) {
        THalcyonDataSet dbf;
        dbf.SetDatabaseName(folder.path());
        dbf.SetTableName(file);
        dbf.Open();
        QStringList rows;
        for (dbf.First(); !dbf.Eof(); dbf.Next()) {
            QStringList values;
            for (int i = 0; i < dbf.FieldCount(); ++i) {
                values << dbf.Fields(i).AsString();
            }
            rows << values.join(QLatin1Char('|'));
        }
        dbf.Close();
        return rows;
    }
};

}  // namespace ambitra::test
