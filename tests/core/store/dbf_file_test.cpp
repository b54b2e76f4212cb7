#include "core/store/dbf_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/store/error.h"
#include "support/other_readers.h"
#include "support/temp_dir.h"

namespace vmx::store {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

class DbfFileTest : public ::testing::Test {
 protected:
  static Bytes read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void write_bytes(const fs::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(b.data(), std::streamsize(b.size()));
  }
  // Runs a python3-dbf script (Debian's interpreter) in the temp directory and
  // returns what it printed.
  std::string python(const std::string& script) {
    write_bytes(m_dir / "script.py", script);
    const std::string cmd =
        "cd '" + m_dir.string() + "' && /usr/bin/python3 script.py > out.txt 2>&1";
    const int rc = std::system(cmd.c_str());
    const std::string out = read_bytes(m_dir / "out.txt");
    EXPECT_EQ(rc, 0) << out;
    return out;
  }

  static Schema ledger_schema() {
    Schema s;
    s.fields = {{"CODE", FieldType::Character, 6, 0}, {"NAME", FieldType::Character, 8, 0},
                {"AMT", FieldType::Numeric, 12, 0},   {"PRICE", FieldType::Numeric, 10, 3},
                {"COST", FieldType::Numeric, 14, 2},  {"RATE", FieldType::Float, 10, 4},
                {"DATE1", FieldType::Date, 8, 0},     {"OK", FieldType::Logical, 1, 0}};
    return s;
  }

  // Loads every live row as (id, record).
  static std::vector<std::pair<RowId, Bytes>> rows(TableFile& t) {
    std::vector<std::pair<RowId, Bytes>> out;
    t.load([&](RowId id, const uint8_t* rec) {
      out.emplace_back(id, Bytes(reinterpret_cast<const char*>(rec), t.record_size()));
    });
    return out;
  }
  static const uint8_t* u8(const Bytes& b) { return reinterpret_cast<const uint8_t*>(b.data()); }

