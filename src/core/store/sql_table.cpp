#include "core/store/sql_table.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/store/error.h"
#include "core/store/gbk.h"

namespace vmx::store {

namespace {

using Tables = std::vector<std::shared_ptr<Table>>;

int ordinal_collation(void*, int la, const void* a, int lb, const void* b) {
  const std::string_view x(static_cast<const char*>(a), static_cast<size_t>(la));
  const std::string_view y(static_cast<const char*>(b), static_cast<size_t>(lb));
  // Grouping compares many equal values; those need no conversion.
  if (x == y) return 0;
  if (!is_ascii(x) || !is_ascii(y)) {
    try {
      return compare_ordinal(x, y);
    } catch (...) {
      // Malformed UTF-8 (only from a literal in the text) falls back to bytes.
    }
  }
  return x.compare(y) < 0 ? -1 : 1;
}

// Rows of one text field grouped by their stored bytes: the detail lists look
// up one code in a 100,000-row ledger each time the master row moves.
// Hashes the stored bytes of a text as std::string and string_view alike.
struct BytesHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct VTab {
  sqlite3_vtab base{};  // first: SQLite casts between the two
  Table* table = nullptr;
  std::shared_ptr<Table> owner;  // the same table, kept for the lookups' index
  // The UTF-8 of the GBK texts met so far: a ledger repeats a few names,
  // broker and type names over all its rows. Entries stay put (the strings
  // are handed to SQLite as they are) until the statement's connection ends.
  std::unordered_map<std::string, std::string, BytesHash, std::equal_to<>> utf8;
};

// Beyond this many different texts a column is not worth remembering.
constexpr size_t kUtf8Texts = 4096;

struct VCursor {
  sqlite3_vtab_cursor base{};
  VTab* vt = nullptr;
  const std::vector<RowId>* rows = nullptr;
  size_t i = 0;
};

const std::vector<RowId> kNoRows;

std::string quote(const std::string& name) {
  std::string r = "\"";
  for (char c : name) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + '"';
}

const char* decl_type(FieldType t) {
  switch (t) {
    case FieldType::Character:
      return "TEXT COLLATE vmx_ordinal";
    case FieldType::Memo:
      return "TEXT";
    case FieldType::Date:
      return kSqlDateType;
    case FieldType::Logical:
      return kSqlBoolType;
    case FieldType::Time:
    case FieldType::Timestamp:
      return "TEXT";
    case FieldType::Bytes:
    case FieldType::Blob:
      return "BLOB";
    default:
      // Every number is REAL, so that BS/CZXH/Num divide like money does.
      return "REAL";
  }
}

int set_error(sqlite3_vtab* vt, const char* message) {
  sqlite3_free(vt->zErrMsg);
  vt->zErrMsg = sqlite3_mprintf("%s", message);
  return SQLITE_ERROR;
}

int x_connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
              char** err) {
  const auto* tables = static_cast<const Tables*>(aux);
  const size_t index = argc > 3 ? static_cast<size_t>(std::strtoul(argv[3], nullptr, 10)) : ~0ul;
  if (!tables || index >= tables->size()) {
    *err = sqlite3_mprintf("no table for %s", argc > 2 ? argv[2] : "?");
    return SQLITE_ERROR;
  }
  Table* table = (*tables)[index].get();
  std::string decl = "CREATE TABLE x(";
  const auto& fields = table->schema().fields;
  for (size_t f = 0; f < fields.size(); ++f) {
    if (f) decl += ", ";
    decl += quote(fields[f].name) + ' ' + decl_type(fields[f].type);
  }
  decl += ')';
  const int rc = sqlite3_declare_vtab(db, decl.c_str());
  if (rc != SQLITE_OK) {
    *err = sqlite3_mprintf("cannot declare %s: %s", argv[2], sqlite3_errmsg(db));
    return rc;
  }
  auto* vt = new VTab;
  vt->table = table;
  vt->owner = (*tables)[index];
  *out = &vt->base;
  return SQLITE_OK;
}

int x_disconnect(sqlite3_vtab* base) {
  delete reinterpret_cast<VTab*>(base);
  return SQLITE_OK;
}

// The rows of a table by the stored (GBK, blanks trimmed) bytes of a text
// field, in natural order, for the equality lookups. Kept per table, not per
// query, so a view rebuilt over an unchanged table does not walk it again; an
// entry lives while its table does and is rebuilt after any change.
struct TextIndex {
  std::weak_ptr<Table> owner;
  uint64_t version = ~0ull;
  std::unordered_map<std::string, std::vector<RowId>> rows;
};

const std::unordered_map<std::string, std::vector<RowId>>& rows_by_text(
    const std::shared_ptr<Table>& table, int field) {
  static std::map<std::pair<const Table*, int>, TextIndex> cache;
  for (auto it = cache.begin(); it != cache.end();)
    it = it->second.owner.expired() ? cache.erase(it) : std::next(it);
  TextIndex& ix = cache[{table.get(), field}];
  if (ix.owner.lock() != table || ix.version != table->version()) {
    ix.owner = table;
    ix.rows.clear();
    for (RowId id : table->natural_order())
      ix.rows[std::string(table->file().raw_text(table->record(id), field))].push_back(id);
    ix.version = table->version();
  }
  return ix.rows;
}

const std::vector<RowId>& equal_rows(VTab* vt, int field, sqlite3_value* rhs) {
  const auto& rows = rows_by_text(vt->owner, field);
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(rhs));
  const std::string key =
      utf8_to_gbk(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(rhs))));
  auto it = rows.find(key);
  return it == rows.end() ? kNoRows : it->second;
}

