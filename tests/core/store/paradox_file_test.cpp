#include "core/store/paradox_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "core/store/error.h"
#include "core/store/gbk.h"
#include "support/temp_dir.h"

#ifdef VMX_HAVE_PXLIB
extern "C" {  // the library's header declares no C linkage of its own
#include <paradox.h>
}
#endif

namespace vmx::store {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class ParadoxFileTest : public ::testing::Test {
 protected:
  test::TempDir m_tmp;
  fs::path m_dir = m_tmp.path();
};

Bytes slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void spill(const fs::path& p, const Bytes& b) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Schema ledger_schema(int keys) {
  Schema s;
  s.fields = {{"Num", FieldType::Long, 4},        {"名称", FieldType::Character, 10},
              {"DT", FieldType::Date, 4},         {"Qty", FieldType::Short, 2},
              {"Amount", FieldType::Number, 8},   {"Fee", FieldType::Currency, 8},
              {"OK", FieldType::Logical, 1},      {"At", FieldType::Time, 4},
              {"Stamp", FieldType::Timestamp, 8}, {"Seq", FieldType::AutoInc, 4}};
  s.key_fields = keys;
  return s;
}

std::vector<Value> load_column(TableFile& t, int field) {
  std::vector<Value> out;
  t.load([&](RowId, const uint8_t* r) { out.push_back(t.get(r, field)); });
  return out;
}

TEST_F(ParadoxFileTest, EveryWritableTypeRoundTripsKeyedAndUnkeyed) {
  const Date d1 = Date::from_ymd(1996, 5, 4);
  const std::vector<std::vector<Value>> rows = {
      {Value::integer(1), Value::text("招商银行"), Value::date(d1), Value::integer(-5),
       Value::number(-1234.5678), Value::number(0.01), Value::boolean(true), Value::time(34200000),
       Value::timestamp(d1, 3723004), Value::integer(7)},
      {Value::integer(-2147483647), Value::text("abc"), Value::date(Date::from_ymd(1, 1, 1)),
       Value::integer(32767), Value::number(0.0), Value::number(-0.5), Value::boolean(false),
       Value::time(0), Value::timestamp(Date::from_ymd(2024, 2, 29), 0), Value::integer(8)},
      // Blank everywhere but the key: every type reads back Null.
      {Value::integer(2147483647), Value(), Value(), Value(), Value(), Value(), Value(), Value(),
       Value(), Value::integer(9)},
  };
  for (int keys : {0, 1}) {
    SCOPED_TRACE(keys);
    const fs::path p = m_dir / ("t" + std::to_string(keys) + ".db");
    {
      auto t = create_paradox(p, ledger_schema(keys), {});
      Bytes rec(t->record_size());
      for (const auto& row : rows) {
        t->blank_record(rec.data());
        for (size_t f = 0; f < row.size(); ++f) t->set(rec.data(), int(f), row[f]);
        t->insert(rec.data());
      }
    }
    auto t = open_paradox(p, {});
    EXPECT_EQ(t->schema().key_fields, keys);
    EXPECT_EQ(t->schema().fields[1].name, "名称");
    std::vector<std::vector<Value>> got;
    t->load([&](RowId, const uint8_t* r) {
      std::vector<Value> row;
      for (int f = 0; f < 10; ++f) row.push_back(t->get(r, f));
      got.push_back(row);
    });
    auto want = rows;
    if (keys)
      std::sort(want.begin(), want.end(), [](auto& a, auto& b) { return a[0].i64() < b[0].i64(); });
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
      for (size_t f = 0; f < want[i].size(); ++f)
        EXPECT_EQ(got[i][f], want[i][f])
            << "row " << i << " field " << f << " got " << got[i][f].as_string();
  }
}

TEST_F(ParadoxFileTest, SetRoundsRefusesAndCuts) {
  auto t = create_paradox(m_dir / "s.db", ledger_schema(0), {});
  Bytes rec(t->record_size());
  struct Case {
    int field;
    Value in;
    bool ok;
    Value out;
  };
  const std::vector<Case> cases = {
      {3, Value::number(1.5), true, Value::integer(2)},
      {3, Value::number(-1.5), true, Value::integer(-2)},
      {3, Value::number(2.4), true, Value::integer(2)},
      {3, Value::text("12"), true, Value::integer(12)},
      {3, Value::integer(-32768), false, {}},  // would read back as blank
      {3, Value::number(40000), false, {}},
      {0, Value::integer(-2147483648LL), false, {}},
      {0, Value::number(3e9), false, {}},
      {4, Value::number(std::nan("")), false, {}},
      {4, Value::text("x1"), false, {}},
      {4, Value::number(-0.0), true, Value::number(0.0)},
      {7, Value::time(86400000), false, {}},
      {1, Value::text("中文字符"), true, Value::text("中文字符")},
      {1, Value::text("一二三四五六"), true, Value::text("一二三四五")},
      {1, Value::text("a一二三四五"), true, Value::text("a一二三四")},  // no half character
      {1, Value::text("ab  "), true, Value::text("ab")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in.as_string());
    t->blank_record(rec.data());
    t->set(rec.data(), c.field, Value::integer(1));
    const Bytes before = rec;
    if (c.ok) {
      t->set(rec.data(), c.field, c.in);
      EXPECT_EQ(t->get(rec.data(), c.field), c.out) << t->get(rec.data(), c.field).as_string();
    } else {
      try {
        t->set(rec.data(), c.field, c.in);
        ADD_FAILURE() << "accepted";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("s.db"), std::string::npos) << e.what();
      }
      EXPECT_EQ(rec, before);
    }
  }
  t->set(rec.data(), 1, Value::text("一二"));
  EXPECT_EQ(t->raw_text(rec.data(), 1), utf8_to_gbk("一二"));
  t->set(rec.data(), 1, Value());
  EXPECT_TRUE(t->is_blank(rec.data(), 1));
}