  test::TempDir m_tmp;
  fs::path m_dir = m_tmp.path();
};

Value num(double d) { return Value::number(d); }
Value text(const char* s) { return Value::text(s); }
Value day(int y, int m, int d) { return Value::date(Date::from_ymd(y, m, d)); }

// Hand-made headers: version, count, header length, record length, then the
// descriptors and the data.
Bytes header(uint8_t version, uint32_t count, uint16_t hl, uint16_t rl) {
  Bytes h(32, '\0');
  h[0] = char(version);
  std::memcpy(&h[4], &count, 4);
  std::memcpy(&h[8], &hl, 2);
  std::memcpy(&h[10], &rl, 2);
  return h;
}
Bytes field(const char* name, char type, uint8_t width, uint8_t decimals = 0) {
  Bytes d(32, '\0');
  std::memcpy(&d[0], name, std::strlen(name));
  d[11] = type;
  d[16] = char(width);
  d[17] = char(decimals);
  return d;
}

// The header's last-update date is the clock's day: at creation and at the
// first change after opening.
TEST_F(DbfFileTest, HeaderDateFollowsTheClock) {
  const fs::path p = m_dir / "dated.dbf";
  platform::FixedClock clock(platform::DateTime{Date::from_ymd(2024, 3, 15)});
  OpenOptions dated;
  dated.clock = &clock;
  create_dbf(p, ledger_schema(), dated);
  EXPECT_EQ(read_bytes(p).substr(1, 3), Bytes("\x7c\x03\x0f"));
  clock.set(platform::DateTime{Date::from_ymd(2026, 12, 6)});
  auto f = open_dbf(p, dated);
  std::vector<uint8_t> rec(f->record_size());
  f->blank_record(rec.data());
  f->insert(rec.data());
  EXPECT_EQ(read_bytes(p).substr(1, 3), Bytes("\x7e\x0c\x06"));
}

TEST_F(DbfFileTest, ValuesRoundTripThroughTheFile) {
  struct Case {
    const char* field;
    Value in;
    Value out;
  };
  const std::vector<Case> cases = {
      {"CODE", text("600000"), text("600000")},
      {"CODE", text("  ab"), text("  ab")},        // leading spaces are data
      {"CODE", text("市价总值"), text("市价总")},  // 8 GBK bytes into 6: cut between characters
      {"CODE", text("a市价总值"), text("a市价")},  // never half a character
      {"NAME", text("浦发银行"), text("浦发银行")},
      {"NAME", Value(), Value()},
      {"AMT", num(-1500), num(-1500)},
      {"AMT", Value::integer(42), num(42)},
      {"AMT", text(" 17 "), num(17)},
      {"AMT", num(0.5), num(1)},  // half away from zero
      {"AMT", num(-0.4), num(0)},
      {"PRICE", num(12.345), num(12.345)},
      {"PRICE", num(-0.5), num(-0.5)},
      {"PRICE", num(0.0015), num(0.002)},
      {"COST", num(2.675), num(2.68)},  // as typed, not as the double lies
      {"COST", num(-2.675), num(-2.68)},
      {"COST", num(99999.995), num(100000.0)},
      {"COST", num(1e10), num(1e10)},  // exactly the width
      {"COST", text(""), Value()},
      {"RATE", num(0.0015), num(0.0015)},
      {"DATE1", day(1996, 5, 4), day(1996, 5, 4)},
      {"DATE1", text("2024-02-29"), day(2024, 2, 29)},
      {"DATE1", Value(), Value()},
      {"OK", Value::boolean(true), Value::boolean(true)},
      {"OK", Value::boolean(false), Value::boolean(false)},
      {"OK", Value(), Value()},
      {"OK", text("y"), Value::boolean(true)},
      {"OK", text(""), Value()},
  };
  const fs::path path = m_dir / "t.dbf";
  auto t = create_dbf(path, ledger_schema(), {});
  std::vector<uint8_t> rec(t->record_size());
  for (const auto& c : cases) {
    const int f = t->schema().index_of(c.field);
    t->blank_record(rec.data());
    t->set(rec.data(), f, c.in);
    t->insert(rec.data());
  }
  auto back = open_dbf(path, {});
  const auto got = rows(*back);
  ASSERT_EQ(got.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const int f = back->schema().index_of(cases[i].field);
    const Value v = back->get(u8(got[i].second), f);
    EXPECT_EQ(v, cases[i].out) << cases[i].field << " row " << i << ": " << v.as_string();
    EXPECT_EQ(back->is_blank(u8(got[i].second), f), cases[i].out.is_null()) << i;
  }
  // The raw bytes of a text field are its GBK bytes.
  EXPECT_EQ(back->raw_text(u8(got[2].second), 0), "\xCA\xD0\xBC\xDB\xD7\xDC");
}

TEST_F(DbfFileTest, RefusedValuesLeaveTheBufferAlone) {
  Schema s;
  s.fields = {{"N", FieldType::Numeric, 5, 2}, {"D", FieldType::Date, 8, 0}};
  auto t = create_dbf(m_dir / "t.dbf", s, {});
  std::vector<uint8_t> rec(t->record_size());
  t->blank_record(rec.data());
  t->set(rec.data(), 0, num(12.5));
  const auto before = rec;
  for (const Value& v : {num(100), num(-10), num(NAN), Value::integer(123456), text("1e9")}) {
    try {
      t->set(rec.data(), 0, v);
      ADD_FAILURE() << v.as_string() << " was stored";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("field N"), std::string::npos) << e.what();
    }
    EXPECT_EQ(rec, before);
  }
  EXPECT_THROW(t->set(rec.data(), 0, text("12x")), ConversionError);
  EXPECT_THROW(t->set(rec.data(), 1, text("2023-02-30")), ConversionError);
  EXPECT_EQ(rec, before);
  // ".50" is how a width-3 field holds 0.5 with two decimals (some writers make these).
  write_bytes(m_dir / "n.dbf", header(3, 0, 65, 4) + field("N", 'N', 3, 2) + "\x0D\x1A");
  auto n = open_dbf(m_dir / "n.dbf", {});
  std::vector<uint8_t> r(n->record_size());
  n->set(r.data(), 0, num(0.5));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r.data()) + 1, 3), ".50");
  EXPECT_EQ(n->get(r.data(), 0), num(0.5));
}

