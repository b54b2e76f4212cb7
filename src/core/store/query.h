#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/cursor.h"
#include "core/store/session.h"
#include "core/store/sql_rewrite.h"
#include "core/store/value.h"

namespace vmx::store {

// A read-only local SQL query over the tables of one alias or directory.
//
// Each table the text names is an SQLite virtual table over the live shared
// Table (nothing is copied), so a query opened after a post through any cursor
// sees it. The result is a snapshot taken at open: later posts show after
// reopen(). In SQL a blank numeric or date field is NULL, a blank text field
// is ''; dates are 'yyyy-mm-dd' text; logicals are 1/0 (TRUE/FALSE work);
// text compares ordinally as in the stored GBK bytes.
//
// Parameters (`:"Code"`, `:Code`; names without regard to case) take values
// from set_param() or, with a master, from the master's current row: the field
// or column of the same name. The query executes again whenever the master's
// row gives other parameter values; an empty or closed master gives no rows.
class Query {
 public:
  // `where` is an alias or a directory path; nothing is opened yet.
  Query(Session& session, std::string where);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  const std::string& where() const { return m_where; }
  // Replacing the text closes the query.
  void set_text(std::string text);
  const std::string& text() const { return m_text; }

  // Reads at most `rows` rows of the result at each execution (0, the
  // default: all of them), for a view that shows only the first rows of what
  // may be a long result. Takes effect at the next execution.
  void set_row_limit(size_t rows) { m_row_limit = rows; }

  // Takes effect at the next execution (open, reopen, master move).
  void set_param(std::string_view name, Value v);
  void clear_params() { m_params.clear(); }

  // Binds the parameters to a master's current row (nullptr unbinds). The
  // master must outlive the binding. Both kinds of master may not be set at once:
  // setting one drops the other.
  void set_master(Cursor* master);
  void set_master(Query* master);

  // Runs the text. Throws QueryError for bad SQL or a statement that is not a
  // SELECT, Error for a table file that cannot be read; the query stays closed.
  // Opening an open query does nothing.
  void open();
  void close();  // does nothing when closed
  // Closes and opens again: a fresh snapshot of the tables.
  void reopen();
  bool active() const { return m_active; }

  // The result's columns as the query names them (aliases, Chinese ones included).
  const std::vector<std::string>& columns() const { return m_columns; }
  // Column number by name without regard to case; -1 when there is none.
  int column_index(std::string_view name) const;

  // Rows of the snapshot; navigation as on a Cursor (first sets bof, last sets
  // eof, a move past either end sets the flag and stays).
  size_t count();
  bool empty() { return count() == 0; }
  void first();
  void last();
  void next();
  void prior();
  void move_by(int n);
  bool eof();
  bool bof();
  // Current row number (0-based); -1 when there are no rows.
  long position();
  // Clamps to the rows there are.
  void go_to_position(long pos);

  // The current row's value: Text (UTF-8), Number, Date for date columns,
  // Boolean for logical columns, Null for SQL NULL. Throws Error when the query
  // is closed, has no current row, or the column does not exist.
  Value value(int column);
  Value value(std::string_view column);
  // Any row of the snapshot (row < count()), for walks that must not move the
  // current row.
  const Value& value_at(size_t row, int column);
  // Typed readers as on a Cursor: Null reads "", 0, false, Date().
  std::string get_string(std::string_view column);
  double get_double(std::string_view column);
  int64_t get_int(std::string_view column);
  bool get_bool(std::string_view column);
  Date get_date(std::string_view column);
  bool is_blank(std::string_view column);

  // For bound views: Moved after navigation, Reset after every (re-)execution
  // and close.
  enum class Event { Moved, Reset };
  using Observer = std::function<void(Event)>;
  int observe(Observer o);
  void unobserve(int handle);

  struct Connection;  // the SQLite side; defined in query.cpp

 private:
  void require_active() const;
  void execute();
  void refresh_from_master();
  void catch_up();
  bool master_values(std::vector<Value>& values, bool& has_row);
  void on_master_event();
  void detach_master();
  void notify(Event e);
  int require_column(std::string_view name) const;

  Session& m_session;
  std::string m_where, m_text;
  std::map<std::string, Value> m_params;  // lower-case names
  Cursor* m_master_cursor = nullptr;
  Query* m_master_query = nullptr;
  int m_master_handle = 0;
  bool m_master_stale = false;
  std::vector<Value> m_bound;  // parameter values of the last execution
  bool m_bound_valid = false;

  std::unique_ptr<Connection> m_conn;
  bool m_active = false;
  int m_session_handle = 0;
  std::vector<std::string> m_columns;
  std::vector<std::vector<Value>> m_rows;
  long m_pos = -1;
  bool m_eof = true, m_bof = true;
  size_t m_row_limit = 0;

  std::map<int, Observer> m_observers;
  int m_next_observer = 1;
};

}  // namespace vmx::store