// How many rows an equality on a text field gives. A value written in the
// text is looked up; a parameter's value is not known yet and is taken to be
// selective (a detail list's code). The values of an IN list are not known
// either and may well be most of the table (wth='' or wth='###'): then a
// lookup followed by SQLite's sort of its output would cost more than the
// ordered scan it competes with.
double equal_rows_estimate(VTab* vt, sqlite3_index_info* info, int c, double n) {
  if (sqlite3_vtab_in(info, c, -1)) return n / 2;
  sqlite3_value* rhs = nullptr;
  if (sqlite3_vtab_rhs_value(info, c, &rhs) != SQLITE_OK || !rhs ||
      sqlite3_value_type(rhs) != SQLITE_TEXT)
    return 10;
  try {
    return static_cast<double>(equal_rows(vt, info->aConstraint[c].iColumn, rhs).size() + 1);
  } catch (const std::exception&) {
    return 10;  // malformed UTF-8 in the value: the scan will compare it
  }
}

// Fields whose order keys sort as SQL sorts their values: text by its GBK
// bytes (the ordinal collation), numbers, dates, logicals and times by value,
// blanks (NULL in SQL) first. Handing the rows over in that order spares
// SQLite a sort of the whole table for ORDER BY and GROUP BY on them.
bool orderable(FieldType t) {
  return t != FieldType::Memo && t != FieldType::Blob && t != FieldType::Bytes &&
         t != FieldType::Bcd;
}

// The ORDER BY (or GROUP BY) keys as the table can hand its rows over in,
// "1,4,5"; empty when it cannot (no order asked, or not on such fields).
std::string ordered_keys(const std::vector<FieldDef>& fields, const sqlite3_index_info* info) {
  std::string keys;
  for (int o = 0; o < info->nOrderBy; ++o) {
    const auto& term = info->aOrderBy[o];
    if (term.iColumn < 0 || term.desc != info->aOrderBy[0].desc ||
        !orderable(fields[static_cast<size_t>(term.iColumn)].type))
      return {};
    keys += (o ? "," : "") + std::to_string(term.iColumn);
  }
  return keys;
}

