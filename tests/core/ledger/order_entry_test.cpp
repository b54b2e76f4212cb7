#include "core/ledger/order_entry.h"

#include <gtest/gtest.h>

#include "core/ledger/holdings_views.h"
#include "core/ledger/ledger_fixture.h"

using namespace vmx;
using namespace vmx::ledger;
using namespace vmx::test;

namespace {

LedgerRow at(LedgerRow row, const char* qsdm, const char* zjzh, const char* gddm) {
  for (auto& [field, value] : row) {
    if (field == "QSDM") value = T(qsdm);
    if (field == "ZJZH") value = T(zjzh);
    if (field == "GDDM") value = T(gddm);
  }
  return row;
}

// The lists walk the holdings view (QSDM, ZJZH, then the order rows were
// added): each value once per run, cash rows left out of the shareholder
// codes, nothing from the total rows.
TEST(OrderEntry, BrokerAccountAndShareholderLists) {
  LedgerFixture f({
      at(security_row("600000", 100, 10, 10), "htzq", "1001", "A1"),
      at(cash_row(5000), "htzq", "1001", "xj"),
      at(security_row("600001", 100, 10, 10), "htzq", "1001", "A2"),
      at(security_row("600002", 100, 10, 10), "htzq", "1001", "A2"),
      at(security_row("600003", 100, 10, 10), "htzq", "1002", "B1"),
      at(cash_row(100, 1, "gxzq", "2001"), "gxzq", "2001", "xj"),
      {{"QSDM", T("zzc")}, {"CODE", T("zzc")}, {"LX", T("zzc")}, {"WTH", T("###")}},
  });
  EXPECT_EQ(broker_codes(*f.ledger), (std::vector<std::string>{"gxzq", "htzq"}));
  struct Case {
    const char *qsdm, *zjzh;
    std::vector<std::string> accounts, holders;
  };
  const Case cases[] = {
      {"htzq", "1001", {"1001", "1002"}, {"A1", "A2"}},
      {"htzq", "1002", {"1001", "1002"}, {"B1"}},
      {"gxzq", "2001", {"2001"}, {}},
      {"nobody", "1", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.qsdm) + "/" + c.zjzh);
    EXPECT_EQ(cash_accounts(*f.ledger, c.qsdm), c.accounts);
    EXPECT_EQ(shareholder_codes(*f.ledger, c.qsdm, c.zjzh), c.holders);
  }
}

TEST(OrderEntry, AffordableQuantitiesAndShortSelling) {
  struct Case {
    const char* price;
    std::optional<int64_t> balance, funds;
  };
  const Case cases[] = {
      {"10.5", 9523, 7619}, {" 3 ", 33333, 26666}, {"", {}, {}},       {"0", {}, {}},
      {"abc", {}, {}},      {"nan", {}, {}},       {"1e-300", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.price);
    const Affordable a = affordable_quantities(100000, 80000, c.price);
    EXPECT_EQ(a.on_balance, c.balance);
    EXPECT_EQ(a.on_funds, c.funds);
  }
  LedgerFixture f({cash_row(1000)});
  EXPECT_TRUE(may_sell_short(*f.lookups, "qh"));
  EXPECT_FALSE(may_sell_short(*f.lookups, "a"));
  EXPECT_FALSE(may_sell_short(*f.lookups, "none"));
}

// The detail list's row under its captions, as the main window hands it over.
TEST(OrderEntry, OrderListRowReadsTheDetailColumns) {
  LedgerFixture f({cash_row(1000)});
  app::HoldingsViews views(f.session);
  views.set_listing(app::HoldingsViews::Listing::PendingOrders);
  views.build_sql();
  views.reopen();
  EXPECT_FALSE(order_list_row(views.lower()));

  LedgerRow order = security_row("600000", -300, 10.5, 11, -1);
  order.push_back({"WTH", T("0403153012")});
  LedgerFixture g({cash_row(1000), order});
  app::HoldingsViews pending(g.session);
  pending.set_listing(app::HoldingsViews::Listing::PendingOrders);
  pending.build_sql();
  pending.reopen();
  const auto row = order_list_row(pending.lower());
  ASSERT_TRUE(row);
  EXPECT_EQ(row->wth, "0403153012");
  EXPECT_EQ(row->qsdm + row->qs + row->zjzh + row->gddm, "htzq华泰1001A001");
  EXPECT_EQ(row->lx + row->code + row->name, "a600000浦发银行");
  EXPECT_EQ(row->bs, -1);
  EXPECT_EQ(row->amt, -300);
  EXPECT_EQ(row->price1, 10.5);
  EXPECT_EQ(row->price2, 11);
  EXPECT_EQ(row->date1, Date::from_ymd(2001, 1, 2));
}

}  // namespace