// Keys inserted in random order across many block splits come back in key
// order; erasing, re-keying and duplicate keys behave; ids stay with rows.
TEST_F(ParadoxFileTest, KeyedInsertsSplitBlocksAndKeepKeyOrder) {
  const fs::path p = m_dir / "k.db";
  Schema s;
  s.fields = {{"Code", FieldType::Character, 6},
              {"N", FieldType::Long, 4},
              {"Pad", FieldType::Character, 200}};
  s.key_fields = 2;
  auto t = create_paradox(p, s, {});
  std::vector<int> keys(1500);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = int(i) * 2;
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  Bytes rec(t->record_size());
  std::map<RowId, int> by_id;
  for (int k : keys) {
    t->blank_record(rec.data());
    t->set(rec.data(), 0, Value::text(k % 3 ? "甲" : "乙"));
    t->set(rec.data(), 1, Value::integer(k));
    t->set(rec.data(), 2, Value::text("行" + std::to_string(k)));
    by_id[t->insert(rec.data())] = k;
  }
  // Duplicate key: refused, file untouched.
  const Bytes before = slurp(p);
  t->blank_record(rec.data());
  t->set(rec.data(), 0, Value::text("乙"));
  t->set(rec.data(), 1, Value::integer(0));
  EXPECT_THROW(
      {
        try {
          t->insert(rec.data());
        } catch (const Error& e) {
          EXPECT_NE(std::string(e.what()).find("key violation"), std::string::npos);
          throw;
        }
      },
      Error);
  EXPECT_EQ(slurp(p), before);

  // Erase every fifth row; move some rows to new keys (odd numbers).
  int moved = 0;
  for (auto it = by_id.begin(); it != by_id.end();) {
    if (it->second % 10 == 0) {
      t->erase(it->first);
      it = by_id.erase(it);
      continue;
    }
    if (it->second % 7 == 0) {
      t->blank_record(rec.data());
      const int nk = it->second + 1;
      t->set(rec.data(), 0, Value::text(nk % 3 ? "甲" : "乙"));
      t->set(rec.data(), 1, Value::integer(nk));
      t->set(rec.data(), 2, Value::text("行" + std::to_string(nk)));
      t->update(it->first, rec.data());
      it->second = nk;
      ++moved;
    }
    ++it;
  }
  EXPECT_GT(moved, 50);
  // In this session ids still find their rows.
  std::map<RowId, int> seen;
  t->load([&](RowId id, const uint8_t* r) { seen[id] = int(t->get(r, 1).i64()); });
  EXPECT_EQ(seen, by_id);
  t.reset();

  auto again = open_paradox(p, {});
  std::vector<std::pair<std::string, int>> order;
  again->load([&](RowId, const uint8_t* r) {
    order.emplace_back(std::string(again->raw_text(r, 0)), int(again->get(r, 1).i64()));
    EXPECT_EQ(again->get(r, 2).str(), "行" + std::to_string(order.back().second));
  });
  EXPECT_EQ(order.size(), by_id.size());
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  const Bytes h = slurp(p);
  EXPECT_EQ(h[6] | h[7] << 8, int(by_id.size()));                       // record count
  EXPECT_GT(h[0x0A] | h[0x0B] << 8, 30);                                // many blocks
  EXPECT_EQ(h.size(), 0x800u + size_t(h[0x0C] | h[0x0D] << 8) * 4096);  // file blocks
}

