#include "data/DatabaseEngine.h"

#include "data/EngineErrorText.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"

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

bool DatabaseEngine::subscribe(QSqlDatabase&, QObject*,
                               const std::function<void(const QString&)>&) const {
    return false;
}

}  // namespace ambitra
