#pragma once

#include <QString>
#include <QStringList>

namespace ambitra {

// The fixed layouts of the three tables exchanged with the handheld and with
// dBase files: the stored columns of each database table, same names, same order.
const QStringList& OperatorFieldList();  // OPERADOR.DBF
const QStringList& LocationFieldList();  // LOCAIS.DBF
const QStringList& AssetFieldList();     // BENS.DBF

// The file that carries a table: its name upper-cased, cut to 8 characters,
// plus the extension (".DBF", ".TXT" or ".CSV"; the point may be left out).
QString ExchangeFileName(const QString& tableName,
                         const QString& extension = QStringLiteral(".DBF"));

// Creates in the folder an empty exchange file of that name, replacing any
// file of that name, with the layout the name's start selects (OPERADOR,
// LOCAIS or BENS, letter case ignored). Any other name creates nothing. The
// operators' file holds passwords and is readable by its owner only.
void CreateDBFTable(const QString& folder, const QString& fileName);

}  // namespace ambitra
