#pragma once

namespace ambitra {

class DataTable;
class Prompter;

// What every save of a register's row obeys, whoever saves it (a record window,
// an import, an unload): the data module installs these on its tables.

// Empty texts and the zero date are stored as nulls.
void clearEmptyValues(DataTable& table);
// An asset's flag is cleared on every save; then as clearEmptyValues.
void beforeAssetSave(DataTable& table);
// An empty condition-code table receives the default codes when opened; a code
// that cannot be stored is reported and the others still go in.
void addDefaultStatus(DataTable& table, Prompter& prompter);

}  // namespace ambitra
