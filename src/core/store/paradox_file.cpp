#include "core/store/paradox_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/store/error.h"
#include "core/store/gbk.h"

namespace vmx::store {

namespace {

// Type bytes as the header stores them.
enum : uint8_t {
  kAlpha = 0x01,
  kDate = 0x02,
  kShort = 0x03,
  kLong = 0x04,
  kCurrency = 0x05,
  kNumber = 0x06,
  kLogical = 0x09,
  kMemo = 0x0C,
  kBlob = 0x0D,
  kFmtMemo = 0x0E,
  kOle = 0x0F,
  kGraphic = 0x10,
  kTime = 0x14,
  kTimestamp = 0x15,
  kAutoInc = 0x16,
  kBcd = 0x17,
  kBytes = 0x18,
};

constexpr uint32_t kHeaderUnit = 0x800;
constexpr size_t kBlockHead = 6;
constexpr size_t kFixedHeader = 0x58;
constexpr int kCreateBlockKiB = 4;
constexpr int64_t kMsPerDay = 86400000;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

uint64_t be(const uint8_t* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}
void put_be(uint8_t* p, size_t n, uint64_t v) {
  for (size_t i = n; i-- > 0;) {
    p[i] = uint8_t(v);
    v >>= 8;
  }
}

// Integers are stored big-endian with the sign bit inverted, so that the bytes
// sort like the numbers and zero bytes stay free to mean blank.
int64_t get_flip(const uint8_t* p, size_t n) {
  const uint64_t top = uint64_t(1) << (8 * n - 1);
  const uint64_t raw = be(p, n) ^ top;
  return (raw & top) ? int64_t(raw) - int64_t(top << 1) : int64_t(raw);
}
void put_flip(uint8_t* p, size_t n, int64_t v) {
  const uint64_t top = uint64_t(1) << (8 * n - 1);
  const uint64_t mask = (top << 1) - 1;
  put_be(p, n, (uint64_t(v) & mask) ^ top);
}

double get_double(const uint8_t* p) {
  uint64_t u = be(p, 8);
  const uint64_t top = uint64_t(1) << 63;
  u = (u & top) ? (u & ~top) : ~u;
  return std::bit_cast<double>(u);
}
void put_double(uint8_t* p, double d) {
  if (d == 0) d = 0;  // no negative zero: it would sort below zero
  uint64_t u = std::bit_cast<uint64_t>(d);
  const uint64_t top = uint64_t(1) << 63;
  u = (u & top) ? ~u : (u | top);
  put_be(p, 8, u);
}

bool all_zero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

std::string_view trim_text(const uint8_t* p, size_t n) {
  // A C string inside the field: some writers leave junk after the first NUL.
  size_t len = 0;
  while (len < n && p[len] != 0) ++len;
  while (len > 0 && p[len - 1] == ' ') --len;
  return {reinterpret_cast<const char*>(p), len};
}

// Paradox BCD: 17 bytes, 32 digit nibbles after a sign-and-precision byte; a
// negative number has every nibble inverted. Null when a digit is not a digit.
Value decode_bcd(const uint8_t* p, int decimals) {
  if (decimals < 0 || decimals > 32) return Value::null();
  const bool negative = !(p[0] & 0x80);
  std::string text = negative ? "-" : "";
  for (int i = 2; i < 34; ++i) {
    int nibble = (i % 2) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4);
    if (negative) nibble ^= 0x0F;
    if (nibble > 9) return Value::null();
    if (i == 34 - decimals) text += '.';
    text += char('0' + nibble);
  }
  return Value::number(std::strtod(text.c_str(), nullptr));
}

FieldType field_type_of(uint8_t t) {
  switch (t) {
    case kAlpha:
      return FieldType::Character;
    case kDate:
      return FieldType::Date;
    case kShort:
      return FieldType::Short;
    case kLong:
      return FieldType::Long;
    case kCurrency:
      return FieldType::Currency;
    case kNumber:
      return FieldType::Number;
    case kLogical:
      return FieldType::Logical;
    case kMemo:
    case kFmtMemo:
      return FieldType::Memo;
    case kBlob:
    case kOle:
    case kGraphic:
      return FieldType::Blob;
    case kTime:
      return FieldType::Time;
    case kTimestamp:
      return FieldType::Timestamp;
    case kAutoInc:
      return FieldType::AutoInc;
    case kBcd:
      return FieldType::Bcd;
    case kBytes:
      return FieldType::Bytes;
    default:
      return FieldType::Bytes;
  }
}

bool read_only_type(uint8_t t) { return (t >= kMemo && t <= kGraphic) || t == kBcd || t == kBytes; }

bool known_type(uint8_t t) {
  return (t >= kAlpha && t <= kNumber) || t == kLogical || (t >= kMemo && t <= kGraphic) ||
         (t >= kTime && t <= kBytes);
}

// Width the type requires, or 0 when the header's size byte decides.
int fixed_width(uint8_t t) {
  switch (t) {
    case kDate:
    case kLong:
    case kTime:
    case kAutoInc:
      return 4;
    case kShort:
      return 2;
    case kCurrency:
    case kNumber:
    case kTimestamp:
      return 8;
    case kLogical:
      return 1;
    case kBcd:
      return 17;
    default:
      return 0;
  }
}

// A sibling file named `stem.ext` in any letter case (files copied from
// Windows keep whatever case they had there).
std::vector<std::filesystem::path> siblings_named(const std::filesystem::path& path,
                                                  std::string_view ext) {
  std::vector<std::filesystem::path> out;
  const std::string want = path.stem().string() + std::string(ext);
  std::error_code ec;
  const auto dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (iequals(it->path().filename().string(), want)) out.push_back(it->path());
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Opening

ParadoxFile::ParadoxFile(const std::filesystem::path& path, const OpenOptions& options)
    : m_path(path), m_read_only(options.read_only) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) fail("file not found", ErrorKind::FileMissing, ENOENT);
  if (std::filesystem::is_directory(path, ec)) fail("is a directory, not a table");

