#include "core/ledger/settlement.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/ledger/holdings_record.h"
#include "ledger_fixture.h"
#include "trade_form.h"

namespace vmx::test {
namespace {

using ledger::SettleOutcome;
using store::Value;

// The form in follow-up mode for an order entered with `entry`.
ledger::TradeForm follow_up(ledger::TradeForm entry, const std::string& number,
                            const char* quantity) {
  entry.order_number = number;
  entry.quantity = quantity;
  return entry;
}

// A ledger with its trading operations, and ways to look at the result.
struct Book {
  explicit Book(const std::vector<LedgerRow>& rows = {cash_row(100000)}) : f(rows) {}
  LedgerFixture f;
  ledger::Trading trading{*f.ledger, *f.lookups, f.clock};

  // Enters an order and settles it with `settled` as the executed quantity.
  ledger::SettleResult enter_and_settle(const ledger::TradeForm& entry, bool sell,
                                        const char* settled) {
    const auto r = sell ? trading.sell(entry) : trading.buy(entry);
    EXPECT_TRUE(r.done);
    return ledger::settle(trading, follow_up(entry, r.order_number, settled));
  }
  double cash() {
    store::Cursor& c = f.ledger->cursor();
    EXPECT_TRUE(c.locate("CODE;WTH", {Value::text("xj"), Value::text("")}));
    return c.get_double("AMT");
  }
  // AMT of the open positions of `code`, in the holdings view's order.
  std::vector<double> open_positions(const std::string& code) {
    std::vector<double> out;
    store::Cursor& c = f.ledger->cursor();
    for (c.first(); !c.eof(); c.next())
      if (c.get_string("CODE") == code && c.get_string("WTH").empty())
        out.push_back(c.get_double("AMT"));
    return out;
  }
  // Closed rows are outside the holdings view: read the file in its own order.
  store::Cursor& whole_file() {
    if (!m_all.active()) m_all.open();
    return m_all;
  }
  std::vector<double> closed(const std::string& code) {
    std::vector<double> out;
    store::Cursor& c = whole_file();
    for (c.first(); !c.eof(); c.next())
      if (c.get_string("CODE") == code && c.get_string("WTH") == "P2001040300")
        out.push_back(c.get_double("AMT"));
    return out;
  }