TEST_F(ParadoxFileTest, UnkeyedAppendsAndAutoincrement) {
  const fs::path p = m_dir / "u.db";
  auto t = create_paradox(p, ledger_schema(0), {});
  Bytes rec(t->record_size());
  for (int i = 0; i < 200; ++i) {
    t->blank_record(rec.data());
    t->set(rec.data(), 0, Value::integer(i));
    t->insert(rec.data());
    t->fill_assigned(rec.data());
    EXPECT_EQ(t->get(rec.data(), 9), Value::integer(i + 1));
  }
  t.reset();
  auto u = open_paradox(p, {});
  u->blank_record(rec.data());
  u->insert(rec.data());
  u->fill_assigned(rec.data());
  EXPECT_EQ(u->get(rec.data(), 9), Value::integer(201));
  const auto seq = load_column(*u, 0);
  ASSERT_EQ(seq.size(), 201u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(seq[size_t(i)], Value::integer(i));
}

// A copy of the file taken after every post opens with every row posted so far.
TEST_F(ParadoxFileTest, EveryPostLeavesAnOpenableFile) {
  const fs::path p = m_dir / "c.db";
  Schema s;
  s.fields = {{"K", FieldType::Long, 4}, {"Pad", FieldType::Character, 250}};
  s.key_fields = 1;
  auto t = create_paradox(p, s, {});
  Bytes rec(t->record_size());
  std::vector<int> keys(120);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = int(i);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(3));
  std::vector<std::vector<int>> expect;
  std::vector<int> live;
  std::vector<Bytes> copies;
  std::vector<RowId> ids;
  for (size_t i = 0; i < keys.size(); ++i) {
    t->blank_record(rec.data());
    t->set(rec.data(), 0, Value::integer(keys[i]));
    ids.push_back(t->insert(rec.data()));
    live.push_back(keys[i]);
    if (i % 9 == 4) {  // interleave erases
      t->erase(ids[i / 2]);
      live.erase(std::find(live.begin(), live.end(), keys[i / 2]));
    }
    copies.push_back(slurp(p));
    expect.push_back(live);
    std::sort(expect.back().begin(), expect.back().end());
  }
  for (size_t i = 0; i < copies.size(); ++i) {
    const fs::path c = m_dir / "copy.db";
    spill(c, copies[i]);
    auto r = open_paradox(c, {});
    std::vector<int> got;
    r->load([&](RowId, const uint8_t* rr) { got.push_back(int(r->get(rr, 0).i64())); });
    ASSERT_EQ(got, expect[i]) << "after post " << i;
  }
}

TEST_F(ParadoxFileTest, StalePrimaryIndexIsFlaggedOnceAndLeftAlone) {
  const fs::path p = m_dir / "fund.db";
  Schema s;
  s.fields = {{"K", FieldType::Long, 4}};
  s.key_fields = 1;
  spill(m_dir / "FUND.PX", {1, 2, 3});
  create_paradox(p, s, {}).reset();
  EXPECT_FALSE(fs::exists(m_dir / "FUND.PX"));  // a new table has no valid index
  const Bytes px = {9, 8, 7, 6};
  spill(m_dir / "FUND.PX", px);
  const Bytes before = slurp(p);
  {
    auto t = open_paradox(p, {});
    EXPECT_EQ(slurp(p), before);  // opening never writes
    Bytes rec(t->record_size());
    for (int k = 1; k <= 3; ++k) {
      t->set(rec.data(), 0, Value::integer(k));
      t->insert(rec.data());
    }
  }
  const Bytes after = slurp(p);
  EXPECT_EQ(after[0x12] | after[0x13] << 8, (before[0x12] | before[0x13] << 8) + 1);
  EXPECT_EQ(slurp(m_dir / "FUND.PX"), px);
}

// --- Hand-made files of other levels and broken files ---------------------

struct Made {
  int version = 12;
  uint8_t file_type = 2;
  uint8_t block_kib = 1;
  std::vector<std::pair<uint8_t, uint8_t>> fields = {{0x01, 4}, {0x03, 2}};
  std::vector<std::string> names = {"Name", "Qty"};
  std::vector<std::vector<Bytes>> blocks;  // records per block, chained 1..n
};

