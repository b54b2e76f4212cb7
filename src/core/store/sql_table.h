#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/store/table.h"

struct sqlite3;

namespace vmx::store {

// Declared column types of the virtual tables. SQLite keeps the text of a
// declared type, so a result column taken straight from a field tells us how
// to turn it back into a Value; each of these still gives the affinity we want
// (TEXT for dates, NUMERIC for logicals).
inline constexpr const char* kSqlDateType = "DATE_TEXT";
inline constexpr const char* kSqlBoolType = "BOOLEAN";

// The collation that compares text as the stored GBK bytes do.
inline constexpr const char* kSqlOrdinalCollation = "vmx_ordinal";

// Installs the ordinal collation and the virtual-table module on a connection.
// `tables` must outlive the connection; the module reads table number N of it
// for `CREATE VIRTUAL TABLE x USING vmx_table(N)`. Throws Error when SQLite
// refuses.
void install_sql_tables(sqlite3* db, const std::vector<std::shared_ptr<Table>>* tables);

// Creates the virtual table `name` (a lower-case file name) over tables[index].
void create_sql_table(sqlite3* db, const std::string& name, size_t index);

}  // namespace vmx::store
