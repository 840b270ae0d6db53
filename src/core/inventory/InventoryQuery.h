#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

namespace ambitra {

class Connection;

// A statement of the inventory's tables run with its values bound in order;
// raises the engine's message when it fails. Forward-only.
QSqlQuery runInventoryQuery(Connection& conn, const QString& sql, const QVariantList& values = {});
// The first column of the first row as a whole number (0 when there is none).
int inventoryScalar(Connection& conn, const QString& sql, const QVariantList& values = {});

}  // namespace ambitra
