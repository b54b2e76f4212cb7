#include "core/store/cursor.h"

#include <gtest/gtest.h>

#include "core/store/error.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;

namespace {

// A small ledger-like table: enough kinds of field to exercise orders,
// locates and filters.
Schema ledger_schema() {
  Schema s;
  s.fields = {{"WTH", FieldType::Character, 11, 0}, {"QSDM", FieldType::Character, 4, 0},
              {"ZJZH", FieldType::Character, 8, 0}, {"CODE", FieldType::Character, 6, 0},
              {"NAME", FieldType::Character, 8, 0}, {"AMT", FieldType::Numeric, 14, 2},
              {"DATE1", FieldType::Date, 8, 0},     {"NOW", FieldType::Logical, 1, 0}};
  return s;
}

struct Row {
  const char* wth;
  const char* qsdm;
  const char* zjzh;
  const char* code;
  const char* name;
  double amt;
  bool now;
};

void write_rows(const std::filesystem::path& path, const std::vector<Row>& rows) {
  auto f = create_table_file(path, ledger_schema());
  std::vector<uint8_t> buf(f->record_size());
  for (const auto& r : rows) {
    f->blank_record(buf.data());
    f->set(buf.data(), 0, Value::text(r.wth));
    f->set(buf.data(), 1, Value::text(r.qsdm));
    f->set(buf.data(), 2, Value::text(r.zjzh));
    f->set(buf.data(), 3, Value::text(r.code));
    f->set(buf.data(), 4, Value::text(r.name));
    f->set(buf.data(), 5, Value::number(r.amt));
    f->set(buf.data(), 6, Value::date(Date::from_ymd(2001, 4, 3)));
    f->set(buf.data(), 7, Value::boolean(r.now));
    f->insert(buf.data());
  }
}

const std::vector<Row> kRows = {
    {"", "02", "A1", "xj", "现金", 100000, false},                  // 0
    {"", "01", "B7", "600001", "邯郸钢铁", 1000, true},             // 1
    {"0104031530", "01", "B7", "000001", "深发展", 500, false},     // 2
    {"P2001040300", "01", "B7", "600600", "青岛啤酒", 300, false},  // 3
    {"###", "zzc", "", "zzc", "市价总值", 5e5, false},              // 4
    {"", "01", "A2", "xj", "现金", 2000, true},                     // 5
};

std::vector<std::string> column(Cursor& c, const char* field) {
  std::vector<std::string> out;
  for (c.first(); !c.eof(); c.next()) out.push_back(c.get_string(field));
  return out;
}

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_rows(dir / "tr.DBF", kRows);
    session.set_alias("curr", dir.path());
  }
  test::TempDir dir;
  Session session;
};

}  // namespace

TEST_F(CursorTest, OrdersByFieldListKeepingPhysicalOrderForTies) {
  struct Case {
    const char* fields;
    std::vector<std::string> names;
  } cases[] = {
      {"", {"现金", "邯郸钢铁", "深发展", "青岛啤酒", "市价总值", "现金"}},
      {"QSDM;ZJZH", {"现金", "邯郸钢铁", "深发展", "青岛啤酒", "现金", "市价总值"}},
      {"AMT", {"青岛啤酒", "深发展", "邯郸钢铁", "现金", "现金", "市价总值"}},
      {"code", {"深发展", "邯郸钢铁", "青岛啤酒", "现金", "现金", "市价总值"}},
  };
  Cursor c(session, "curr", "TR.dbf");  // the name resolves without regard to case
  c.open();
  for (const auto& k : cases) {
    c.set_index_fields(k.fields);
    EXPECT_EQ(column(c, "NAME"), k.names) << k.fields;
  }
  EXPECT_THROW(c.set_index_fields("NOPE"), Error);
}

TEST_F(CursorTest, NavigationFlagsFollowTheEngine) {
  Cursor c(session, "curr", "tr.DBF");
  c.open();
  EXPECT_TRUE(c.bof());
  EXPECT_FALSE(c.eof());
  EXPECT_EQ(c.count(), 6u);
  c.last();
  EXPECT_TRUE(c.eof());
  EXPECT_EQ(c.get_string("NAME"), "现金");
  c.prior();
  EXPECT_FALSE(c.eof());
  EXPECT_EQ(c.get_string("QSDM"), "zzc");
  c.first();
  c.prior();
  EXPECT_TRUE(c.bof());
  EXPECT_EQ(c.position(), 0);
  const auto mark = c.bookmark();
  c.move_by(3);
  EXPECT_EQ(c.get_string("WTH"), "P2001040300");
  EXPECT_TRUE(c.go_to_bookmark(mark));
  EXPECT_EQ(c.get_double("AMT"), 100000);
}

