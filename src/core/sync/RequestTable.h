#pragma once

#include <QString>

namespace ambitra {

// The handheld's request table COMUNICA.DBF: one record whose OPERACAO C(1) holds
// "C" (load the master data), "D" (unload the inventory) or "X" (answered), and
// ARQUIVO C(12).
namespace RequestTable {

inline constexpr const char* kFileName = "COMUNICA.DBF";

// Replaces the folder's request table by one holding the single request.
void Write(const QString& folder, const QString& operation);

// The request of the first live record with its ARQUIVO, "|"-joined; empty when
// the table holds no live record. Raises an Error when the table cannot be read.
QString Read(const QString& folder);

}  // namespace RequestTable

}  // namespace ambitra