TEST_F(DbfFileTest, ReadsWhatOtherWritersPutInFields) {
  Schema s;
  s.fields = {{"N", FieldType::Numeric, 8, 2},
              {"D", FieldType::Date, 8, 0},
              {"L", FieldType::Logical, 1, 0}};
  auto t = create_dbf(m_dir / "t.dbf", s, {});
  struct Case {
    int field;
    const char* bytes;
    Value want;
  };
  const std::vector<Case> cases = {
      {0, "    1.50", num(1.5)},
      {0, "    1,50", num(1.5)},
      {0, "********", Value()},
      {0, "        ", Value()},
      {0, "  -12.00", num(-12)},
      {0, "   +3.00", num(3)},
      {0, "  12abc ", Value()},
      {0, "     nan", Value()},
      {0, "00000012", num(12)},
      {1, "20240229", day(2024, 2, 29)},
      {1, "00000000", Value()},
      {1, "        ", Value()},
      {1, "20230229", Value()},
      {1, "2023 1 5", Value()},
      {2, "Y", Value::boolean(true)},
      {2, "t", Value::boolean(true)},
      {2, "n", Value::boolean(false)},
      {2, "?", Value()},
      {2, " ", Value()},
  };
  const int offsets[] = {1, 9, 17};
  std::vector<uint8_t> rec(t->record_size());
  for (const auto& c : cases) {
    t->blank_record(rec.data());
    std::memcpy(rec.data() + offsets[c.field], c.bytes, std::strlen(c.bytes));
    EXPECT_EQ(t->get(rec.data(), c.field), c.want) << "'" << c.bytes << "'";
    EXPECT_EQ(t->is_blank(rec.data(), c.field), c.want.is_null()) << "'" << c.bytes << "'";
  }
}

TEST_F(DbfFileTest, PythonDbfReadsWhatWeWrite) {
  if (!test::python_imports("dbf, dbfread") || !test::have_program("dbfdump"))
    GTEST_SKIP() << "python3-dbf, python3-dbfread or shapelib is not installed";
  auto t = create_dbf(m_dir / "ours.dbf", ledger_schema(), {});
  std::vector<uint8_t> rec(t->record_size());
  t->blank_record(rec.data());
  t->set(rec.data(), 0, text("600000"));
  t->set(rec.data(), 1, text("浦发银行"));
  t->set(rec.data(), 2, num(-1500));
  t->set(rec.data(), 3, num(12.345));
  t->set(rec.data(), 4, num(-0.5));
  t->set(rec.data(), 5, num(0.0015));
  t->set(rec.data(), 6, day(1996, 5, 4));
  t->set(rec.data(), 7, Value::boolean(true));
  t->insert(rec.data());
  t->blank_record(rec.data());
  t->set(rec.data(), 1, text("平安"));
  const RowId second = t->insert(rec.data());
  t->blank_record(rec.data());
  t->set(rec.data(), 0, text("gone"));
  t->erase(t->insert(rec.data()));
  t->set(rec.data(), 7, Value::boolean(false));
  t->set(rec.data(), 0, text("000001"));
  t->update(second, rec.data());
  t.reset();

  const std::string out = python(R"(
import dbf, dbfread
t = dbf.Table('ours.dbf', codepage='cp936')
t.open(dbf.READ_ONLY)
for r in t:
    print('|'.join(str(v).strip() if v is not None else '-' for v in r), dbf.is_deleted(r))
t.close()
for r in dbfread.DBF('ours.dbf', encoding='gbk'):
    print('dbfread', r['NAME'], r['PRICE'], r['DATE1'])
)");
  EXPECT_EQ(out,
            "600000|浦发银行|-1500|12.345|-0.5|0.0015|1996-05-04|True False\n"
            "000001||-|-|-|-|-|False False\n"
            "gone||-|-|-|-|-|- True\n"
            "dbfread 浦发银行 12.345 1996-05-04\n"
            "dbfread  None None\n");
  const std::string dump = python(
      "import subprocess\n"
      "print(subprocess.run(['dbfdump', '-r', 'ours.dbf'], capture_output=True)"
      ".stdout.decode('gbk'), end='')\n");
  EXPECT_NE(dump.find("浦发银行"), std::string::npos) << dump;
}

