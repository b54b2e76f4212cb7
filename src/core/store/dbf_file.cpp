#include "core/store/dbf_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>
#include <system_error>

#include "core/store/error.h"
#include "core/store/text.h"

namespace vmx::store {
namespace {

constexpr size_t kDescriptorSize = 32;
constexpr size_t kMaxFields = 2048;  // far beyond any real table; bounds a damaged header
constexpr uint8_t kTerminator = 0x0D;
constexpr uint8_t kEndOfFile = 0x1A;
constexpr uint8_t kCodePageGbk = 0x4D;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
void put_le16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool known_version(uint8_t v) {
  constexpr uint8_t kVersions[] = {0x03, 0x83, 0x8B, 0x43, 0x63, 0xCB, 0xF5, 0x30, 0x31, 0x32};
  return std::find(std::begin(kVersions), std::end(kVersions), v) != std::end(kVersions);
}

bool type_of(char letter, FieldType& type) {
  constexpr std::string_view kLetters = "CNFDLM";
  constexpr FieldType kTypes[] = {FieldType::Character, FieldType::Numeric, FieldType::Float,
                                  FieldType::Date,      FieldType::Logical, FieldType::Memo};
  const size_t i = kLetters.find(letter);
  if (letter == 0 || i == std::string_view::npos) return false;
  type = kTypes[i];
  return true;
}

// A descriptor past the declared header length that still looks like one means
// the header length is wrong (rather than a file without the 0D terminator
// whose records start right after the last descriptor).
bool looks_like_descriptor(const uint8_t* d) {
  const uint8_t c = d[0], t = d[11];
  const bool name_ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  return name_ok && t >= 'A' && t <= 'Z';
}

[[noreturn]] void throw_for(const std::filesystem::path& path, const std::string& problem,
                            ErrorKind kind = ErrorKind::Other, int os_error = 0) {
  ErrorDetails d;
  d.file = path.string();
  d.os_error = os_error;
  if (kind == ErrorKind::Damaged) d.items.push_back(problem);
  throw Error(kind, std::move(d), path.string() + ": " + problem);
}

// The header's "last update" bytes for the clock's day.
void stamp_day(const platform::Clock& clock, uint8_t* ymd) {
  const Date d = clock.today();
  ymd[0] = uint8_t(d.year() - 1900);  // years since 1900, as dBase stores them
  ymd[1] = uint8_t(d.month());
  ymd[2] = uint8_t(d.day());
}

}  // namespace

DbfFile::~DbfFile() = default;

void DbfFile::fail(const std::string& problem, ErrorKind kind, int os_error) const {
  throw_for(m_path, problem, kind, os_error);
}

std::unique_ptr<DbfFile> DbfFile::open(const std::filesystem::path& path,
                                       const OpenOptions& options) {
  std::unique_ptr<DbfFile> f(new DbfFile);
  f->m_path = path;
  f->m_clock = options.clock ? options.clock : &table_clock();
  platform::FileSystem& fs = platform::file_system();
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
    f->fail("not a table file (not a regular file)");
  try {
    if (!options.read_only) {
      try {
        f->m_file = fs.open(path, platform::OpenMode::ReadWrite);
      } catch (const platform::FileError& e) {
        const int err = e.os_error();
        if (err != EACCES && err != EROFS && err != EPERM && err != ETXTBSY) throw;
      }
    }
    if (!f->m_file) {
      f->m_file = fs.open(path, platform::OpenMode::Read);
      f->m_read_only = true;
    }
  } catch (const platform::FileError& e) {
    throw_io_error(path, "cannot open the table", e);
  }
  f->m_file_size = f->read_stamp().size;

  uint8_t head[32];
  const size_t got = f->read_at(head, sizeof head, 0);
  if (got < sizeof head)
    f->fail("not a dBase table: the file is shorter than a dBase header", ErrorKind::Damaged);
  if (!known_version(head[0])) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", head[0]);
    f->fail(std::string("not a dBase table this program can read (version byte ") + hex + ")");
  }
  if (head[15] != 0) f->fail("the table is encrypted");
  f->m_count = le32(head + 4);
  f->m_header_size = le16(head + 8);
  f->m_record_size = le16(head + 10);
  f->m_mdx_flag = head[28] != 0;
  const uint64_t hl = f->m_header_size;
  if (hl > f->m_file_size)
    f->fail("the file is truncated: the header says " + std::to_string(hl) +
                " bytes, the file has " + std::to_string(f->m_file_size),
            ErrorKind::Damaged);