Bytes make_table(const Made& m) {
  const size_t bs = size_t(m.block_kib) * 1024;
  Bytes f(0x800 + m.blocks.size() * bs, 0);
  size_t rs = 0;
  for (auto& x : m.fields) rs += x.second;
  f[0] = uint8_t(rs);
  f[1] = uint8_t(rs >> 8);
  f[3] = 0x08;
  f[4] = m.file_type;
  f[5] = m.block_kib;
  size_t n = 0;
  for (auto& b : m.blocks) n += b.size();
  f[6] = uint8_t(n);
  f[0x0A] = f[0x0C] = f[0x10] = uint8_t(m.blocks.size());
  f[0x0E] = m.blocks.empty() ? 0 : 1;
  f[0x21] = uint8_t(m.fields.size());
  f[0x39] = uint8_t(m.version);
  if (m.version >= 5) {
    f[0x25] = 0x00, f[0x26] = 0xFF, f[0x27] = 0x00, f[0x28] = 0xFF;
    f[0x6A] = 0xA8, f[0x6B] = 0x03;
  }
  size_t pos = m.version >= 5 ? 0x78 : 0x58;
  for (auto& x : m.fields) f[pos++] = x.first, f[pos++] = x.second;
  pos += 4 + 4 * m.fields.size() + (m.version >= 12 ? 261 : 79);
  for (auto& s : m.names) {
    std::copy(s.begin(), s.end(), f.begin() + std::ptrdiff_t(pos));
    pos += s.size() + 1;
  }
  for (size_t b = 0; b < m.blocks.size(); ++b) {
    uint8_t* h = f.data() + 0x800 + b * bs;
    h[0] = b + 1 < m.blocks.size() ? uint8_t(b + 2) : 0;
    h[2] = uint8_t(b);
    const int last = (int(m.blocks[b].size()) - 1) * int(rs);
    h[4] = uint8_t(last);
    h[5] = uint8_t(last >> 8);
    for (size_t r = 0; r < m.blocks[b].size(); ++r)
      std::copy(m.blocks[b][r].begin(), m.blocks[b][r].end(), h + 6 + r * rs);
  }
  return f;
}

Made two_blocks(int version) {
  Made m;
  m.version = version;
  m.blocks = {{{'a', 'b', 0, 0, 0x80, 0x01}, {0xC4, 0xE3, 0, 0, 0x7F, 0xFF}},
              {{'z', 0, 0, 0, 0, 0}}};
  return m;
}

TEST_F(ParadoxFileTest, ReadsLevelsThreeToSeven) {
  for (int version : {3, 4, 5, 10, 12}) {
    SCOPED_TRACE(version);
    const fs::path p = m_dir / "lv.db";
    spill(p, make_table(two_blocks(version)));
    auto t = open_paradox(p, {});
    EXPECT_EQ(t->schema().fields[1].name, "Qty");
    std::vector<std::string> out;
    t->load([&](RowId, const uint8_t* r) {
      out.push_back(t->get(r, 0).as_string() + "/" + t->get(r, 1).as_string());
    });
    EXPECT_EQ(out, (std::vector<std::string>{"ab/1", "你/-1", "z/"}));
  }
}

