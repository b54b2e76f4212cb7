#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/store/error.h"
#include "core/store/table_file.h"

namespace vmx::store {

// A Paradox .DB table (levels 3 to 7, keyed or unkeyed), read once and then
// changed in place one row at a time.
//
// Reading: the whole file is read in one go; the rows are the records along the
// block chain from the first block (key order in a keyed table), never the
// blocks in file order. A damaged file (bad header, a chain that loops or points
// past the end, a block that claims more records than it holds, field sizes that
// do not add up to the record size) and an encrypted table are refused with an
// Error naming the file. The header's record count is not trusted: the chain is.
// Opening never writes.
//
// Field values (all-zero bytes are blank and read as Null in every type):
//   alpha       Text, GBK on disk; set() cuts at a GBK character boundary
//   short/long  Integer; set() rounds half away from zero and refuses values
//               outside the type, including -32768 and -2^31 (they would read
//               back as blank)
//   autoinc     Integer; insert() fills a blank one from the header's counter
//   number/currency  Number (NaN and infinities refused)
//   date        Date; time: Time (ms); timestamp: Timestamp
//   logical     Boolean
//   memo kinds  Text of the leader when the whole memo sits in it; Null when it
//               continues in the .MB file (which this program never opens)
//   BCD         Number when the digits decode; bytes and blobs: Null
// Memo, blob, BCD and bytes fields are read only: set() throws.
//
// Writing (each call finishes its writes before it returns; a process killed
// between two calls leaves a file holding every row written so far):
//   update  rewrites the record where it stands. When a keyed row's key
//           changes it is first inserted at its new key position and only then
//           removed from the old one, so a crash in between duplicates the row
//           rather than losing it. The row keeps its id.
//   insert  unkeyed: after the last record of the last block, a new block when
//           it is full. Keyed: at its key position (keys compare as their stored
//           bytes); a full block is split, the upper part going to a new block
//           appended to the file and linked in after it. The new block is written
//           before the block that points to it, and the header's counters last.
//           An equal key is refused ("key violation") before anything is written.
//   erase   closes the gap in the row's block. A block whose last row goes is
//           unlinked from the chain (readers such as pxlib misread empty blocks
//           in it) and reused for the next new block in this session; the
//           file's own free list is left as it was.
//
// Primary index (.PX): not maintained. On the first change to a keyed table
// that has a .PX beside it, the .DB header's change counter (offset 0x12) is
// bumped once, so an engine that compares the counters of the two files sees
// the index as out of date and rebuilds it instead of trusting it; the .PX file
// itself is left untouched. Readers that never open the .PX are unaffected.
//
// Not thread safe; one ParadoxFile per file per process.
class ParadoxFile final : public TableFile {
 public:
  // Opens and checks the table. Throws Error naming the file when it is
  // missing, unreadable, damaged or encrypted. Read-only when options ask for it
  // or the file cannot be opened for writing.
  ParadoxFile(const std::filesystem::path& path, const OpenOptions& options);
  ~ParadoxFile() override;
  ParadoxFile(const ParadoxFile&) = delete;
  ParadoxFile& operator=(const ParadoxFile&) = delete;

  // Writes an empty level-7 table (code page 936, 4 KiB blocks, keyed when
  // schema.key_fields > 0) in place of any file of that name, deletes a .PX of
  // the same name (it would describe the old table), and returns nothing; open
  // it afterwards. Throws Error when a field type, width or name cannot be
  // stored in a Paradox table, or the file cannot be written.
  static void create(const std::filesystem::path& path, const Schema& schema);

  Format format() const override { return Format::Paradox; }
  const std::filesystem::path& path() const override { return m_path; }
  const Schema& schema() const override { return m_schema; }
  size_t record_size() const override { return m_recsize; }
  bool read_only() const override { return m_read_only; }

