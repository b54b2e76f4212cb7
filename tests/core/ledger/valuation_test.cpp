#include "core/ledger/valuation.h"

#include <gtest/gtest.h>

#include "core/ledger/ledger_fixture.h"

using namespace vmx;
using namespace vmx::test;
using vmx::platform::ScriptedDialogs;

namespace {

TEST(Valuation, OneSecurityRowByDirection) {
  // 1000 bought at 10, now 12; type "a": commission 0.003, stamp duty 0.004.
  struct Case {
    int bs_in, bs_out;
    double cost2, income, inc;
  };
  const Case cases[] = {
      {1, 1, 12000, 1930, 19.3},
      {-1, -1, 8000, -2070, -20.7},
      {0, 1, 12000, 1930, 19.3},  // anything but -1 is long
      {2, 1, 12000, 1930, 19.3},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.bs_in);
    LedgerFixture f({security_row("600000", 1000, 10, 12, k.bs_in)});
    ASSERT_TRUE(f.valuation->up_calc());
    auto& c = f.row("600000");
    EXPECT_EQ(c.get_int("BS"), k.bs_out);
    EXPECT_DOUBLE_EQ(c.get_double("COST1"), 10000);
    EXPECT_DOUBLE_EQ(c.get_double("COST2"), k.cost2);
    EXPECT_DOUBLE_EQ(c.get_double("SXF"), 30);
    EXPECT_DOUBLE_EQ(c.get_double("YHS"), 40);
    EXPECT_DOUBLE_EQ(c.get_double("INCOME"), k.income);
    EXPECT_DOUBLE_EQ(c.get_double("INC"), k.inc);
    EXPECT_DOUBLE_EQ(c.get_double("PER"), 100);
    EXPECT_TRUE(f.dialogs.texts().empty());
    EXPECT_FALSE(f.ledger->valuation_pending());
  }
}

TEST(Valuation, CashAndOneLongRowWithTotals) {
  LedgerFixture f({cash_row(50000), security_row("600000", 1000, 10, 12)});
  for (int run = 0; run < 2; ++run) {  // a second run finds and rewrites the same total rows
    SCOPED_TRACE(run);
    ASSERT_TRUE(f.valuation->up_calc());
    EXPECT_EQ(f.valuation->market_label(), "市值=6.2万");
    // Discounted: cash at 1, the long row at its discount rate 0.9.
    EXPECT_EQ(f.valuation->discount_label(), "折扣总值=6.08万");
    EXPECT_DOUBLE_EQ(f.row("600000").get_double("PER"), 19.35);
    auto& cash = f.row("xj");
    EXPECT_DOUBLE_EQ(cash.get_double("PER"), 80.65);
    EXPECT_DOUBLE_EQ(cash.get_double("INC"), 0);
    EXPECT_EQ(cash.get_date("DATE1").serial(), 0);  // cash rows get no trade date

    auto& zzc = f.row("zzc", "###");
    EXPECT_EQ(zzc.get_string("QSDM"), "zzc");
    EXPECT_EQ(zzc.get_string("NAME"), "市价总值");
    EXPECT_EQ(zzc.get_string("QS"), "市价总");  // cut to the field's six bytes
    EXPECT_EQ(zzc.get_string("LXM"), "市价总");
    EXPECT_DOUBLE_EQ(zzc.get_double("AMT"), 60000);
    EXPECT_DOUBLE_EQ(zzc.get_double("COST1"), 60000);
    EXPECT_DOUBLE_EQ(zzc.get_double("COST2"), 62000);
    EXPECT_DOUBLE_EQ(zzc.get_double("INCOME"), 2000);
    EXPECT_DOUBLE_EQ(zzc.get_double("PRICE2"), 1.0333);  // 4 decimals stored
    EXPECT_DOUBLE_EQ(zzc.get_double("PER"), 100);
    auto& zzz = f.row("zzz", "###");
    EXPECT_EQ(zzz.get_string("NAME"), "折扣总值");
    EXPECT_DOUBLE_EQ(zzz.get_double("COST2"), 60800);
    EXPECT_DOUBLE_EQ(zzz.get_double("INCOME"), 800);
    EXPECT_DOUBLE_EQ(zzz.get_double("PER"), 98.06);
    EXPECT_EQ(f.rows_with_code("zzc"), 1u);
    EXPECT_EQ(f.rows_with_code("zzz"), 1u);
  }
}

