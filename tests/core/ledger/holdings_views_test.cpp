#include "core/ledger/holdings_views.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "core/install/installation.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;
using Listing = app::HoldingsViews::Listing;

namespace {

// A ledger row as the hand computation sees it.
struct Row {
  std::string wth, qsdm, zjzh, code, name;
  double amt = 0, cost2 = 0;
};

std::vector<Row> ledger_rows(Session& s) {
  Cursor c(s, "ubx", "tr2.DBF");
  c.open();
  std::vector<Row> rows;
  for (c.first(); !c.eof(); c.next())
    rows.push_back({c.get_string("WTH"), c.get_string("QSDM"), c.get_string("ZJZH"),
                    c.get_string("CODE"), c.get_string("NAME"), c.get_double("AMT"),
                    c.get_double("COST2")});
  return rows;
}

// The markers as plain byte comparisons: closed positions are "P" + a date,
// which sorts between "P" and "PA"; order numbers are digits.
bool open_row(const Row& r) { return r.wth > "PA" || r.wth < "P" || r.wth.empty(); }
bool detail_row(const Row& r) { return r.wth < "P" || r.wth >= "P999999" || r.wth.empty(); }
bool pending_order(const Row& r) {
  return r.wth < "999999" && r.wth > "0" && (r.code.empty() || r.code != "xj");
}

class HoldingsViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    init_installation(dir.path(), true, Date::from_ymd(2026, 12, 6));
    session.set_alias("ubx", dir.path() / "demo");
    rows = ledger_rows(session);
  }
  std::vector<std::string> column(Query& q, const char* name) {
    std::vector<std::string> out;
    const int c = q.column_index(name);
    for (size_t i = 0; i < q.count(); ++i) out.push_back(q.value_at(i, c).as_string());
    return out;
  }
  test::TempDir dir;
  Session session;
  std::vector<Row> rows;
};

}  // namespace

// Each listing choice against a walk over the demo ledger: which summary rows,
// which detail rows for every summary row, and the pending orders.
TEST_F(HoldingsViewsTest, ListingChoicesMatchAWalkOverTheLedger) {
  app::HoldingsViews views(session);
  struct Case {
    Listing listing;
    const char* key1;
    const char* key2;
    std::function<std::string(const Row&)> group;
    std::function<bool(const Row&, const Query&, Query&)> belongs;
  };
  const Case cases[] = {
      {Listing::ByCode, "CODE", "NAME", [](const Row& r) { return r.code + "|" + r.name; },
       [](const Row& r, const Query&, Query& up) { return r.code == up.get_string("CODE"); }},
      {Listing::ByAccount, "QSDM", "ZJZH", [](const Row& r) { return r.qsdm + "|" + r.zjzh; },
       [](const Row& r, const Query&, Query& up) {
         return r.qsdm == up.get_string("qsdm") && r.zjzh == up.get_string("zjzh");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.listing));
    views.set_listing(c.listing);
    views.build_sql();
    views.reopen();
    Query& up = views.upper();
    Query& low = views.lower();

    std::map<std::string, double> expected_value;  // ordered as the summary is
    for (const Row& r : rows)
      if (open_row(r)) expected_value[c.group(r)] += r.cost2;
    ASSERT_EQ(up.count(), expected_value.size());
    size_t i = 0;
    for (const auto& [key, value] : expected_value) {
      up.go_to_position(static_cast<long>(i++));
      EXPECT_EQ(up.get_string(c.key1) + "|" + up.get_string(c.key2), key);
      EXPECT_NEAR(up.get_double("市值"), value, 0.005) << key;
      // The detail list follows the summary's row.
      size_t expected_detail = 0;
      for (const Row& r : rows)
        if (detail_row(r) && c.belongs(r, low, up)) ++expected_detail;
      EXPECT_EQ(low.count(), expected_detail) << key;
      for (const std::string& wth : column(low, "委托号"))
        EXPECT_FALSE(wth.size() == 11 && wth[0] == 'P') << "closed row in the detail of " << key;
    }
  }

  // Pending orders: every security, whatever the summary's row; the summary
  // keeps the previous choice's text.
  const std::string summary = views.upper().text();
  views.set_listing(Listing::PendingOrders);
  views.build_sql();
  views.reopen();
  EXPECT_EQ(views.upper().text(), summary);
  std::multiset<std::string> expected;
  for (const Row& r : rows)
    if (pending_order(r)) expected.insert(r.wth + "|" + r.code);
  ASSERT_EQ(expected.size(), 2u);  // the demo's buy and sell awaiting confirmation
  std::multiset<std::string> got;
  for (size_t i = 0; i < views.lower().count(); ++i)
    got.insert(views.lower().value_at(i, 0).as_string() + "|" +
               views.lower().value_at(i, views.lower().column_index("代码")).as_string());
  EXPECT_EQ(got, expected);
  views.upper().last();
  EXPECT_EQ(views.lower().count(), 2u);
}

// With nothing in the ledger but a pending order, the summary is not empty
// either; with a truly empty summary the order list must still show.
TEST_F(HoldingsViewsTest, PendingOrdersDoNotDependOnTheSummary) {
  Cursor c(session, "ubx", "tr2.DBF");
  c.open();
  for (c.first(); !c.eof();) {
    if (pending_order({c.get_string("WTH"), "", "", c.get_string("CODE"), "", 0, 0}))
      c.next();
    else
      c.remove();
  }
  ASSERT_EQ(c.count(), 2u);
  app::HoldingsViews views(session);
  views.build_sql();
  views.reopen();
  EXPECT_EQ(views.upper().count(), 2u);
  views.set_listing(Listing::PendingOrders);
  views.upper().set_text("select code from \"tr2.dbf\" where code='none'");
  views.build_sql();
  views.reopen();
  EXPECT_EQ(views.upper().count(), 0u);
  EXPECT_EQ(views.lower().count(), 2u);
}

TEST_F(HoldingsViewsTest, TextsAreTheProgramsLineForLine) {
  EXPECT_EQ(app::HoldingsViews::upper_text(Listing::ByAccount),
            "SELECT distinct qsdm,zjzh, sum(cost2) as 市值\nfrom \"tr2.dbf\"\n"
            "where (wth>'PA' or wth<'P' or wth='')\nGROUP BY qsdm,zjzh\norder by qsdm,zjzh");
  EXPECT_EQ(app::HoldingsViews::upper_text(Listing::PendingOrders), "");
  const std::string lower = app::HoldingsViews::lower_text(Listing::PendingOrders);
  EXPECT_EQ(lower.substr(lower.find("\nFrom")),
            "\nFrom \"tr2.dbf\"\nWhere (wth<'999999' and  wth>'0') and (code='' or code<>'xj')\n"
            "order by qsdm,wth,code");
  EXPECT_EQ(app::HoldingsViews::upper_titles(Listing::ByAccount)[1], "资金账号");
}

// Re-binding ubx (a login as another account) closes both views.
TEST_F(HoldingsViewsTest, RebindingTheAccountClosesTheViews) {
  app::HoldingsViews views(session);
  views.build_sql();
  views.reopen();
  ASSERT_TRUE(views.lower().active());
  session.set_alias("ubx", dir.path() / "user");
  EXPECT_FALSE(views.upper().active());
  EXPECT_FALSE(views.lower().active());
  views.reopen();
  EXPECT_EQ(views.upper().count(), 0u);  // the other account's ledger is empty
}
