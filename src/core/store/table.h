#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "core/store/table_file.h"

namespace vmx::store {

class FilterExpr;

// An order of the rows of a table: by the fields of a key (compared by type;
// text ordinally as stored), optionally restricted to the rows a selection
// expression accepts. Equal keys keep natural order.
struct OrderSpec {
  std::vector<int> fields;  // field numbers, most significant first
  std::string selection;    // filter syntax; empty = every row
  bool descending = false;
  bool operator<(const OrderSpec& o) const;
};

// The one in-memory copy of an open table file. Every cursor and every query on
// the file shares it, so a post through one is seen by all at once. Changes go
// to the file first and to memory only when the file write succeeded.
//
// Another running copy of the program may write the same file (the program
// directory's tables are shared by every account). Each change therefore takes
// an exclusive lock on the file, reads the file again first when its stamp
// (size, modification time, identity) differs from the one left by our own last
// change or read, makes the change and notes the new stamp. Without another
// writer that costs a few system calls per change, whatever the table's size.
// Rows keep their ids across a reload (dBase: the record number; Paradox: the
// row with the same key, or the same bytes in an unkeyed table).
//
// A change whose file write fails leaves memory as it was before the change
// and marks the table stale: the file may hold part of the change, so the
// table is read again from the file before its next use.
class Table {
 public:
  explicit Table(std::unique_ptr<TableFile> file, std::vector<IndexDef> indexes = {});
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const TableFile& file() const { return *m_file; }
  const Schema& schema() const { return m_file->schema(); }
  const std::filesystem::path& path() const { return m_file->path(); }
  const std::vector<IndexDef>& indexes() const { return m_indexes; }
  const IndexDef* find_index(std::string_view name) const;  // case-insensitive

  size_t row_count() const { return m_live; }
  // One past the largest row id (ids of deleted rows included).
  size_t row_capacity() const { return m_alive.size(); }
  bool alive(RowId id) const { return id < m_alive.size() && m_alive[id]; }
  const uint8_t* record(RowId id) const { return m_arena.data() + size_t(id) * m_recsize; }
  Value get(RowId id, int field) const { return m_file->get(record(id), field); }

  // The order a cursor gets without an index: dBase and unkeyed Paradox by row
  // id (physical order), keyed Paradox by primary key.
  OrderSpec natural_spec() const;
  // The live rows in natural order.
  const std::vector<RowId>& natural_order() { return order(natural_spec()); }
  // The live rows that the order's selection accepts, in the order's key order; kept
  // up to date incrementally as rows change (a post that leaves the key alone
  // costs nothing here).
  const std::vector<RowId>& order(const OrderSpec& spec);
  // A row's sort key under an order: a byte string whose memcmp order is the
  // order's, ending in the row id so that every key is unique. Empty when the
  // selection rejects the row.
  std::string sort_key(const OrderSpec& spec, RowId id);
  // The first place in order(spec) whose key is not below `key`.
  size_t lower_bound(const OrderSpec& spec, std::string_view key);
  // Encodes a value as the key part of a field (for searches by key).
  std::string key_part(int field, const Value& v) const;

  // From now on every change throws `why` and leaves file and memory alone
  // (a table whose contents the program cannot trust is not written).
  void refuse_writes(const Error& why) { m_refusal = std::make_shared<Error>(why); }
  const Error* write_refusal() const { return m_refusal.get(); }

  // Changes: written to the file, then to memory; listeners are told.
  RowId insert(const uint8_t* record);
  // With `base` (the row as the caller read it before changing its copy), the
  // fields the caller did not change keep what another running copy may have
  // written meanwhile: only the fields that differ from `base` are written.
  void update(RowId id, const uint8_t* record, const uint8_t* base = nullptr);
  void erase(RowId id);

  // Reads the file again when another process changed it since we last saw
  // it (or a failed write left it unsure). Cheap when nothing changed: one
  // stat of the open file. Throws Error when the file cannot be read.
  void sync_with_file();

  // The decoded value of a numeric field (NaN for a blank field): what local
  // SQL reads instead of parsing each field on each query. The values of all
  // numeric fields are decoded on first use, kept row by row (a row's numbers
  // share a cache line or two however a query walks the rows) and kept up to
  // date with every change.
  double number(RowId id, int field) {
    if (m_numbers.empty()) build_numbers();
    return m_numbers[size_t(id) * m_number_count + size_t(m_number_slot[field])];
  }