  void load(const std::function<void(RowId, const uint8_t* record)>& sink) override;
  void update(RowId id, const uint8_t* record) override;
  RowId insert(const uint8_t* record) override;
  void fill_assigned(uint8_t* record) const override;
  void erase(RowId id) override;

  Value get(const uint8_t* record, int field) const override;
  void set(uint8_t* record, int field, const Value& v) const override;
  std::string_view raw_text(const uint8_t* record, int field) const override;
  bool is_blank(const uint8_t* record, int field) const override;
  size_t field_offset(int field) const override { return m_offsets[size_t(field)]; }
  void blank_record(uint8_t* record) const override;

  void reread() override;
  bool stable_ids() const override { return false; }
  void renumber(const std::vector<RowId>& to) override;
  size_t key_size() const override { return m_keysize; }
  uint64_t head_size() const override { return m_header_size; }
  platform::File& handle() override { return *m_file; }

  // The table's code page from the header (0 when the level has none).
  int code_page() const { return m_code_page; }
  // Header version byte (3..12).
  int version() const { return m_version; }

 private:
  struct Block {
    uint16_t next = 0;
    uint16_t prev = 0;
    std::vector<RowId> ids;  // rows in slot order
    std::string first_key;   // key bytes of slot 0 (keyed tables, non-empty blocks)
  };
  struct Loc {
    uint16_t block = 0;  // 0: no such row
    uint16_t slot = 0;
  };

  [[noreturn]] void fail(const std::string& problem, ErrorKind kind = ErrorKind::Other,
                         int os_error = 0) const;
  void read_whole();
  void parse_header(const std::vector<uint8_t>& bytes, uint64_t file_size);
  void parse_chain(const std::vector<uint8_t>& bytes, uint64_t file_size);
  void begin_write();
  void check_field(int field) const;

  uint64_t block_pos(uint16_t block) const;
  std::vector<uint8_t> read_block(uint16_t block) const;
  void write_at(uint64_t pos, const void* data, size_t len);
  void write_block(uint16_t block, const std::vector<uint8_t>& bytes);
  void write_header();
  void note_change();
  uint16_t new_block_number() const;
  void claim_block(uint16_t n);
  void unlink_block(uint16_t n);

  void set_block_rows(std::vector<uint8_t>& buf, const Block& b, size_t count) const;
  void refresh_first_key(Block& b, const std::vector<uint8_t>& buf);
  size_t find_block_for(std::string_view key) const;
  void insert_row(const uint8_t* record, RowId id);
  void insert_unkeyed(const uint8_t* record, RowId id);
  void insert_keyed(const uint8_t* record, RowId id);
  void append_first_block(const uint8_t* record, RowId id);
  void erase_row(RowId id);
  void assign_autoinc(uint8_t* record);

  std::filesystem::path m_path;
  Schema m_schema;
  std::vector<uint8_t> m_types;  // Paradox type byte per field
  std::vector<size_t> m_offsets;
  size_t m_recsize = 0;
  size_t m_keysize = 0;  // bytes of the leading key fields; 0 when unkeyed
  bool m_read_only = false;
  std::shared_ptr<platform::File> m_file;
  int m_version = 0;
  int m_code_page = 0;
  uint32_t m_header_size = 0;
  uint32_t m_block_size = 0;
  size_t m_capacity = 0;          // records per block
  std::vector<uint8_t> m_header;  // the fixed part, rewritten after each change
  std::vector<Block> m_blocks;    // by block number; [0] unused
  std::vector<uint16_t> m_chain;  // block numbers along the chain
  std::vector<Loc> m_locs;        // by row id
  std::vector<uint16_t> m_free;   // blocks unlinked in this session, reusable
  uint32_t m_rows = 0;
  uint32_t m_file_blocks = 0;
  int64_t m_max_autoinc = 0;
  bool m_px_stale_pending = false;  // a .PX lies beside us and we have not yet said so
  std::vector<uint8_t> m_loaded;    // whole file between open and load()
  std::vector<uint8_t> m_last_inserted;
};

}  // namespace vmx::store
