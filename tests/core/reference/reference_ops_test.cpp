#include "core/reference/reference_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "core/reference/reference_fixture.h"
#include "core/store/error.h"

namespace vmx::store::reference::test {
namespace {

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

std::set<std::string> held(Cursor& h, const char* field) {
  auto v = LoggedIn::column(h, field);
  return {v.begin(), v.end()};
}

TEST(ReferenceOps, DiscountFormula) {
  struct Case {
    double price, note;
    int days;
    double result;
  };
  const Case cases[] = {
      {103.5, 3.5, 365, 100.0}, {100.0, 10, 0, 100.0},
      {110.0, 10, 365, 100.0},  {100.0, 10, 730, 82.645},  // 100 / 1.21 = 82.6446...
      {1.0, 5, 1, 1.0},                                    // 0.99987 rounds back to 1
  };
  for (const auto& c : cases)
    EXPECT_NEAR(ReferenceOps::discount(c.price, c.note, c.days), c.result, 1e-9)
        << c.price << " " << c.note << " " << c.days;
}

TEST(ReferenceOps, SettlementCurrencyChangeRescalesRates) {
  LoggedIn w;
  Cursor& bi = w.lookups->currencies();
  LoggedIn::change(bi, "Code", "usd", {{"Rate", Value::number(8.27)}});
  ASSERT_TRUE(bi.locate("Code", {Value::text("usd")}));
  ASSERT_TRUE(w.ops->make_settlement_currency());
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{});
  struct Row {
    const char* code;
    double rate;
    bool now;
  };
  const Row expected[] = {
      {"rmb", 0.1209, false}, {"usd", 1, true}, {"hkd", 0.11, false}, {"eur", 0.9371, false}};
  for (const auto& e : expected) {
    ASSERT_TRUE(bi.locate("Code", {Value::text(e.code)}));
    EXPECT_NEAR(bi.get_double("Rate"), e.rate, 1e-9) << e.code;
    EXPECT_EQ(bi.get_bool("Now"), e.now) << e.code;
  }
  EXPECT_EQ(w.lookups->settlement_code(), "usd");
  // The holdings follow: the usd account is now at par, the rmb ones at 0.1209.
  Cursor& h = w.holdings();
  for (h.first(); !h.eof(); h.next()) {
    const std::string qsdm = h.get_string("QSDM");
    const double want = qsdm == "zxzq" ? 1.0 : (qsdm == "zzc" || qsdm == "zzz") ? 1.0 : 0.1209f;
    EXPECT_NEAR(h.get_double("BIRATE"), want, 1e-6) << qsdm;
  }
}

TEST(ReferenceOps, ZeroRateSettlementCurrencyIsRefused) {
  LoggedIn w;
  Cursor& bi = w.lookups->currencies();
  LoggedIn::change(bi, "Code", "eur", {{"Rate", Value::number(0)}});
  const auto rates_before = LoggedIn::column(bi, "Rate");
  const auto birates_before = LoggedIn::column(w.holdings(), "BIRATE");
  ASSERT_TRUE(bi.locate("Code", {Value::text("eur")}));
  EXPECT_FALSE(w.ops->make_settlement_currency());
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{ReferenceOps::kZeroRateMessage});
  EXPECT_EQ(LoggedIn::column(bi, "Rate"), rates_before);
  EXPECT_EQ(LoggedIn::column(w.holdings(), "BIRATE"), birates_before);
  EXPECT_EQ(w.lookups->settlement_code(), "rmb");
}

