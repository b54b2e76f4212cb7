#include "core/store/table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

#include "core/store/error.h"
#include "core/store/filter.h"
#include "core/store/gbk.h"

namespace vmx::store {

bool OrderSpec::operator<(const OrderSpec& o) const {
  return std::tie(fields, selection, descending) < std::tie(o.fields, o.selection, o.descending);
}

struct Table::OrderCache {
  OrderSpec spec;
  std::vector<int> key_fields;  // spec.fields, then the primary key of a keyed table
  std::unique_ptr<FilterExpr> selection;
  std::vector<RowId> rows;       // sorted by key
  std::vector<std::string> key;  // by row id; empty = not selected (or not alive)
};

namespace {

void put_number(std::string& out, double d) {
  if (d == 0) d = 0;  // -0 sorts with 0
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
  for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>((bits >> (i * 8)) & 0xff));
}

void put_text(std::string& out, std::string_view s) {
  for (char c : s) {
    if (c == '\0' || c == '\1') {
      out.push_back('\1');
      out.push_back(c == '\0' ? '\1' : '\2');
    } else {
      out.push_back(c);
    }
  }
  out.push_back('\0');
}

void put_id(std::string& out, RowId id) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((id >> (i * 8)) & 0xff));
}

}  // namespace

Table::Table(std::unique_ptr<TableFile> file, std::vector<IndexDef> indexes)
    : m_file(std::move(file)), m_indexes(std::move(indexes)) {
  m_recsize = m_file->record_size();
  try {
    m_stamp = m_file->handle().stamp();
  } catch (const platform::FileError& e) {
    throw_io_error(path(), "cannot read the table", e);
  }
  m_file->load([&](RowId id, const uint8_t* rec) {
    if (id >= m_alive.size()) {
      if (m_arena.capacity() < size_t(id + 1) * m_recsize) {
        m_arena.reserve(std::max(m_arena.capacity() * 2, size_t(id + 1024) * m_recsize));
        m_alive.reserve(m_arena.capacity() / std::max<size_t>(m_recsize, 1));
      }
      m_alive.resize(id + 1, false);
      m_arena.resize(size_t(id + 1) * m_recsize);
    }
    std::memcpy(m_arena.data() + size_t(id) * m_recsize, rec, m_recsize);
    m_alive[id] = true;
    ++m_live;
  });
  // Index definitions naming fields this file lacks would fail at first use
  // with an unclear message; drop them now (a foreign file of a known name).
  std::erase_if(m_indexes, [&](const IndexDef& d) {
    return std::any_of(d.fields.begin(), d.fields.end(),
                       [&](const std::string& f) { return schema().index_of(f) < 0; });
  });
}

Table::~Table() = default;

const IndexDef* Table::find_index(std::string_view name) const {
  for (const auto& d : m_indexes)
    if (iequals(d.name, name)) return &d;
  return nullptr;
}

OrderSpec Table::natural_spec() const {
  OrderSpec s;
  if (m_file->format() == Format::Paradox)
    for (int i = 0; i < schema().key_fields; ++i) s.fields.push_back(i);
  return s;
}

std::string Table::key_part(int field, const Value& v) const {
  std::string out;
  const FieldType t = schema().fields[field].type;
  if (is_text(t)) {
    out.push_back('\1');
    std::string gbk = utf8_to_gbk(v.as_string());
    while (!gbk.empty() && (gbk.back() == ' ' || gbk.back() == '\0')) gbk.pop_back();
    put_text(out, gbk);
    return out;
  }
  if (v.is_null()) {
    out.push_back('\0');
    return out;
  }
  out.push_back('\1');
  switch (t) {
    case FieldType::Date:
      put_number(out, v.as_date().serial());
      break;
    case FieldType::Timestamp:
      put_number(out, v.as_number());
      break;
    case FieldType::Logical:
      put_number(out, v.as_bool() ? 1 : 0);
      break;
    case FieldType::Time:
      put_number(out, v.as_time());
      break;
    default:
      put_number(out, v.as_number());
  }
  return out;
}

std::string Table::make_key(const OrderCache& c, RowId id) const {
  const uint8_t* rec = record(id);
  if (c.selection && !c.selection->matches(rec)) return {};
  std::string out;
  out.reserve(32);
  for (int f : c.key_fields) {
    const FieldType t = schema().fields[f].type;
    if (is_text(t)) {
      out.push_back('\1');
      put_text(out, m_file->raw_text(rec, f));
    } else if (m_file->is_blank(rec, f)) {
      out.push_back('\0');
    } else {
      out += key_part(f, m_file->get(rec, f));
    }
  }
  if (c.spec.descending)
    for (char& ch : out) ch = static_cast<char>(~static_cast<unsigned char>(ch));
  put_id(out, id);
  return out;
}

