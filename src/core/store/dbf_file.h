#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/store/error.h"
#include "core/store/table_file.h"

namespace vmx::store {

// The dBase (.DBF) codec: dBase III and IV files, and the FoxPro variants that
// only use the plain dBase field types (C N F D L M).
//
// Opening reads and checks the header only and never writes. It throws Error
// naming the file for a missing or unreadable file, an unknown version byte, an
// encrypted table, a field type other than C N F D L M (naming the letter), no
// fields, or a file shorter than its header. A header that disagrees with the
// file is refused with kind Damaged, listing every disagreement: a record
// length other than 1 + the fields' widths, a header length other than where
// the field descriptors end (the 0D terminator, then only zeros, or Visual
// FoxPro's 263-byte backlink), N/F decimals not below the width, a record
// count larger than the records the file holds, or live records after the
// counted ones (a count smaller than the data: read as the count, the next
// insert would cut them off; read as the data, other readers disagree). Past
// the counted records the 1A end byte, junk after it, and records marked
// deleted are fine. A file that cannot be opened for writing is opened
// read-only (read_only() is then true).
//
// Rows: the header's record count. Row id = record number. Deleted records
// (flag '*') are not handed to load()'s sink, so the ids of a loaded table may
// have gaps: the in-memory table sizes its arena by the largest id + 1. The
// record pointers given to the sink are valid only during that call to the
// sink: the records are read in large pieces into one reused buffer, so a big
// table is never held twice.
//
// Writes go through one file descriptor kept open, in place, never rewriting
// the file:
// - update: one write of the record at header length + id * record length;
// - insert: any bytes the file held beyond the new end are cut off first, so
//   that size = header + count * record + 1; then the record marked deleted
//   plus the 1A end byte after it, then the header's date and record count,
//   then the record's deletion flag cleared. A reader never sees a live row
//   that the count leaves out: a process killed between those writes, or a
//   write that fails, leaves a deleted record past the count or a counted
//   deleted record, which every reader skips; the next insert overwrites the
//   former;
// - erase: one byte, the record's deletion flag, set to '*'.
// Production index (.MDX): we do not maintain it. When byte 28 of the header
// says a production index exists, the first write after opening sets it to 0
// before touching any record, so a reader that honours the flag stops trusting
// the now stale .MDX (and one that requires it no longer looks for it). The
// .MDX file itself is left on disk untouched. The header date is set to the
// day of the clock in the open options (table_clock() without one) at the same
// moment.
//
// Field codec on the record buffer (record byte 0 is the deletion flag):
// - C: GBK, space padded. get: UTF-8 without trailing blanks (leading spaces
//   kept); set: text cut at a GBK character boundary; other values are stored
//   as their text.
// - N, F: right-aligned ASCII with exactly `decimals` digits after '.'. get
//   also accepts ',' as the separator; blank, '*' fill (an overflow mark), or
//   bytes that are not a number read as Null (unreadable() tells the last
//   apart from blank). set accepts Number, Integer and
//   Text (parsed; ConversionError when it is not a number; blank text blanks
//   the field) and rounds to `decimals` half away from zero on the shortest
//   decimal form of the value (2.675 becomes 2.68, as the user typed it, not as
//   the binary double happens to lie); a value wider than the field throws
//   Error naming the field and the value and leaves the buffer unchanged.
// - D: YYYYMMDD; 8 spaces, "00000000" or a day that does not exist read as
//   Null. set accepts Date, Timestamp (its day) and Text (yyyy-mm-dd or yyyymmdd).
// - L: T t Y y true, F f N n false, '?' or space Null; writes 'T', 'F', ' '
//   (blank text blanks it; other text must read as a boolean: ConversionError).
// - M: text read from the .DBT (dBase III blocks ending in 1A, dBase IV blocks
//   with an FF FF 08 00 length header) or FoxPro .FPT beside the table; a
//   missing memo file or block reads as Null. set() throws: memos are read-only.
class DbfFile final : public TableFile {
 public:
  // See open_dbf / create_dbf in table_file.h; the rules are above. create
  // writes a dBase III header (version 03, GBK code page mark 4D, no index
  // flag) with fields of types C N F D L, names of 1 to 10 ASCII characters
  // stored as given, no rows; it writes beside the target and renames over it,
  // so a failure leaves an existing file as it was.
  static std::unique_ptr<DbfFile> open(const std::filesystem::path& path,
                                       const OpenOptions& options);
  static std::unique_ptr<DbfFile> create(const std::filesystem::path& path, const Schema& schema,
                                         const OpenOptions& options = {});
  ~DbfFile() override;
  DbfFile(const DbfFile&) = delete;
  DbfFile& operator=(const DbfFile&) = delete;

  Format format() const override { return Format::DBase; }
  const std::filesystem::path& path() const override { return m_path; }
  const Schema& schema() const override { return m_schema; }
  size_t record_size() const override { return m_record_size; }
  bool read_only() const override { return m_read_only; }

  void load(const std::function<void(RowId, const uint8_t*)>& sink) override;
  void update(RowId id, const uint8_t* record) override;
  RowId insert(const uint8_t* record) override;
  void erase(RowId id) override;

  void reread() override;
  uint64_t head_size() const override { return m_header_size; }
  platform::File& handle() override { return *m_file; }

  Value get(const uint8_t* record, int field) const override;
  void set(uint8_t* record, int field, const Value& v) const override;
  std::string_view raw_text(const uint8_t* record, int field) const override;
  bool is_blank(const uint8_t* record, int field) const override;
  size_t field_offset(int field) const override { return m_offsets[size_t(field)]; }
  std::optional<std::string> unreadable(const uint8_t* record, int field) const override;
  void blank_record(uint8_t* record) const override;

  // Records the file holds as rows (live and deleted): the ids handed out so far.
  uint32_t record_count() const { return m_count; }

 private:
  DbfFile() = default;
  [[noreturn]] void fail(const std::string& problem, ErrorKind kind = ErrorKind::Other,
                         int os_error = 0) const;
  [[noreturn]] void refuse_value(const FieldDef& def, const Value& v,
                                 const std::string& problem) const;
  void read_memo_file(uint8_t version);
  void prepare_write();
  size_t read_at(void* data, size_t size, uint64_t offset) const;
  platform::FileStamp read_stamp() const;
  void write_at(const void* data, size_t size, uint64_t offset, const char* what);
  std::string_view memo_bytes(const uint8_t* record, int field) const;

  std::filesystem::path m_path;
  Schema m_schema;
  std::vector<uint32_t> m_offsets;  // of each field within the record
  std::vector<char> m_letters;      // each field's type letter as the file has it
  size_t m_record_size = 0;
  uint32_t m_header_size = 0;
  uint32_t m_count = 0;
  uint64_t m_file_size = 0;
  std::shared_ptr<platform::File> m_file;
  const platform::Clock* m_clock = nullptr;  // dates the header on the first write
  bool m_read_only = false;
  bool m_mdx_flag = false;  // byte 28 as found; cleared on the first write
  bool m_prepared = false;  // the first-write header changes are done
  std::string m_memo;       // the whole .DBT/.FPT, when the table has memo fields
  uint32_t m_memo_block = 512;
  bool m_memo_fpt = false;
  std::vector<uint8_t> m_scratch;  // insert's record + end byte
};

}  // namespace vmx::store