TEST_F(DbfFileTest, ReadsWhatPythonDbfWrites) {
  if (!test::python_imports("dbf")) GTEST_SKIP() << "python3-dbf is not installed";
  python(R"(
import dbf, datetime
t = dbf.Table('theirs.dbf', 'CODE C(6); NAME C(10); AMT N(12,0); PRICE N(10,3); D1 D; OK L; NOTE M',
              codepage='cp936', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('600000', '浦发银行', 1000, 12.345, datetime.date(1996, 5, 4), True, '长备注' * 200))
t.append(('999999', '删除', 1, 1.0, None, False, ''))
t.append(('000001', '', -5, -0.5, None, None, 'short'))
dbf.delete(t[1])
t.close()
)");
  auto t = open_table_file(m_dir / "theirs.dbf");
  const auto got = rows(*t);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].first, 0u);
  EXPECT_EQ(got[1].first, 2u);  // the deleted row's id is not handed out
  const std::vector<std::vector<Value>> want = {
      {text("600000"), text("浦发银行"), num(1000), num(12.345), day(1996, 5, 4),
       Value::boolean(true), Value::text([] {
         std::string s;
         for (int i = 0; i < 200; ++i) s += "长备注";
         return s;
       }())},
      {text("000001"), Value(), num(-5), num(-0.5), Value(), Value(), text("short")}};
  for (size_t r = 0; r < 2; ++r)
    for (int f = 0; f < 7; ++f)
      EXPECT_EQ(t->get(u8(got[r].second), f), want[r][size_t(f)]) << "row " << r << " field " << f;
  Bytes copy = got[0].second;
  EXPECT_THROW(t->set(reinterpret_cast<uint8_t*>(copy.data()), 6, text("x")), Error);

  // Without the memo file the memo reads blank instead of failing.
  fs::remove(m_dir / "theirs.dbt");
  auto bare = open_table_file(m_dir / "theirs.dbf");
  EXPECT_TRUE(bare->get(u8(rows(*bare)[0].second), 6).is_null());
}

TEST_F(DbfFileTest, ReadsDBase4Memos) {
  Schema s;
  s.fields = {{"CODE", FieldType::Character, 4, 0}};
  create_dbf(m_dir / "m.dbf", s, {});
  // A hand-made dBase IV table: one memo field pointing at block 1 of a .DBT
  // with 64-byte blocks.
  Bytes dbf(32, '\0');
  dbf[0] = char(0x8B);
  dbf[4] = 1;
  dbf[8] = 32 + 32 + 1;
  dbf[10] = 11;
  Bytes d(32, '\0');
  d.replace(0, 4, "NOTE");
  d[11] = 'M';
  d[16] = 10;
  dbf += d + "\x0D" + " " + "         1" + "\x1A";
  write_bytes(m_dir / "m.dbf", dbf);
  Bytes dbt(64, '\0');
  dbt[20] = 64;
  Bytes body("\xFF\xFF\x08\x00", 4);
  body += Bytes("\x0D\x00\x00\x00", 4);  // 8 header bytes + 5 text bytes
  body += "hello, and junk after";
  write_bytes(m_dir / "M.DBT", dbt + body);
  auto t = open_dbf(m_dir / "m.dbf", {});
  const auto got = rows(*t);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(t->get(u8(got[0].second), 0), text("hello"));
  EXPECT_EQ(t->raw_text(u8(got[0].second), 0), "hello");
}