Table::OrderCache& Table::cache_for(const OrderSpec& spec) {
  auto it = m_orders.find(spec);
  if (it != m_orders.end()) return *it->second;
  auto c = std::make_unique<OrderCache>();
  c->spec = spec;
  c->key_fields = spec.fields;
  for (int f : spec.fields)
    if (f < 0 || f >= static_cast<int>(schema().fields.size()))
      throw Error("bad field number in an order of " + path().filename().string());
  if (m_file->format() == Format::Paradox && !spec.fields.empty())
    for (int i = 0; i < schema().key_fields; ++i) c->key_fields.push_back(i);
  if (!spec.selection.empty()) c->selection = FilterExpr::compile(spec.selection, *m_file);
  c->key.resize(m_alive.size());
  c->rows.reserve(m_live);
  for (RowId id = 0; id < m_alive.size(); ++id) {
    if (!m_alive[id]) continue;
    c->key[id] = make_key(*c, id);
    if (!c->key[id].empty()) c->rows.push_back(id);
  }
  if (!c->spec.fields.empty() || c->selection) {
    const auto& keys = c->key;
    std::sort(c->rows.begin(), c->rows.end(),
              [&keys](RowId a, RowId b) { return keys[a] < keys[b]; });
  }
  auto& ref = *c;
  m_orders.emplace(spec, std::move(c));
  return ref;
}

const std::vector<RowId>& Table::order(const OrderSpec& spec) { return cache_for(spec).rows; }

std::string Table::sort_key(const OrderSpec& spec, RowId id) {
  OrderCache& c = cache_for(spec);
  return id < c.key.size() ? c.key[id] : std::string();
}

size_t Table::lower_bound(const OrderSpec& spec, std::string_view key) {
  OrderCache& c = cache_for(spec);
  const auto& keys = c.key;
  auto it = std::lower_bound(c.rows.begin(), c.rows.end(), key,
                             [&keys](RowId a, std::string_view k) { return keys[a] < k; });
  return static_cast<size_t>(it - c.rows.begin());
}

void Table::key_changed(RowId id, bool inserted, bool erased) {
  for (auto& [spec, cp] : m_orders) {
    OrderCache& c = *cp;
    if (c.key.size() < m_alive.size()) c.key.resize(m_alive.size());
    std::string fresh = erased ? std::string() : make_key(c, id);
    std::string& old = c.key[id];
    if (!inserted && fresh == old) continue;
    const auto& keys = c.key;
    if (!inserted && !old.empty()) {
      auto it = std::lower_bound(c.rows.begin(), c.rows.end(), std::string_view(old),
                                 [&keys](RowId a, std::string_view k) { return keys[a] < k; });
      if (it != c.rows.end() && *it == id) c.rows.erase(it);
    }
    old = std::move(fresh);
    if (!old.empty()) {
      auto it = std::lower_bound(c.rows.begin(), c.rows.end(), std::string_view(old),
                                 [&keys](RowId a, std::string_view k) { return keys[a] < k; });
      c.rows.insert(it, id);
    }
  }
}

// Holds the file's exclusive lock for one change: on taking it, reads the file
// again when someone else changed it; on done(), notes the stamp our change
// left.
class Table::WriteLock {
 public:
  explicit WriteLock(Table& t) : m_t(t), m_file(t.m_file->handle()) {
    if (t.m_file->read_only()) return;  // the codec refuses the change itself
    if (t.in_pass()) {                  // the pass holds the lock and writes at its end
      if (t.m_stale) t.reload();
      return;
    }
    try {
      m_file.lock(true);
    } catch (const platform::FileError& e) {
      throw_io_error(t.path(), "cannot lock the table", e);
    }
    m_locked = true;
    try {
      if (t.m_stale || t.file_changed()) t.reload();
      m_before = m_file.stamp();
    } catch (const platform::FileError& e) {
      m_file.unlock();
      throw_io_error(t.path(), "cannot read the table", e);
    } catch (...) {
      m_file.unlock();
      throw;
    }
  }
  ~WriteLock() {
    if (!m_locked) return;
    // A write that failed half way changed the file too: make sure others see it.
    if (!m_done && m_t.m_stale) {
      try {
        m_file.advance_stamp(m_before);
      } catch (const platform::FileError&) {
      }
    }
    m_file.unlock();
  }
  void done() {
    m_done = true;
    if (!m_locked) return;
    try {
      m_t.m_stamp = m_file.advance_stamp(m_before);
    } catch (const platform::FileError&) {
      m_t.m_stale = true;  // we cannot tell others; read it again next time to be safe
    }
  }