  platform::FileSystem& fs = platform::file_system();
  try {
    if (!m_read_only) {
      try {
        m_file = fs.open(path, platform::OpenMode::ReadWrite);
      } catch (const platform::FileError&) {
        m_read_only = true;
      }
    }
    if (!m_file) m_file = fs.open(path, platform::OpenMode::Read);
  } catch (const platform::FileError& e) {
    throw_io_error(path, "cannot open the table", e);
  }
  read_whole();
  m_px_stale_pending = m_keysize > 0 && !siblings_named(m_path, ".px").empty();
}

void ParadoxFile::read_whole() {
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(size_t(m_file->stamp().size));
    if (m_file->read_at(bytes.data(), bytes.size(), 0) < bytes.size())
      fail("cannot read the file (it ends early)");
  } catch (const platform::FileError& e) {
    throw_io_error(m_path, "cannot read the table", e);
  }
  m_schema = Schema{};
  m_types.clear();
  m_offsets.clear();
  m_keysize = 0;
  m_blocks.clear();
  m_chain.clear();
  m_locs.clear();
  m_free.clear();
  m_max_autoinc = 0;
  m_last_inserted.clear();
  parse_header(bytes, bytes.size());
  parse_chain(bytes, bytes.size());
  m_loaded = std::move(bytes);
}

void ParadoxFile::reread() {
  const Schema before = m_schema;
  read_whole();
  if (!same_layout(before, m_schema))
    fail("another program changed the table's fields; open the table again");
}

void ParadoxFile::renumber(const std::vector<RowId>& to) {
  RowId top = 0;
  for (RowId id : to) top = std::max(top, id + 1);
  std::vector<Loc> locs(top);
  for (size_t old = 0; old < m_locs.size(); ++old)
    if (m_locs[old].block) locs[to[old]] = m_locs[old];
  m_locs = std::move(locs);
  for (Block& b : m_blocks)
    for (RowId& id : b.ids) id = to[id];
}

ParadoxFile::~ParadoxFile() = default;

void ParadoxFile::fail(const std::string& problem, ErrorKind kind, int os_error) const {
  ErrorDetails d;
  d.file = m_path.string();
  d.os_error = os_error;
  if (kind == ErrorKind::Damaged) d.items.push_back(problem);
  throw Error(kind, std::move(d), "Paradox table " + m_path.string() + ": " + problem);
}

void ParadoxFile::parse_header(const std::vector<uint8_t>& b, uint64_t file_size) {
  if (file_size < kFixedHeader)
    fail("the file is too short to be a table (damaged)", ErrorKind::Damaged);
  const uint8_t* h = b.data();
  const uint8_t file_type = h[0x04];
  const int block_kib = h[0x05];
  m_version = h[0x39];
  m_recsize = le16(h);
  m_header_size = le16(h + 0x02);

  if (file_type > 8)
    fail("unknown file type " + std::to_string(file_type) + " (damaged)", ErrorKind::Damaged);
  if (file_type != 0 && file_type != 2) fail("this is an index file, not a table");
  if (m_version < 3 || m_version > 15)
    fail("unknown file version " + std::to_string(m_version) + " (damaged)", ErrorKind::Damaged);
  if (block_kib < 1 || block_kib > 32)
    fail("block size code " + std::to_string(block_kib) + " is out of range (damaged)",
         ErrorKind::Damaged);
  if (m_recsize == 0) fail("record size is zero (damaged)", ErrorKind::Damaged);
  if (m_header_size == 0 || m_header_size % kHeaderUnit != 0)
    fail("header size " + std::to_string(m_header_size) + " is not valid (damaged)",
         ErrorKind::Damaged);
  if (m_header_size > file_size)
    fail("the header runs past the end of the file (truncated)", ErrorKind::Damaged);
  m_block_size = uint32_t(block_kib) * 1024;
  if (m_recsize > m_block_size - kBlockHead)
    fail("records are larger than a block (damaged)", ErrorKind::Damaged);
  m_capacity = (m_block_size - kBlockHead) / m_recsize;

  const bool data_header = m_version >= 5;  // levels 4 and later carry 0x58..0x77
  uint32_t key1 = le32(h + 0x25);
  if (key1 == 0xFF00FF00u) key1 = data_header ? le32(h + 0x5C) : 0;
  if (key1 != 0)
    fail("the table is encrypted (password protected); it cannot be read", ErrorKind::Damaged);
  if (data_header) m_code_page = le16(h + 0x6A);

  const int nfields = le16(h + 0x21);
  int nkeys = le16(h + 0x23);
  if (nfields == 0 || nfields > 255)
    fail("field count " + std::to_string(nfields) + " is not valid (damaged)", ErrorKind::Damaged);
  if (nkeys > nfields) fail("more key fields than fields (damaged)", ErrorKind::Damaged);
  if (file_type != 0) nkeys = 0;

  size_t pos = data_header ? 0x78 : kFixedHeader;
  const size_t end = m_header_size;
  auto need = [&](size_t n) {
    if (pos + n > end) fail("the field list runs past the header (damaged)", ErrorKind::Damaged);
  };
  need(size_t(nfields) * 2);
  size_t sum = 0;
  m_schema.fields.resize(size_t(nfields));
  for (int i = 0; i < nfields; ++i, pos += 2) {
    const uint8_t t = h[pos];
    const uint8_t size = h[pos + 1];
    if (!known_type(t))
      fail("field " + std::to_string(i + 1) + " has unknown type " + std::to_string(t));
    int width = fixed_width(t) ? fixed_width(t) : size;
    if (fixed_width(t) && t != kBcd && size != width)
      fail("field " + std::to_string(i + 1) + " has the wrong size for its type (damaged)",
           ErrorKind::Damaged);
    if (width == 0)
      fail("field " + std::to_string(i + 1) + " has size zero (damaged)", ErrorKind::Damaged);
    if ((t >= kMemo && t <= kGraphic) && width < 11)
      fail("memo field " + std::to_string(i + 1) + " is too short (damaged)", ErrorKind::Damaged);
    FieldDef& f = m_schema.fields[size_t(i)];
    f.type = field_type_of(t);
    f.width = width;
    f.decimals = t == kBcd ? size : 0;
    m_types.push_back(t);
    m_offsets.push_back(sum);
    sum += size_t(width);
  }
  if (sum != m_recsize)
    fail("record size " + std::to_string(m_recsize) + " differs from the fields' total " +
             std::to_string(sum) + " (damaged)",
         ErrorKind::Damaged);
  m_schema.key_fields = nkeys;
  for (int i = 0; i < nkeys; ++i) m_keysize += size_t(m_schema.fields[size_t(i)].width);

  // Table name pointer, one name pointer per field, the table name.
  const size_t table_name = m_version >= 12 ? 261 : 79;
  need(4 + size_t(nfields) * 4 + table_name);
  pos += 4 + size_t(nfields) * 4 + table_name;
  for (auto& f : m_schema.fields) {
    size_t n = 0;
    while (pos + n < end && h[pos + n] != 0) ++n;
    if (pos + n >= end) fail("the field names run past the header (damaged)", ErrorKind::Damaged);
    f.name = gbk_to_utf8(std::string_view(reinterpret_cast<const char*>(h + pos), n));
    pos += n + 1;
  }
  m_header.assign(h, h + kFixedHeader);
  m_rows = 0;
}

