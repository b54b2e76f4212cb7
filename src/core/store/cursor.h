#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/session.h"

namespace vmx::store {

struct LocateOptions {
  bool case_insensitive = false;
  bool partial_key = false;  // a text field matches when it begins with the value
};

// A cursor on one table: the data set of a window or an operation. Several
// cursors on one file share its Table, so each sees the others' posts at once.
//
// Positioning follows the engine the program was written for: an order
// (natural, an index by name, or a field list), an optional filter, a current
// row, eof/bof flags that are set by a move past either end. A change that
// another cursor makes is seen on the next call; the current row stays the same
// row (by identity) unless it was deleted, in which case the cursor sits on the
// row that followed it.
class Cursor {
 public:
  enum class State { Inactive, Browse, Edit, Insert };

  // `where` is an alias or a directory path; nothing is opened yet.
  Cursor(Session& session, std::string where, std::string file);
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  const std::string& where() const { return m_where; }
  const std::string& file_name() const { return m_file; }
  // Takes effect at the next open (the cursor must be closed).
  void set_table(std::string where, std::string file);

  void open();   // does nothing when open; throws Error when the file cannot be read
  void close();  // does nothing when closed; an unposted edit is cancelled
  bool active() const { return m_state != State::Inactive; }
  State state() const { return m_state; }
  Table& table();  // throws when closed
  const Schema& schema();

  // Index choice; both may be set while open or closed. An empty name and an
  // empty list mean natural order. Throws Error for an unknown tag or field.
  void set_index_name(std::string name);
  void set_index_fields(std::string fields);  // "F1;F2"
  const std::string& index_name() const { return m_index_name; }
  const std::string& index_fields() const { return m_index_fields; }

  // Filter in the engine's syntax; applies while filtered() is true.
  void set_filter(std::string expression);
  void set_filtered(bool on);
  const std::string& filter() const { return m_filter; }
  bool filtered() const { return m_filtered; }

  // Navigation.
  void first();
  void last();
  void next();
  void prior();
  // Moves by n rows (negative = back); stops at either end.
  void move_by(int n);
  bool eof() const { return m_eof; }
  bool bof() const { return m_bof; }
  bool empty();
  size_t count();  // rows visible in the current order and filter
  // Position of the current row among the visible rows (0-based); -1 when empty.
  long position();
  void go_to_position(long pos);

  using Bookmark = RowId;
  Bookmark bookmark() const { return m_row; }
  // False when the bookmarked row is gone or not visible (the cursor stays).
  bool go_to_bookmark(Bookmark b);
  RowId current_row() const { return m_row; }

  // Locate: first visible row in the current order whose fields (";"-separated
  // names) equal the values. Not found: the cursor stays where it was.
  bool locate(std::string_view fields, const std::vector<Value>& values,
              LocateOptions options = {});
  // Find by key: the first row whose leading index fields equal the values exactly.
  bool find_key(const std::vector<Value>& values);

  // Changes. edit() starts editing the current row; insert() and append() start a
  // new blank row; set()/set_*() change the buffer; post() writes it to the file at
  // once and leaves the cursor on the posted row; cancel() drops the buffer;
  // remove() deletes the current row (the cursor moves to the following row).
  void edit();
  void insert();
  void append();
  void post();
  void cancel();
  void remove();

  // Field access by name (case-insensitive). Reading works in every state; in
  // Edit/Insert the buffer is read. Empty numeric reads 0, empty text "".
  Value value(std::string_view field);
  std::string get_string(std::string_view field);
  double get_double(std::string_view field);
  int64_t get_int(std::string_view field);
  bool get_bool(std::string_view field);
  Date get_date(std::string_view field);
  bool is_blank(std::string_view field);
  // Setting outside Edit/Insert starts an edit of the current row, as the
  // engine did. Throws Error when the value does not fit.
  void set(std::string_view field, const Value& v);
  void set_string(std::string_view field, const std::string& s) { set(field, Value::text(s)); }
  void set_double(std::string_view field, double d) { set(field, Value::number(d)); }
  void set_int(std::string_view field, int64_t i) { set(field, Value::integer(i)); }
  void set_bool(std::string_view field, bool b) { set(field, Value::boolean(b)); }
  void set_date(std::string_view field, Date d) { set(field, Value::date(d)); }
  int field_index(std::string_view field);  // throws Error naming the field and file
  // By position (from field_index), for loops that touch many fields of many
  // rows. set_if_changed() encodes the value and changes the row only when its
  // stored bytes would change (starting an edit then); true when it did.
  Value value_at(int field);
  bool set_if_changed(int field, const Value& v);

  // Bound views: while disabled (nestable), views do not follow moves and changes;
  // enable_controls() tells them to refresh once.
  void disable_controls();
  void enable_controls();
  bool controls_disabled() const { return m_disabled > 0; }
  enum class Event { Moved, Changed, Reset };
  using Observer = std::function<void(Event)>;
  int observe(Observer o);
  void unobserve(int handle);

  // The visible rows in the current order and filter (kept fresh on every call).
  const std::vector<RowId>& rows();

 private:
  void require_active() const;
  void set_at(int field, const Value& v);
  void refresh();
  void settle(long index);
  const OrderSpec& current_spec();  // cached until the index or filter changes
  void notify(Event e);
  bool matches_locate(RowId id, const std::vector<int>& fields, const std::vector<Value>& values,
                      const LocateOptions& options);

  Session& m_session;
  std::string m_where, m_file;
  std::shared_ptr<Table> m_table;
  int m_session_handle = 0;
  State m_state = State::Inactive;
  std::string m_index_name, m_index_fields, m_filter;
  bool m_filtered = false;
  RowId m_row = kNoRow;
  long m_pos = -1;
  bool m_eof = true, m_bof = true;
  std::vector<uint8_t> m_buffer;
  std::vector<uint8_t> m_scratch;  // set_if_changed's trial encoding
  std::vector<uint8_t> m_base;     // the row as edit() found it
  RowId m_edit_row = kNoRow;
  std::vector<RowId> m_visible;
  std::string m_key;  // sort key of the current row, to find its place after a delete
  uint64_t m_seen_version = ~0ull;
  bool m_spec_dirty = true;
  OrderSpec m_spec;
  int m_disabled = 0;
  std::map<int, Observer> m_observers;
  int m_next_observer = 1;
};

}  // namespace vmx::store
