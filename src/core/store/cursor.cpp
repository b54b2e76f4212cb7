#include "core/store/cursor.h"

#include <algorithm>
#include <cmath>

#include "core/store/error.h"
#include "core/store/gbk.h"

namespace vmx::store {

Cursor::Cursor(Session& session, std::string where, std::string file)
    : m_session(session), m_where(std::move(where)), m_file(std::move(file)) {}

Cursor::~Cursor() {
  if (m_session_handle) m_session.unregister_user(m_session_handle);
}

void Cursor::set_table(std::string where, std::string file) {
  if (active()) throw Error("cannot change the table of an open data set (" + m_file + ")");
  m_where = std::move(where);
  m_file = std::move(file);
}

void Cursor::open() {
  if (active()) return;
  m_table = m_session.open_table(m_where, m_file);
  m_session_handle = m_session.register_user(m_where, [this] { close(); });
  m_state = State::Browse;
  m_spec_dirty = true;
  m_seen_version = ~0ull;
  try {
    current_spec();  // an unknown index or a bad filter fails here, not at first move
  } catch (...) {
    close();
    throw;
  }
  first();
  notify(Event::Reset);
}

void Cursor::close() {
  if (!active()) return;
  m_state = State::Inactive;
  if (m_session_handle) m_session.unregister_user(m_session_handle);
  m_session_handle = 0;
  // Views told of the close may still unsubscribe from the table; when this
  // cursor held the last reference it must outlive that.
  const std::shared_ptr<Table> keep = std::move(m_table);
  m_row = kNoRow;
  m_pos = -1;
  m_eof = m_bof = true;
  m_visible.clear();
  notify(Event::Reset);
}

void Cursor::require_active() const {
  if (!active()) throw Error("cannot perform this operation on a closed dataset (" + m_file + ")");
}

Table& Cursor::table() {
  require_active();
  return *m_table;
}

const Schema& Cursor::schema() { return table().schema(); }

void Cursor::set_index_name(std::string name) {
  m_index_name = std::move(name);
  if (!m_index_name.empty()) m_index_fields.clear();
  m_spec_dirty = true;
  if (active()) {
    current_spec();
    first();
    notify(Event::Reset);
  }
}

void Cursor::set_index_fields(std::string fields) {
  m_index_fields = std::move(fields);
  if (!m_index_fields.empty()) m_index_name.clear();
  m_spec_dirty = true;
  if (active()) {
    current_spec();
    first();
    notify(Event::Reset);
  }
}

void Cursor::set_filter(std::string expression) {
  if (active() && !expression.empty()) m_table->check_filter(expression);
  m_filter = std::move(expression);
  m_spec_dirty = true;
  if (active() && m_filtered) {
    first();
    notify(Event::Reset);
  }
}

void Cursor::set_filtered(bool on) {
  if (on == m_filtered) return;
  if (on && active() && !m_filter.empty()) m_table->check_filter(m_filter);
  m_filtered = on;
  m_spec_dirty = true;
  if (active()) {
    first();
    notify(Event::Reset);
  }
}

namespace {
std::vector<std::string> split_fields(std::string_view s) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(';', start);
    if (end == std::string_view::npos) end = s.size();
    std::string_view part = s.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty()) out.emplace_back(part);
    start = end + 1;
  }
  return out;
}
}  // namespace

const OrderSpec& Cursor::current_spec() {
  require_active();
  if (!m_spec_dirty) return m_spec;
  OrderSpec spec;
  if (!m_index_name.empty()) {
    const IndexDef* d = m_table->find_index(m_index_name);
    if (!d) throw Error("index " + m_index_name + " not found in " + m_file);
    for (const auto& f : d->fields) spec.fields.push_back(field_index(f));
    spec.selection = d->selection;
    spec.descending = d->descending;
  } else if (!m_index_fields.empty()) {
    for (const auto& f : split_fields(m_index_fields)) spec.fields.push_back(field_index(f));
  } else {
    spec = m_table->natural_spec();
  }
  if (m_filtered && !m_filter.empty())
    spec.selection =
        spec.selection.empty() ? m_filter : "(" + spec.selection + ") and (" + m_filter + ")";
  m_spec = std::move(spec);
  m_spec_dirty = false;
  m_seen_version = ~0ull;  // positions must be found again in the new order
  return m_spec;
}