TEST(ReferenceOps, PriceUpdateDiscountsDssRowsByNote) {
  LoggedIn w;
  Cursor& codes = w.lookups->code_list();
  LoggedIn::change(codes, "CODE", "600000", {{"PRICE2", Value::number(103.5)}});
  LoggedIn::change(codes, "CODE", "600036", {{"PRICE2", Value::number(103.5)}});
  LoggedIn::change(codes, "CODE", "600519", {{"PRICE2", Value::number(103.5)}});
  LoggedIn::change(codes, "CODE", "0002", {{"PRICE2", Value::number(0)}});
  Cursor& h = w.holdings();
  const Date ahead = kToday.add_days(365);
  struct Row {
    const char* code;
    const char* note;
    double price2;
  };
  const Row rows[] = {
      {"600000", "3.5", 100.0},  // discounted one year at 3.5%
      {"600036", "6", 103.5},    // "6" sorts after "50": not discounted
      {"600519", "", 103.5},     // no note
      {"0002", "", 8.72f},       // no list price: the security list's, single precision
  };
  for (const auto& r : rows)
    LoggedIn::change(h, "CODE", r.code,
                     {{"LX", Value::text("dss")},
                      {"NOTE", Value::text(r.note)},
                      {"DATE2", Value::date(ahead)},
                      {"NAME", Value::text("旧名")}});
  w.ops->update_holdings_prices();
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{});
  for (const auto& r : rows) {
    ASSERT_TRUE(h.locate("CODE", {Value::text(r.code)}));
    EXPECT_NEAR(h.get_double("PRICE2"), r.price2, 1e-4) << r.code;
    EXPECT_NE(h.get_string("NAME"), "旧名") << r.code;
  }
  // A note that is no number stops the walk with the row unchanged.
  LoggedIn::change(h, "CODE", "600000", {{"NOTE", Value::text("3x")}});
  EXPECT_THROW(w.ops->update_holdings_prices(), Error);
  ASSERT_TRUE(h.locate("CODE", {Value::text("600000")}));
  EXPECT_NEAR(h.get_double("PRICE2"), 100.0, 1e-9);
  EXPECT_EQ(h.state(), Cursor::State::Browse);
}

// A code the append leaves out used to restart the walk for ever; now its
// row stays as it was and the rest are updated. A code that can be listed is
// appended and priced.
TEST(ReferenceOps, PriceUpdateEndsWhenACodeCannotBeListed) {
  LoggedIn w;
  Cursor& h = w.holdings();
  Cursor& codes = w.lookups->code_list();
  ASSERT_FALSE(codes.find_key({Value::text("600030")}));
  LoggedIn::change(h, "CODE", "600036",
                   {{"CODE", Value::text("777777")},
                    {"LX", Value::text("zzc")},
                    {"NAME", Value::text("孤行")},
                    {"PRICE2", Value::number(1.5)}});
  LoggedIn::change(h, "CODE", "600519",
                   {{"CODE", Value::text("600030")}, {"PRICE2", Value::number(20.5)}});
  LoggedIn::change(codes, "CODE", "600000", {{"PRICE2", Value::number(9.99)}});
  w.ops->update_holdings_prices();
  ASSERT_TRUE(h.locate("CODE", {Value::text("777777")}));
  EXPECT_EQ(h.get_string("NAME"), "孤行");
  EXPECT_EQ(h.get_double("PRICE2"), 1.5);
  ASSERT_TRUE(codes.find_key({Value::text("600030")}));
  EXPECT_EQ(codes.get_double("PRICE2"), 20.5);
  EXPECT_FALSE(codes.find_key({Value::text("777777")}));
  ASSERT_TRUE(h.locate("CODE", {Value::text("600000")}));
  EXPECT_EQ(h.get_double("PRICE2"), 9.99);
}

