#include "core/store/query.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

#include "core/store/error.h"
#include "core/store/sql_table.h"

namespace vmx::store {

struct Query::Connection {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  // Declared before `db` is closed and after: the virtual tables point into it.
  std::vector<std::shared_ptr<Table>> tables;
  RewrittenSql sql;
  // Per result column: what its declared type makes of SQLite's values.
  enum class Decl : uint8_t { Plain, Date, Boolean };
  std::vector<Decl> decls;

  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    sqlite3_finalize(stmt);
    sqlite3_close(db);
  }
};

namespace {

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool only_blanks(const char* tail) {
  for (; tail && *tail; ++tail)
    if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') return false;
  return true;
}

void bind(sqlite3_stmt* stmt, int n, const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
      sqlite3_bind_null(stmt, n);
      break;
    case Value::Kind::Text:
      sqlite3_bind_text(stmt, n, v.str().data(), static_cast<int>(v.str().size()),
                        SQLITE_TRANSIENT);
      break;
    case Value::Kind::Number:
      sqlite3_bind_double(stmt, n, v.num());
      break;
    case Value::Kind::Integer:
    case Value::Kind::Boolean:
      sqlite3_bind_int64(stmt, n, v.i64());
      break;
    default: {
      // Dates (and times) travel as the same text the tables give.
      const std::string s = v.as_string();
      sqlite3_bind_text(stmt, n, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      break;
    }
  }
}

Value column_value(sqlite3_stmt* stmt, int c, Query::Connection::Decl decl) {
  using Decl = Query::Connection::Decl;
  switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_NULL:
      return Value::null();
    case SQLITE_INTEGER:
      if (decl == Decl::Boolean) return Value::boolean(sqlite3_column_int64(stmt, c) != 0);
      return Value::number(static_cast<double>(sqlite3_column_int64(stmt, c)));
    case SQLITE_FLOAT:
      return Value::number(sqlite3_column_double(stmt, c));
    case SQLITE_TEXT: {
      std::string s(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                    static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      if (decl == Decl::Date) {
        if (auto d = Date::parse(s)) return Value::date(*d);
      }
      return Value::text(std::move(s));
    }
    default:
      return Value::null();  // blobs are not shown
  }
}

}  // namespace

Query::Query(Session& session, std::string where) : m_session(session), m_where(std::move(where)) {}

Query::~Query() {
  detach_master();
  close();
}

void Query::set_text(std::string text) {
  close();
  m_text = std::move(text);
}

void Query::set_param(std::string_view name, Value v) { m_params[lower(name)] = std::move(v); }

void Query::detach_master() {
  if (m_master_cursor) m_master_cursor->unobserve(m_master_handle);
  if (m_master_query) m_master_query->unobserve(m_master_handle);
  m_master_cursor = nullptr;
  m_master_query = nullptr;
  m_master_handle = 0;
  m_master_stale = false;
}

void Query::set_master(Cursor* master) {
  detach_master();
  m_master_cursor = master;
  if (master) m_master_handle = master->observe([this](Cursor::Event) { on_master_event(); });
  refresh_from_master();
}

void Query::set_master(Query* master) {
  if (master == this) throw Error("a query cannot be its own master");
  detach_master();
  m_master_query = master;
  if (master) m_master_handle = master->observe([this](Event) { on_master_event(); });
  refresh_from_master();
}

void Query::on_master_event() {
  // A walk over the master with its views disabled must not run the detail
  // once per row; the detail catches up when it is next read.
  if (m_master_cursor && m_master_cursor->controls_disabled()) {
    m_master_stale = true;
    return;
  }
  m_master_stale = false;
  refresh_from_master();
}

void Query::catch_up() {
  if (!m_master_stale || (m_master_cursor && m_master_cursor->controls_disabled())) return;
  m_master_stale = false;
  refresh_from_master();
}

void Query::refresh_from_master() {
  if (!m_active) return;
  std::vector<Value> values;
  bool has_row = false;
  master_values(values, has_row);
  if (has_row == m_bound_valid && (!has_row || values == m_bound)) return;
  execute();
}

