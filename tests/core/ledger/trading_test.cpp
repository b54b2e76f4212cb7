#include "core/ledger/trading.h"

#include <gtest/gtest.h>

#include <set>

#include "core/store/error.h"
#include "ledger_fixture.h"
#include "trade_form.h"

namespace vmx::test {
namespace {

using platform::ScriptedDialogs;
using store::Value;

struct Trading : ::testing::Test {
  LedgerFixture f{{cash_row(100000)}};
  ledger::Trading trading{*f.ledger, *f.lookups, f.clock};

  double amt(const std::string& code, const std::string& wth) {
    return f.row(code, wth).get_double("AMT");
  }
};

// The order row carries the signed quantity; the frozen-cash row minus the
// traded amount times the margin ratio; available funds move, cash does not.
TEST_F(Trading, OrderRowsAndFrozenCash) {
  struct Case {
    bool sell;
    const char* lx;
    double order_amt, frozen_amt, available;
  };
  const Case cases[] = {
      {false, "a", 1000, -10500, 89500},
      {true, "a", -1000, 10500, 110500},
      {false, "qh", 1000, -1050, 98950},  // futures: a tenth is reserved
  };
  for (const Case& c : cases) {
    LedgerFixture fx{{cash_row(100000)}};
    ledger::Trading t{*fx.ledger, *fx.lookups, fx.clock};
    const auto r = c.sell ? t.sell(form("600000", "1000", "10.5", c.lx))
                          : t.buy(form("600000", "1000", "10.5", c.lx));
    ASSERT_TRUE(r.done);
    EXPECT_EQ(r.order_number, c.sell ? "0403153000" : "01040315301");
    store::Cursor& o = fx.row("600000", r.order_number);
    EXPECT_EQ(o.get_double("AMT"), c.order_amt);
    EXPECT_FLOAT_EQ(o.get_double("PRICE1"), 10.5);
    EXPECT_EQ(o.get_int("BS"), 1);
    EXPECT_EQ(o.get_string("LX"), c.lx);
    EXPECT_TRUE(o.is_blank("COST1"));
    store::Cursor& x = fx.row("xj", r.order_number);
    EXPECT_FLOAT_EQ(x.get_double("AMT"), c.frozen_amt);
    EXPECT_EQ(x.get_string("CJ_DH"), "冻结资金");
    EXPECT_EQ(fx.ledger->zjzhxj("htzq", "1001"), c.available);
    EXPECT_EQ(fx.ledger->zjzhxj1("htzq", "1001"), 100000);
    ASSERT_FALSE(fx.dialogs.shown().empty());
    const auto& box = fx.dialogs.shown().front();
    EXPECT_EQ(box.kind, ScriptedDialogs::Kind::Acknowledge);
    EXPECT_EQ(box.text, c.sell ? ledger::kSellDone : ledger::kBuyDone);
    EXPECT_EQ(box.x, 300);
    EXPECT_EQ(box.y, 200);
  }
}

TEST_F(Trading, RefusalsWriteNothing) {
  const size_t before = f.ledger->cursor().count();
  EXPECT_FALSE(trading.buy(form("  ", "1000", "10")).done);
  EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{ledger::kNoCode});
  // A box that does not convert stops the order with the program's own words.
  auto bad_date = form("600000", "100", "10");
  bad_date.trade_date = "2001-02-30";
  const struct {
    ledger::TradeForm form;
    bool sell;
    std::string message;
  } bad[] = {
      {form("600000", " 12a ", "10"), false, "“12a”不是有效的数值"},
      {form("600000", "100", ""), true, "“”不是有效的数值"},
      {form("600000", "1e300", "10"), false, "“1e300”超出数值范围"},
      {bad_date, false, "“2001-02-30”不是有效的日期 (年-月-日)"},
  };
  for (const auto& c : bad) {
    try {
      c.sell ? trading.sell(c.form) : trading.buy(c.form);
      ADD_FAILURE() << c.message;
    } catch (const store::ConversionError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(f.ledger->cursor().count(), before);
}

// Buys of one minute: the first nine keep yymmddhhnn + counter; from the
// tenth on the number still fits WTH, is stored as returned and never repeats
// one in the ledger. A typed number counts as a buy; sells of one second
// differ too.
TEST_F(Trading, OrderNumbersFitAndNeverRepeat) {
  std::set<std::string> seen;
  for (int i = 1; i <= 12; ++i) {
    auto fm = form("600000", "100", "10");
    if (i == 5) fm.order_number = "55555";
    const auto r = trading.buy(fm);
    ASSERT_TRUE(r.done);
    if (i == 1) {
      EXPECT_EQ(r.order_number, "01040315301");
    } else if (i == 9) {
      EXPECT_EQ(r.order_number, "01040315309");
    } else if (i == 10) {
      EXPECT_EQ(r.order_number, "0104031530A");
    }
    EXPECT_LE(r.order_number.size(), 11u);
    EXPECT_GT(r.order_number, "0");
    EXPECT_LT(r.order_number, "999999");
    EXPECT_TRUE(seen.insert(r.order_number).second) << r.order_number;
    f.row("600000", r.order_number);  // stored exactly as returned
  }
  EXPECT_EQ(trading.order_numbers().counter(), 13);
  // A restarted window (counter back at 1) skips the numbers still pending.
  ledger::Trading again{*f.ledger, *f.lookups, f.clock};
  EXPECT_EQ(again.buy(form("600000", "100", "10")).order_number, "01040315305");
  // Sells in the same second.
  const auto s1 = trading.sell(form("600000", "100", "10"));
  const auto s2 = trading.sell(form("600000", "100", "10"));
  EXPECT_EQ(s1.order_number, "0403153000");
  EXPECT_EQ(s2.order_number, "04031530001");
  // A typed number longer than WTH is stored cut, and reported as stored.
  auto longer = form("600000", "100", "10");
  longer.order_number = "123456789012345";
  EXPECT_EQ(trading.buy(longer).order_number, "12345678901");
  EXPECT_EQ(ledger::stored_order_number("委托号码一二三"), "委托号码一");
}

TEST_F(Trading, CancelDeletesOrderAndFrozenCash) {
  const auto keep = trading.buy(form("600000", "100", "10"));
  const auto gone = trading.buy(form("600001", "200", "10"));
  f.dialogs.clear();
  auto c = form("600001", "200", "10");
  c.order_number = gone.order_number;
  EXPECT_TRUE(trading.cancel(c).done);
  EXPECT_EQ(f.rows_with_code("600001"), 0u);
  EXPECT_EQ(f.rows_with_code("xj"), 2u);  // the cash row and the kept order's reserve
  EXPECT_EQ(amt("xj", keep.order_number), -1000);
  EXPECT_EQ(f.ledger->zjzhxj1("htzq", "1001"), 100000);
  EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{ledger::kCancelDone});

  // No number: refused. A missing reserve asks; No keeps the order.
  f.dialogs.clear();
  EXPECT_FALSE(trading.cancel(form("600000", "100", "10")).done);
  f.row("xj", keep.order_number).remove();
  c = form("600000", "100", "10");
  c.order_number = keep.order_number;
  f.dialogs.answer_no();
  EXPECT_FALSE(trading.cancel(c).done);
  EXPECT_EQ(f.rows_with_code("600000"), 1u);
  f.dialogs.answer_yes();
  EXPECT_TRUE(trading.cancel(c).done);
  EXPECT_EQ(f.rows_with_code("600000"), 0u);
  EXPECT_EQ(f.dialogs.texts(),
            (std::vector<std::string>{ledger::kCancelNoNumber, ledger::kMissingFrozenCash,
                                      ledger::kMissingFrozenCash, ledger::kCancelDone}));
}

}  // namespace
}  // namespace vmx::test
