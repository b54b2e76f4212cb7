#include "core/fund/unit_price.h"

#include <gtest/gtest.h>

#include "core/fund/fund_fixture.h"
#include "core/fund/fund_record.h"
#include "core/fund/migration.h"
#include "core/store/error.h"
#include "core/store/table_file.h"

using namespace vmx;
using namespace vmx::test;

namespace {

// The manager's 100000 a month ago, an investor's 50000 a week ago, a market
// row of +3000 three days ago.
std::vector<FundRow> small_fund() {
  return {{.day = -30,
           .code = "@@@",
           .input = 100000,
           .b1 = "b",
           .price = 1.0,
           .unit = 100000,
           .fund = 100000},
          {.day = -7, .code = "zs", .input = 50000, .b1 = "b"},
          {.day = -3, .code = "***", .input = 3000}};
}

TEST(FundRecord, CodesSayWhatARowIs) {
  struct Case {
    const char* code;
    fund::FundRowKind kind;
    bool reported;
    bool matchable;
  };
  const Case cases[] = {
      {"***", fund::FundRowKind::Market, false, false},
      {"@@@", fund::FundRowKind::Manager, true, false},
      {"$123", fund::FundRowKind::Account, false, false},
      {"$input", fund::FundRowKind::Account, false, false},
      {"lm", fund::FundRowKind::Investor, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fund::classify(c.code), c.kind) << c.code;
    EXPECT_EQ(fund::is_reported(c.code), c.reported) << c.code;
    EXPECT_EQ(fund::is_matchable_withdrawal(c.code), c.matchable) << c.code;
  }
  EXPECT_EQ(fund::type_code(" Y "), "y");
  EXPECT_FALSE(fund::date_in_range(Date::from_ymd(1959, 12, 31)));
  EXPECT_TRUE(fund::date_in_range(Date::from_ymd(2050, 1, 1)));
}

TEST(UnitPrice, PassCarriesPriceAndValueAndNumbersMoneyRows) {
  FundFixture fx;
  fx.add(small_fund());
  fx.c().first();
  fund::up_calc(fx.f());
  const auto rows = fx.rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_DOUBLE_EQ(rows[1].fund, 150000);
  EXPECT_DOUBLE_EQ(rows[1].price, 1.0);
  EXPECT_DOUBLE_EQ(rows[1].unit, 50000);
  EXPECT_DOUBLE_EQ(rows[2].fund, 153000);
  EXPECT_DOUBLE_EQ(rows[2].price, 1.02);
  EXPECT_EQ(rows[1].num, 2);
}

TEST(UnitPrice, RecomputeWritesOneMarketRowADayAndLeavesTodaysMoneyOut) {
  FundFixture fx;
  fx.add(small_fund());
  fx.tz = 156000;
  fx.c().first();
  fund::recompute(fx.f());
  auto rows = fx.rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].code, "***");
  EXPECT_EQ(rows[3].day, 0);
  EXPECT_DOUBLE_EQ(rows[3].input, 3000);
  EXPECT_DOUBLE_EQ(rows[3].fund, 156000);
  EXPECT_DOUBLE_EQ(rows[3].price, 1.04);
  const auto once = rows;

  // The same day again: one market row, the same result.
  fund::show_fund(fx.f());
  rows = fx.rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_DOUBLE_EQ(rows[3].input, once[3].input);
  EXPECT_DOUBLE_EQ(rows[3].price, once[3].price);

  // An investment today after the market row: the holdings hold it already,
  // the market result does not take it and the price stays.
  fx.add({.day = 0, .code = "wf", .input = 20000, .b1 = "b"});
  fx.tz = 176000;
  fund::show_fund(fx.f());
  rows = fx.rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[3].code, "***");
  EXPECT_DOUBLE_EQ(rows[3].input, 3000);
  EXPECT_DOUBLE_EQ(rows[4].price, 1.04);
  EXPECT_DOUBLE_EQ(rows[4].fund, 176000);
  EXPECT_DOUBLE_EQ(rows[4].unit, 19230.77);
}