void ParadoxFile::parse_chain(const std::vector<uint8_t>& b, uint64_t file_size) {
  const uint64_t data = file_size - m_header_size;
  const uint32_t whole = uint32_t(std::min<uint64_t>(data / m_block_size, 0xFFFF));
  const uint32_t partial =
      uint32_t(std::min<uint64_t>((data + m_block_size - 1) / m_block_size, 0xFFFF));
  // A header that claims blocks the file does not hold, or ends its chain
  // outside the file, was not written by a writer that kept it consistent.
  const uint32_t claimed = le16(b.data() + 0x0C), last_block = le16(b.data() + 0x10);
  if (claimed > partial)
    fail("the header counts " + std::to_string(claimed) + " blocks, the file holds only " +
             std::to_string(partial) + " (damaged)",
         ErrorKind::Damaged);
  if (last_block > whole)
    fail("the last block " + std::to_string(last_block) + " lies outside the file (damaged)",
         ErrorKind::Damaged);
  // New blocks go after everything that is in the file or that the header
  // claims, so a block left behind by an interrupted split is never reused.
  m_file_blocks = std::max<uint32_t>(partial, claimed);
  m_blocks.assign(size_t(m_file_blocks) + 1, Block{});

  uint32_t block = le16(b.data() + 0x0E);
  std::vector<bool> seen(size_t(m_file_blocks) + 1, false);
  const int64_t rs = int64_t(m_recsize);
  std::vector<size_t> autoinc;
  for (size_t f = 0; f < m_types.size(); ++f)
    if (m_types[f] == kAutoInc) autoinc.push_back(m_offsets[f]);
  m_locs.reserve(size_t(std::min<uint64_t>(le32(b.data() + 0x06), data / m_recsize)));
  while (block != 0) {
    if (block > whole)
      fail("the block chain points to block " + std::to_string(block) +
               ", past the end of the file (truncated or damaged)",
           ErrorKind::Damaged);
    if (seen[block])
      fail("the block chain loops back to block " + std::to_string(block) + " (damaged)",
           ErrorKind::Damaged);
    seen[block] = true;
    const uint8_t* p = b.data() + block_pos(uint16_t(block));
    const int64_t last = int16_t(le16(p + 4));
    if (last < -rs || last % rs != 0 || last / rs + 1 > int64_t(m_capacity))
      fail("block " + std::to_string(block) + " claims more records than it can hold (damaged)",
           ErrorKind::Damaged);
    const size_t count = size_t(last / rs + 1);
    Block& blk = m_blocks[block];
    blk.next = le16(p);
    blk.prev = le16(p + 2);
    for (size_t s = 0; s < count; ++s) {
      const RowId id = RowId(m_locs.size());
      m_locs.push_back(Loc{uint16_t(block), uint16_t(s)});
      blk.ids.push_back(id);
      const uint8_t* rec = p + kBlockHead + s * m_recsize;
      for (size_t off : autoinc)
        if (!all_zero(rec + off, 4))
          m_max_autoinc = std::max(m_max_autoinc, get_flip(rec + off, 4));
    }
    if (m_keysize && count)
      blk.first_key.assign(reinterpret_cast<const char*>(p + kBlockHead), m_keysize);
    m_chain.push_back(uint16_t(block));
    m_rows += uint32_t(count);
    block = blk.next;
  }
}

uint64_t ParadoxFile::block_pos(uint16_t block) const {
  return uint64_t(m_header_size) + uint64_t(block - 1) * m_block_size;
}

// ---------------------------------------------------------------------------
// Reading rows

