#include "data/RegisterCopy.h"

#include "common/Error.h"
#include "data/Connection.h"
#include "data/DatabaseEngine.h"
#include "data/EngineErrorText.h"
#include "data/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace ambitra {

namespace {

QString tableIn(const QStringList& names, const QString& wanted) {
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return {};
}

QSqlQuery selectAll(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        throw Error(EngineErrorText::of(query.lastError()));
    }
    return query;
}

qint64 rowsOf(Connection& connection, const QString& table) {
    QSqlQuery query =
        selectAll(connection.database(), QStringLiteral("SELECT count(*) FROM ") + table);
    return query.next() ? query.value(0).toLongLong() : 0;
}

// The columns of a table of the file, as declared there.
QStringList columnsOf(Connection& source, const QString& table) {
    QSqlQuery query =
        selectAll(source.database(), QStringLiteral("SELECT * FROM ") + table + u" LIMIT 0");
    QStringList columns;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        columns << record.fieldName(i);
    }
    return columns;
}

void refuseFilledTarget(Connection& target, const QStringList& tables) {
    for (const QString& table : tables) {
        if (rowsOf(target, table) > 0) {
            throw Error(QStringLiteral("O banco de dados de destino já contém registros (tabela "
                                       "%1); nada foi copiado.")
                            .arg(table));
        }
    }
}

qint64 copyTable(Connection& source, const QString& table, Connection& target,
                 const QString& targetTable, Progress& progress) {
    const QStringList columns = columnsOf(source, table);
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i) {
        marks << QStringLiteral("?");
    }
    QSqlQuery insert(target.database());
    if (!insert.prepare(QStringLiteral("INSERT INTO ") + targetTable + u" (" +
                        columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                        marks.join(QStringLiteral(", ")) + u')')) {
        throw Error(EngineErrorText::of(insert.lastError()));
    }
    QSqlQuery rows =
        selectAll(source.database(),
                  QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
                      QStringLiteral(" FROM ") + table + QStringLiteral(" ORDER BY rowid"));
    qint64 count = 0;
    while (rows.next()) {
        for (int i = 0; i < columns.size(); ++i) {
            insert.bindValue(i, rows.value(i));
        }
        if (!insert.exec()) {
            throw Error(EngineErrorText::of(insert.lastError(), [&](const QString& column) {
                const int at = static_cast<int>(columns.indexOf(column));
                return at >= 0 ? rows.value(at) : QVariant();
            }));
        }
        if (++count % 1000 == 0) {
            progress.setValue(count);
        }
    }
    return count;
}

}  // namespace

RegisterCopy::Counts RegisterCopy::copyFrom(const QString& file, Progress& progress) {
    if (!QFileInfo(file).isFile()) {
        throw Error(QStringLiteral("O arquivo %1 não existe.").arg(QDir::toNativeSeparators(file)));
    }
    Connection source;
    source.setProvider(QStringLiteral("QSQLITE"));
    source.setConnectionString(QStringLiteral("Data Source=\"") +
                               QString(file).replace(u'"', QStringLiteral("\"\"")) + u"\";");
    source.open();
    DatabaseEngine& from = source.engine();
    if (from.schemaVersion(source) > schema::kVersion) {
        throw Error(QStringLiteral("O arquivo %1 é de uma versão mais nova do programa; nada foi "
                                   "copiado.")
                        .arg(QDir::toNativeSeparators(file)));
    }
    const QStringList sourceTables = from.tableNames(source);
    const QStringList targetTables = m_target.engine().tableNames(m_target);
    QStringList pairedTargets;
    for (const QString& table : sourceTables) {
        const QString target = tableIn(targetTables, table);
        if (target.isEmpty()) {
            throw Error(QStringLiteral("A tabela %1 do arquivo não existe no banco de dados de "
                                       "destino; nada foi copiado.")
                            .arg(table));
        }
        pairedTargets << target;
    }
    Transaction transaction(m_target, progress);
    refuseFilledTarget(m_target, targetTables);
    Counts counts;
    for (int i = 0; i < sourceTables.size(); ++i) {
        counts.append({sourceTables[i],
                       copyTable(source, sourceTables[i], m_target, pairedTargets[i], progress)});
    }
    transaction.commit();
    return counts;
}

}  // namespace ambitra