TEST_F(DbfFileTest, DamagedFilesAreRefusedByName) {
  const Bytes code = field("CODE", 'C', 6);
  const Bytes amt = field("AMT", 'N', 4);
  const Bytes good_head = header(3, 1, 32 + 64 + 1, 11) + code + amt + "\x0D";
  const Bytes row = " 600000  12";
  struct Case {
    const char* name;
    Bytes bytes;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"empty", "", "shorter than a dBase header"},
      {"short", Bytes("\x03\x7e\x01\x01", 4), "shorter than a dBase header"},
      {"version", header(0x02, 0, 65, 7) + code + "\x0D", "version byte 02"},
      {"paradox", Bytes("\x0b\x00\x00\x08\x00\x02", 6) + Bytes(200, '\0'), "version byte 0B"},
      {"nofields", header(3, 0, 33, 1) + "\x0D\x1A", "no fields"},
      {"type", header(3, 0, 65, 7) + field("PIC", 'G', 6) + "\x0D\x1A", "'G'"},
      {"typeI", header(0x30, 0, 65, 5) + field("ID", 'I', 4) + "\x0D\x1A", "'I'"},
      {"typebin", header(3, 0, 65, 5) + field("B", '\x01', 4) + "\x0D\x1A", "'\\x01'"},
      {"hlsmall", header(3, 1, 64, 11) + code + amt + "\x0D" + row, "too small"},
      {"rlsmall", header(3, 1, 97, 8) + code + amt + "\x0D" + row, "record length 8"},
      {"rlzero", header(3, 1, 97, 0) + code + amt + "\x0D" + row, "record length 0"},
      {"hlbeyond", header(3, 0, 4000, 11) + code + amt + "\x0D", "truncated"},
      {"width0", header(3, 0, 65, 1) + field("X", 'C', 0) + "\x0D", "width 0"},
      {"date", header(3, 0, 65, 5) + field("D", 'D', 4) + "\x0D", "width 4"},
      {"crypt",
       [&] {
         Bytes b = good_head + row;
         b[15] = 1;
         return b;
       }(),
       "encrypted"},
  };
  for (const auto& c : cases) {
    const fs::path p = m_dir / (std::string(c.name) + ".dbf");
    write_bytes(p, c.bytes);
    try {
      auto t = open_dbf(p, {});
      rows(*t);
      ADD_FAILURE() << c.name << " opened";
    } catch (const Error& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(p.string()), std::string::npos) << msg;
      EXPECT_NE(msg.find(c.says), std::string::npos) << c.name << ": " << msg;
    }
    EXPECT_EQ(read_bytes(p), c.bytes) << c.name << " was changed";
  }
  try {
    open_table_file(m_dir / "missing.dbf");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("missing.dbf"), std::string::npos);
  }
  EXPECT_THROW(open_table_file(m_dir / "table.txt"), Error);
}

TEST_F(DbfFileTest, CountsThatDisagreeWithTheFile) {
  const Bytes head = Bytes(field("CODE", 'C', 6)) + "\x0D";
  const Bytes rows3 = " 000001 000002*000003";
  struct Case {
    const char* name;
    uint32_t count;
    Bytes tail;
    std::vector<RowId> ids;
  };
  const std::vector<Case> cases = {
      {"exact", 3, rows3 + "\x1A", {0, 1}},
      {"no1A", 2, rows3, {0, 1}},
      {"noterm", 3, rows3, {0, 1}},
  };
  for (const auto& c : cases) {
    const fs::path p = m_dir / (std::string(c.name) + ".dbf");
    const bool terminated = std::string(c.name) != "noterm";
    const uint16_t hl = terminated ? 65 : 64;
    write_bytes(p, header(3, c.count, hl, 7) + head.substr(0, terminated ? 33 : 32) + c.tail);
    auto t = open_dbf(p, {});
    std::vector<RowId> ids;
    for (const auto& r : rows(*t)) ids.push_back(r.first);
    EXPECT_EQ(ids, c.ids) << c.name;
    // The next row goes right after the rows that count, and the file ends right after it.
    std::vector<uint8_t> rec(t->record_size());
    t->blank_record(rec.data());
    t->set(rec.data(), 0, text("999999"));
    const RowId id = t->insert(rec.data());
    EXPECT_EQ(id, c.count) << c.name;
    const Bytes after = read_bytes(p);
    EXPECT_EQ(after.size(), hl + (id + 1) * 7 + 1u) << c.name;
    EXPECT_EQ(after.back(), '\x1A');
    auto again = open_dbf(p, {});
    EXPECT_EQ(again->get(u8(rows(*again).back().second), 0), text("999999")) << c.name;
  }
}