 private:
  store::Cursor m_all{f.session, "ubx", "tr2.DBF"};
};

struct Settle : ::testing::Test, Book {};

TEST(SettlementCash, Figures) {
  EXPECT_NEAR(ledger::settlement_cash(1000, 10, 1, 0.003f, 0.004f), 10070, 1e-3);
  EXPECT_NEAR(ledger::settlement_cash(-1000, 10, 1, 0.003f, 0.004f), -9930, 1e-3);
  EXPECT_NEAR(ledger::settlement_cash(1000, 10.5f, 0.1f, 0, 0), 1050, 1e-3);
}

// A buy becomes a position, charged once with fees; the matching sell closes
// it and credits the proceeds after fees; no frozen cash is left.
TEST_F(Settle, BuyThenSellMoveCashOnce) {
  const auto b = enter_and_settle(form("600000", "1000", "10"), false, "1000");
  EXPECT_EQ(b.outcome, SettleOutcome::Settled);
  EXPECT_NEAR(cash(), 100000 - 10070, 1e-3);
  EXPECT_EQ(open_positions("600000"), std::vector<double>{1000});
  store::Cursor& p = f.row("600000");
  EXPECT_EQ(p.get_string("CJ_DH"), b.order_number);
  EXPECT_EQ(p.get_date("DATE1"), Date::from_ymd(2001, 4, 3));
  EXPECT_EQ(f.rows_with_code("xj"), 1u);

  f.clock.set({Date::from_ymd(2001, 4, 3), 15, 31});
  const auto s = enter_and_settle(form("600000", "1000", "10"), true, "-1000");
  EXPECT_EQ(s.outcome, SettleOutcome::Settled);
  EXPECT_NEAR(cash(), 100000 - 10070 + 9930, 1e-3);
  EXPECT_TRUE(open_positions("600000").empty());
  EXPECT_EQ(closed("600000"), (std::vector<double>{1000, -1000}));
  store::Cursor& sold = whole_file();
  ASSERT_TRUE(sold.locate("CODE;AMT", {Value::text("600000"), Value::number(-1000)}));
  EXPECT_EQ(sold.get_string("WTH"), "P2001040300");
  EXPECT_NEAR(sold.get_double("COST1"), -10000, 1e-3);
  EXPECT_NEAR(sold.get_double("SXF"), -30, 1e-3);
  EXPECT_NEAR(sold.get_double("YHS"), -40, 1e-3);
  EXPECT_EQ(sold.get_string("CJ_DH"), s.order_number);
  EXPECT_EQ(f.rows_with_code("xj"), 1u);
  EXPECT_EQ(f.dialogs.texts().back(), ledger::kSettleDone);
}

// Exact quantity first, otherwise positions in view order, the last split.
TEST(SettleMatching, ExactFirstThenViewOrderSplittingTheLast) {
  struct Case {
    const char* sold;
    std::vector<double> closed, open;
  };
  const Case cases[] = {
      {"-300", {100, 200, -300}, {300}},
      {"-500", {500, -500}, {100}},
      {"-600", {100, 500, -600}, {}},
  };
  for (const Case& c : cases) {
    auto pos100 = security_row("600000", 100, 8, 9);
    auto pos500 = security_row("600000", 500, 7, 9);
    pos500.push_back({"DATE1", Value::date(Date::from_ymd(2000, 6, 1))});
    Book fx({cash_row(100000), pos100, pos500});
    const auto r = fx.enter_and_settle(form("600000", "1", "10"), true, c.sold);
    EXPECT_EQ(r.outcome, SettleOutcome::Settled) << c.sold;
    EXPECT_EQ(fx.closed("600000"), c.closed) << c.sold;
    EXPECT_EQ(fx.open_positions("600000"), c.open) << c.sold;
    if (c.open == std::vector<double>{300}) {
      // The new row carries the split position's buy price and date.
      store::Cursor& n = fx.f.ledger->cursor();
      ASSERT_TRUE(
          n.locate("CODE;WTH;AMT", {Value::text("600000"), Value::text(""), Value::number(300)}));
      EXPECT_FLOAT_EQ(n.get_double("PRICE1"), 7);
      EXPECT_EQ(n.get_date("DATE1"), Date::from_ymd(2000, 6, 1));
      EXPECT_FLOAT_EQ(n.get_double("PRICE2"), 10);
    }
  }
}

// A corrected quantity is the one settled and charged; a missing cash row is
// created holding minus the money moved, and reported.
TEST(SettleCash, CorrectedQuantityAndMissingCashRow) {
  Book fx({security_row("600000", 100, 8, 9)});
  const auto r = fx.enter_and_settle(form("600001", "1000", "10"), false, "500");
  EXPECT_EQ(r.outcome, SettleOutcome::Settled);
  EXPECT_EQ(fx.open_positions("600001"), std::vector<double>{500});
  EXPECT_NEAR(fx.cash(), -5035, 1e-3);
  const auto texts = fx.f.dialogs.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), ledger::kCashRowCreated), texts.end());
}

// A second order under a settled number asks first; Yes stops with nothing
// changed. An order number nobody has is refused.
TEST_F(Settle, DoubleSettlementAndChecks) {
  auto entry = form("600000", "100", "10");
  entry.order_number = "A1";
  ASSERT_EQ(enter_and_settle(entry, false, "100").outcome, SettleOutcome::Settled);
  const double after_first = cash();
  trading.buy(entry);
  f.dialogs.answer_yes();
  EXPECT_EQ(ledger::settle(trading, follow_up(entry, "A1", "100")).outcome,
            SettleOutcome::Declined);
  EXPECT_EQ(cash(), after_first);
  EXPECT_EQ(f.rows_with_code("600000"), 2u);

  EXPECT_EQ(ledger::settle(trading, follow_up(entry, "", "100")).outcome,
            SettleOutcome::NoOrderNumber);
  EXPECT_EQ(ledger::settle(trading, follow_up(entry, "nosuch", "100")).outcome,
            SettleOutcome::OrderNotFound);
  // Quantity 0 cancels the order instead.
  f.dialogs.clear();
  const auto z = ledger::settle(trading, follow_up(entry, "A1", "0"));
  EXPECT_EQ(z.outcome, SettleOutcome::ZeroQuantity);
  EXPECT_TRUE(z.cancel_result.done);
  EXPECT_EQ(f.rows_with_code("600000"), 1u);
}