  // Field descriptors: up to the 0D terminator, within the header length, and
  // past it only while they still look like descriptors (see above).
  const uint64_t scan_end =
      std::min<uint64_t>(f->m_file_size, 32 + kMaxFields * kDescriptorSize + 1);
  std::vector<uint8_t> desc(size_t(scan_end > 32 ? scan_end - 32 : 0));
  desc.resize(f->read_at(desc.data(), desc.size(), 32));
  size_t fields = 0;
  for (; (fields + 1) * kDescriptorSize <= desc.size(); ++fields) {
    const uint8_t* d = desc.data() + fields * kDescriptorSize;
    if (d[0] == kTerminator || d[0] == 0) break;
    const uint64_t end = 32 + (fields + 1) * kDescriptorSize;
    if (end > hl && !looks_like_descriptor(d)) break;
  }
  const auto damaged = [&](const std::string& problem) { f->fail(problem, ErrorKind::Damaged); };
  if (fields == 0) damaged("the table has no fields");
  if (hl < 32 + fields * kDescriptorSize)
    damaged("the header length " + std::to_string(hl) + " is too small for its " +
            std::to_string(fields) + " field descriptors");

  // Everything else that disagrees is gathered, so that one message (and
  // `check`) names every fault at once.
  std::vector<std::string> faults;
  uint32_t offset = 1;
  for (size_t i = 0; i < fields; ++i) {
    const uint8_t* d = desc.data() + i * kDescriptorSize;
    FieldDef def;
    size_t len = 0;
    while (len < 11 && d[len] != 0) ++len;
    def.name = std::string(trim_padding(std::string_view(reinterpret_cast<const char*>(d), len)));
    const char letter = char(d[11]);
    if (!type_of(letter, def.type)) {
      char shown[8];
      if (letter >= 0x21 && letter < 0x7F)
        std::snprintf(shown, sizeof shown, "%c", letter);
      else
        std::snprintf(shown, sizeof shown, "\\x%02X", d[11]);
      f->fail("field " + def.name + " has type '" + std::string(shown) +
                  "', which this program cannot read",
              ErrorKind::Damaged);
    }
    def.width = d[16];
    def.decimals = d[17];
    if (def.width == 0) damaged("field " + def.name + " has width 0");
    if (def.type == FieldType::Date && def.width != 8)
      damaged("date field " + def.name + " has width " + std::to_string(def.width) + ", not 8");
    if (def.type == FieldType::Memo && def.width != 10 && def.width != 4)
      damaged("memo field " + def.name + " has width " + std::to_string(def.width));
    const bool number = def.type == FieldType::Numeric || def.type == FieldType::Float;
    if (number && def.decimals > 0 && def.decimals >= def.width)
      faults.push_back("field " + def.name + " has " + std::to_string(def.decimals) +
                       " decimals, which do not fit its width " + std::to_string(def.width));
    if (!number) def.decimals = 0;
    f->m_offsets.push_back(offset);
    f->m_letters.push_back(letter);
    offset += uint32_t(def.width);
    f->m_schema.fields.push_back(std::move(def));
  }
  if (f->m_record_size != offset)
    faults.push_back("the record length " + std::to_string(f->m_record_size) +
                     " disagrees with the fields, which need " + std::to_string(offset));

  // Between the descriptors and the records: the 0D terminator, then nothing
  // but zeros (Visual FoxPro keeps a 263-byte backlink there). A header
  // length that ends before the terminator, or reaches into the records,
  // would read every record shifted.
  const uint64_t descriptors_end = 32 + fields * kDescriptorSize;
  const auto header_byte = [&](uint64_t at) { return desc[size_t(at - 32)]; };
  bool header_ok = true;
  if (hl == descriptors_end) {
    header_ok = descriptors_end >= 32 + desc.size() || header_byte(hl) != kTerminator;
  } else if (header_byte(descriptors_end) != kTerminator && header_byte(descriptors_end) != 0) {
    header_ok = false;
  } else {
    const bool backlink = head[0] >= 0x30 && head[0] <= 0x32 && hl == descriptors_end + 1 + 263;
    for (uint64_t at = descriptors_end + 1; header_ok && !backlink && at < hl; ++at)
      header_ok = header_byte(at) == 0;
  }
  if (!header_ok)
    faults.push_back("the header length " + std::to_string(hl) + " disagrees with its " +
                     std::to_string(fields) + " field descriptors, which end at " +
                     std::to_string(descriptors_end + 1));

