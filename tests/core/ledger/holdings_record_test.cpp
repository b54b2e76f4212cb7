#include "core/ledger/holdings_record.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/ledger/ledger_fixture.h"

using namespace vmx;
using namespace vmx::ledger;
using namespace vmx::test;

namespace {

TEST(HoldingsRecord, RowKindsAndMarkerPredicates) {
  struct Case {
    const char *wth, *code, *lx, *qsdm, *cj_dh;
    RowKind kind;
    bool open, closed, order;
  };
  // clang-format off
  const Case cases[] = {
      {"",            "600000", "a",   "htzq", "",         RowKind::Position,      true,  false, false},
      {"",            "xj",     "xj",  "htzq", "",         RowKind::Cash,          true,  false, false},
      {"01040315301", "xj",     "xj",  "htzq", "冻结资金", RowKind::FrozenCash,    true,  false, true},
      {"01040315301", "600000", "a",   "htzq", "",         RowKind::PendingOrder,  true,  false, true},
      {"0403153012",  "600000", "a",   "htzq", "",         RowKind::PendingOrder,  true,  false, true},
      {"1",           "600000", "a",   "htzq", "",         RowKind::PendingOrder,  true,  false, true},
      {"999998",      "600000", "a",   "htzq", "",         RowKind::PendingOrder,  true,  false, true},
      {"0???",        "600000", "a",   "htzq", "",         RowKind::UnmatchedSell, true,  false, true},
      {"P2001040300", "600000", "a",   "htzq", "0403153012", RowKind::Closed,      false, true,  false},
      {"P980401",     "600000", "a",   "htzq", "",         RowKind::Closed,        false, true,  false},
      {"P",           "600000", "a",   "htzq", "",         RowKind::Closed,        false, true,  false},
      {"###",         "600000", "a",   "htzq", "",         RowKind::NotAtBroker,   true,  false, false},
      {"###",         "zzc",    "zzc", "zzc",  "",         RowKind::Total,         true,  false, false},
      {"###",         "zzz",    "zzz", "zzz",  "",         RowKind::Total,         true,  false, false},
      {"",            "zzc",    "zzc", "",     "",         RowKind::Total,         true,  false, false},
      {"b",           "600000", "a",   "htzq", "",         RowKind::ManualMark,    true,  false, false},
      {"s",           "600000", "a",   "htzq", "",         RowKind::ManualMark,    true,  false, false},
      {"PA",          "600000", "a",   "htzq", "",         RowKind::ManualMark,    true,  false, false},
      {"0",           "600000", "a",   "htzq", "",         RowKind::ManualMark,    true,  false, false},
      {"999999",      "600000", "a",   "htzq", "",         RowKind::ManualMark,    true,  false, false},
  };
  // clang-format on
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string("WTH '") + k.wth + "' CODE " + k.code);
    EXPECT_STREQ(kind_name(classify({k.wth, k.code, k.lx, k.qsdm, k.cj_dh})), kind_name(k.kind));
    EXPECT_EQ(is_open_marker(k.wth), k.open);
    EXPECT_EQ(is_closing_mark(k.wth), k.closed);
    EXPECT_EQ(is_order_number(k.wth), k.order);
  }
  // The main window's wider order test and its open-row list.
  EXPECT_TRUE(is_order_number_wide("99999999"));
  EXPECT_FALSE(is_order_number("99999999"));
  EXPECT_FALSE(is_listed_open("P2001040300"));
  EXPECT_TRUE(is_listed_open("P999999"));
  EXPECT_TRUE(is_listed_open(""));
  EXPECT_TRUE(is_listed_open("0???"));
}

TEST(HoldingsRecord, ClosingMarkOfADate) {
  EXPECT_EQ(closing_mark(Date::from_ymd(2001, 4, 3)), "P2001040300");
  EXPECT_EQ(closing_mark(Date::from_ymd(1998, 12, 31)), "P1998123100");
  EXPECT_TRUE(is_closing_mark(closing_mark(Date::from_ymd(2099, 12, 31))));
}