bool Query::master_values(std::vector<Value>& values, bool& has_row) {
  const auto& names = m_conn->sql.params;
  values.clear();
  has_row = true;
  if (m_master_cursor) {
    Cursor& m = *m_master_cursor;
    if (!m.active() || m.empty()) {
      has_row = false;
      return false;
    }
    for (const auto& name : names) {
      const int f = m.schema().index_of(name);
      if (f < 0) {
        // Parameters the master does not have may still come from set_param.
        auto it = m_params.find(name);
        if (it == m_params.end())
          throw QueryError("query parameter '" + name + "': the master table " + m.file_name() +
                           " has no such field");
        values.push_back(it->second);
        continue;
      }
      Value v = m.value(name);
      // A blank text field is '' in SQL, so it must bind as '' too.
      if (v.is_null() && is_text(m.schema().fields[static_cast<size_t>(f)].type))
        v = Value::text("");
      values.push_back(std::move(v));
    }
    return true;
  }
  if (m_master_query) {
    Query& m = *m_master_query;
    if (!m.active() || m.count() == 0) {
      has_row = false;
      return false;
    }
    for (const auto& name : names) {
      const int c = m.column_index(name);
      if (c < 0) {
        auto it = m_params.find(name);
        if (it == m_params.end())
          throw QueryError("query parameter '" + name + "': the master query has no such column");
        values.push_back(it->second);
        continue;
      }
      values.push_back(m.value(c));
    }
    return true;
  }
  for (const auto& name : names) {
    auto it = m_params.find(name);
    if (it == m_params.end()) throw QueryError("query parameter '" + name + "' has no value");
    values.push_back(it->second);
  }
  return true;
}

void Query::open() {
  if (m_active) return;
  if (!is_select(m_text))
    throw QueryError("local SQL: only SELECT queries can be run (" + m_where + "): " + m_text);
  auto conn = std::make_unique<Connection>();
  conn->sql = rewrite_sql(m_text);
  // SQLite's count of the memory it holds takes a process-wide lock at every
  // allocation; nothing reads the count. Only possible before SQLite starts.
  static const bool no_memory_count = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
  }();
  (void)no_memory_count;
  // One connection per query, used by one thread at a time: without SQLite's
  // own mutex every cell read would lock and unlock it.
  if (sqlite3_open_v2(":memory:", &conn->db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    throw Error("local SQL: cannot start SQLite: " +
                std::string(conn->db ? sqlite3_errmsg(conn->db) : "out of memory"));
  install_sql_tables(conn->db, &conn->tables);
  for (const auto& file : conn->sql.files) {
    conn->tables.push_back(m_session.open_table(m_where, file));
    create_sql_table(conn->db, lower(file), conn->tables.size() - 1);
  }
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(conn->db, conn->sql.sql.c_str(), -1, &conn->stmt, &tail) != SQLITE_OK)
    throw QueryError("local SQL (" + m_where + "): " + sqlite3_errmsg(conn->db) + " in: " + m_text);
  if (!conn->stmt) throw QueryError("local SQL (" + m_where + "): the text holds no query");
  if (!only_blanks(tail))
    throw QueryError("local SQL (" + m_where + "): only one statement may be run: " + m_text);
  if (!sqlite3_stmt_readonly(conn->stmt))
    throw QueryError("local SQL (" + m_where + "): only read-only queries can be run: " + m_text);

  std::vector<std::string> columns;
  const int n = sqlite3_column_count(conn->stmt);
  for (int c = 0; c < n; ++c) {
    const char* name = sqlite3_column_name(conn->stmt, c);
    const char* decl = sqlite3_column_decltype(conn->stmt, c);
    columns.emplace_back(name ? name : "");
    const std::string_view type = decl ? decl : "";
    conn->decls.push_back(type == kSqlDateType   ? Connection::Decl::Date
                          : type == kSqlBoolType ? Connection::Decl::Boolean
                                                 : Connection::Decl::Plain);
  }
  m_conn = std::move(conn);
  m_columns = std::move(columns);
  m_active = true;
  m_session_handle = m_session.register_user(m_where, [this] { close(); });
  try {
    m_master_stale = false;
    execute();
  } catch (...) {
    close();
    throw;
  }
}

