#include "data/DatabaseEngine.h"

#include "common/Error.h"
#include "data/Connection.h"
#include "data/EngineErrorText.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"

#include <QSqlError>
#include <QSqlQuery>

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

}  // namespace ambitra
