#include "core/sync/RequestTable.h"

#include "core/xbase/DbfBuilder.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>

namespace ambitra::RequestTable {

void Write(const QString& folder, const QString& operation) {
    const QString fileName = QString::fromLatin1(kFileName);
    {
        GSO_DBFoxBuild build(QDir(folder).filePath(fileName));
        build.AddField(QStringLiteral("OPERACAO"), u'C', 1, 0);
        build.AddField(QStringLiteral("ARQUIVO"), u'C', 12, 0);
        build.WriteTable();
    }
    THalcyonDataSet dbf;
    dbf.SetDatabaseName(folder);
    dbf.SetTableName(fileName);
    dbf.Open();
    dbf.Insert();
    dbf.FieldByName(QStringLiteral("OPERACAO")).SetAsString(operation);
    dbf.Post();
    dbf.Close();
}

QString Read(const QString& folder) {
    THalcyonDataSet dbf;
    dbf.SetReadOnly(true);
    dbf.SetDatabaseName(folder);
    dbf.SetTableName(QString::fromLatin1(kFileName));
    dbf.Open();
    QString request;
    if (!dbf.IsEmpty()) {
        dbf.First();
        request = dbf.FieldByName(QStringLiteral("OPERACAO")).AsString() + u'|' +
                  dbf.FieldByName(QStringLiteral("ARQUIVO")).AsString();
    }
    dbf.Close();
    return request;
}

}  // namespace ambitra::RequestTable