 private:
  Table& m_t;
  platform::File& m_file;
  platform::FileStamp m_before;
  bool m_locked = false;
  bool m_done = false;
};

// Runs one codec change (under the write lock). A file that failed under it
// may hold part of the change: memory is read again from the file at once, so
// the two agree; when even that fails, the table stays stale and is read
// again before its next use.
template <class F>
auto Table::write_through(F&& change) {
  try {
    return change();
  } catch (const IoError&) {
    m_stale = true;
    try {
      reload();
    } catch (const Error&) {
    }
    throw;
  }
}

bool Table::file_changed() { return !(m_file->handle().stamp() == m_stamp); }

void Table::begin_pass() {
  if (m_pass_depth++ > 0) return;
  m_pass_paused = true;
  try {
    resume_pass();
  } catch (...) {
    m_pass_depth = 0;
    m_pass_paused = false;
    throw;
  }
}

void Table::resume_pass() {
  if (m_pass_depth == 0 || !m_pass_paused) return;
  platform::File& f = m_file->handle();
  if (!m_file->read_only()) {
    try {
      f.lock(true);
    } catch (const platform::FileError& e) {
      throw_io_error(path(), "cannot lock the table", e);
    }
    try {
      if (m_stale || file_changed()) reload();
      m_pass_before = f.stamp();
    } catch (const platform::FileError& e) {
      f.unlock();
      throw_io_error(path(), "cannot read the table", e);
    } catch (...) {
      f.unlock();
      throw;
    }
    m_pass_locked = true;
    f.gather_writes(m_file->head_size());
  }
  m_pass_paused = false;
}

void Table::write_pass() {
  platform::File& f = m_file->handle();
  bool wrote = false;
  try {
    wrote = f.write_gathered();
  } catch (const platform::FileError& e) {
    // Part of the pass may be in the file: memory is read again from it, so
    // the two agree.
    m_stale = true;
    try {
      reload();
    } catch (const Error&) {
    }
    try {
      f.advance_stamp(m_pass_before);
    } catch (const platform::FileError&) {
    }
    throw_io_error(path(), "cannot write to the table", e);
  }
  if (!wrote) return;
  try {
    m_stamp = f.advance_stamp(m_pass_before);
  } catch (const platform::FileError&) {
    m_stale = true;  // we cannot tell others; read it again next time to be safe
  }
}

void Table::pause_pass() {
  if (m_pass_depth == 0 || m_pass_paused) return;
  m_pass_paused = true;
  leave_pass_lock();
}

void Table::leave_pass_lock() {
  if (!m_pass_locked) return;
  m_pass_locked = false;
  struct Unlock {
    platform::File& f;
    ~Unlock() { f.unlock(); }
  } unlock{m_file->handle()};
  std::exception_ptr failed;
  try {
    write_deferred();
  } catch (...) {
    failed = std::current_exception();
  }
  write_pass();
  if (failed) std::rethrow_exception(failed);
}

// In a pass, a change to a row that leaves its key alone need not reach the
// codec at once: memory holds the row, and the codec gets it when the pass
// writes. A key that changes moves the row among the file's others, which
// the codec must see in the order the changes came.
bool Table::defers(RowId id, const uint8_t* rec) const {
  if (!in_pass() || !m_pass_locked) return false;
  const size_t key = m_file->key_size();
  return key == 0 || std::memcmp(record(id), rec, key) == 0;
}

void Table::write_deferred() {
  if (m_deferred.empty()) return;
  std::vector<RowId> rows;
  rows.swap(m_deferred);
  std::sort(rows.begin(), rows.end());
  for (RowId id : rows) m_is_deferred[id] = false;
  for (RowId id : rows)
    if (alive(id)) write_through([&] { m_file->update(id, record(id)); });
}

void Table::end_pass() {
  if (m_pass_depth == 0 || --m_pass_depth > 0) return;
  m_pass_paused = false;
  leave_pass_lock();
}

WritePass::~WritePass() {
  if (!m_table) return;
  try {
    m_table->end_pass();
  } catch (const Error&) {
  }
}

void WritePass::finish() {
  Table* t = std::exchange(m_table, nullptr);
  if (t) t->end_pass();
}

PassPause::PassPause(Table& table) {
  if (!table.in_pass()) return;
  table.pause_pass();
  m_table = &table;
}

PassPause::~PassPause() {
  if (!m_table) return;
  try {
    m_table->resume_pass();
  } catch (const Error&) {
    // Not resumed: the changes that follow take the lock each on their own.
  }
}