TEST(ReferenceOps, TypesPageAppendAndUpdate) {
  LoggedIn w;
  Cursor& types = w.lookups->types();
  ASSERT_TRUE(types.locate("Lx", {Value::text("j")}));
  types.remove();
  LoggedIn::change(types, "Lx", "a",
                   {{"Lxm", Value::text("A股票")}, {"Zk_rate", Value::number(0.8)}});
  // Update stops at the first type missing from the table, with its message.
  w.ops->update_holdings_types();
  EXPECT_EQ(w.dialogs.texts(),
            std::vector<std::string>{"一个代码j表中没有，请先用<从持仓追加>按钮追加代码,"
                                     "手工输入名称和价格后，再进行此项操作！"});
  w.dialogs.clear();
  w.ops->append_types();
  ASSERT_TRUE(types.locate("Lx", {Value::text("j")}));
  EXPECT_NEAR(types.get_double("Zk_rate"), 0.95, 1e-9);  // the holdings row's rate
  EXPECT_EQ(types.get_string("Lxm"), "");
  LoggedIn::change(types, "Lx", "j", {{"Lxm", Value::text("基金")}});
  w.ops->update_holdings_types();  // reaches the total rows and stops silently
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{});
  Cursor& h = w.holdings();
  int seen = 0;
  for (h.first(); !h.eof(); h.next()) {
    if (h.get_string("LX") != "a") continue;
    ++seen;
    EXPECT_EQ(h.get_string("LXM"), "A股票");
    EXPECT_NEAR(h.get_double("ZK_RATE"), 0.8, 1e-9);
  }
  EXPECT_GT(seen, 3);
  EXPECT_FALSE(types.locate("Lx", {Value::text("zzc")}));
}

TEST(ReferenceOps, CodeListRebuildKeepsIndexAndLetterCodes) {
  LoggedIn w;
  Cursor& codes = w.lookups->code_list();
  LoggedIn::add(codes, {{"CODE", Value::text("600998")}, {"PRICE2", Value::number(3)}});
  LoggedIn::add(codes, {{"CODE", Value::text("AB01")}});
  ASSERT_TRUE(codes.find_key({Value::text("600000")}));
  codes.remove();
  w.ops->rebuild_codes();
  // The first code without a price is current ("AB01" has none).
  EXPECT_EQ(codes.get_string("CODE"), "AB01");
  const auto list = LoggedIn::column(codes, "CODE");
  EXPECT_FALSE(contains(list, "600998"));
  for (const char* kept : {"AB01", "9996", "999999", "600000", "0002", "IF2404"})
    EXPECT_TRUE(contains(list, kept)) << kept;
  for (const auto& code : held(w.holdings(), "CODE")) {
    if (code != "zzc" && code != "zzz") {
      EXPECT_TRUE(contains(list, code)) << code;
    }
  }
  EXPECT_FALSE(contains(list, "zzc"));
}

TEST(ReferenceOps, CodeListFromSecurityListAndFundIndexPrices) {
  LoggedIn w;
  Cursor& codes = w.lookups->code_list();
  LoggedIn::change(codes, "CODE", "600000",
                   {{"NAME", Value::text("x")}, {"PRICE2", Value::number(1)}});
  LoggedIn::add(codes, {{"CODE", Value::text("AB01")}, {"NAME", Value::text("手工")}});
  w.ops->update_codes_from_securities();
  ASSERT_TRUE(codes.find_key({Value::text("600000")}));
  EXPECT_EQ(codes.get_string("NAME"), "浦发银行");
  EXPECT_NEAR(codes.get_double("PRICE2"), 9.15, 1e-9);
  ASSERT_TRUE(codes.find_key({Value::text("AB01")}));
  EXPECT_EQ(codes.get_string("NAME"), "手工");
  Cursor fund(w.session, "ubx", "fund2.DB");
  fund.set_index_fields("DT;PYCODE;Num;CZXH;XABC;B1");
  fund.open();
  fund.last();
  EXPECT_EQ(fund.get_double("SZ"), 9436);
  EXPECT_EQ(fund.get_double("SHZ"), 3052);
}