void ParadoxFile::load(const std::function<void(RowId, const uint8_t* record)>& sink) {
  // The first load uses the bytes read at open; a later one reads block by block.
  std::vector<uint8_t> buf;
  for (uint16_t block : m_chain) {
    const uint8_t* p;
    if (!m_loaded.empty()) {
      p = m_loaded.data() + block_pos(block) + kBlockHead;
    } else {
      buf = read_block(block);
      p = buf.data() + kBlockHead;
    }
    const auto& ids = m_blocks[block].ids;
    for (size_t s = 0; s < ids.size(); ++s) sink(ids[s], p + s * m_recsize);
  }
  std::vector<uint8_t>().swap(m_loaded);
}

Value ParadoxFile::get(const uint8_t* record, int field) const {
  check_field(field);
  const uint8_t* p = record + m_offsets[size_t(field)];
  const size_t w = size_t(m_schema.fields[size_t(field)].width);
  if (all_zero(p, w)) return Value::null();
  switch (m_types[size_t(field)]) {
    case kAlpha:
      return Value::text(gbk_to_utf8(trim_text(p, w)));
    case kDate:
      return Value::date(Date::from_serial(int32_t(get_flip(p, 4))));
    case kShort:
      return Value::integer(get_flip(p, 2));
    case kLong:
    case kAutoInc:
      return Value::integer(get_flip(p, 4));
    case kCurrency:
    case kNumber:
      return Value::number(get_double(p));
    case kLogical:
      return Value::boolean(p[0] != 0x80);
    case kTime:
      return Value::time(int32_t(get_flip(p, 4)));
    case kTimestamp: {
      const double v = get_double(p);
      if (!std::isfinite(v) || v < 0 || v > 1e17) return Value::null();
      const auto total = int64_t(v);
      return Value::timestamp(Date::from_serial(int32_t(total / kMsPerDay)),
                              int32_t(total % kMsPerDay));
    }
    case kMemo:
    case kFmtMemo: {
      // The leader holds the start of the text; the last 10 bytes say where the
      // rest lives in the .MB file and how long the whole text is.
      const size_t leader = w - 10;
      const uint32_t len = le32(p + leader + 4);
      if (len > leader) return Value::null();
      return Value::text(gbk_to_utf8(trim_text(p, len)));
    }
    case kBcd:
      return decode_bcd(p, m_schema.fields[size_t(field)].decimals);
    default:
      return Value::null();
  }
}

std::string_view ParadoxFile::raw_text(const uint8_t* record, int field) const {
  check_field(field);
  if (m_types[size_t(field)] != kAlpha) return {};
  return trim_text(record + m_offsets[size_t(field)], size_t(m_schema.fields[size_t(field)].width));
}

bool ParadoxFile::is_blank(const uint8_t* record, int field) const {
  check_field(field);
  return all_zero(record + m_offsets[size_t(field)], size_t(m_schema.fields[size_t(field)].width));
}

void ParadoxFile::blank_record(uint8_t* record) const { std::memset(record, 0, m_recsize); }

void ParadoxFile::check_field(int field) const {
  if (field < 0 || size_t(field) >= m_types.size())
    fail("there is no field number " + std::to_string(field));
}

void ParadoxFile::set(uint8_t* record, int field, const Value& v) const {
  check_field(field);
  const FieldDef& f = m_schema.fields[size_t(field)];
  const size_t w = size_t(f.width);
  uint8_t out[32] = {};
  std::string text;  // alpha only
  const uint8_t t = m_types[size_t(field)];
  auto refuse = [&](const std::string& why) {
    ErrorDetails d;
    d.file = m_path.string();
    d.field = f.name;
    d.text = v.as_string();
    throw Error(ErrorKind::DoesNotFit, std::move(d),
                "Paradox table " + m_path.string() + ": field " + f.name + ": " + why);
  };
  auto integral = [&](int64_t lo, int64_t hi) -> int64_t {
    double d = v.as_number();
    if (v.kind() == Value::Kind::Integer) {
      if (v.i64() < lo || v.i64() > hi) refuse(std::to_string(v.i64()) + " does not fit");
      return v.i64();
    }
    if (!std::isfinite(d)) refuse("not a number");
    d = std::round(d);  // half away from zero: money must not lose a unit by truncation
    if (d < double(lo) || d > double(hi)) refuse(format_number(d) + " does not fit");
    return int64_t(d);
  };

  if (read_only_type(t)) refuse("this kind of field cannot be written");
  try {
    if (!v.is_null()) {
      switch (t) {
        case kAlpha:
          text = std::string(gbk_cut(utf8_to_gbk(v.as_string()), w));
          break;
        case kShort:
          put_flip(out, 2, integral(-32767, 32767));
          break;
        case kLong:
        case kAutoInc:
          put_flip(out, 4, integral(-2147483647LL, 2147483647LL));
          break;
        case kCurrency:
        case kNumber: {
          const double d = v.as_number();
          if (!std::isfinite(d)) refuse("not a number");
          put_double(out, d);
          break;
        }
        case kDate: {
          const Date d = v.as_date();
          if (d.serial() == INT32_MIN) refuse("date out of range");
          put_flip(out, 4, d.serial());
          break;
        }
        case kTime: {
          const bool clock = v.kind() == Value::Kind::Time || v.kind() == Value::Kind::Timestamp;
          const int64_t ms = clock ? v.as_time() : v.as_integer();
          if (ms < 0 || ms >= kMsPerDay) refuse("time of day out of range");
          put_flip(out, 4, ms);
          break;
        }
        case kTimestamp: {
          const Date d = v.as_date();
          const int32_t ms = v.kind() == Value::Kind::Timestamp ? v.ms() : 0;
          if (d.serial() < 0 || ms < 0 || ms >= kMsPerDay) refuse("timestamp out of range");
          put_double(out, double(d.serial()) * double(kMsPerDay) + double(ms));
          break;
        }
        case kLogical:
          out[0] = v.as_bool() ? 0x81 : 0x80;
          break;
        default:
          refuse("this kind of field cannot be written");
      }
    }
  } catch (const ConversionError& e) {
    ErrorDetails d = e.details();
    d.file = m_path.string();
    d.field = f.name;
    throw ConversionError(
        e.kind(), std::move(d),
        "Paradox table " + m_path.string() + ": field " + f.name + ": " + e.what());
  }
  // Everything is checked: now the buffer changes.
  uint8_t* p = record + m_offsets[size_t(field)];
  std::memset(p, 0, w);
  if (t == kAlpha)
    std::memcpy(p, text.data(), text.size());
  else if (!v.is_null())
    std::memcpy(p, out, w);
}

