#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

namespace ambitra {

class Connection;

// A statement run with its values bound in order, for the stores that read and
// write their own tables; raises the engine's message when it fails.
// Forward-only.
QSqlQuery runBoundQuery(Connection& conn, const QString& sql, const QVariantList& values = {});
// The first column of the first row as a whole number (0 when there is none).
int boundScalar(Connection& conn, const QString& sql, const QVariantList& values = {});

}  // namespace ambitra
