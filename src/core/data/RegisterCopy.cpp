#include "core/data/RegisterCopy.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/EngineErrorText.h"
#include "core/data/Schema.h"

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
    QSqlQuery one = prepareInsert(target, targetTable, columns, 1);
    QSqlQuery many = prepareInsert(target, targetTable, columns, kCopyBatchRows);
    QSqlQuery rows =
        selectAll(source.database(),
                  QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
                      QStringLiteral(" FROM ") + table + QStringLiteral(" ORDER BY rowid"));
    qint64 count = 0;
    QList<QList<QVariant>> batch;
    while (rows.next()) {
        QList<QVariant> values;
        for (int i = 0; i < columns.size(); ++i) {
            values << rows.value(i);
        }
        batch << values;
        ++count;
        if (batch.size() == kCopyBatchRows) {
            insertCopiedBatch(target, many, one, columns, batch);
            batch.clear();
            progress.setValue(count);
        }
    }
    // The last rows, fewer than a batch, in the order they were read.
    for (const QList<QVariant>& values : batch) {
        insertCopiedRow(one, columns, values);
    }
    return count;
}

}  // namespace

QString insertStatement(const QString& table, const QStringList& columns, int count) {
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        marks << QStringLiteral("?");
    }
    const QString row = u'(' + marks.join(QStringLiteral(", ")) + u')';
    QStringList rows;
    for (int i = 0; i < count; ++i) {
        rows << row;
    }
    return QStringLiteral("INSERT INTO ") + table + u" (" + columns.join(QStringLiteral(", ")) +
           QStringLiteral(") VALUES ") + rows.join(QStringLiteral(", "));
}

QSqlQuery prepareInsert(Connection& target, const QString& table, const QStringList& columns,
                        int count) {
    QSqlQuery insert(target.database());
    if (!insert.prepare(insertStatement(table, columns, count))) {
        throw Error(EngineErrorText::of(insert.lastError()));
    }
    return insert;
}

// Inserts one row alone, its refusal worded with its own values.
void insertCopiedRow(QSqlQuery& insert, const QStringList& columns, const QList<QVariant>& values) {
    for (int i = 0; i < values.size(); ++i) {
        insert.bindValue(i, values[i]);
    }
    if (!insert.exec()) {
        throw Error(EngineErrorText::of(insert.lastError(), [&](const QString& column) {
            const int at = static_cast<int>(columns.indexOf(column));
            return at >= 0 ? values.value(at) : QVariant();
        }));
    }
}

// Inserts a batch in one statement; when the engine refuses it, the batch is
// undone and its rows are inserted one by one, so that the refusal names the
// row and the value at fault as a row-by-row copy would.
void insertCopiedBatch(Connection& target, QSqlQuery& many, QSqlQuery& one,
                       const QStringList& columns, const QList<QList<QVariant>>& batch) {
    int place = 0;
    for (const QList<QVariant>& values : batch) {
        for (const QVariant& value : values) {
            many.bindValue(place++, value);
        }
    }
    Savepoint savepoint(target, "copy");
    if (many.exec()) {
        savepoint.release();
        return;
    }
    savepoint.rollback();
    for (const QList<QVariant>& values : batch) {
        insertCopiedRow(one, columns, values);
    }
}

RegisterCopy::Counts RegisterCopy::copyFrom(const QString& file, Progress& progress) {
    const QFileInfo info(file);
    const QString shown = QDir::toNativeSeparators(file);
    if (info.isDir()) {
        throw Error(QStringLiteral("%1 é uma pasta, não um arquivo de banco de dados; nada foi "
                                   "copiado.")
                        .arg(shown));
    }
    if (!info.exists()) {
        throw Error(QStringLiteral("O arquivo %1 não existe; nada foi copiado.").arg(shown));
    }
    if (!info.isFile()) {
        throw Error(QStringLiteral("%1 não é um arquivo comum; nada foi copiado.").arg(shown));
    }
    if (!info.isReadable()) {
        throw Error(QStringLiteral("O arquivo %1 não pode ser lido (sem permissão de leitura); "
                                   "nada foi copiado.")
                        .arg(shown));
    }
    if (info.size() == 0) {
        throw Error(QStringLiteral("O arquivo %1 está vazio; nada foi copiado.").arg(shown));
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
                        .arg(shown));
    }
    const QStringList sourceTables = from.tableNames(source);
    if (sourceTables.isEmpty()) {
        throw Error(QStringLiteral("O arquivo %1 não tem tabelas; nada foi copiado.").arg(shown));
    }
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
