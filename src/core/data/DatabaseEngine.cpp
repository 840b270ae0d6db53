#include "core/data/DatabaseEngine.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"
#include "core/data/PostgresEngine.h"
#include "core/data/SqliteEngine.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace ambitra {

std::unique_ptr<DatabaseEngine> DatabaseEngine::forDriver(const QString& driver) {
    if (driver == QLatin1String("QSQLITE")) {
        return std::make_unique<SqliteEngine>();
    }
    if (driver == QLatin1String("QPSQL")) {
        return std::make_unique<PostgresEngine>();
    }
    return nullptr;
}

QString DatabaseEngine::openErrorText(const QSqlError& error, const QString& source) const {
    return EngineErrorText::of(error, {}, source);
}

QStringList DatabaseEngine::firstColumn(Connection& connection, const QString& sql) {
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        throw Error(EngineErrorText::of(query.lastError()));
    }
    QStringList values;
    while (query.next()) {
        values << query.value(0).toString();
    }
    return values;
}

bool DatabaseEngine::subscribe(QSqlDatabase&, QObject*,
                               const std::function<void(const QString&)>&) const {
    return false;
}

QString DatabaseEngine::keyListCondition(const QString& key, int count) const {
    return key + QStringLiteral(" IN (?") + QStringLiteral(", ?").repeated(count - 1) +
           QLatin1Char(')');
}

QList<QVariant> DatabaseEngine::keyListParameters(const QStringList& keys, int count) const {
    // A shorter list repeats its last key.
    QList<QVariant> parameters;
    for (int i = 0; i < count; ++i) {
        parameters << keys.at(std::min<qsizetype>(i, keys.size() - 1));
    }
    return parameters;
}

QString DatabaseEngine::manyRowsInsertSql(const QString& table, const QStringList& columns,
                                          const QStringList& types) const {
    Q_UNUSED(table);
    Q_UNUSED(columns);
    Q_UNUSED(types);
    throw Error(QStringLiteral("Rows written together are not supported by %1.").arg(name()));
}

QString DatabaseEngine::manyRowsUpdateSql(const QString& table, const QString& keyColumn,
                                          const QStringList& columns,
                                          const QStringList& types) const {
    Q_UNUSED(table);
    Q_UNUSED(keyColumn);
    Q_UNUSED(columns);
    Q_UNUSED(types);
    throw Error(QStringLiteral("Rows written together are not supported by %1.").arg(name()));
}

QVariant DatabaseEngine::arrayParameter(const QList<QVariant>& values) const {
    Q_UNUSED(values);
    throw Error(QStringLiteral("Rows written together are not supported by %1.").arg(name()));
}

}  // namespace ambitra
