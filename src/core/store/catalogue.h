#pragma once

#include <initializer_list>
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

// The field names of the holdings ledger tr2.DBF, as its files spell them.
// Field lookups ignore case, so these also find the fields of files that
// spell them in lower case.
namespace tr2 {
inline constexpr const char* kWth = "WTH";
inline constexpr const char* kQsdm = "QSDM";
inline constexpr const char* kQs = "QS";
inline constexpr const char* kGddm = "GDDM";
inline constexpr const char* kZjzh = "ZJZH";
inline constexpr const char* kCode = "CODE";
inline constexpr const char* kName = "NAME";
inline constexpr const char* kLx = "LX";
inline constexpr const char* kLxm = "LXM";
inline constexpr const char* kBs = "BS";
inline constexpr const char* kAmt = "AMT";
inline constexpr const char* kBirate = "BIRATE";
inline constexpr const char* kPrice1 = "PRICE1";
inline constexpr const char* kDate1 = "DATE1";
inline constexpr const char* kPrice2 = "PRICE2";
inline constexpr const char* kDate2 = "DATE2";
inline constexpr const char* kCost1 = "COST1";
inline constexpr const char* kCost2 = "COST2";
inline constexpr const char* kSxf = "SXF";
inline constexpr const char* kYhs = "YHS";
inline constexpr const char* kIncome = "INCOME";
inline constexpr const char* kInc = "INC";
inline constexpr const char* kPer = "PER";
inline constexpr const char* kZkRate = "ZK_RATE";
inline constexpr const char* kCjDh = "CJ_DH";
inline constexpr const char* kNote = "NOTE";
}  // namespace tr2

// Field names joined with ";", as locate and an index field list take them.
std::string field_list(std::initializer_list<std::string_view> names);

// Every table the program uses.
const std::vector<TableSpec>& catalogue();
// The entry for a file name (without regard to case); nullptr when unknown.
const TableSpec* find_table_spec(std::string_view file_name);
// The index definitions the engine knows for a file name (empty when unknown).
std::vector<IndexDef> indexes_for(std::string_view file_name);

}  // namespace vmx::store