  // A pass of many changes, e.g. a valuation that writes back every row of a
  // long ledger, holds the file's exclusive lock from begin_pass() to
  // end_pass() (WritePass below does both): the file is looked at for other
  // copies' changes once, when the pass begins, and the changes' writes are
  // gathered and reach the file together when it ends. Memory and the other
  // cursors of this program see each change at once, as outside a pass.
  // Passes nest; only the outermost one locks and writes. Other running
  // copies wait for the table meanwhile, so a pass lets go around anything
  // that waits for the user (PassPause).
  void begin_pass();
  // Writes what the pass gathered and lets go of the lock. Throws Error when
  // the file cannot be written; the table is then read again from the file.
  void end_pass();
  void pause_pass();
  void resume_pass();
  bool in_pass() const { return m_pass_depth > 0 && !m_pass_paused; }

  // Grows by one on every change; cursors and queries use it to notice changes.
  uint64_t version() const { return m_version; }

  // Change notification for bound views and queries. Returns a handle for unsubscribe.
  enum class Change { Inserted, Updated, Erased, Reset };
  using Listener = std::function<void(Change, RowId)>;
  int subscribe(Listener l);
  void unsubscribe(int handle);

  // Evaluates a filter expression on a row (parsed once and cached by text).
  // Throws Error for a bad expression.
  bool accepts(const std::string& expression, RowId id);
  // Throws Error when the expression does not compile against this table.
  void check_filter(const std::string& expression);

 private:
  struct OrderCache;
  OrderCache& cache_for(const OrderSpec& spec);
  std::string make_key(const OrderCache& c, RowId id) const;
  void key_changed(RowId id, bool inserted, bool erased);
  FilterExpr& filter_for(const std::string& expression);
  void notify(Change c, RowId id);
  class WriteLock;
  template <class F>
  auto write_through(F&& change);
  void reload();
  bool file_changed();
  void merge_unchanged(RowId id, const uint8_t* base, uint8_t* record) const;

  std::unique_ptr<TableFile> m_file;
  std::vector<IndexDef> m_indexes;
  size_t m_recsize = 0;
  std::vector<uint8_t> m_arena;
  std::vector<bool> m_alive;
  size_t m_live = 0;
  uint64_t m_version = 0;
  std::map<OrderSpec, std::unique_ptr<OrderCache>> m_orders;
  std::map<std::string, std::unique_ptr<FilterExpr>> m_filters;
  void build_numbers();
  void refresh_numbers(RowId id);
  std::vector<int> m_number_slot;  // by field: place among the numeric fields, or -1
  size_t m_number_count = 0;
  std::vector<double> m_numbers;  // row id * m_number_count + slot
  std::map<int, Listener> m_listeners;
  std::shared_ptr<Error> m_refusal;
  int m_next_listener = 1;
  void write_pass();  // writes what the pass gathered, notes the stamp it left
  void leave_pass_lock();
  bool defers(RowId id, const uint8_t* record) const;
  void write_deferred();
  // Rows a pass changed in memory whose records the codec has not been
  // given yet: they go to it together, in row order, before the pass's
  // writes reach the file (and before any insert or delete, which look at
  // the file's other rows).
  std::vector<RowId> m_deferred;
  std::vector<bool> m_is_deferred;
  int m_pass_depth = 0;
  bool m_pass_paused = false;
  bool m_pass_locked = false;
  platform::FileStamp m_pass_before;  // the file when the pass (or its resumption) began
  platform::FileStamp m_stamp;        // the file as our last read or change left it
  bool m_stale = false;               // a failed write: read the file again before use
  std::vector<uint8_t> m_merged;
};

// The table's pass for the life of this object (see Table::begin_pass()).
// finish() ends it where a failure to write must reach the caller; the
// destructor ends it otherwise (a failure there leaves the table read again
// from the file and is not reported: the pass is being left for an error
// already).
class WritePass {
 public:
  explicit WritePass(Table& table) : m_table(&table) { table.begin_pass(); }
  ~WritePass();
  WritePass(const WritePass&) = delete;
  WritePass& operator=(const WritePass&) = delete;
  void finish();

 private:
  Table* m_table;
};

// Lets go of the table's pass, if it is in one, while this object lives: for
// a question or a message in the middle of a pass, so that other running
// copies need not wait for the user's answer.
class PassPause {
 public:
  explicit PassPause(Table& table);
  ~PassPause();
  PassPause(const PassPause&) = delete;
  PassPause& operator=(const PassPause&) = delete;

 private:
  Table* m_table = nullptr;
};

}  // namespace vmx::store