// A sell larger than the holding: the held 100 close, the order row stays as
// the "0???" remainder of 200, and cash plus frozen cash hold the whole
// sale's proceeds after fees. Settling the remainder once the holding is
// mended moves no money twice.
TEST(SettleUnmatched, RemainderKeepsMoneyWhole) {
  Book fx({cash_row(100000), security_row("600000", 100, 8, 9)});
  const auto entry = form("600000", "300", "10");
  const auto r = fx.enter_and_settle(entry, true, "-300");
  EXPECT_EQ(r.outcome, SettleOutcome::Settled);
  EXPECT_TRUE(r.unmatched);
  const double whole = 300 * 10 * (1 - 0.007);
  EXPECT_NEAR(fx.f.ledger->zjzhxj("htzq", "1001"), std::trunc(100000 + whole), 1);
  EXPECT_NEAR(fx.cash(), 100000 + 100 * 10 * (1 - 0.007), 1e-2);
  store::Cursor& rest = fx.f.row("600000", ledger::kUnmatchedSell);
  EXPECT_EQ(rest.get_double("AMT"), -200);
  EXPECT_EQ(rest.get_string("CJ_DH"), r.order_number);
  fx.f.row("xj", r.order_number);  // the remainder's frozen cash, under the order number
  EXPECT_EQ(fx.closed("600000"), std::vector<double>{100});

  // The user enters the missing position, then settles the remainder.
  store::Cursor& c = fx.f.ledger->cursor();
  c.append();
  for (const auto& [k, v] : security_row("600000", 200, 8, 9)) c.set(k, v);
  c.post();
  const auto again = ledger::settle(fx.trading, follow_up(entry, ledger::kUnmatchedSell, "-200"));
  EXPECT_EQ(again.outcome, SettleOutcome::Settled);
  EXPECT_FALSE(again.unmatched);
  EXPECT_NEAR(fx.cash(), 100000 + whole, 1e-2);
  EXPECT_EQ(fx.f.rows_with_code("xj"), 1u);
  EXPECT_TRUE(fx.open_positions("600000").empty());
}

// Cancelling a remainder finds its frozen-cash row under the order number.
TEST(SettleUnmatched, RemainderCancels) {
  Book fx({cash_row(100000)});
  const auto entry = form("600000", "300", "10");
  ASSERT_TRUE(fx.enter_and_settle(entry, true, "-300").unmatched);
  fx.f.dialogs.clear();
  EXPECT_TRUE(fx.trading.cancel(follow_up(entry, ledger::kUnmatchedSell, "-300")).done);
  EXPECT_EQ(fx.f.dialogs.texts(), std::vector<std::string>{ledger::kCancelDone});
  EXPECT_EQ(fx.f.rows_with_code("600000"), 0u);
  EXPECT_EQ(fx.f.rows_with_code("xj"), 1u);
  EXPECT_EQ(fx.cash(), 100000);
}

// A value the ledger cannot hold fails after the frozen cash went: the error
// is shown as ignored, no success message, and what was posted stays.
TEST_F(Settle, FailureAfterStepSixIsShownAndStops) {
  const auto entry = form("600000", "100", "10");
  const auto r = trading.buy(entry);
  f.dialogs.clear();
  auto fm = follow_up(entry, r.order_number, "100");
  fm.price = "1e30";
  EXPECT_EQ(ledger::settle(trading, fm).outcome, SettleOutcome::Failed);
  ASSERT_EQ(f.dialogs.texts().size(), 1u);
  EXPECT_EQ(f.dialogs.texts()[0].rfind("Ignoring exception: ", 0), 0u) << f.dialogs.texts()[0];
  EXPECT_EQ(f.rows_with_code("xj"), 1u);
  EXPECT_EQ(cash(), 100000);
}

}  // namespace
}  // namespace vmx::test