TEST(LedgerWalks, CashBalanceAndAvailableFunds) {
  // The frozen-cash row of the pending buy stands before the account's cash
  // row (a cash row a settlement created later), and shares its CODE "xj".
  LedgerRow frozen_buy = cash_row(-20000);
  frozen_buy.push_back({"WTH", T("01040315301")});
  frozen_buy.push_back({"CJ_DH", T("冻结资金")});
  LedgerRow buy = security_row("601318", 400, 50, 50);
  buy.push_back({"WTH", T("01040315301")});
  LedgerRow frozen_sell = cash_row(19300, 1, "gxzq", "3000");
  frozen_sell.push_back({"WTH", T("0403100217")});
  frozen_sell.push_back({"CJ_DH", T("冻结资金")});
  LedgerFixture f({frozen_buy, cash_row(100000), buy, cash_row(5000.9, 1, "gxzq", "3000"),
                   frozen_sell, cash_row(7, 1, "htzq", "1002"),
                   security_row("600000", 1000, 10, 12)});

  struct Case {
    const char *qsdm, *zjzh;
    int64_t balance, available;
  };
  const Case cases[] = {
      {"htzq", "1001", 100000, 80000},  // a pending buy reserves 20000
      {"gxzq", "3000", 5000, 24300},    // a pending sell announces 19300
      {"htzq", "1002", 7, 7},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.qsdm) + "/" + k.zjzh);
    EXPECT_EQ(f.ledger->zjzhxj1(k.qsdm, k.zjzh), k.balance);
    EXPECT_EQ(f.ledger->zjzhxj(k.qsdm, k.zjzh), k.available);
    // The walk leaves the cursor on the account's last row.
    EXPECT_EQ(f.ledger->cursor().get_string("ZJZH"), k.zjzh);
  }
  EXPECT_TRUE(f.dialogs.texts().empty());

  for (auto [qsdm, zjzh] : {std::pair{"htzq", "9999"}, {"HTZQ", "1001"}, {"", ""}}) {
    f.dialogs.clear();
    EXPECT_EQ(f.ledger->zjzhxj1(qsdm, zjzh), 0);
    EXPECT_EQ(f.ledger->zjzhxj(qsdm, zjzh), 0);
    EXPECT_EQ(f.dialogs.texts(),
              (std::vector<std::string>{"找不到相应的资金帐号", "找不到相应的资金帐号"}));
  }
  // An account with rows but no cash row: no balance, but funds from its rows.
  f.dialogs.clear();
  LedgerFixture g({frozen_buy, buy});
  EXPECT_EQ(g.ledger->zjzhxj1("htzq", "1001"), 0);
  EXPECT_EQ(g.dialogs.texts(), std::vector<std::string>{"找不到相应的资金帐号"});
  EXPECT_EQ(g.ledger->zjzhxj("htzq", "1001"), -20000);
}

TEST(LedgerWalks, WorkInTheHoldingsViewWhateverTheCurrentView) {
  LedgerRow closed = security_row("600000", 100, 10, 11);
  closed.push_back({"WTH", T("P2001040300")});
  LedgerFixture f({closed, cash_row(300)});
  f.ledger->set_view(ledger::Ledger::View::Closed);
  EXPECT_EQ(f.ledger->cursor().count(), 1u);
  EXPECT_EQ(f.ledger->zjzhxj1("htzq", "1001"), 300);
  EXPECT_EQ(f.ledger->view(), ledger::Ledger::View::Holdings);
  EXPECT_EQ(f.ledger->cursor().count(), 1u);
}

// A row read and written back changes no byte; a change starts an edit and
// touches only its field; a blank number stays blank unless given a value.
TEST(HoldingsRecord, TypedRowWritesOnlyWhatChanges) {
  LedgerFixture f({security_row("600000", 1000, 10.5, 12)});  // COST1 ... PER blank
  store::Cursor& c = f.ledger->cursor();
  const size_t size = c.table().file().record_size();
  const uint8_t* stored = c.table().record(c.current_row());
  const std::vector<uint8_t> before(stored, stored + size);
  struct Case {
    const char* what;
    std::function<void(HoldingsRow&)> change;
    const char* field;  // the one field whose bytes change; nullptr: none
    const char* now;    // its stored text afterwards
  };
  const Case cases[] = {
      {"nothing", [](HoldingsRow&) {}, nullptr, ""},
      {"same stored digits", [](HoldingsRow& r) { r.amt = r.amt + 1e-9; }, nullptr, ""},
      {"blank number given 0", [](HoldingsRow& r) { r.sxf = 0; }, "SXF", "0"},
      {"number blanked", [](HoldingsRow& r) { r.price2 = StoredNumber(); }, "PRICE2", ""},
      {"text cut to its width", [](HoldingsRow& r) { r.qs = "华泰证券公司"; }, "QS", "华泰证"},
      {"date", [](HoldingsRow& r) { r.date2 = Date::from_ymd(2001, 4, 3); }, "DATE2", "2001-04-03"},
  };
  const HoldingsFields fields(c);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const HoldingsRow was = fields.read(c);
    HoldingsRow row = was;
    k.change(row);
    fields.write(c, row, was);
    EXPECT_EQ(c.state(), k.field ? store::Cursor::State::Edit : store::Cursor::State::Browse);
    if (k.field) {
      EXPECT_EQ(c.get_string(k.field), k.now);
      c.cancel();
    }
  }
  EXPECT_EQ(std::vector<uint8_t>(stored, stored + size), before);
}

}  // namespace
