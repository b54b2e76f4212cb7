#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/clock.h"
#include "core/platform/file_system.h"
#include "core/store/schema.h"
#include "core/store/value.h"

namespace vmx::store {

using RowId = uint32_t;
inline constexpr RowId kNoRow = 0xffffffffu;

// One table file on disk (a codec): reads its rows once, then writes each change
// to the file at once, in place, at a cost that does not grow with the table.
//
// Rows travel as record buffers of record_size() bytes in the codec's own layout
// (for both formats: the record exactly as it stands on disk). The shared
// in-memory table keeps these buffers and asks the codec to decode or encode one
// field at a time, so a 100,000-row ledger costs little more memory than its file.
//
// Row ids: load() hands out ids 0..n-1 in the file's natural order (dBase:
// record number; Paradox: along the block chain, which for a keyed table is key
// order). insert() hands out the next unused id. Ids stay valid until close.
//
// Every method that fails throws store::Error naming the file and the problem;
// a failed write leaves the file as it was before that write wherever the format
// allows (a value that does not fit is refused before anything is written).
class TableFile {
 public:
  virtual ~TableFile() = default;

  virtual Format format() const = 0;
  virtual const std::filesystem::path& path() const = 0;
  virtual const Schema& schema() const = 0;
  virtual size_t record_size() const = 0;
  // True when opened read-only (the file is not writable); changes then throw.
  virtual bool read_only() const = 0;

  // Calls sink once per live row (deleted dBase rows are skipped) in natural order.
  virtual void load(const std::function<void(RowId, const uint8_t* record)>& sink) = 0;

  // Writes a changed row in place.
  virtual void update(RowId id, const uint8_t* record) = 0;
  // Adds a row (dBase: at the end; keyed Paradox: in key order) and returns its id.
  virtual RowId insert(const uint8_t* record) = 0;
  // After insert(): copies into `record` the fields the codec filled in itself
  // (a blank Paradox autoincrement gets the next number), so the caller's copy
  // of the row matches the file. Codecs that fill nothing leave it unchanged.
  virtual void fill_assigned(uint8_t* record) const { (void)record; }
  // Removes a row (dBase: sets the deleted flag).
  virtual void erase(RowId id) = 0;

  // Another running copy may write the same file. reread() reads the file's
  // header (and block chain) again after such a change; the rows come through
  // load() afterwards. Throws Error when the file no longer has the same fields.
  virtual void reread() = 0;
  // Whether a row keeps its id across another writer's changes and reread()
  // (dBase: the id is the record number). When not (Paradox numbers its rows
  // along the block chain), the caller matches rows after load() and hands
  // renumber() the id it wants for each id load() gave (to[loaded id]).
  virtual bool stable_ids() const { return true; }
  virtual void renumber(const std::vector<RowId>& to) { (void)to; }
  // Bytes at the start of a record that form its unique key (0: no key).
  virtual size_t key_size() const { return 0; }
  // Bytes at the start of the file that count and describe the rest: what a
  // pass of gathered writes puts in the file last, in a write of its own.
  virtual uint64_t head_size() const { return 0; }
  // The open file, for locking it against other processes and noticing their
  // changes.
  virtual platform::File& handle() = 0;

  // Field codec. get() decodes one field of a record (text comes back as UTF-8
  // without trailing blanks; blank gives Null). set() encodes a value into the
  // record buffer; text longer than the field is cut at a GBK character
  // boundary; a number that does not fit the field's width throws and leaves
  // the buffer unchanged. set(Null) blanks the field.
  virtual Value get(const uint8_t* record, int field) const = 0;
  virtual void set(uint8_t* record, int field, const Value& v) const = 0;
  // A text field's stored GBK bytes without trailing blanks (spaces or NULs);
  // what ordinal comparisons and index keys use. Empty for other types.
  virtual std::string_view raw_text(const uint8_t* record, int field) const = 0;
  virtual bool is_blank(const uint8_t* record, int field) const = 0;
  // Where a field's bytes start in the record (its width is in the schema).
  virtual size_t field_offset(int field) const = 0;
  // The stored characters of a cell that is not blank yet does not read as
  // its field's type (a dBase number "abc", "1.2.3" or "nan", a date that
  // does not exist); such a cell reads as blank. nullopt for a readable cell.
  virtual std::optional<std::string> unreadable(const uint8_t* record, int field) const {
    (void)record;
    (void)field;
    return std::nullopt;
  }
  // Fills a new record buffer with a blank row.
  virtual void blank_record(uint8_t* record) const = 0;
};

struct OpenOptions {
  bool read_only = false;  // open for reading even when the file is writable
  // What dates the dBase header's "last update" when the table is written;
  // nullptr: table_clock().
  const platform::Clock* clock = nullptr;
};

// The clock table files are dated by when the caller gives none: the
// machine's, unless a ScopedTableClock is alive (the installation dates every
// table it lays out with its own day).
const platform::Clock& table_clock();
class ScopedTableClock {
 public:
  explicit ScopedTableClock(const platform::Clock& clock);
  ~ScopedTableClock();
  ScopedTableClock(const ScopedTableClock&) = delete;
  ScopedTableClock& operator=(const ScopedTableClock&) = delete;

 private:
  const platform::Clock* m_previous;
};

// A failed file operation of a codec, as the engine's error: names the table
// and what was being done, carries the operating system's error.
[[noreturn]] void throw_io_error(const std::filesystem::path& table, const std::string& what,
                                 const platform::FileError& e);

// Opens an existing table; the format follows the extension (.DB Paradox,
// .DBF dBase, any case). Throws store::Error for a missing, unreadable,
// damaged or encrypted file.
std::unique_ptr<TableFile> open_table_file(const std::filesystem::path& path,
                                           const OpenOptions& options = {});

// Creates a new empty table (replacing a file of that name) with the given
// fields, and opens it. For Paradox, schema.key_fields leading fields form the
// primary key. Throws store::Error when a field cannot be stored in the format.
std::unique_ptr<TableFile> create_table_file(const std::filesystem::path& path,
                                             const Schema& schema, const OpenOptions& options = {});

// The per-format entry points behind the two functions above.
std::unique_ptr<TableFile> open_dbf(const std::filesystem::path& path, const OpenOptions& options);
std::unique_ptr<TableFile> create_dbf(const std::filesystem::path& path, const Schema& schema,
                                      const OpenOptions& options);
std::unique_ptr<TableFile> open_paradox(const std::filesystem::path& path,
                                        const OpenOptions& options);
std::unique_ptr<TableFile> create_paradox(const std::filesystem::path& path, const Schema& schema,
                                          const OpenOptions& options);

// Puts a new file in place of `path`: writes `bytes` beside it as `tmp`, makes
// them durable and renames the copy over the old file, so a failure at any
// point leaves the old file (if any) as it was. Throws IoError.
void replace_file(const std::filesystem::path& path, const std::filesystem::path& tmp,
                  const void* bytes, size_t size);

// True when two schemas describe the same stored fields (names without regard
// to case, types, widths, decimals, key fields).
bool same_layout(const Schema& a, const Schema& b);

// Finds `name` in `dir` without regard to case (an exact match wins). Returns
// dir/name when nothing matches, so callers can report the expected path.
std::filesystem::path resolve_case_insensitive(const std::filesystem::path& dir,
                                               std::string_view name);

}  // namespace vmx::store