int x_best_index(sqlite3_vtab* base, sqlite3_index_info* info) {
  auto* vt = reinterpret_cast<VTab*>(base);
  const auto& fields = vt->table->schema().fields;
  const double n = static_cast<double>(vt->table->row_count()) + 1;
  // GROUP BY and ORDER BY on text fields: the table keeps such orders (text
  // ordinally, as our collation compares), so SQLite can skip its own sort of
  // the whole ledger. Other types are left to SQLite: its NULLs sort first.
  const std::string keys = ordered_keys(fields, info);
  for (int c = 0; c < info->nConstraint; ++c) {
    const auto& k = info->aConstraint[c];
    if (!k.usable || k.op != SQLITE_INDEX_CONSTRAINT_EQ || k.iColumn < 0) continue;
    if (fields[static_cast<size_t>(k.iColumn)].type != FieldType::Character) continue;
    // The index knows byte equality only; NOCASE and friends need the scan.
    const char* coll = sqlite3_vtab_collation(info, c);
    if (coll && sqlite3_stricmp(coll, kSqlOrdinalCollation) != 0 &&
        sqlite3_stricmp(coll, "BINARY") != 0)
      continue;
    info->aConstraintUsage[c].argvIndex = 1;
    info->aConstraintUsage[c].omit = 0;  // SQLite checks again: the index may give extra rows
    info->idxNum = k.iColumn + 1;
    const double rows = equal_rows_estimate(vt, info, c, n);
    // A lookup's rows come in file order: where the scan could have handed
    // them over sorted, the lookup's cost includes SQLite's sort of them.
    // (SQLite keeps only the cheaper of two plans for one table, whatever
    // their order, so the sort must show in the cost given here.)
    const double sort = keys.empty() || rows < 2 ? 1 : std::log2(rows);
    info->estimatedCost = rows * sort + n / 1000;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    return SQLITE_OK;
  }
  if (!keys.empty()) {
    info->idxNum = info->aOrderBy[0].desc ? -1 : 0;
    info->idxStr = sqlite3_mprintf("%s", keys.c_str());
    info->needToFreeIdxStr = 1;
    info->orderByConsumed = 1;
    info->estimatedCost = n;
    info->estimatedRows = static_cast<sqlite3_int64>(n);
    return SQLITE_OK;
  }
  info->idxNum = 0;
  info->estimatedCost = n;
  info->estimatedRows = static_cast<sqlite3_int64>(n);
  return SQLITE_OK;
}

int x_open(sqlite3_vtab* base, sqlite3_vtab_cursor** out) {
  auto* cur = new VCursor;
  cur->vt = reinterpret_cast<VTab*>(base);
  cur->rows = &kNoRows;
  *out = &cur->base;
  return SQLITE_OK;
}

int x_close(sqlite3_vtab_cursor* base) {
  delete reinterpret_cast<VCursor*>(base);
  return SQLITE_OK;
}

int x_filter(sqlite3_vtab_cursor* base, int idx_num, const char* idx_str, int argc,
             sqlite3_value** argv) {
  auto* cur = reinterpret_cast<VCursor*>(base);
  cur->i = 0;
  try {
    Table& t = *cur->vt->table;
    if (idx_num > 0 && argc > 0) {
      const int type = sqlite3_value_type(argv[0]);
      if (type == SQLITE_NULL) {
        cur->rows = &kNoRows;  // = NULL is never true
        return SQLITE_OK;
      }
      if (type == SQLITE_TEXT) {
        try {
          cur->rows = &equal_rows(cur->vt, idx_num - 1, argv[0]);
          return SQLITE_OK;
        } catch (const ConversionError&) {
          // Malformed UTF-8 in the value: let SQLite compare it row by row.
        }
      }
      // A number compared with a text field converts by SQLite's rules: scan.
    }
    if (idx_str) {
      OrderSpec spec;
      for (const char* p = idx_str; *p;) {
        char* end = nullptr;
        spec.fields.push_back(static_cast<int>(std::strtol(p, &end, 10)));
        p = *end == ',' ? end + 1 : end;
      }
      spec.descending = idx_num < 0;
      cur->rows = &t.order(spec);
      return SQLITE_OK;
    }
    cur->rows = &t.natural_order();
    return SQLITE_OK;
  } catch (const std::exception& e) {
    return set_error(base->pVtab, e.what());
  }
}

int x_next(sqlite3_vtab_cursor* base) {
  ++reinterpret_cast<VCursor*>(base)->i;
  return SQLITE_OK;
}

int x_eof(sqlite3_vtab_cursor* base) {
  auto* cur = reinterpret_cast<VCursor*>(base);
  return cur->i >= cur->rows->size();
}