// ---------------------------------------------------------------------------
// Writing

void ParadoxFile::begin_write() {
  if (m_read_only) fail("the table is read-only; the change was not saved", ErrorKind::ReadOnly);
  std::vector<uint8_t>().swap(m_loaded);  // would go stale
}

std::vector<uint8_t> ParadoxFile::read_block(uint16_t block) const {
  std::vector<uint8_t> buf(m_block_size, 0);
  try {
    m_file->read_at(buf.data(), buf.size(), block_pos(block));  // a short last block reads as zeros
  } catch (const platform::FileError& e) {
    throw_io_error(m_path, "cannot read block " + std::to_string(block), e);
  }
  return buf;
}

void ParadoxFile::write_at(uint64_t pos, const void* data, size_t len) {
  try {
    m_file->write_at(data, len, pos);
  } catch (const platform::FileError& e) {
    throw_io_error(m_path, "cannot write to the table", e);
  }
}

void ParadoxFile::write_block(uint16_t block, const std::vector<uint8_t>& bytes) {
  write_at(block_pos(block), bytes.data(), bytes.size());
}

void ParadoxFile::note_change() {
  if (!m_px_stale_pending) return;
  put16(m_header.data() + 0x12, le16(m_header.data() + 0x12) + 1u);
  m_px_stale_pending = false;
}

void ParadoxFile::write_header() {
  uint8_t* h = m_header.data();
  put32(h + 0x06, m_rows);
  put16(h + 0x0A, uint32_t(m_chain.size()));
  put16(h + 0x0C, m_file_blocks);
  put16(h + 0x0E, m_chain.empty() ? 0 : m_chain.front());
  put16(h + 0x10, m_chain.empty() ? 0 : m_chain.back());
  put16(h + 0x3A, m_file_blocks);
  write_at(0, h, m_header.size());
}

uint16_t ParadoxFile::new_block_number() const {
  if (!m_free.empty()) return m_free.back();
  if (m_file_blocks >= 0xFFFF) fail("the table is full (65535 blocks)");
  return uint16_t(m_file_blocks + 1);
}

void ParadoxFile::claim_block(uint16_t n) {
  if (!m_free.empty() && m_free.back() == n)
    m_free.pop_back();
  else
    m_file_blocks = n;
}

// Takes an emptied block out of the chain. Readers that count records block by
// block (pxlib among them) misread a chain holding an empty block. Unlinking is
// what removes the block's last row: one two-byte write in the block before it
// (or the header's first-block field, written by the caller).
void ParadoxFile::unlink_block(uint16_t bn) {
  const auto at = std::find(m_chain.begin(), m_chain.end(), bn);
  const size_t i = size_t(at - m_chain.begin());
  const uint16_t prev = i > 0 ? m_chain[i - 1] : 0;
  const uint16_t next = i + 1 < m_chain.size() ? m_chain[i + 1] : 0;
  uint8_t link[2];
  if (prev) {
    put16(link, next);
    write_at(block_pos(prev), link, 2);
    m_blocks[prev].next = next;
  }
  if (next) {
    put16(link, prev);
    write_at(block_pos(next) + 2, link, 2);
    m_blocks[next].prev = prev;
  }
  m_chain.erase(at);
  m_blocks[bn] = Block{};
  // Reused in this session only: the file's own free list is not ours to edit.
  m_free.push_back(bn);
}

// Writes the block header for `count` records and the chain links of `b`.
void ParadoxFile::set_block_rows(std::vector<uint8_t>& buf, const Block& b, size_t count) const {
  put16(buf.data(), b.next);
  put16(buf.data() + 2, b.prev);
  put16(buf.data() + 4, uint32_t((int64_t(count) - 1) * int64_t(m_recsize)));
}

void ParadoxFile::refresh_first_key(Block& b, const std::vector<uint8_t>& buf) {
  if (!m_keysize) return;
  if (b.ids.empty())
    b.first_key.clear();
  else
    b.first_key.assign(reinterpret_cast<const char*>(buf.data() + kBlockHead), m_keysize);
}

void ParadoxFile::assign_autoinc(uint8_t* record) {
  for (size_t f = 0; f < m_types.size(); ++f) {
    if (m_types[f] != kAutoInc || !all_zero(record + m_offsets[f], 4)) continue;
    // The header keeps the next number; taking the larger of it and what the
    // rows hold keeps numbers unique even when another writer left it behind.
    int64_t next = std::max<int64_t>({int64_t(le32(m_header.data() + 0x49)), m_max_autoinc + 1, 1});
    if (next > 2147483647) fail("the autoincrement numbers are used up");
    put_flip(record + m_offsets[f], 4, next);
  }
}

