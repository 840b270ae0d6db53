#include "core/data/BoundQuery.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"

#include <QSqlError>

namespace ambitra {

QSqlQuery runBoundQuery(Connection& conn, const QString& sql, const QVariantList& values) {
    QSqlQuery q(conn.database());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        throw Error(EngineErrorText::of(q.lastError()));
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        q.bindValue(static_cast<int>(i), values[i]);
    }
    if (!q.exec()) {
        const QString text = EngineErrorText::of(q.lastError());
        q.finish();
        throw Error(text);
    }
    return q;
}

int boundScalar(Connection& conn, const QString& sql, const QVariantList& values) {
    QSqlQuery q = runBoundQuery(conn, sql, values);
    const int value = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return value;
}

}  // namespace ambitra