void Table::sync_with_file() {
  if (in_pass()) return;  // we hold the lock: nobody else changed it
  if (!m_stale) {
    try {
      if (!file_changed()) return;
    } catch (const platform::FileError& e) {
      throw_io_error(path(), "cannot read the table", e);
    }
  }
  platform::File& f = m_file->handle();
  try {
    f.lock(false);
  } catch (const platform::FileError& e) {
    throw_io_error(path(), "cannot lock the table", e);
  }
  try {
    reload();
  } catch (...) {
    f.unlock();
    throw;
  }
  f.unlock();
}

// Reads every row again, keeping the ids of the rows that are still there.
void Table::reload() {
  m_stale = true;  // until the reload succeeds
  try {
    m_stamp = m_file->handle().stamp();
  } catch (const platform::FileError& e) {
    throw_io_error(path(), "cannot read the table", e);
  }
  m_file->reread();
  std::vector<RowId> ids;
  std::vector<uint8_t> arena;
  m_file->load([&](RowId id, const uint8_t* rec) {
    if (ids.size() <= id) ids.resize(id + 1, kNoRow);
    ids[id] = RowId(arena.size() / std::max<size_t>(m_recsize, 1));
    arena.insert(arena.end(), rec, rec + m_recsize);
  });
  // ids[loaded id] = position of its record in `arena`.
  std::vector<RowId> to(ids.size(), kNoRow);
  RowId next = RowId(m_alive.size());
  if (m_file->stable_ids()) {
    for (RowId id = 0; id < ids.size(); ++id) to[id] = id;
    next = std::max<RowId>(next, RowId(ids.size()));
  } else {
    // The same key (keyed), else the same bytes: the same row.
    const size_t key = m_file->key_size() ? m_file->key_size() : m_recsize;
    std::multimap<std::string_view, RowId> old;
    for (RowId id = 0; id < m_alive.size(); ++id)
      if (m_alive[id])
        old.emplace(std::string_view(reinterpret_cast<const char*>(record(id)), key), id);
    for (RowId id = 0; id < ids.size(); ++id) {
      if (ids[id] == kNoRow) continue;
      const std::string_view k(
          reinterpret_cast<const char*>(arena.data() + size_t(ids[id]) * m_recsize), key);
      auto it = old.find(k);
      if (it != old.end()) {
        to[id] = it->second;
        old.erase(it);
      } else {
        to[id] = next++;
      }
    }
    for (RowId& t : to)
      if (t == kNoRow) t = next++;  // ids load() did not use: kept out of the way
    m_file->renumber(to);
  }
  RowId top = 0;
  for (RowId id = 0; id < ids.size(); ++id)
    if (ids[id] != kNoRow) top = std::max(top, to[id] + 1);
  top = std::max<RowId>(top, RowId(m_alive.size()));
  std::vector<uint8_t> fresh(size_t(top) * m_recsize, 0);
  std::vector<bool> alive(top, false);
  size_t live = 0;
  for (RowId id = 0; id < ids.size(); ++id) {
    if (ids[id] == kNoRow) continue;
    std::memcpy(fresh.data() + size_t(to[id]) * m_recsize,
                arena.data() + size_t(ids[id]) * m_recsize, m_recsize);
    alive[to[id]] = true;
    ++live;
  }
  m_arena = std::move(fresh);
  m_alive = std::move(alive);
  m_live = live;
  m_deferred.clear();
  m_is_deferred.assign(m_alive.size(), false);
  m_orders.clear();
  m_numbers.clear();
  ++m_version;
  m_stale = false;
  notify(Change::Reset, kNoRow);
}

RowId Table::insert(const uint8_t* rec) {
  if (m_refusal) throw *m_refusal;
  WriteLock lock(*this);
  write_deferred();
  const RowId id = write_through([&] { return m_file->insert(rec); });
  lock.done();
  if (id >= m_alive.size()) {
    m_alive.resize(id + 1, false);
    // Grow geometrically: appends are the common change.
    if (m_arena.capacity() < size_t(id + 1) * m_recsize)
      m_arena.reserve(std::max(m_arena.capacity() * 2, size_t(id + 1) * m_recsize));
    m_arena.resize(size_t(id + 1) * m_recsize);
  }
  uint8_t* stored = m_arena.data() + size_t(id) * m_recsize;
  std::memcpy(stored, rec, m_recsize);
  m_file->fill_assigned(stored);  // e.g. the autoincrement the file gave the row
  m_alive[id] = true;
  ++m_live;
  ++m_version;
  key_changed(id, true, false);
  refresh_numbers(id);
  notify(Change::Inserted, id);
  return id;
}