RowId ParadoxFile::insert(const uint8_t* record) {
  begin_write();
  std::vector<uint8_t> rec(record, record + m_recsize);
  assign_autoinc(rec.data());
  if (m_locs.size() >= kNoRow) fail("too many rows");
  const RowId id = RowId(m_locs.size());
  m_locs.push_back(Loc{});
  try {
    insert_row(rec.data(), id);
  } catch (...) {
    m_locs.pop_back();
    throw;
  }
  for (size_t f = 0; f < m_types.size(); ++f) {
    if (m_types[f] != kAutoInc) continue;
    const int64_t v = get_flip(rec.data() + m_offsets[f], 4);
    if (v > m_max_autoinc) m_max_autoinc = v;
    if (v + 1 > int64_t(le32(m_header.data() + 0x49)))
      put32(m_header.data() + 0x49, uint32_t(v + 1));
  }
  m_last_inserted = std::move(rec);
  ++m_rows;
  note_change();
  write_header();
  return id;
}

void ParadoxFile::fill_assigned(uint8_t* record) const {
  if (m_last_inserted.size() != m_recsize) return;
  for (size_t f = 0; f < m_types.size(); ++f)
    if (m_types[f] == kAutoInc)
      std::memcpy(record + m_offsets[f], &m_last_inserted[m_offsets[f]], 4);
}

void ParadoxFile::insert_row(const uint8_t* record, RowId id) {
  if (m_chain.empty()) return append_first_block(record, id);
  if (m_keysize)
    insert_keyed(record, id);
  else
    insert_unkeyed(record, id);
}

void ParadoxFile::append_first_block(const uint8_t* record, RowId id) {
  const uint16_t n = new_block_number();
  std::vector<uint8_t> buf(m_block_size, 0);
  Block b;
  b.ids.push_back(id);
  set_block_rows(buf, b, 1);
  std::memcpy(buf.data() + kBlockHead, record, m_recsize);
  write_block(n, buf);
  claim_block(n);
  if (m_blocks.size() <= n) m_blocks.resize(size_t(n) + 1);
  refresh_first_key(b, buf);
  m_blocks[n] = std::move(b);
  m_chain.push_back(n);
  m_locs[id] = Loc{n, 0};
}

void ParadoxFile::insert_unkeyed(const uint8_t* record, RowId id) {
  const uint16_t last = m_chain.back();
  Block& b = m_blocks[last];
  const size_t count = b.ids.size();
  if (count < m_capacity) {
    // The record first, then the count that makes it visible.
    write_at(block_pos(last) + kBlockHead + count * m_recsize, record, m_recsize);
    uint8_t off[2];
    put16(off, uint32_t(int64_t(count) * int64_t(m_recsize)));
    write_at(block_pos(last) + 4, off, 2);
    b.ids.push_back(id);
    m_locs[id] = Loc{last, uint16_t(count)};
    if (m_keysize && count == 0)
      b.first_key.assign(reinterpret_cast<const char*>(record), m_keysize);
    return;
  }
  const uint16_t n = new_block_number();
  std::vector<uint8_t> buf(m_block_size, 0);
  Block nb;
  nb.prev = last;
  nb.ids.push_back(id);
  set_block_rows(buf, nb, 1);
  std::memcpy(buf.data() + kBlockHead, record, m_recsize);
  write_block(n, buf);  // unreachable until the old last block points to it
  uint8_t link[2];
  put16(link, n);
  write_at(block_pos(last), link, 2);
  claim_block(n);
  if (m_blocks.size() <= n) m_blocks.resize(size_t(n) + 1);
  m_blocks[last].next = n;
  m_blocks[n] = std::move(nb);
  m_chain.push_back(n);
  m_locs[id] = Loc{n, 0};
}

// The chain position whose block should take `key`: the last non-empty block
// whose first key is not above it, else the first non-empty block, else the
// first block.
size_t ParadoxFile::find_block_for(std::string_view key) const {
  auto non_empty_at_or_before = [&](size_t i) -> std::ptrdiff_t {
    for (std::ptrdiff_t j = std::ptrdiff_t(i); j >= 0; --j)
      if (!m_blocks[m_chain[size_t(j)]].ids.empty()) return j;
    return -1;
  };
  // Binary search for the first block whose first key is above `key`, looking
  // through empty blocks to their nearest non-empty predecessor.
  size_t lo = 0, hi = m_chain.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const std::ptrdiff_t j = non_empty_at_or_before(mid);
    if (j < 0 || m_blocks[m_chain[size_t(j)]].first_key <= key)
      lo = mid + 1;
    else
      hi = mid;
  }
  const std::ptrdiff_t j = lo == 0 ? -1 : non_empty_at_or_before(lo - 1);
  if (j >= 0) return size_t(j);
  for (size_t i = 0; i < m_chain.size(); ++i)
    if (!m_blocks[m_chain[i]].ids.empty()) return i;
  return 0;
}

