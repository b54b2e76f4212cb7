#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/schema.h"

namespace vmx::store {

// An index of a table: a dBase production-index tag or a named Paradox index.
// The engine does not read .MDX/.PX files; it builds these orders in memory
// from this description. Equal keys keep natural (physical) order.
struct IndexDef {
  std::string name;                 // tag name, matched without regard to case
  std::vector<std::string> fields;  // key fields, most significant first
  std::string selection;  // filter expression (the engine's filter syntax); empty = all rows
  bool descending = false;
};

enum class Place { Program, Account };

struct TableSpec {
  std::string file;  // as the program spells it: "tr2.DBF", "fund2.DB"
  Place place = Place::Account;
  Format format = Format::DBase;
  Schema schema;  // fields in file order; key_fields for keyed Paradox tables
  std::vector<IndexDef> indexes;
  std::string purpose;           // one line, for the CLI and the docs
  bool earlier_version = false;  // tr0.DBF, fund.db: read once for migration, not in the template
};

// Every table the program uses.
const std::vector<TableSpec>& catalogue();
// The entry for a file name (without regard to case); nullptr when unknown.
const TableSpec* find_table_spec(std::string_view file_name);
// The index definitions the engine knows for a file name (empty when unknown).
std::vector<IndexDef> indexes_for(std::string_view file_name);

}  // namespace vmx::store