const std::vector<RowId>& Cursor::rows() {
  refresh();
  return m_table->order(current_spec());
}

void Cursor::refresh() {
  require_active();
  const OrderSpec& spec = current_spec();
  if (m_seen_version == m_table->version()) return;
  const auto& order = m_table->order(spec);
  m_seen_version = m_table->version();
  if (order.empty()) {
    m_row = kNoRow;
    m_pos = -1;
    return;
  }
  if (m_row == kNoRow) {
    settle(0);
    return;
  }
  if (m_pos >= 0 && m_pos < static_cast<long>(order.size()) && order[m_pos] == m_row) return;
  std::string key = m_table->sort_key(spec, m_row);
  const bool present = !key.empty();
  if (!present) key = m_key;  // the row is gone: sit on the one that followed it
  const size_t at = m_table->lower_bound(spec, key);
  settle(static_cast<long>(std::min(at, order.size() - 1)));
  (void)present;
}

void Cursor::settle(long index) {
  const OrderSpec& spec = current_spec();
  const auto& order = m_table->order(spec);
  if (order.empty() || index < 0) {
    m_row = kNoRow;
    m_pos = -1;
    m_key.clear();
    return;
  }
  m_pos = std::min<long>(index, static_cast<long>(order.size()) - 1);
  m_row = order[m_pos];
  m_key = m_table->sort_key(spec, m_row);
}

void Cursor::first() {
  require_active();
  if (m_state != State::Browse) cancel();
  m_row = kNoRow;
  refresh();
  settle(0);
  m_bof = true;
  m_eof = m_row == kNoRow;
  notify(Event::Moved);
}

void Cursor::last() {
  require_active();
  if (m_state != State::Browse) cancel();
  refresh();
  const auto& order = rows();
  settle(static_cast<long>(order.size()) - 1);
  m_eof = true;
  m_bof = m_row == kNoRow;
  notify(Event::Moved);
}

void Cursor::next() { move_by(1); }
void Cursor::prior() { move_by(-1); }

void Cursor::move_by(int n) {
  require_active();
  if (m_state == State::Edit || m_state == State::Insert) post();
  refresh();
  const auto& order = rows();
  if (order.empty()) {
    m_eof = m_bof = true;
    return;
  }
  const long target = m_pos + n;
  m_eof = m_bof = false;
  if (target >= static_cast<long>(order.size())) {
    settle(static_cast<long>(order.size()) - 1);
    m_eof = true;
  } else if (target < 0) {
    settle(0);
    m_bof = true;
  } else {
    settle(target);
  }
  notify(Event::Moved);
}

bool Cursor::empty() { return rows().empty(); }
size_t Cursor::count() { return rows().size(); }

long Cursor::position() {
  refresh();
  return m_pos;
}

void Cursor::go_to_position(long pos) {
  require_active();
  refresh();
  const auto& order = rows();
  if (order.empty()) return;
  settle(std::clamp<long>(pos, 0, static_cast<long>(order.size()) - 1));
  m_eof = m_bof = false;
  notify(Event::Moved);
}

bool Cursor::go_to_bookmark(Bookmark b) {
  require_active();
  refresh();
  if (b == kNoRow || !m_table->alive(b)) return false;
  const OrderSpec& spec = current_spec();
  // A pass that walks the view goes to the row after the current one: no
  // search needed for it.
  const auto& order = m_table->order(spec);
  if (m_pos >= 0 && static_cast<size_t>(m_pos) + 1 < order.size() && order[m_pos + 1] == b) {
    settle(m_pos + 1);
  } else {
    const std::string key = m_table->sort_key(spec, b);
    if (key.empty()) return false;
    settle(static_cast<long>(m_table->lower_bound(spec, key)));
  }
  m_eof = m_bof = false;
  notify(Event::Moved);
  return true;
}

int Cursor::field_index(std::string_view field) {
  const int f = table().schema().index_of(field);
  if (f < 0) {
    ErrorDetails d;
    d.file = table().path().string();
    d.field = std::string(field);
    throw Error(ErrorKind::NoSuchField, std::move(d),
                "field '" + std::string(field) + "' not found in " + m_file);
  }
  return f;
}

namespace {
std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}
}  // namespace