// A cash row is worth its amount from the first run, whatever prices it came
// with: a new account's row has none, a row copied from a security keeps its.
TEST(Valuation, CashRowCountsItsAmountFromTheFirstRun) {
  LedgerRow copied = cash_row(50000, 10);
  copied.emplace_back("PRICE2", N(12));
  struct Case {
    const char* what;
    std::vector<LedgerRow> rows;
    const char* label;
    double cash_per;
  };
  const Case cases[] = {
      {"new account",
       {cash_row(50000, 0), security_row("600000", 1000, 10, 12)},
       "市值=6.2万",
       80.65},
      {"copied from a security",
       {copied, security_row("600000", 1000, 10, 12)},
       "市值=6.2万",
       80.65},
      {"the only row of a new ledger", {cash_row(50000, 0)}, "市值=5万", 100},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    LedgerFixture f(k.rows);
    for (int run = 0; run < 2; ++run) {
      ASSERT_TRUE(f.valuation->up_calc());
      EXPECT_TRUE(f.dialogs.texts().empty());  // no question about a price of 现金
      EXPECT_EQ(f.valuation->market_label(), k.label);
      auto& cash = f.row("xj");
      EXPECT_DOUBLE_EQ(cash.get_double("PRICE1"), 1);
      EXPECT_DOUBLE_EQ(cash.get_double("PRICE2"), 1);
      EXPECT_DOUBLE_EQ(cash.get_double("COST2"), 50000);
      EXPECT_DOUBLE_EQ(cash.get_double("PER"), k.cash_per);
    }
  }
}

TEST(Valuation, GainRateOfACostThatRoundsToZero) {
  struct Case {
    double amt, price1, inc;
  };
  const Case cases[] = {{1, 0.4, 9999.9}, {1, 0.6, 100.0 * (0.5 - 0.6 - 0.6 * 0.007) / 0.6}};
  for (const auto& k : cases) {
    LedgerFixture f({cash_row(1000), security_row("600000", k.amt, k.price1, 0.5)});
    ASSERT_TRUE(f.valuation->up_calc());
    EXPECT_NEAR(f.row("600000").get_double("INC"), k.inc, 1e-4) << k.price1;
  }
}

TEST(Valuation, StopsWithItsMessage) {
  LedgerRow untyped = security_row("600036", 100, 30, 31);
  for (auto& [field, value] : untyped)
    if (field == "LX") value = T("");
  struct Case {
    const char* name;
    std::vector<LedgerRow> rows;
    const char* message;
  };
  const Case cases[] = {
      {"zero total", {cash_row(0)}, ledger::kZeroTotalMessage},
      {"no rows", {}, ledger::kZeroTotalMessage},
      {"empty type", {cash_row(100), untyped}, ledger::kMissingTypeMessage},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    LedgerFixture f(k.rows);
    EXPECT_FALSE(f.valuation->up_calc());
    EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{k.message});
    EXPECT_EQ(f.rows_with_code("zzc") + f.rows_with_code("zzz"), 0u);
    EXPECT_TRUE(f.ledger->valuation_pending());
    EXPECT_EQ(f.valuation->market_label(), "市价总值=");
  }
}

TEST(Valuation, VisitsEveryRowWhenAnEmptyAccountNumberMovesItsRow) {
  // ZJZH "" becomes "?", which sorts after "1001": the row moves behind the
  // account's other rows, and they must still be valued once each.
  LedgerRow no_account = security_row("600000", 1000, 10, 12);
  for (auto& [field, value] : no_account)
    if (field == "ZJZH") value = T("");
  LedgerFixture f({no_account, cash_row(50000), security_row("600036", 100, 30, 31)});
  ASSERT_TRUE(f.valuation->up_calc());
  EXPECT_EQ(f.row("600000").get_string("ZJZH"), "?");
  EXPECT_DOUBLE_EQ(f.row("600036").get_double("COST2"), 3100);
  EXPECT_DOUBLE_EQ(f.row("zzc", "###").get_double("COST2"), 12000 + 50000 + 3100);
}