void ParadoxFile::insert_keyed(const uint8_t* record, RowId id) {
  const std::string_view key(reinterpret_cast<const char*>(record), m_keysize);
  const size_t ci = find_block_for(key);
  const uint16_t bn = m_chain[ci];
  Block& b = m_blocks[bn];
  std::vector<uint8_t> buf = read_block(bn);
  const size_t count = b.ids.size();
  auto key_at = [&](size_t s) {
    return std::string_view(reinterpret_cast<const char*>(buf.data() + kBlockHead + s * m_recsize),
                            m_keysize);
  };
  size_t lo = 0, hi = count;
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (key_at(mid) < key)
      lo = mid + 1;
    else
      hi = mid;
  }
  const size_t p = lo;
  if (p < count && key_at(p) == key)
    fail("key violation: a row with the same key is already in the table", ErrorKind::KeyViolation);

  // The block's records with the new one in place, in memory.
  std::vector<uint8_t> rows(buf.begin() + kBlockHead,
                            buf.begin() + std::ptrdiff_t(kBlockHead + count * m_recsize));
  rows.insert(rows.begin() + std::ptrdiff_t(p * m_recsize), record, record + m_recsize);
  std::vector<RowId> ids = b.ids;
  ids.insert(ids.begin() + std::ptrdiff_t(p), id);

  if (count < m_capacity) {
    std::fill(buf.begin() + kBlockHead, buf.end(), 0);
    std::copy(rows.begin(), rows.end(), buf.begin() + kBlockHead);
    set_block_rows(buf, b, ids.size());
    write_block(bn, buf);  // one write: a shifted block never shows half-moved rows
    b.ids = std::move(ids);
    for (size_t s = p; s < b.ids.size(); ++s) m_locs[b.ids[s]] = Loc{bn, uint16_t(s)};
    refresh_first_key(b, buf);
    return;
  }

  // Split. Appending past the last key (the common case of ascending keys)
  // leaves the old block full and starts a new one; otherwise halve.
  const size_t keep = (p == count) ? count : (count + 1) / 2;
  const uint16_t n = new_block_number();
  Block nb;
  nb.prev = bn;
  nb.next = b.next;
  nb.ids.assign(ids.begin() + std::ptrdiff_t(keep), ids.end());
  std::vector<uint8_t> nbuf(m_block_size, 0);
  std::copy(rows.begin() + std::ptrdiff_t(keep * m_recsize), rows.end(), nbuf.begin() + kBlockHead);
  set_block_rows(nbuf, nb, nb.ids.size());
  // Order: the new block (unreachable yet), then the old block pointing to it,
  // then the back link of the block after. Each step leaves a chain that
  // holds every row exactly once.
  write_block(n, nbuf);
  claim_block(n);
  if (m_blocks.size() <= n) m_blocks.resize(size_t(n) + 1);
  Block& old = m_blocks[bn];  // resize may have moved it
  const uint16_t after = old.next;
  old.next = n;
  ids.resize(keep);
  std::fill(buf.begin() + kBlockHead, buf.end(), 0);
  std::copy(rows.begin(), rows.begin() + std::ptrdiff_t(keep * m_recsize),
            buf.begin() + kBlockHead);
  set_block_rows(buf, old, keep);
  write_block(bn, buf);
  if (after) {
    uint8_t link[2];
    put16(link, n);
    write_at(block_pos(after) + 2, link, 2);
    m_blocks[after].prev = n;
  }
  old.ids = std::move(ids);
  refresh_first_key(old, buf);
  refresh_first_key(nb, nbuf);
  for (size_t s = 0; s < old.ids.size(); ++s) m_locs[old.ids[s]] = Loc{bn, uint16_t(s)};
  for (size_t s = 0; s < nb.ids.size(); ++s) m_locs[nb.ids[s]] = Loc{n, uint16_t(s)};
  m_blocks[n] = std::move(nb);
  m_chain.insert(m_chain.begin() + std::ptrdiff_t(ci + 1), n);
}

void ParadoxFile::erase_row(RowId id) {
  const Loc loc = m_locs[id];
  Block& b = m_blocks[loc.block];
  m_locs[id] = Loc{};
  if (b.ids.size() == 1) return unlink_block(loc.block);
  std::vector<uint8_t> buf = read_block(loc.block);
  const size_t count = b.ids.size();
  uint8_t* base = buf.data() + kBlockHead;
  std::memmove(base + loc.slot * m_recsize, base + (loc.slot + 1) * m_recsize,
               (count - loc.slot - 1) * m_recsize);
  std::memset(base + (count - 1) * m_recsize, 0, m_recsize);
  set_block_rows(buf, b, count - 1);
  write_block(loc.block, buf);
  b.ids.erase(b.ids.begin() + loc.slot);
  for (size_t s = loc.slot; s < b.ids.size(); ++s) m_locs[b.ids[s]] = Loc{loc.block, uint16_t(s)};
  refresh_first_key(b, buf);
}

void ParadoxFile::erase(RowId id) {
  begin_write();
  if (id >= m_locs.size() || m_locs[id].block == 0) fail("no row " + std::to_string(id));
  erase_row(id);
  --m_rows;
  note_change();
  write_header();
}

void ParadoxFile::update(RowId id, const uint8_t* record) {
  begin_write();
  if (id >= m_locs.size() || m_locs[id].block == 0) fail("no row " + std::to_string(id));
  const Loc loc = m_locs[id];
  const uint64_t pos = block_pos(loc.block) + kBlockHead + loc.slot * m_recsize;
  if (m_keysize) {
    std::string old(m_keysize, '\0');
    const std::vector<uint8_t> buf = read_block(loc.block);
    std::memcpy(old.data(), buf.data() + kBlockHead + loc.slot * m_recsize, m_keysize);
    if (std::memcmp(old.data(), record, m_keysize) != 0) {
      // New place first, old place second: a crash in between leaves the row
      // twice (visible, repairable) rather than not at all. Then the row takes
      // over the temporary id of its new copy.
      const RowId tmp = RowId(m_locs.size());
      m_locs.push_back(Loc{});
      try {
        insert_keyed(record, tmp);
      } catch (...) {
        m_locs.pop_back();
        throw;
      }
      erase_row(id);
      const Loc now = m_locs[tmp];
      m_blocks[now.block].ids[now.slot] = id;
      m_locs[id] = now;
      m_locs.pop_back();
      note_change();
      write_header();
      return;
    }
  }
  write_at(pos, record, m_recsize);
  note_change();
  write_header();
}