bool Cursor::matches_locate(RowId id, const std::vector<int>& fields,
                            const std::vector<Value>& values, const LocateOptions& options) {
  const TableFile& f = m_table->file();
  const uint8_t* rec = m_table->record(id);
  for (size_t i = 0; i < fields.size(); ++i) {
    const int fi = fields[i];
    const Value& want = values[i];
    const FieldType t = f.schema().fields[fi].type;
    if (is_text(t)) {
      std::string have(f.raw_text(rec, fi));
      std::string w = want.is_null() ? std::string() : utf8_to_gbk(want.as_string());
      if (options.case_insensitive) {
        have = ascii_lower(have);
        w = ascii_lower(w);
      }
      if (options.partial_key ? have.compare(0, w.size(), w) != 0 : have != w) return false;
      continue;
    }
    if (want.is_null() || (want.kind() == Value::Kind::Text && want.str().empty())) {
      if (!f.is_blank(rec, fi)) return false;
      continue;
    }
    if (f.is_blank(rec, fi)) return false;
    const Value have = f.get(rec, fi);
    if (t == FieldType::Date) {
      if (have.as_date() != want.as_date()) return false;
    } else if (t == FieldType::Logical) {
      if (have.as_bool() != want.as_bool()) return false;
    } else if (have.as_number() != want.as_number()) {
      return false;
    }
  }
  return true;
}

bool Cursor::locate(std::string_view field_list, const std::vector<Value>& values,
                    LocateOptions options) {
  require_active();
  if (m_state != State::Browse) post();
  const auto names = split_fields(field_list);
  if (names.size() != values.size())
    throw Error("locate on " + m_file + ": " + std::to_string(names.size()) + " fields but " +
                std::to_string(values.size()) + " values");
  std::vector<int> fields;
  for (const auto& n : names) fields.push_back(field_index(n));
  const auto& order = rows();
  for (size_t i = 0; i < order.size(); ++i) {
    if (matches_locate(order[i], fields, values, options)) {
      settle(static_cast<long>(i));
      m_eof = m_bof = false;
      notify(Event::Moved);
      return true;
    }
  }
  return false;
}

bool Cursor::find_key(const std::vector<Value>& values) {
  require_active();
  if (m_state != State::Browse) post();
  const OrderSpec& spec = current_spec();
  if (spec.fields.empty())
    throw Error("find by key on " + m_file + " needs an index (the table has no key)");
  if (values.size() > spec.fields.size())
    throw Error("find by key on " + m_file + ": more values than index fields");
  std::string prefix;
  for (size_t i = 0; i < values.size(); ++i) prefix += m_table->key_part(spec.fields[i], values[i]);
  if (spec.descending)
    for (char& ch : prefix) ch = static_cast<char>(~static_cast<unsigned char>(ch));
  const auto& order = rows();
  const size_t at = m_table->lower_bound(spec, prefix);
  if (at >= order.size()) return false;
  std::vector<int> fields(spec.fields.begin(), spec.fields.begin() + values.size());
  if (!matches_locate(order[at], fields, values, {})) return false;
  settle(static_cast<long>(at));
  m_eof = m_bof = false;
  notify(Event::Moved);
  return true;
}

void Cursor::edit() {
  require_active();
  if (m_state == State::Edit || m_state == State::Insert) return;
  refresh();
  if (m_row == kNoRow) throw Error("cannot edit: " + m_file + " has no current row");
  const size_t n = m_table->file().record_size();
  m_buffer.assign(m_table->record(m_row), m_table->record(m_row) + n);
  m_base = m_buffer;
  m_edit_row = m_row;
  m_state = State::Edit;
}

void Cursor::insert() {
  require_active();
  if (m_state == State::Edit || m_state == State::Insert) post();
  if (m_table->file().read_only())
    throw Error(ErrorKind::ReadOnly, ErrorDetails::of(m_table->path().string()),
                m_table->path().string() + " is read-only; rows cannot be added");
  if (const Error* refused = m_table->write_refusal()) throw *refused;
  m_buffer.assign(m_table->file().record_size(), 0);
  m_table->file().blank_record(m_buffer.data());
  m_edit_row = kNoRow;
  m_state = State::Insert;
}

void Cursor::append() { insert(); }

