#pragma once

#include <vector>

#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "core/store/table.h"

namespace vmx::store {

// What the catalogue expects of a table file before the program writes to it:
// every field it lists is there (found by name; order and extra fields do not
// matter), of a kind that holds the same values, and at least as wide (text:
// as many bytes; dBase numbers: as many integer digits and decimals). One
// Error per field that falls short: NoSuchField, FieldWrongType or
// FieldTooNarrow, naming file and field.
std::vector<Error> catalogue_faults(const TableFile& file, const TableSpec& spec);

// The cells of the table's live rows that are not blank yet do not read as
// their field's type, in row order.
std::vector<BadCell> unreadable_cells(const Table& table);

// The error a write to a table with such cells is refused with.
Error unreadable_cells_error(const Table& table, std::vector<BadCell> cells);

}  // namespace vmx::store