  // The record count against the records the file holds. Past the counted
  // records there may be the 1A end mark and junk after it, or records
  // marked deleted (what an interrupted insert leaves, see insert()); a live
  // record there is a row the count leaves out, which some readers show and
  // others do not, so the file is refused rather than read as either.
  const uint64_t rl = f->m_record_size;
  const uint64_t counted_end = hl + uint64_t(f->m_count) * rl;
  if (rl != offset) {
    // Records of another length than the fields': nothing to count by.
  } else if (counted_end > f->m_file_size) {
    faults.push_back("the header counts " + std::to_string(f->m_count) +
                     " records, but the file holds only " +
                     std::to_string((f->m_file_size - hl) / rl));
  } else {
    uint64_t uncounted = 0;
    for (uint64_t at = counted_end; at + rl <= f->m_file_size; at += rl) {
      uint8_t flag = 0;
      if (f->read_at(&flag, 1, at) != 1) break;
      if (flag == ' ')
        ++uncounted;
      else if (flag != '*')
        break;  // the end mark, or bytes that are no record
    }
    if (uncounted > 0)
      faults.push_back("the header counts " + std::to_string(f->m_count) + " records, but " +
                       std::to_string(uncounted) + " more follow them in the file");
  }
  if (!faults.empty()) {
    ErrorDetails d;
    d.file = path.string();
    d.items = faults;
    std::string all;
    for (const auto& s : faults) all += (all.empty() ? "" : "; ") + s;
    throw Error(ErrorKind::Damaged, std::move(d), path.string() + ": " + all);
  }

  for (const auto& def : f->m_schema.fields)
    if (def.type == FieldType::Memo) {
      f->read_memo_file(head[0]);
      break;
    }
  return f;
}

void DbfFile::reread() {
  m_file_size = read_stamp().size;
  uint8_t head[32];
  if (read_at(head, sizeof head, 0) < sizeof head || le16(head + 8) != m_header_size ||
      le16(head + 10) != m_record_size)
    fail("another program changed the table's fields; open the table again");
  m_count = le32(head + 4);
  const uint64_t available =
      m_file_size > m_header_size ? (m_file_size - m_header_size) / m_record_size : 0;
  if (available < m_count) m_count = uint32_t(available);
  m_mdx_flag = head[28] != 0;
  m_prepared = false;  // date the header again at our next write
}

void DbfFile::read_memo_file(uint8_t version) {
  const auto dir = m_path.parent_path().empty() ? std::filesystem::path(".") : m_path.parent_path();
  const std::string stem = m_path.stem().string();
  for (const char* ext : {".dbt", ".fpt"}) {
    const auto memo_path = resolve_case_insensitive(dir, stem + ext);
    std::error_code ec;
    if (!std::filesystem::exists(memo_path, ec)) continue;
    try {
      if (std::filesystem::is_regular_file(memo_path, ec)) {
        const auto memo = platform::file_system().open(memo_path, platform::OpenMode::Read);
        m_memo.resize(size_t(memo->stamp().size));
        m_memo.resize(memo->read_at(m_memo.data(), m_memo.size(), 0));
      }
    } catch (const platform::FileError&) {
      m_memo.clear();  // an unreadable memo file reads as blank memos
    }
    m_memo_fpt = ext[1] == 'f';
    const auto* h = reinterpret_cast<const uint8_t*>(m_memo.data());
    uint32_t block = 512;
    if (m_memo_fpt && m_memo.size() >= 8) block = uint32_t(h[6] << 8 | h[7]);
    // dBase IV keeps its block size in the memo header; dBase III always uses 512.
    const bool dbase4 = version == 0x8B || version == 0xCB;
    if (dbase4 && !m_memo_fpt && m_memo.size() >= 22 && le16(h + 20) != 0) block = le16(h + 20);
    m_memo_block = block >= 1 ? block : 512;
    return;
  }
}