void Cursor::post() {
  require_active();
  if (m_state == State::Browse) return;
  RowId id;
  if (m_state == State::Edit) {
    m_table->update(m_edit_row, m_buffer.data(), m_base.data());
    id = m_edit_row;
  } else {
    id = m_table->insert(m_buffer.data());
  }
  m_state = State::Browse;
  m_edit_row = kNoRow;
  m_row = id;
  m_pos = -1;
  const OrderSpec& spec = current_spec();
  std::string key = m_table->sort_key(spec, id);
  if (!key.empty()) m_key = std::move(key);
  m_seen_version = ~0ull;
  refresh();
  m_eof = m_bof = false;
  notify(Event::Changed);
}

void Cursor::cancel() {
  if (m_state != State::Edit && m_state != State::Insert) return;
  m_state = State::Browse;
  m_edit_row = kNoRow;
  notify(Event::Changed);
}

void Cursor::remove() {
  require_active();
  if (m_state == State::Insert) {
    cancel();
    return;
  }
  if (m_state == State::Edit) cancel();
  refresh();
  if (m_row == kNoRow) throw Error("cannot delete: " + m_file + " has no current row");
  m_table->erase(m_row);
  m_pos = -1;
  m_seen_version = ~0ull;
  refresh();
  m_eof = m_row == kNoRow;
  m_bof = false;
  notify(Event::Changed);
}

Value Cursor::value(std::string_view field) {
  const int f = field_index(field);
  if (m_state == State::Edit || m_state == State::Insert)
    return m_table->file().get(m_buffer.data(), f);
  refresh();
  if (m_row == kNoRow) return Value();
  return m_table->get(m_row, f);
}

Value Cursor::value_at(int field) {
  require_active();
  if (m_state == State::Edit || m_state == State::Insert)
    return m_table->file().get(m_buffer.data(), field);
  refresh();
  if (m_row == kNoRow) return Value();
  return m_table->get(m_row, field);
}

bool Cursor::set_if_changed(int field, const Value& v) {
  const TableFile& file = table().file();
  const bool editing = m_state == State::Edit || m_state == State::Insert;
  if (!editing) {
    refresh();
    if (m_row == kNoRow) throw Error("cannot edit: " + m_file + " has no current row");
  }
  const uint8_t* now = editing ? m_buffer.data() : m_table->record(m_row);
  m_scratch.assign(now, now + file.record_size());
  file.set(m_scratch.data(), field, v);
  if (std::equal(m_scratch.begin(), m_scratch.end(), now)) return false;
  set_at(field, v);
  return true;
}

std::string Cursor::get_string(std::string_view field) { return value(field).as_string(); }
double Cursor::get_double(std::string_view field) { return value(field).as_number(); }
int64_t Cursor::get_int(std::string_view field) { return value(field).as_integer(); }
bool Cursor::get_bool(std::string_view field) { return value(field).as_bool(); }
Date Cursor::get_date(std::string_view field) { return value(field).as_date(); }

bool Cursor::is_blank(std::string_view field) {
  const int f = field_index(field);
  if (m_state == State::Edit || m_state == State::Insert)
    return m_table->file().is_blank(m_buffer.data(), f);
  refresh();
  if (m_row == kNoRow) return true;
  return m_table->file().is_blank(m_table->record(m_row), f);
}

void Cursor::set(std::string_view field, const Value& v) { set_at(field_index(field), v); }

void Cursor::set_at(int f, const Value& v) {
  if (m_state == State::Browse) edit();
  if (m_table->file().read_only())
    throw Error(ErrorKind::ReadOnly, ErrorDetails::of(m_table->path().string()),
                m_table->path().string() + " is read-only; it cannot be changed");
  if (const Error* refused = m_table->write_refusal()) throw *refused;
  m_table->file().set(m_buffer.data(), f, v);
}

void Cursor::disable_controls() { ++m_disabled; }

void Cursor::enable_controls() {
  if (m_disabled > 0 && --m_disabled == 0) notify(Event::Reset);
}

int Cursor::observe(Observer o) {
  m_observers.emplace(m_next_observer, std::move(o));
  return m_next_observer++;
}

void Cursor::unobserve(int handle) { m_observers.erase(handle); }

void Cursor::notify(Event e) {
  if (m_disabled > 0) return;
  std::vector<int> handles;
  for (const auto& [h, o] : m_observers) handles.push_back(h);
  for (int h : handles) {
    auto it = m_observers.find(h);
    if (it != m_observers.end()) it->second(e);
  }
}

}  // namespace vmx::store
