#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

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
  // Fills a new record buffer with a blank row.
  virtual void blank_record(uint8_t* record) const = 0;
};

struct OpenOptions {
  bool read_only = false;  // open for reading even when the file is writable
};

// Opens an existing table; the format follows the extension (.DB Paradox,
// .DBF dBase, any case). Throws store::Error for a missing, unreadable,
// damaged or encrypted file.
std::unique_ptr<TableFile> open_table_file(const std::filesystem::path& path,
                                           const OpenOptions& options = {});

// Creates a new empty table (replacing a file of that name) with the given
// fields, and opens it. For Paradox, schema.key_fields leading fields form the
// primary key. Throws store::Error when a field cannot be stored in the format.
std::unique_ptr<TableFile> create_table_file(const std::filesystem::path& path,
                                             const Schema& schema);

// The per-format entry points behind the two functions above.
std::unique_ptr<TableFile> open_dbf(const std::filesystem::path& path, const OpenOptions& options);
std::unique_ptr<TableFile> create_dbf(const std::filesystem::path& path, const Schema& schema);
std::unique_ptr<TableFile> open_paradox(const std::filesystem::path& path,
                                        const OpenOptions& options);
std::unique_ptr<TableFile> create_paradox(const std::filesystem::path& path, const Schema& schema);

// Finds `name` in `dir` without regard to case (an exact match wins). Returns
// dir/name when nothing matches, so callers can report the expected path.
std::filesystem::path resolve_case_insensitive(const std::filesystem::path& dir,
                                               std::string_view name);

}  // namespace vmx::store