void Query::execute() {
  std::vector<Value> values;
  bool has_row = false;
  master_values(values, has_row);
  m_rows.clear();
  if (has_row) {
    sqlite3_stmt* stmt = m_conn->stmt;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    for (size_t i = 0; i < values.size(); ++i) bind(stmt, static_cast<int>(i + 1), values[i]);
    const int n = static_cast<int>(m_columns.size());
    int rc = SQLITE_DONE;
    while ((m_row_limit == 0 || m_rows.size() < m_row_limit) &&
           (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::vector<Value> row;
      row.reserve(static_cast<size_t>(n));
      for (int c = 0; c < n; ++c)
        row.push_back(column_value(stmt, c, m_conn->decls[static_cast<size_t>(c)]));
      m_rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
      const std::string message = sqlite3_errmsg(m_conn->db);
      sqlite3_reset(stmt);
      m_rows.clear();
      throw QueryError("local SQL (" + m_where + "): " + message + " in: " + m_text);
    }
    sqlite3_reset(stmt);
  }
  m_bound = std::move(values);
  m_bound_valid = has_row;
  m_pos = m_rows.empty() ? -1 : 0;
  m_bof = true;
  m_eof = m_rows.empty();
  notify(Event::Reset);
}

void Query::close() {
  if (!m_active) return;
  m_active = false;
  m_session.unregister_user(m_session_handle);
  m_session_handle = 0;
  m_conn.reset();  // releases the tables
  m_rows.clear();
  m_columns.clear();
  m_bound.clear();
  m_bound_valid = false;
  m_pos = -1;
  m_eof = m_bof = true;
  notify(Event::Reset);
}

void Query::reopen() {
  close();
  open();
}

void Query::require_active() const {
  if (!m_active) throw Error("local SQL (" + m_where + "): the query is not open");
}

int Query::column_index(std::string_view name) const {
  for (size_t c = 0; c < m_columns.size(); ++c)
    if (iequals(m_columns[c], name)) return static_cast<int>(c);
  return -1;
}

int Query::require_column(std::string_view name) const {
  const int c = column_index(name);
  if (c < 0)
    throw Error("local SQL (" + m_where + "): the query has no column '" + std::string(name) + "'");
  return c;
}

size_t Query::count() {
  catch_up();
  return m_rows.size();
}

void Query::first() {
  require_active();
  catch_up();
  m_pos = m_rows.empty() ? -1 : 0;
  m_bof = true;
  m_eof = m_rows.empty();
  notify(Event::Moved);
}

void Query::last() {
  require_active();
  catch_up();
  m_pos = static_cast<long>(m_rows.size()) - 1;
  m_eof = true;
  m_bof = m_rows.empty();
  notify(Event::Moved);
}

void Query::next() {
  require_active();
  catch_up();
  if (m_pos + 1 < static_cast<long>(m_rows.size())) {
    ++m_pos;
    m_bof = m_eof = false;
  } else {
    m_eof = true;
  }
  notify(Event::Moved);
}

void Query::prior() {
  require_active();
  catch_up();
  if (m_pos > 0) {
    --m_pos;
    m_bof = m_eof = false;
  } else {
    m_bof = true;
  }
  notify(Event::Moved);
}

void Query::move_by(int n) {
  for (; n > 0 && !eof(); --n) next();
  for (; n < 0 && !bof(); ++n) prior();
}

bool Query::eof() {
  catch_up();
  return m_eof;
}

bool Query::bof() {
  catch_up();
  return m_bof;
}

long Query::position() {
  catch_up();
  return m_pos;
}

void Query::go_to_position(long pos) {
  require_active();
  catch_up();
  if (m_rows.empty()) {
    m_pos = -1;
    m_eof = m_bof = true;
  } else {
    m_pos = std::clamp(pos, 0L, static_cast<long>(m_rows.size()) - 1);
    m_eof = m_bof = false;
  }
  notify(Event::Moved);
}

Value Query::value(int column) {
  require_active();
  catch_up();
  if (m_pos < 0) throw Error("local SQL (" + m_where + "): the query has no current row");
  if (column < 0 || column >= static_cast<int>(m_columns.size()))
    throw Error("local SQL (" + m_where + "): no column number " + std::to_string(column));
  return m_rows[static_cast<size_t>(m_pos)][static_cast<size_t>(column)];
}

Value Query::value(std::string_view column) { return value(require_column(column)); }

const Value& Query::value_at(size_t row, int column) {
  require_active();
  catch_up();
  if (row >= m_rows.size() || column < 0 || column >= static_cast<int>(m_columns.size()))
    throw Error("local SQL (" + m_where + "): no cell " + std::to_string(row) + "," +
                std::to_string(column));
  return m_rows[row][static_cast<size_t>(column)];
}

std::string Query::get_string(std::string_view column) { return value(column).as_string(); }
double Query::get_double(std::string_view column) { return value(column).as_number(); }
int64_t Query::get_int(std::string_view column) { return value(column).as_integer(); }
bool Query::get_bool(std::string_view column) { return value(column).as_bool(); }
Date Query::get_date(std::string_view column) { return value(column).as_date(); }
bool Query::is_blank(std::string_view column) { return value(column).is_null(); }

int Query::observe(Observer o) {
  const int h = m_next_observer++;
  m_observers.emplace(h, std::move(o));
  return h;
}

void Query::unobserve(int handle) { m_observers.erase(handle); }

void Query::notify(Event e) {
  // Copied: an observer may unobserve (or observe) while being told.
  const auto observers = m_observers;
  for (const auto& [h, o] : observers) o(e);
}

}  // namespace vmx::store