TEST(UnitPrice, ManagerRowMarketAfterZeroValueAndBadDates) {
  FundFixture fx;
  fx.add({{.day = -10, .code = "zs", .input = 1000, .b1 = "b"},
          {.day = -9, .code = "zs", .input = -1000, .b1 = "s"},
          {.day = -8, .code = "***", .input = 0},
          {.day = -6, .code = "***", .input = 500}});
  fx.c().go_to_position(2);
  fx.c().set_string("NOTE", "零值后");
  fx.c().post();
  fund::ensure_manager_row(fx.f());
  auto rows = fx.rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].code, "@@@");
  EXPECT_EQ(rows[0].day, -11);
  EXPECT_DOUBLE_EQ(rows[0].price, 1.0);
  EXPECT_EQ(rows[0].name, "管理人");
  // After the withdrawal the fund is worth 0: the market row takes the price over.
  EXPECT_DOUBLE_EQ(rows[3].price, 1.0);
  EXPECT_DOUBLE_EQ(rows[4].price, 1.0);

  fx.add({.day = 50000, .code = "zs", .input = 10, .b1 = "b"});
  fx.c().first();
  fund::up_calc(fx.f());
  EXPECT_EQ(fx.dialogs.texts().back(), fund::kBadDate);
}

TEST(UnitPrice, CompressMergesRunsOfMarketRows) {
  struct Case {
    std::vector<double> inputs;
    std::vector<std::string> notes;
    std::vector<double> after;
  };
  const Case cases[] = {
      {{5, 7, -3, 2}, {"", "", "", ""}, {12, -3, 2}},
      {{5, 7, 0, 2}, {"", "", "", ""}, {14}},
      {{5, 7, 4}, {"", "注", ""}, {5, 7, 4}},
  };
  for (const Case& k : cases) {
    FundFixture fx;
    fx.add({.day = -30, .code = "@@@", .input = 1000, .price = 1.0});
    for (size_t i = 0; i < k.inputs.size(); ++i)
      fx.add({.day = static_cast<int>(i) - 10,
              .code = "***",
              .input = k.inputs[i],
              .note = k.notes[i]});
    fx.dialogs.answer_yes();
    fx.dialogs.answer_no();
    ASSERT_TRUE(fund::compress(fx.f()));
    std::vector<double> after;
    for (const auto& r : fx.rows())
      if (r.code == "***") after.push_back(r.input);
    EXPECT_EQ(after, k.after);
  }
}

TEST(UnitPrice, CorrectionFillNamesAndNames) {
  FundFixture fx;
  fx.add({{.day = -30, .code = "@@@", .input = 1000, .price = 1.0, .name = "管理人"},
          {.day = -20, .code = "zs", .input = 500, .name = "张三"},
          {.day = -10, .code = "zs", .input = 100},
          {.day = -9, .code = "wf", .input = 100},
          {.day = -5, .code = "***", .input = 160, .name = "市场"}});
  EXPECT_EQ(fund::pycode_to_name(fx.f(), "zs"), "张三");
  EXPECT_EQ(fund::pycode_to_name(fx.f(), "nobody"), "");
  fx.dialogs.answer_yes();
  fx.dialogs.answer_yes();
  fund::fill_names(fx.f());
  auto rows = fx.rows();
  EXPECT_EQ(rows[2].name, "张三");
  EXPECT_EQ(rows[3].name, "");
  EXPECT_EQ(fx.dialogs.texts(),
            (std::vector<std::string>{
                "继续吗？", "2024-03-06wf" + std::string(fund::kMissingHistory), "继续吗？"}));

  fx.c().last();
  fx.dialogs.answer_yes();
  fx.tz = 1760;
  ASSERT_TRUE(fund::correction(fx.f()));
  rows = fx.rows();
  // The corrected row no longer moves the price.
  for (const auto& r : rows)
    if (r.code == "$input") {
      EXPECT_EQ(r.name, "校正");
      EXPECT_DOUBLE_EQ(r.price, 1.0);
    }
}