// ---------------------------------------------------------------------------
// Creating

void ParadoxFile::create(const std::filesystem::path& path, const Schema& schema) {
  platform::FileSystem& fs = platform::file_system();
  const std::string where = "Paradox table " + path.string() + ": ";
  auto refuse = [&](const std::string& why) { throw Error(where + why); };
  const size_t n = schema.fields.size();
  if (n == 0 || n > 255) refuse("a table needs 1 to 255 fields");
  if (schema.key_fields < 0 || size_t(schema.key_fields) > n) refuse("more key fields than fields");

  std::vector<std::pair<uint8_t, uint8_t>> layout;
  std::vector<std::string> names;
  size_t recsize = 0;
  for (const FieldDef& f : schema.fields) {
    uint8_t t = 0;
    int w = 0;
    switch (f.type) {
      case FieldType::Character:
        t = kAlpha;
        w = f.width;
        if (w < 1 || w > 255) refuse("text field " + f.name + " must be 1 to 255 bytes wide");
        break;
      case FieldType::Date:
        t = kDate;
        break;
      case FieldType::Short:
        t = kShort;
        break;
      case FieldType::Long:
        t = kLong;
        break;
      case FieldType::Number:
        t = kNumber;
        break;
      case FieldType::Currency:
        t = kCurrency;
        break;
      case FieldType::Logical:
        t = kLogical;
        break;
      case FieldType::AutoInc:
        t = kAutoInc;
        break;
      case FieldType::Time:
        t = kTime;
        break;
      case FieldType::Timestamp:
        t = kTimestamp;
        break;
      default:
        refuse("field " + f.name + " has a type this program cannot create in Paradox");
    }
    if (!w) w = fixed_width(t);
    std::string gname = utf8_to_gbk(f.name);
    if (gname.empty() || gname.size() > 25 || gname.find('\0') != std::string::npos)
      refuse("field name '" + f.name + "' must be 1 to 25 bytes");
    layout.emplace_back(t, uint8_t(w));
    names.push_back(std::move(gname));
    recsize += size_t(w);
  }
  const uint32_t block_size = kCreateBlockKiB * 1024;
  if (recsize > block_size - kBlockHead) refuse("records would be larger than a block");

  const size_t table_name_len = 261;
  size_t used = 0x78 + n * 2 + 4 + n * 4 + table_name_len;
  for (const auto& s : names) used += s.size() + 1;
  used += n * 2 + 9;
  const size_t header_size = (used + kHeaderUnit - 1) / kHeaderUnit * kHeaderUnit;
  if (header_size > 0xF800) refuse("too many or too long field names");

  std::vector<uint8_t> h(header_size, 0);
  const bool keyed = schema.key_fields > 0;
  put16(&h[0x00], uint32_t(recsize));
  put16(&h[0x02], uint32_t(header_size));
  h[0x04] = keyed ? 0 : 2;
  h[0x05] = kCreateBlockKiB;
  put16(&h[0x12], 1);  // change counter
  put16(&h[0x21], uint32_t(n));
  put16(&h[0x23], uint32_t(schema.key_fields));
  put32(&h[0x25], 0xFF00FF00u);
  h[0x29] = 0x62;  // sort order byte that goes with the name written below
  h[0x2D] = 2;
  h[0x2E] = 1;
  h[0x39] = 0x0C;
  h[0x3E] = 0x1F;
  h[0x3F] = 0x0F;
  h[0x56] = 0x20;
  put16(&h[0x58], 0x010C);
  put16(&h[0x5A], 0x010C);
  put16(&h[0x64], uint32_t(n + 1));
  put16(&h[0x6A], 936);
  h[0x6C] = 1;
  h[0x6D] = 1;
  size_t pos = 0x78;
  for (const auto& [t, w] : layout) {
    h[pos++] = t;
    h[pos++] = w;
  }
  pos += 4 + n * 4 + table_name_len;  // pointers and table name stay zero
  const std::string table = utf8_to_gbk(path.stem().string());
  std::memcpy(&h[pos - table_name_len], table.data(), std::min(table.size(), table_name_len - 1));
  for (const auto& s : names) {
    std::memcpy(&h[pos], s.data(), s.size());
    pos += s.size() + 1;
  }
  for (size_t i = 0; i < n; ++i, pos += 2) put16(&h[pos], uint32_t(i + 1));
  std::memcpy(&h[pos], "ANSIINTL", 8);
  put16(&h[0x51], uint32_t(pos + 9));

  // Written beside the target and renamed over it, so a failure never leaves
  // a half-written table in place of the old one.
  std::filesystem::path tmp = path;
  tmp += ".tmp";
  replace_file(path, tmp, h.data(), h.size());
  for (const auto& px : siblings_named(path, ".px")) {
    try {
      fs.remove(px);
    } catch (const platform::FileError& e) {
      throw_io_error(px, "cannot remove the old index", e);
    }
  }
}

std::unique_ptr<TableFile> open_paradox(const std::filesystem::path& path,
                                        const OpenOptions& options) {
  return std::make_unique<ParadoxFile>(path, options);
}

std::unique_ptr<TableFile> create_paradox(const std::filesystem::path& path, const Schema& schema,
                                          const OpenOptions& options) {
  ParadoxFile::create(path, schema);
  OpenOptions opened;
  opened.clock = options.clock;
  return std::make_unique<ParadoxFile>(path, opened);
}

}  // namespace vmx::store