TEST(Valuation, FillsMissingFieldsAndRatesOnce) {
  LedgerRow bare = {{"QSDM", T("htzq")}, {"CODE", T("600000")}, {"LX", T("a")},
                    {"AMT", N(100)},     {"PRICE1", N(9)},      {"PRICE2", N(10)}};
  LedgerFixture f({bare, cash_row(1000)});
  ASSERT_TRUE(f.valuation->up_calc());
  auto& c = f.row("600000");
  EXPECT_EQ(c.get_string("ZJZH"), "?");
  EXPECT_EQ(c.get_string("GDDM"), "?");
  EXPECT_EQ(c.get_string("QS"), "华泰");
  EXPECT_EQ(c.get_string("LXM"), "A股");
  EXPECT_FALSE(c.get_string("NAME").empty());
  EXPECT_EQ(c.get_int("BS"), 1);
  EXPECT_DOUBLE_EQ(c.get_double("BIRATE"), 1);
  EXPECT_DOUBLE_EQ(c.get_double("ZK_RATE"), 1);
  EXPECT_EQ(c.get_date("DATE1"), f.clock.today());
}

TEST(Valuation, TotalsWithoutAnyCostKeepAZeroRatio) {
  // Every price paid 0: a value without cost must not end in a division by zero.
  LedgerFixture f({security_row("600000", 1000, 0, 12)});
  ASSERT_TRUE(f.valuation->up_calc());
  auto& zzc = f.row("zzc", "###");
  EXPECT_DOUBLE_EQ(zzc.get_double("COST2"), 12000);
  EXPECT_DOUBLE_EQ(zzc.get_double("PRICE2"), 0);
  EXPECT_DOUBLE_EQ(zzc.get_double("INC"), 9999.9);
}

TEST(Valuation, LabelsOfTheStoredTotalsAndInWan) {
  LedgerFixture f({cash_row(50000), security_row("600000", 1000, 10, 12)});
  ledger::Valuation fresh(*f.ledger, *f.lookups, f.dialogs, f.clock);
  fresh.load_labels();
  EXPECT_EQ(fresh.market_label(), "市价总值=");
  ASSERT_TRUE(f.valuation->up_calc());
  fresh.load_labels();
  EXPECT_EQ(fresh.market_label(), "市价总值=6.2万");
  EXPECT_EQ(fresh.discount_label(), "折扣总值=6.08万");

  const std::pair<double, const char*> wan[] = {
      {62000, "6.2"}, {0, "0"}, {150, "0.02"}, {250, "0.02"}, {-1234567, "-123.46"}, {50, "0"}};
  for (const auto& [x, text] : wan) EXPECT_EQ(ledger::Valuation::in_wan(x), text) << x;
}

TEST(Valuation, UpCalcSwitchesToTheHoldingsViewAndRefreshesViewsOnce) {
  LedgerFixture f({cash_row(50000), security_row("600000", 1000, 10, 12)});
  f.ledger->set_view(ledger::Ledger::View::Closed);
  ASSERT_TRUE(f.valuation->up_calc());
  EXPECT_EQ(f.ledger->view(), ledger::Ledger::View::Holdings);
  EXPECT_EQ(f.ledger->cursor().index_name(), "NO_PC");

  int resets = 0, others = 0;
  f.ledger->cursor().observe(
      [&](store::Cursor::Event e) { (e == store::Cursor::Event::Reset ? resets : others)++; });
  ASSERT_TRUE(f.valuation->up_calc());
  EXPECT_EQ(others, 0);
  EXPECT_EQ(resets, 1);
}

TEST(Valuation, SinglePrecisionWorkingValuesAndCurrencyRates) {
  LedgerRow usd_cash = cash_row(1000, 1, "htzq", "2002");
  for (auto& [field, value] : usd_cash)
    if (field == "BIRATE") value = N(7.1);
  LedgerFixture f({cash_row(2900), usd_cash, security_row("600000", 10000, 9.85, 9.85)});
  auto& accounts = f.lookups->account_currencies();
  accounts.append();
  accounts.set_string("Qsdm", "htzq");
  accounts.set_string("Zjzh", "2002");
  accounts.set_string("Bicode", "USD");  // any case
  accounts.post();

  ASSERT_TRUE(f.valuation->up_calc());
  // 9.85 held in single precision is 9.8500003814...: the stored cost shows it.
  EXPECT_DOUBLE_EQ(f.row("600000").get_double("COST1"), 98500.0038);
  EXPECT_DOUBLE_EQ(f.row("600000").get_double("COST2"), 98500);
  // Totals in the settlement currency: 2900 + 1000 x 7.1 + 98500.
  EXPECT_NEAR(f.row("zzc", "###").get_double("COST2"), 108500, 0.01);
  f.ledger->cursor().locate("ZJZH", {T("2002")});
  EXPECT_DOUBLE_EQ(f.ledger->cursor().get_double("PER"), 6.54);  // 7100 of 108500
}

}  // namespace