void Table::merge_unchanged(RowId id, const uint8_t* base, uint8_t* out) const {
  const uint8_t* now = record(id);
  if (std::memcmp(now, base, m_recsize) == 0) return;  // nobody else changed it
  // Field by field: what the caller left as it was takes what is there now.
  const auto& fields = schema().fields;
  for (size_t f = 0; f < fields.size(); ++f) {
    const size_t at = m_file->field_offset(int(f)), w = size_t(fields[f].width);
    if (std::memcmp(out + at, base + at, w) == 0) std::memcpy(out + at, now + at, w);
  }
}

void Table::update(RowId id, const uint8_t* rec, const uint8_t* base) {
  if (m_refusal) throw *m_refusal;
  WriteLock lock(*this);
  if (!alive(id)) throw Error("the row to change is no longer in " + path().filename().string());
  if (base) {
    m_merged.assign(rec, rec + m_recsize);
    merge_unchanged(id, base, m_merged.data());
    rec = m_merged.data();
  }
  if (defers(id, rec)) {
    if (m_is_deferred.size() <= id) m_is_deferred.resize(m_alive.size(), false);
    if (!m_is_deferred[id]) {
      m_is_deferred[id] = true;
      m_deferred.push_back(id);
    }
  } else {
    write_deferred();
    write_through([&] { m_file->update(id, rec); });
  }
  lock.done();
  std::memcpy(m_arena.data() + size_t(id) * m_recsize, rec, m_recsize);
  ++m_version;
  key_changed(id, false, false);
  refresh_numbers(id);
  notify(Change::Updated, id);
}

void Table::erase(RowId id) {
  if (m_refusal) throw *m_refusal;
  WriteLock lock(*this);
  if (!alive(id)) throw Error("the row to delete is no longer in " + path().filename().string());
  write_deferred();
  write_through([&] { m_file->erase(id); });
  lock.done();
  key_changed(id, false, true);
  m_alive[id] = false;
  --m_live;
  ++m_version;
  refresh_numbers(id);
  notify(Change::Erased, id);
}

namespace {
double decoded_number(const TableFile& f, const uint8_t* rec, int field) {
  const Value v = f.get(rec, field);
  return v.is_null() ? std::nan("") : v.as_number();
}
}  // namespace

void Table::build_numbers() {
  const auto& fields = schema().fields;
  m_number_slot.assign(fields.size(), -1);
  m_number_count = 0;
  for (size_t f = 0; f < fields.size(); ++f)
    if (is_numeric(fields[f].type)) m_number_slot[f] = static_cast<int>(m_number_count++);
  if (m_number_count == 0) m_number_count = 1;  // keeps the arithmetic simple; never read
  m_numbers.assign(m_alive.size() * m_number_count, std::nan(""));
  for (RowId id = 0; id < m_alive.size(); ++id)
    if (m_alive[id]) refresh_numbers(id);
}

void Table::refresh_numbers(RowId id) {
  if (m_numbers.empty()) return;  // not built yet: nothing to keep up to date
  if (m_numbers.size() < m_alive.size() * m_number_count)
    m_numbers.resize(std::max(m_numbers.size() * 2, m_alive.size() * m_number_count), std::nan(""));
  double* row = m_numbers.data() + size_t(id) * m_number_count;
  for (size_t f = 0; f < m_number_slot.size(); ++f)
    if (m_number_slot[f] >= 0)
      row[m_number_slot[f]] =
          alive(id) ? decoded_number(*m_file, record(id), static_cast<int>(f)) : std::nan("");
}

int Table::subscribe(Listener l) {
  m_listeners.emplace(m_next_listener, std::move(l));
  return m_next_listener++;
}

void Table::unsubscribe(int handle) { m_listeners.erase(handle); }

void Table::notify(Change c, RowId id) {
  // A listener may unsubscribe itself; iterate over a copy of the handles.
  std::vector<int> handles;
  for (const auto& [h, l] : m_listeners) handles.push_back(h);
  for (int h : handles) {
    auto it = m_listeners.find(h);
    if (it != m_listeners.end()) it->second(c, id);
  }
}

FilterExpr& Table::filter_for(const std::string& expression) {
  auto it = m_filters.find(expression);
  if (it == m_filters.end())
    it = m_filters.emplace(expression, FilterExpr::compile(expression, *m_file)).first;
  return *it->second;
}

bool Table::accepts(const std::string& expression, RowId id) {
  return filter_for(expression).matches(record(id));
}

void Table::check_filter(const std::string& expression) { filter_for(expression); }

}  // namespace vmx::store