TEST_F(DbfFileTest, WritesInPlace) {
  const fs::path p = m_dir / "t.dbf";
  auto t = create_dbf(p, ledger_schema(), {});
  std::vector<uint8_t> rec(t->record_size());
  for (int i = 0; i < 5; ++i) {
    t->blank_record(rec.data());
    t->set(rec.data(), 2, Value::integer(i));
    EXPECT_EQ(t->insert(rec.data()), RowId(i));
  }
  const Bytes before = read_bytes(p);
  t->set(rec.data(), 2, Value::integer(77));
  t->update(1, rec.data());
  t->erase(3);
  const Bytes after = read_bytes(p);
  ASSERT_EQ(after.size(), before.size());
  size_t first = 0, last = 0, diffs = 0;
  for (size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) {
      if (!diffs++) first = i;
      last = i;
    }
  const size_t hl = 32 + 32 * 8 + 1, rl = t->record_size();
  EXPECT_GE(first, hl + rl);     // nothing before row 1 changed, header included
  EXPECT_EQ(last, hl + 3 * rl);  // the last change is row 3's flag
  EXPECT_THROW(t->update(5, rec.data()), Error);
  EXPECT_THROW(t->erase(99), Error);

  auto again = open_dbf(p, {});
  std::vector<int> amounts;
  for (const auto& r : rows(*again)) amounts.push_back(int(again->get(u8(r.second), 2).num()));
  EXPECT_EQ(amounts, (std::vector<int>{0, 77, 2, 4}));
}

TEST_F(DbfFileTest, ReadOnlyTablesRefuseChanges) {
  const fs::path p = m_dir / "t.dbf";
  auto t = create_dbf(p, ledger_schema(), {});
  std::vector<uint8_t> rec(t->record_size());
  t->blank_record(rec.data());
  t->insert(rec.data());
  t.reset();
  const Bytes before = read_bytes(p);
  std::vector<std::unique_ptr<TableFile>> tables;
  tables.push_back(open_dbf(p, OpenOptions{true}));
  if (::geteuid() != 0) {  // root writes through any permission bits
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    tables.push_back(open_dbf(p, {}));
  }
  for (auto& ro : tables) {
    EXPECT_TRUE(ro->read_only());
    EXPECT_EQ(rows(*ro).size(), 1u);
    for (auto change : {+[](TableFile&f, uint8_t*r) { f.insert(r); },
                        +[](TableFile&f, uint8_t*r) { f.update(0, r); },
                        +[](TableFile&f, uint8_t*) { f.erase(0); }}) {
      try {
        change(*ro, rec.data());
        ADD_FAILURE() << "changed a read-only table";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(p.string()), std::string::npos);
      }
    }
  }
  EXPECT_EQ(read_bytes(p), before);
}

TEST_F(DbfFileTest, EveryPostSurvivesAKill) {
  const fs::path p = m_dir / "t.dbf";
  auto t = create_dbf(p, ledger_schema(), {});
  std::vector<uint8_t> rec(t->record_size());
  std::vector<Bytes> states = {read_bytes(p)};
  for (int i = 0; i < 6; ++i) {
    t->blank_record(rec.data());
    t->set(rec.data(), 0, Value::text(std::to_string(i)));
    t->insert(rec.data());
    states.push_back(read_bytes(p));
  }
  for (size_t k = 0; k < states.size(); ++k) {
    // A copy taken after k posts, and the two a kill during post k + 1
    // leaves: the record still marked deleted, with the old header or the new.
    std::vector<Bytes> copies = {states[k]};
    if (k + 1 < states.size()) {
      Bytes torn = states[k + 1];
      torn[32 + 32 * 8 + 1 + k * t->record_size()] = '*';
      copies.push_back(torn);
      torn.replace(1, 7, states[k].substr(1, 7));
      copies.push_back(torn);
    }
    for (const Bytes& copy : copies) {
      const fs::path c = m_dir / "copy.dbf";
      write_bytes(c, copy);
      auto r = open_dbf(c, {});
      const auto got = rows(*r);
      ASSERT_EQ(got.size(), k);
      for (size_t i = 0; i < k; ++i)
        EXPECT_EQ(r->get(u8(got[i].second), 0), Value::text(std::to_string(i)));
    }
  }
}