TEST(ReferenceOps, BrokersPage) {
  LoggedIn w;
  Cursor& qs = w.lookups->brokers();
  LoggedIn::change(qs, "Qsdm", "htzq", {{"Qs", Value::text("华泰证券公司")}});
  w.ops->rebuild_brokers();
  const auto codes = LoggedIn::column(qs, "Qsdm");
  EXPECT_EQ(std::set<std::string>(codes.begin(), codes.end()),
            (std::set<std::string>{"htzq", "gxzq", "zxzq", "zgqh", "zzc", "zzz"}));
  w.ops->update_holdings_brokers();
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{});
  Cursor& h = w.holdings();
  ASSERT_TRUE(h.locate("QSDM", {Value::text("htzq")}));
  EXPECT_EQ(h.get_string("QS"), "华泰证");  // six bytes of the holdings field
  ASSERT_TRUE(qs.locate("Qsdm", {Value::text("gxzq")}));
  qs.remove();
  w.ops->update_holdings_brokers();
  EXPECT_EQ(w.dialogs.texts(),
            std::vector<std::string>{"一个代码表中没有，请先用<从持仓追加>按钮追加代码,"
                                     "手工输入名称和价格后，再进行此项操作！"});
}

TEST(ReferenceOps, RangesPage) {
  LoggedIn w;
  Cursor& ranges = w.lookups->code_ranges();
  w.ops->append_range_types();
  EXPECT_EQ(w.dialogs.texts(),
            std::vector<std::string>{
                "表中已添加类型，请输入相应的起止股票代码和匹配顺序--不清楚就输大一点。"});
  const auto lx = LoggedIn::column(ranges, "Lx");
  for (const char* t : {"xj", "zzc", "zzz"}) EXPECT_TRUE(contains(lx, t)) << t;
  w.dialogs.clear();
  w.ops->append_range_types();  // nothing new, nothing said
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{});

  Cursor& h = w.holdings();
  LoggedIn::change(h, "CODE", "600000", {{"LX", Value::text("q")}, {"LXM", Value::text("")}});
  w.ops->update_holdings_types_from_ranges();
  ASSERT_TRUE(h.locate("CODE", {Value::text("600000")}));
  EXPECT_EQ(h.get_string("LX"), "a");
  EXPECT_EQ(h.get_string("LXM"), "A股");

  // A range of unequal ends asks; No ends the whole operation at once.
  LoggedIn::add(ranges, {{"Order", Value::number(1)},
                         {"Code1", Value::text("60")},
                         {"Code2", Value::text("6099")},
                         {"Lx", Value::text("b")}});
  LoggedIn::change(h, "CODE", "600000", {{"LX", Value::text("q")}});
  w.dialogs.answer_no();
  w.ops->update_holdings_types_from_ranges();
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{"起止代码长度不等，继续吗！"});
  ASSERT_TRUE(h.locate("CODE", {Value::text("600000")}));
  EXPECT_EQ(h.get_string("LX"), "q");
}

TEST(ReferenceOps, CurrencyAccountsPage) {
  LoggedIn w;
  Cursor& zh = w.lookups->account_currencies();
  LoggedIn::add(zh, {{"Qsdm", Value::text("yhzq")}, {"Zjzh", Value::text("1")}});
  ASSERT_TRUE(zh.locate("Qsdm", {Value::text("zxzq")}));
  zh.remove();
  w.ops->rebuild_accounts();
  EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{"请填上货币代码(大小写不分)！"});
  const auto q = LoggedIn::column(zh, "Qsdm");
  EXPECT_EQ(std::set<std::string>(q.begin(), q.end()),
            (std::set<std::string>{"htzq", "gxzq", "zxzq", "zgqh"}));
  EXPECT_EQ(q.size(), 4u);
  // The re-added account has no currency: its rows go to the settlement rate.
  LoggedIn::change(w.holdings(), "QSDM", "zxzq", {{"BIRATE", Value::number(7.1)}});
  w.ops->update_holdings_rates();
  ASSERT_TRUE(w.holdings().locate("QSDM", {Value::text("zxzq")}));
  EXPECT_EQ(w.holdings().get_double("BIRATE"), 1.0);
}

}  // namespace
}  // namespace vmx::store::reference::test