TEST_F(ParadoxFileTest, BrokenAndEncryptedFilesAreRefusedNamingTheFile) {
  const Bytes good = make_table(two_blocks(12));
  struct Case {
    const char* what;
    std::function<void(Bytes&)> spoil;
  };
  auto put16 = [](Bytes& b, size_t at, int v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
  };
  const std::vector<Case> cases = {
      {"empty file", [](Bytes& b) { b.clear(); }},
      {"truncated header", [](Bytes& b) { b.resize(0x300); }},
      {"truncated data", [](Bytes& b) { b.resize(0x800 + 1500); }},
      {"header size odd", [&](Bytes& b) { put16(b, 2, 0x801); }},
      {"header beyond file", [&](Bytes& b) { put16(b, 2, 0xF000); }},
      {"block size 0", [](Bytes& b) { b[5] = 0; }},
      {"block size 33", [](Bytes& b) { b[5] = 33; }},
      {"no fields", [&](Bytes& b) { put16(b, 0x21, 0); }},
      {"absurd fields", [&](Bytes& b) { put16(b, 0x21, 9000); }},
      {"record size", [&](Bytes& b) { put16(b, 0, 7); }},
      {"zero record size", [&](Bytes& b) { put16(b, 0, 0); }},
      {"chain cycle", [](Bytes& b) { b[0x800 + 1024] = 1; }},
      {"chain beyond file", [](Bytes& b) { b[0x800 + 1024] = 40; }},
      {"offset beyond block", [&](Bytes& b) { put16(b, 0x800 + 4, 6 * 300); }},
      {"offset not a record", [&](Bytes& b) { put16(b, 0x800 + 4, 5); }},
      {"file type 9", [](Bytes& b) { b[4] = 9; }},
      {"index file", [](Bytes& b) { b[4] = 1; }},
      {"version 2", [](Bytes& b) { b[0x39] = 2; }},
      {"version 16", [](Bytes& b) { b[0x39] = 16; }},
      {"unknown field type", [](Bytes& b) { b[0x78] = 0x30; }},
      {"encrypted level 7", [](Bytes& b) { b[0x5C] = 0x12; }},
      {"encrypted level 3",
       [](Bytes& b) {
         b[0x39] = 3;
         b[0x25] = 0x44;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = good;
    c.spoil(b);
    const fs::path p = m_dir / "Broken.DB";
    spill(p, b);
    try {
      open_paradox(p, {});
      ADD_FAILURE() << "opened";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("Broken.DB"), std::string::npos) << e.what();
      if (std::string(c.what).starts_with("encrypted")) {
        EXPECT_NE(std::string(e.what()).find("encrypted"), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(slurp(p), b);
  }
  EXPECT_THROW(open_paradox(m_dir / "missing.db", {}), Error);
}

TEST_F(ParadoxFileTest, ReadOnlyTableReadsButRefusesChanges) {
  const fs::path p = m_dir / "ro.db";
  spill(p, make_table(two_blocks(12)));
  const Bytes before = slurp(p);
  auto t = open_paradox(p, OpenOptions{.read_only = true});
  EXPECT_TRUE(t->read_only());
  std::vector<RowId> ids;
  t->load([&](RowId id, const uint8_t*) { ids.push_back(id); });
  ASSERT_EQ(ids.size(), 3u);
  Bytes rec(t->record_size());
  t->blank_record(rec.data());
  for (auto change : std::vector<std::function<void()>>{[&] { t->insert(rec.data()); },
                                                        [&] { t->update(ids[0], rec.data()); },
                                                        [&] { t->erase(ids[0]); }}) {
    try {
      change();
      ADD_FAILURE() << "changed";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("ro.db"), std::string::npos);
    }
  }
  EXPECT_EQ(slurp(p), before);
}

#ifndef VMX_HAVE_PXLIB
// Built without pxlib: the comparisons with it are reported as skipped.
TEST_F(ParadoxFileTest, PxlibReadsWhatWeWrite) { GTEST_SKIP() << "pxlib-dev is not installed"; }
TEST_F(ParadoxFileTest, WeReadWhatPxlibWrites) { GTEST_SKIP() << "pxlib-dev is not installed"; }
#else
struct PxDoc {
  pxdoc_t* doc = PX_new();
  FILE* fp = nullptr;
  ~PxDoc() {
    PX_close(doc);
    PX_delete(doc);
    if (fp) fclose(fp);
  }
};

TEST_F(ParadoxFileTest, PxlibReadsWhatWeWrite) {
  const fs::path p = m_dir / "ours.db";
  Schema s;
  s.fields = {{"K", FieldType::Long, 4},
              {"Name", FieldType::Character, 8},
              {"Amt", FieldType::Number, 8},
              {"Q", FieldType::Short, 2}};
  s.key_fields = 1;
  std::map<int, std::tuple<std::string, double, int>> rows;
  {
    auto t = create_paradox(p, s, {});
    Bytes rec(t->record_size());
    std::mt19937 rng(5);
    for (int i = 0; i < 400; ++i) {
      const int k = int(rng() % 100000);
      if (rows.count(k)) continue;
      rows[k] = {i % 2 ? "股票" + std::to_string(i % 100) : "", -i * 0.25, i % 300 - 150};
      t->blank_record(rec.data());
      t->set(rec.data(), 0, Value::integer(k));
      t->set(rec.data(), 1, Value::text(std::get<0>(rows[k])));
      t->set(rec.data(), 2, Value::number(std::get<1>(rows[k])));
      t->set(rec.data(), 3, Value::integer(std::get<2>(rows[k])));
      t->insert(rec.data());
    }
    int n = 0;
    for (auto it = rows.begin(); it != rows.end() && n < 200; ++n) {  // empties a block or two
      RowId victim = kNoRow;
      t->load([&](RowId id, const uint8_t* r) {
        if (t->get(r, 0).i64() == it->first) victim = id;
      });
      t->erase(victim);
      it = rows.erase(it);
    }
  }
  {
    auto ours = open_paradox(p, {});
    std::vector<int> keys;
    ours->load([&](RowId, const uint8_t* r) { keys.push_back(int(ours->get(r, 0).i64())); });
    ASSERT_EQ(keys.size(), rows.size());
    EXPECT_TRUE(std::equal(keys.begin(), keys.end(), rows.begin(),
                           [](int k, const auto& row) { return k == row.first; }));
  }
  PxDoc px;
  px.fp = fopen(p.c_str(), "rb");
  ASSERT_EQ(PX_open_fp(px.doc, px.fp), 0);
  ASSERT_EQ(PX_get_num_records(px.doc), int(rows.size()));
  ASSERT_EQ(PX_get_num_fields(px.doc), 4);
  Bytes data(size_t(PX_get_recordsize(px.doc)));
  char* buf = reinterpret_cast<char*>(data.data());
  auto it = rows.begin();
  for (int i = 0; i < int(rows.size()); ++i, ++it) {
    ASSERT_NE(PX_get_record(px.doc, i, buf), nullptr) << i;
    long k = 0;
    ASSERT_GT(PX_get_data_long(px.doc, buf, 4, &k), 0);
    EXPECT_EQ(k, it->first);
    char* name = nullptr;
    const int has = PX_get_data_alpha(px.doc, buf + 4, 8, &name);
    EXPECT_EQ(has > 0 ? std::string(name) : "", utf8_to_gbk(std::get<0>(it->second)));
    if (name) px.doc->free(px.doc, name);
    double amt = 1;
    PX_get_data_double(px.doc, buf + 12, 8, &amt);
    EXPECT_EQ(amt, std::get<1>(it->second));
    short q = 0;
    PX_get_data_short(px.doc, buf + 20, 2, &q);
    EXPECT_EQ(q, std::get<2>(it->second));
  }
}

TEST_F(ParadoxFileTest, WeReadWhatPxlibWrites) {
  const fs::path p = m_dir / "theirs.db";
  {
    PxDoc px;
    // pxlib takes ownership of the field array and its names. Names are GBK
    // on disk: hand it the bytes.
    auto* f = static_cast<pxfield_t*>(malloc(4 * sizeof(pxfield_t)));
    f[0] = {strdup(utf8_to_gbk("名称").c_str()), pxfAlpha, 10, 0};
    f[1] = {strdup("Amt"), pxfNumber, 8, 0};
    f[2] = {strdup("DT"), pxfDate, 4, 0};
    f[3] = {strdup("N"), pxfShort, 2, 0};
    ASSERT_EQ(PX_create_file(px.doc, f, 4, p.c_str(), pxfFileTypNonIndexDB), 0);
    PX_set_value(px.doc, "codepage", 936);
    for (int i = 0; i < 50; ++i) {
      char rec[24] = {};
      std::string text = utf8_to_gbk("中国" + std::to_string(i));
      PX_put_data_alpha(px.doc, rec, 10, text.data());
      PX_put_data_double(px.doc, rec + 10, 8, i * -1.25);
      PX_put_data_long(px.doc, rec + 18, 4, Date::from_ymd(2000, 1, 1).serial() + i);
      PX_put_data_short(px.doc, rec + 22, 2, short(i - 25));
      ASSERT_GE(PX_put_record(px.doc, rec), 0);
    }
  }
  auto t = open_paradox(p, {});
  EXPECT_EQ(t->schema().fields[0].name, "名称");
  EXPECT_EQ(t->schema().fields[2].type, FieldType::Date);
  int i = 0;
  t->load([&](RowId, const uint8_t* r) {
    EXPECT_EQ(t->get(r, 0), Value::text("中国" + std::to_string(i)));
    EXPECT_EQ(t->get(r, 1), Value::number(i * -1.25));
    EXPECT_EQ(t->get(r, 2), Value::date(Date::from_ymd(2000, 1, 1).add_days(i)));
    EXPECT_EQ(t->get(r, 3), Value::integer(i - 25));
    ++i;
  });
  EXPECT_EQ(i, 50);
}
#endif

}  // namespace
}  // namespace vmx::store