TEST_F(CursorTest, LocateFindsTheFirstRowInOrderOrStaysPut) {
  Cursor c(session, "curr", "tr.DBF");
  c.open();
  c.set_index_fields("QSDM;ZJZH");
  struct Case {
    const char* fields;
    std::vector<Value> values;
    LocateOptions options;
    bool found;
    const char* name;  // current row's NAME afterwards
  } cases[] = {
      {"QSDM;ZJZH;CODE",
       {Value::text("01"), Value::text("B7"), Value::text("600001")},
       {},
       true,
       "邯郸钢铁"},
      {"QSDM;ZJZH", {Value::text("01"), Value::text("B7")}, {}, true, "邯郸钢铁"},
      {"QSDM;ZJZH", {Value::text("09"), Value::text("B7")}, {}, false, "邯郸钢铁"},
      {"CODE", {Value::text("XJ")}, {}, false, "邯郸钢铁"},  // case-sensitive by default
      {"CODE", {Value::text("XJ")}, {true, false}, true, "现金"},
      {"NAME", {Value::text("青岛")}, {false, true}, true, "青岛啤酒"},
      {"AMT", {Value::number(2000)}, {}, true, "现金"},
      {"wth", {Value::text("")}, {}, true, "现金"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(c.locate(k.fields, k.values, k.options), k.found) << k.fields;
    EXPECT_EQ(c.get_string("NAME"), k.name) << k.fields;
  }
  c.set_index_fields("QSDM;ZJZH");
  EXPECT_TRUE(c.find_key({Value::text("02")}));
  EXPECT_EQ(c.get_string("ZJZH"), "A1");
  EXPECT_TRUE(c.find_key({Value::text("01"), Value::text("B7")}));
  EXPECT_EQ(c.get_string("CODE"), "600001");
  EXPECT_FALSE(c.find_key({Value::text("01"), Value::text("B")}));
  EXPECT_EQ(c.get_string("CODE"), "600001");
}

TEST_F(CursorTest, FiltersHideRowsFromNavigationAndSearch) {
  struct Case {
    const char* filter;
    size_t count;
  } cases[] = {
      {"lx<>'zzc'", 0},  // no such field: refused below
      {"code<>'zzc' and code<>'zzz'", 5},
      {"now=true", 2},
      {"now=false", 4},
      {"code='60*'", 2},
      {"(wth='' or wth>'PA' or wth<'P')", 5},
      {"wth>='P' and wth<'PA'", 1},
      {"(wth<'999999' and  wth>'0')", 1},
      {"amt>=1000 and not (code='xj')", 2},
      {"date1='2001-04-03'", 6},
  };
  Cursor c(session, "curr", "tr.DBF");
  c.open();
  EXPECT_THROW(c.set_filter(cases[0].filter), Error);
  c.set_filtered(true);
  for (size_t i = 1; i < std::size(cases); ++i) {
    c.set_filter(cases[i].filter);
    EXPECT_EQ(c.count(), cases[i].count) << cases[i].filter;
  }
  c.set_filter("code='xj'");
  EXPECT_FALSE(c.locate("CODE", {Value::text("600001")}));
  c.set_filtered(false);
  EXPECT_TRUE(c.locate("CODE", {Value::text("600001")}));
}

TEST_F(CursorTest, CursorsOnOneFileShareEveryPost) {
  Cursor a(session, "curr", "tr.DBF"), b(session, "curr", "TR.DBF");
  a.open();
  b.open();
  b.set_index_fields("QSDM;ZJZH");
  ASSERT_TRUE(b.locate("CODE", {Value::text("600001")}));
  // a appends a row that sorts before b's current row; b stays on its row.
  a.append();
  a.set_string("QSDM", "00");
  a.set_string("CODE", "600002");
  a.set_string("NAME", "东风汽车很长的名字");
  a.set_double("AMT", -12.345);
  a.post();
  EXPECT_EQ(b.get_string("CODE"), "600001");
  EXPECT_EQ(b.count(), 7u);
  b.first();
  EXPECT_EQ(b.get_string("NAME"), "东风汽车");  // cut at a character boundary
  EXPECT_EQ(b.get_double("AMT"), -12.35);
  // An edit that changes the key moves the row in b's order.
  ASSERT_TRUE(a.locate("CODE", {Value::text("600002")}));
  a.edit();
  a.set_string("QSDM", "zzz");
  a.post();
  b.last();
  EXPECT_EQ(b.get_string("CODE"), "600002");
  // Deleting b's current row puts b on the row that followed it.
  ASSERT_TRUE(b.locate("CODE", {Value::text("600001")}));
  ASSERT_TRUE(a.locate("CODE", {Value::text("600001")}));
  a.remove();
  EXPECT_EQ(b.get_string("CODE"), "000001");
  EXPECT_EQ(b.count(), 6u);
  // Everything is on disk already: a new session reads the same rows.
  Session other;
  Cursor c(other, dir.path().string(), "tr.DBF");
  c.open();
  c.set_index_fields("QSDM;ZJZH");
  EXPECT_EQ(column(c, "CODE"),
            (std::vector<std::string>{"xj", "000001", "600600", "xj", "zzc", "600002"}));
}

TEST_F(CursorTest, CancelAndTypedReadsOfBlanks) {
  Cursor c(session, "curr", "tr.DBF");
  c.open();
  c.insert();
  c.set_string("CODE", "999");
  EXPECT_EQ(c.get_string("CODE"), "999");
  EXPECT_EQ(c.get_double("AMT"), 0);  // blank number reads 0
  EXPECT_TRUE(c.is_blank("DATE1"));
  c.cancel();
  EXPECT_EQ(c.count(), 6u);
  EXPECT_THROW(c.set_double("AMT", 1e15), Error);  // does not fit N(14,2)
  c.cancel();
  EXPECT_EQ(c.get_double("AMT"), 100000);
  EXPECT_THROW(c.get_string("NOPE"), Error);
}

TEST_F(CursorTest, IndexTagsWithSelections) {
  auto table = std::make_shared<Table>(
      open_table_file(dir / "tr.DBF"),
      std::vector<IndexDef>{{"NO_PC", {"QSDM", "ZJZH"}, "wth<'P' or wth>='PA'", false},
                            {"For_PC", {"WTH"}, "wth>='P' and wth<'PA'", false}});
  OrderSpec open_rows{{1, 2}, "wth<'P' or wth>='PA'", false};
  EXPECT_EQ(table->order(open_rows).size(), 5u);
  EXPECT_EQ(table->find_index("no_pc")->fields.size(), 2u);
  // Closing a position moves it out of one order and into the other.
  OrderSpec closed{{0}, "wth>='P' and wth<'PA'", false};
  EXPECT_EQ(table->order(closed).size(), 1u);
  std::vector<uint8_t> rec(table->record(1), table->record(1) + table->file().record_size());
  table->file().set(rec.data(), 0, Value::text("P2001040300"));
  table->update(1, rec.data());
  EXPECT_EQ(table->order(open_rows).size(), 4u);
  EXPECT_EQ(table->order(closed).size(), 2u);
}

TEST_F(CursorTest, RebindingAnAliasClosesItsCursors) {
  test::TempDir other;
  write_rows(other / "tr.DBF", {kRows[1]});
  session.set_alias("ubx", dir.path());
  Cursor c(session, "ubx", "tr.DBF");
  Cursor kept(session, "curr", "tr.DBF");
  c.open();
  kept.open();
  EXPECT_EQ(c.count(), 6u);
  session.set_alias("ubx", other.path());
  EXPECT_FALSE(c.active());
  EXPECT_TRUE(kept.active());  // opened through another alias
  c.open();
  EXPECT_EQ(c.count(), 1u);
  // A second running copy is kept out of the account directory.
  Session second;
  EXPECT_THROW(second.set_alias("ubx", other.path()), Error);
  second.set_alias("ubx", dir.path());  // free again since the first moved on
  // A refused re-bind changes nothing: the binding, its lock and cursors stay.
  EXPECT_THROW(session.set_alias("ubx", dir.path()), Error);
  EXPECT_TRUE(c.active());
  EXPECT_EQ(session.alias_dir("ubx"), other.path());
  EXPECT_THROW(Session().set_alias("ubx", other.path()), Error);
  // Unbinding closes the alias's cursors and lets the directory go.
  session.unbind_alias("ubx");
  EXPECT_FALSE(c.active());
  EXPECT_FALSE(session.has_alias("ubx"));
  EXPECT_THROW(c.open(), Error);  // not a directory named "ubx"
  second.set_alias("ubx", other.path());
}