TEST_F(DbfFileTest, FirstWriteRetiresAProductionIndex) {
  const fs::path p = m_dir / "t.dbf";
  auto t = create_dbf(p, ledger_schema(), {});
  std::vector<uint8_t> rec(t->record_size());
  t->blank_record(rec.data());
  t->insert(rec.data());
  t.reset();
  Bytes b = read_bytes(p);
  b[28] = 1;
  write_bytes(p, b);
  write_bytes(m_dir / "T.MDX", "stale index");

  auto opened = open_dbf(p, {});
  rows(*opened);
  EXPECT_EQ(read_bytes(p), b);  // opening and loading write nothing
  opened->update(0, rec.data());
  EXPECT_EQ(read_bytes(p)[28], 0);
  EXPECT_EQ(read_bytes(m_dir / "T.MDX"), "stale index");
}

TEST_F(DbfFileTest, CreateRefusesFieldsDBaseCannotHold) {
  const std::vector<FieldDef> bad = {
      {"", FieldType::Character, 5, 0},     {"ELEVENCHARS", FieldType::Character, 5, 0},
      {"名称", FieldType::Character, 5, 0}, {"C", FieldType::Character, 255, 0},
      {"N", FieldType::Numeric, 21, 0},     {"N", FieldType::Numeric, 5, 4},
      {"M", FieldType::Memo, 10, 0},        {"S", FieldType::Short, 2, 0},
  };
  for (const auto& f : bad) {
    Schema s;
    s.fields = {f};
    EXPECT_THROW(create_dbf(m_dir / "x.dbf", s, {}), Error) << f.name;
  }
  Schema twice;
  twice.fields = {{"Code", FieldType::Character, 5, 0}, {"CODE", FieldType::Character, 5, 0}};
  EXPECT_THROW(create_dbf(m_dir / "x.dbf", twice, {}), Error);
  EXPECT_FALSE(fs::exists(m_dir / "x.dbf"));

  // Names keep their spelling; the header is dBase III with the GBK mark.
  Schema s;
  s.fields = {{"Code", FieldType::Character, 6, 0}, {"Dj_date", FieldType::Date, 0, 0}};
  write_bytes(m_dir / "y.dbf", "old contents");
  auto t = create_table_file(m_dir / "y.dbf", s);
  EXPECT_EQ(t->schema().fields[0].name, "Code");
  EXPECT_EQ(t->schema().fields[1].width, 8);
  const Bytes b = read_bytes(m_dir / "y.dbf");
  ASSERT_EQ(b.size(), 32u + 64 + 1 + 1);
  EXPECT_EQ(b[0], 3);
  EXPECT_EQ(b[29], 0x4D);
  EXPECT_EQ(b[28], 0);
  EXPECT_EQ(b[96], 0x0D);
  EXPECT_EQ(b[97], 0x1A);
}

TEST_F(DbfFileTest, FindsFilesWhateverTheirCase) {
  write_bytes(m_dir / "tr2.dbf", "");
  write_bytes(m_dir / "TR2.DBF", "");
  write_bytes(m_dir / "Fund2.DB", "");
  EXPECT_EQ(resolve_case_insensitive(m_dir, "tr2.dbf"), m_dir / "tr2.dbf");
  EXPECT_EQ(resolve_case_insensitive(m_dir, "Tr2.Dbf"), m_dir / "TR2.DBF");  // sorted first
  EXPECT_EQ(resolve_case_insensitive(m_dir, "FUND2.db"), m_dir / "Fund2.DB");
  EXPECT_EQ(resolve_case_insensitive(m_dir, "none.db"), m_dir / "none.db");
  EXPECT_EQ(resolve_case_insensitive(m_dir / "nodir", "x.db"), m_dir / "nodir" / "x.db");
}

}  // namespace
}  // namespace vmx::store