void result_text(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

int x_column(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int col) {
  auto* cur = reinterpret_cast<VCursor*>(base);
  try {
    const Table& t = *cur->vt->table;
    const RowId id = (*cur->rows)[cur->i];
    const FieldDef& def = t.schema().fields[static_cast<size_t>(col)];
    if (def.type == FieldType::Character) {
      // Most ledger text is ASCII: hand the stored bytes over without iconv.
      const std::string_view raw = t.file().raw_text(t.record(id), col);
      // The row's bytes stay put while the statement runs (a query never
      // changes the table), so SQLite may read them where they are.
      if (is_ascii(raw)) {
        sqlite3_result_text(ctx, raw.data(), static_cast<int>(raw.size()), SQLITE_STATIC);
        return SQLITE_OK;
      }
      auto& known = cur->vt->utf8;
      auto it = known.find(raw);
      if (it == known.end()) {
        if (known.size() >= kUtf8Texts) {
          result_text(ctx, gbk_to_utf8(raw));
          return SQLITE_OK;
        }
        it = known.emplace(std::string(raw), gbk_to_utf8(raw)).first;
      }
      sqlite3_result_text(ctx, it->second.data(), static_cast<int>(it->second.size()),
                          SQLITE_STATIC);
      return SQLITE_OK;
    }
    if (is_numeric(def.type) && def.type != FieldType::Bcd) {
      const double d = cur->vt->table->number(id, col);
      if (std::isnan(d))
        sqlite3_result_null(ctx);
      else
        sqlite3_result_double(ctx, d);
      return SQLITE_OK;
    }
    const Value v = t.get(id, col);
    switch (v.kind()) {
      case Value::Kind::Null:
        if (is_text(def.type))
          sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
        else
          sqlite3_result_null(ctx);
        break;
      case Value::Kind::Text:
        result_text(ctx, v.str());
        break;
      case Value::Kind::Boolean:
        sqlite3_result_int(ctx, v.i64() ? 1 : 0);
        break;
      case Value::Kind::Date:
      case Value::Kind::Time:
      case Value::Kind::Timestamp:
        result_text(ctx, v.as_string());
        break;
      default:
        if (def.type == FieldType::Blob || def.type == FieldType::Bytes)
          sqlite3_result_null(ctx);
        else
          sqlite3_result_double(ctx, v.as_number());
        break;
    }
    return SQLITE_OK;
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
    return SQLITE_ERROR;
  }
}

int x_rowid(sqlite3_vtab_cursor* base, sqlite3_int64* out) {
  auto* cur = reinterpret_cast<VCursor*>(base);
  *out = (*cur->rows)[cur->i];
  return SQLITE_OK;
}

sqlite3_module make_module() {
  sqlite3_module m{};
  m.iVersion = 1;
  m.xCreate = x_connect;
  m.xConnect = x_connect;
  m.xBestIndex = x_best_index;
  m.xDisconnect = x_disconnect;
  m.xDestroy = x_disconnect;
  m.xOpen = x_open;
  m.xClose = x_close;
  m.xFilter = x_filter;
  m.xNext = x_next;
  m.xEof = x_eof;
  m.xColumn = x_column;
  m.xRowid = x_rowid;
  // No xUpdate: the tables are read-only to SQL; changes go through cursors.
  return m;
}

const sqlite3_module kModule = make_module();

}  // namespace

void install_sql_tables(sqlite3* db, const std::vector<std::shared_ptr<Table>>* tables) {
  if (sqlite3_create_collation_v2(db, kSqlOrdinalCollation, SQLITE_UTF8, nullptr, ordinal_collation,
                                  nullptr) != SQLITE_OK ||
      sqlite3_create_module_v2(db, "vmx_table", &kModule, const_cast<Tables*>(tables), nullptr) !=
          SQLITE_OK)
    throw Error(std::string("local SQL: cannot set up the tables: ") + sqlite3_errmsg(db));
}

void create_sql_table(sqlite3* db, const std::string& name, size_t index) {
  const std::string sql =
      "CREATE VIRTUAL TABLE " + quote(name) + " USING vmx_table(" + std::to_string(index) + ")";
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string message = err ? err : sqlite3_errmsg(db);
    sqlite3_free(err);
    throw Error("local SQL: cannot open " + name + ": " + message);
  }
}

}  // namespace vmx::store
