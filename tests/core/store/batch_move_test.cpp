#include "core/store/batch_move.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;

namespace {

Schema ledger_schema() { return find_table_spec("tr2.DBF")->schema; }

void write_ledger(const std::filesystem::path& path) {
  const Schema s = ledger_schema();
  auto f = create_table_file(path, s);
  std::vector<uint8_t> rec(f->record_size());
  struct Row {
    const char *wth, *code, *name;
    double amt, price2;
    const char* date1;
  };
  const Row rows[] = {{"", "600000", "浦发银行", 1000, 12, "2001-02-01"},
                      {"", "000001", "深发展", 200, 18, "2001-01-15"},
                      {"", "xj", "现金", 50000, 1, "2001-01-02"},
                      {"P2001040300", "600000", "浦发银行", 300, 13, "2000-12-01"}};
  for (const auto& r : rows) {
    f->blank_record(rec.data());
    f->set(rec.data(), s.index_of("WTH"), Value::text(r.wth));
    f->set(rec.data(), s.index_of("CODE"), Value::text(r.code));
    f->set(rec.data(), s.index_of("NAME"), Value::text(r.name));
    f->set(rec.data(), s.index_of("AMT"), Value::number(r.amt));
    f->set(rec.data(), s.index_of("PRICE2"), Value::number(r.price2));
    f->set(rec.data(), s.index_of("DATE1"), Value::date(*Date::parse(r.date1)));
    f->insert(rec.data());
  }
}

class BatchMoveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_ledger(dir / "tr2.DBF");
    session.set_alias("ubx", dir.path());
  }
  test::TempDir dir;
  Session session;
};

TEST_F(BatchMoveTest, CopyModeReplacesTheDestinationWithExactlyTheSourceRows) {
  // An earlier, bigger file of that name, already open through the engine.
  write_ledger(dir / "out.dbf");
  Cursor earlier(session, "ubx", "out.dbf");
  earlier.open();
  ASSERT_EQ(earlier.count(), 4u);

  Query q(session, "ubx");
  q.set_text(
      "select code, name as 名称, price2 as 当前价, date1 from tr2.dbf where wth='' and "
      "code<>'xj' order by code");
  q.open();
  // dBase field names are ASCII: the Chinese aliases are renamed on the way.
  const BatchMoveResult r = batch_move(q, session, {"ubx", "out.dbf"}, BatchMode::Copy,
                                       {"CODE=code", "NAME=名称", "PRICE=当前价", "DATE1=date1"});
  EXPECT_EQ(r.moved, 2u);
  EXPECT_EQ(r.skipped, 0u);

  Cursor out(session, "ubx", "OUT.DBF");
  out.open();
  const Schema& s = out.schema();
  ASSERT_EQ(s.fields.size(), 4u);
  EXPECT_EQ(s.fields[1].name, "NAME");
  EXPECT_EQ(s.fields[1].type, FieldType::Character);
  EXPECT_EQ(s.fields[1].width, 8);  // 浦发银行 in GBK
  EXPECT_EQ(s.fields[2].type, FieldType::Numeric);
  EXPECT_EQ(s.fields[3].type, FieldType::Date);
  ASSERT_EQ(out.count(), 2u);
  out.first();
  EXPECT_EQ(out.get_string("code"), "000001");
  EXPECT_EQ(out.get_double("PRICE"), 18);
  out.next();
  EXPECT_EQ(out.get_string("NAME"), "浦发银行");
  EXPECT_EQ(out.get_date("date1"), *Date::parse("2001-02-01"));

  // A cursor source keeps its field definitions; Paradox gets its own number type.
  Cursor ledger(session, "ubx", "tr2.DBF");
  ledger.set_filter("wth=''");
  ledger.set_filtered(true);
  ledger.open();
  ledger.last();
  const BatchMoveResult r2 = batch_move(ledger, session, {"ubx", "copy.db"}, BatchMode::Copy);
  EXPECT_EQ(r2.moved, 3u);
  EXPECT_EQ(ledger.get_string("CODE"), "xj");  // the source did not move
  Cursor copy(session, "ubx", "copy.db");
  copy.open();
  EXPECT_EQ(copy.count(), 3u);
  EXPECT_EQ(copy.schema().fields[copy.field_index("AMT")].type, FieldType::Number);
  EXPECT_EQ(copy.schema().fields[copy.field_index("WTH")].width, 11);

  EXPECT_THROW(batch_move(ledger, session, {"ubx", "TR2.dbf"}, BatchMode::Copy), Error);
}

TEST_F(BatchMoveTest, AppendModeMapsFieldsAndSkipsRowsThatDoNotFit) {
  Schema dest;
  dest.fields = {{"CODE", FieldType::Character, 6, 0},
                 {"NAME", FieldType::Character, 8, 0},
                 {"PRICE", FieldType::Numeric, 8, 2}};
  create_table_file(dir / "prices.dbf", dest);

  Query q(session, "ubx");
  q.set_text(
      "select code, name, price2 as 当前价 from tr2.dbf where wth='' and code<>'xj' "
      "union all select 'big', 'big', 1e12");
  q.open();
  const BatchMoveResult r =
      batch_move(q, session, {"ubx", "prices.dbf"}, BatchMode::Append, {"price=当前价", ""});
  EXPECT_EQ(r.moved, 2u);
  EXPECT_EQ(r.skipped, 1u);  // 1e12 does not fit N(8,2)

  Cursor out(session, "ubx", "prices.dbf");
  out.open();
  ASSERT_EQ(out.count(), 2u);
  double sum = 0;
  for (out.first(); !out.eof(); out.next()) sum += out.get_double("PRICE");
  EXPECT_EQ(sum, 30);

  EXPECT_THROW(batch_move(q, session, {"ubx", "prices.dbf"}, BatchMode::Append, {"price"}), Error);
  EXPECT_THROW(batch_move(q, session, {"ubx", "prices.dbf"}, BatchMode::Append, {"price=nope"}),
               Error);
}

}  // namespace