// A table file that fails after a number of inserts.
class FailingFile : public store::TableFile {
 public:
  FailingFile(std::unique_ptr<store::TableFile> f, int inserts)
      : m_f(std::move(f)), m_left(inserts) {}
  store::Format format() const override { return m_f->format(); }
  const std::filesystem::path& path() const override { return m_f->path(); }
  const store::Schema& schema() const override { return m_f->schema(); }
  size_t record_size() const override { return m_f->record_size(); }
  bool read_only() const override { return false; }
  void load(const std::function<void(store::RowId, const uint8_t*)>& sink) override {
    m_f->load(sink);
  }
  void update(store::RowId id, const uint8_t* r) override { m_f->update(id, r); }
  store::RowId insert(const uint8_t* r) override {
    if (m_left-- == 0) throw store::Error("disk full");
    return m_f->insert(r);
  }
  void erase(store::RowId id) override { m_f->erase(id); }
  store::Value get(const uint8_t* r, int f) const override { return m_f->get(r, f); }
  void set(uint8_t* r, int f, const store::Value& v) const override { m_f->set(r, f, v); }
  std::string_view raw_text(const uint8_t* r, int f) const override { return m_f->raw_text(r, f); }
  bool is_blank(const uint8_t* r, int f) const override { return m_f->is_blank(r, f); }
  void blank_record(uint8_t* r) const override { m_f->blank_record(r); }
  size_t field_offset(int f) const override { return m_f->field_offset(f); }
  void reread() override { m_f->reread(); }
  bool stable_ids() const override { return m_f->stable_ids(); }
  void renumber(const std::vector<store::RowId>& to) override { m_f->renumber(to); }
  size_t key_size() const override { return m_f->key_size(); }
  platform::File& handle() override { return m_f->handle(); }

 private:
  std::unique_ptr<store::TableFile> m_f;
  int m_left;
};

TEST(UnitPrice, MigrationThatFailsHalfWayPutsTheOldRowsBack) {
  FundFixture fx;
  fx.add(small_fund());
  const auto before = fx.rows();
  fx.c().close();
  const auto path = fx.dir / "user" / "fund2.DB";
  fx.session.forget(path);
  store::Table table(std::make_unique<FailingFile>(store::open_table_file(path, {}), 2));
  std::vector<std::vector<uint8_t>> records;
  for (int i = 0; i < 5; ++i) {
    std::vector<uint8_t> rec(table.file().record_size());
    table.file().blank_record(rec.data());
    table.file().set(rec.data(), table.schema().index_of("PYCODE"), store::Value::text("n"));
    records.push_back(rec);
  }
  bool restore_failed = true;
  EXPECT_THROW(fund::replace_rows(table, records, restore_failed), store::Error);
  EXPECT_FALSE(restore_failed);
  EXPECT_EQ(table.row_count(), before.size());
}

}  // namespace

namespace {

// A transfer pair added today after today's market row: the next recompute
// prices it before measuring the market, so the fund and price stay.
TEST(UnitPrice, RowsAddedTodayArePricedBeforeTheMarketStep) {
  FundFixture fx;
  fx.add(small_fund());
  fx.tz = 156000;
  fund::show_fund(fx.f());
  const double price = fx.rows().back().price;
  fx.add({{.day = 0, .code = "$111", .input = 2000}, {.day = 0, .code = "$222", .input = -2000}});
  fx.c().last();
  fund::show_fund(fx.f());
  const auto rows = fx.rows();
  EXPECT_EQ(rows.back().code, "***");
  EXPECT_DOUBLE_EQ(rows.back().fund, 156000);
  EXPECT_DOUBLE_EQ(rows.back().price, price);
}

}  // namespace