std::string_view DbfFile::memo_bytes(const uint8_t* record, int field) const {
  const auto& def = m_schema.fields[size_t(field)];
  const uint8_t* p = record + m_offsets[size_t(field)];
  uint64_t block = 0;
  if (def.width == 4) {
    block = le32(p);
  } else {
    for (int i = 0; i < def.width; ++i) {
      if (p[i] == ' ') continue;
      if (p[i] < '0' || p[i] > '9') return {};
      block = block * 10 + uint64_t(p[i] - '0');
    }
  }
  if (block == 0 || m_memo.empty()) return {};
  const uint64_t start = block * m_memo_block;
  if (start >= m_memo.size()) return {};
  const auto* h = reinterpret_cast<const uint8_t*>(m_memo.data()) + start;
  const uint64_t left = m_memo.size() - start;
  std::string_view text;
  if (m_memo_fpt) {
    if (left < 8) return {};
    const uint64_t len = std::min<uint64_t>(be32(h + 4), left - 8);
    text = std::string_view(m_memo.data() + start + 8, size_t(len));
  } else if (left >= 8 && h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00) {
    // dBase IV: the length counts the 8 header bytes too.
    const uint64_t len = le32(h + 4);
    const uint64_t body = len >= 8 ? std::min<uint64_t>(len - 8, left - 8) : 0;
    text = std::string_view(m_memo.data() + start + 8, size_t(body));
  } else {
    text = std::string_view(m_memo.data() + start, size_t(left));
    const size_t end = text.find(char(kEndOfFile));
    if (end != std::string_view::npos) text = text.substr(0, end);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0' || text.back() == '\x1A'))
    text.remove_suffix(1);
  return text;
}

void DbfFile::load(const std::function<void(RowId, const uint8_t*)>& sink) {
  // Large reads of whole records into one reused buffer: as fast as reading the
  // file in one go, without holding a second copy of a big table at once.
  const size_t per_read = std::max<size_t>(1, (size_t(1) << 20) / m_record_size);
  std::unique_ptr<uint8_t[]> buf(new uint8_t[per_read * m_record_size]);
  for (uint32_t first = 0; first < m_count;) {
    const size_t want = std::min<size_t>(per_read, m_count - first) * m_record_size;
    const size_t got = read_at(buf.get(), want, m_header_size + uint64_t(first) * m_record_size);
    // The file shrank under us: the complete records are what there is.
    const size_t records = got / m_record_size;
    for (size_t i = 0; i < records; ++i) {
      const uint8_t* rec = buf.get() + i * m_record_size;
      if (rec[0] != '*') sink(RowId(first + i), rec);
    }
    if (got < want) break;
    first += uint32_t(records);
  }
}

size_t DbfFile::read_at(void* data, size_t size, uint64_t offset) const {
  try {
    return m_file->read_at(data, size, offset);
  } catch (const platform::FileError& e) {
    throw_io_error(m_path, "cannot read the table", e);
  }
}

platform::FileStamp DbfFile::read_stamp() const {
  try {
    return m_file->stamp();
  } catch (const platform::FileError& e) {
    throw_io_error(m_path, "cannot read the table", e);
  }
}

void DbfFile::write_at(const void* data, size_t size, uint64_t offset, const char* what) {
  try {
    m_file->write_at(data, size, offset);
  } catch (const platform::FileError& e) {
    throw_io_error(m_path, std::string("cannot write ") + what, e);
  }
}

void DbfFile::prepare_write() {
  if (m_read_only)
    fail("the table is open read-only; changes cannot be saved", ErrorKind::ReadOnly);
  if (m_prepared) return;
  // The stale production index goes out of use before any record changes, so
  // no reader ever pairs it with changed data.
  if (m_mdx_flag) {
    const uint8_t zero = 0;
    write_at(&zero, 1, 28, "the header");
    m_mdx_flag = false;
  }
  uint8_t ymd[3];
  stamp_day(*m_clock, ymd);
  write_at(ymd, sizeof ymd, 1, "the header");
  m_prepared = true;
}

void DbfFile::update(RowId id, const uint8_t* record) {
  if (id >= m_count) fail("there is no row " + std::to_string(id) + " to change");
  prepare_write();
  write_at(record, m_record_size, m_header_size + uint64_t(id) * m_record_size, "a row");
}

RowId DbfFile::insert(const uint8_t* record) {
  if (m_count >= kNoRow - 1) fail("the table cannot hold more rows");
  prepare_write();
  // Three writes, so that no reader ever sees a live row the header does not
  // count: the record goes in marked deleted (with the 1A end byte after it),
  // then the header counts it, then its deletion flag is cleared. Killed after
  // the first write, the file holds a deleted record past the count, which
  // every reader skips and the next insert overwrites; after the second, a
  // counted deleted row, which every reader skips too.
  const uint64_t at = m_header_size + uint64_t(m_count) * m_record_size;
  const uint64_t end = at + m_record_size + 1;
  // Bytes beyond the new end are junk past the count: cut them first, so that
  // once the header counts the row nothing is left to fail.
  if (m_file_size > end) {
    try {
      m_file->truncate(end);
    } catch (const platform::FileError& e) {
      throw_io_error(m_path, "cannot cut the bytes after the last row", e);
    }
    m_file_size = end;
  }
  m_scratch.resize(m_record_size + 1);
  std::memcpy(m_scratch.data(), record, m_record_size);
  m_scratch[0] = '*';
  m_scratch[m_record_size] = kEndOfFile;
  write_at(m_scratch.data(), m_scratch.size(), at, "a new row");
  m_file_size = std::max(m_file_size, end);
  uint8_t head[7];
  stamp_day(*m_clock, head);
  put_le32(head + 3, m_count + 1);
  write_at(head, sizeof head, 1, "the header");
  // Counted now; should the last write fail, the row stays a deleted one.
  const RowId id = m_count++;
  if (record[0] != '*') write_at(record, 1, at, "a new row");
  return id;
}

void DbfFile::erase(RowId id) {
  if (id >= m_count) fail("there is no row " + std::to_string(id) + " to delete");
  prepare_write();
  const uint8_t flag = '*';
  write_at(&flag, 1, m_header_size + uint64_t(id) * m_record_size, "a deletion mark");
}

std::unique_ptr<DbfFile> DbfFile::create(const std::filesystem::path& path, const Schema& schema,
                                         const OpenOptions& options) {
  const auto refuse = [&](const std::string& problem) { throw_for(path, problem); };
  const size_t n = schema.fields.size();
  if (n == 0) refuse("a dBase table needs at least one field");
  if (n > 255) refuse("a dBase table holds at most 255 fields");
  const size_t header = 32 + n * kDescriptorSize + 1;
  std::vector<uint8_t> bytes(header + 1, 0);
  size_t record = 1;
  for (size_t i = 0; i < n; ++i) {
    const FieldDef& def = schema.fields[i];
    const std::string what = "field " + def.name;
    if (def.name.empty() || def.name.size() > 10)
      refuse(what + ": a dBase field name has 1 to 10 characters");
    for (unsigned char c : def.name)
      if (c <= ' ' || c >= 0x7F)
        refuse(what + ": a dBase field name is plain ASCII letters and digits");
    for (size_t j = 0; j < i; ++j)
      if (iequals(schema.fields[j].name, def.name)) refuse(what + " is named twice");
    char letter = 0;
    int width = def.width, decimals = 0;
    switch (def.type) {
      case FieldType::Character:
        letter = 'C';
        if (width < 1 || width > 254) refuse(what + ": a dBase text field is 1 to 254 bytes wide");
        break;
      case FieldType::Numeric:
      case FieldType::Float:
        letter = def.type == FieldType::Numeric ? 'N' : 'F';
        decimals = def.decimals;
        if (width < 1 || width > 20) refuse(what + ": a dBase number field is 1 to 20 wide");
        if (decimals < 0 || (decimals > 0 && decimals > width - 2))
          refuse(what + ": " + std::to_string(decimals) + " decimals do not fit width " +
                 std::to_string(width));
        break;
      case FieldType::Date:
        letter = 'D';
        if (width != 0 && width != 8) refuse(what + ": a dBase date is 8 wide");
        width = 8;
        break;
      case FieldType::Logical:
        letter = 'L';
        if (width != 0 && width != 1) refuse(what + ": a dBase logical is 1 wide");
        width = 1;
        break;
      default:
        refuse(what + ": dBase tables we create hold only text, number, date and logical fields");
    }
    uint8_t* d = bytes.data() + 32 + i * kDescriptorSize;
    std::memcpy(d, def.name.data(), def.name.size());
    d[11] = uint8_t(letter);
    d[16] = uint8_t(width);
    d[17] = uint8_t(decimals);
    record += size_t(width);
  }
  if (record > 0xFFFF) refuse("the fields are too wide for one dBase record");
  bytes[0] = 0x03;
  stamp_day(options.clock ? *options.clock : table_clock(), bytes.data() + 1);
  put_le32(bytes.data() + 4, 0);
  put_le16(bytes.data() + 8, uint32_t(header));
  put_le16(bytes.data() + 10, uint32_t(record));
  bytes[29] = kCodePageGbk;
  bytes[header - 1] = kTerminator;
  bytes[header] = kEndOfFile;

  // Written beside the target and renamed over it, so a failure half way
  // leaves the old file (if any) as it was.
  std::filesystem::path tmp = path;
  tmp += ".vmx-new";
  replace_file(path, tmp, bytes.data(), bytes.size());
  OpenOptions opened;
  opened.clock = options.clock;
  return open(path, opened);
}

std::unique_ptr<TableFile> open_dbf(const std::filesystem::path& path, const OpenOptions& options) {
  return DbfFile::open(path, options);
}

std::unique_ptr<TableFile> create_dbf(const std::filesystem::path& path, const Schema& schema,
                                      const OpenOptions& options) {
  return DbfFile::create(path, schema, options);
}

}  // namespace vmx::store
