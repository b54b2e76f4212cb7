#include "core/ledger/corporate_actions.h"

#include <gtest/gtest.h>

#include "ledger_fixture.h"

namespace vmx::test {
namespace {

using store::Value;

Date day(int m, int d) { return Date::from_ymd(2001, m, d); }

LedgerRow with(LedgerRow row, std::vector<std::pair<std::string, Value>> changes) {
  for (auto& [field, value] : changes) {
    bool replaced = false;
    for (auto& cell : row)
      if (cell.first == field) cell.second = value, replaced = true;
    if (!replaced) row.emplace_back(field, value);
  }
  return row;
}

struct Action {
  const char* sph;
  double num, price, tax;
};

// One position of 1000 at 13 bought before the record date, in an account
// with 50000 cash, beside rows that must never be touched: the same code
// bought after the record date, a pending order, a closed position, another
// security.
std::vector<LedgerRow> ledger_rows() {
  return {security_row("600000", 1000, 13, 13),
          cash_row(50000),
          with(security_row("600000", 200, 14, 14), {{"DATE1", Value::date(day(3, 5))}}),
          with(security_row("600000", 300, 12, 12), {{"WTH", T("0101021030")}}),
          with(security_row("600000", 400, 11, 12), {{"WTH", T("P2001020100")}}),
          security_row("000001", 500, 8, 8)};
}

void add_action(ledger::CorporateActions& actions, const Action& a) {
  store::Cursor& c = actions.cursor();
  c.append();
  c.set_date("Dj_date", day(3, 1));
  c.set_string("Code", "600000");
  c.set_string("Sph", a.sph);
  c.set_double("Num", a.num);
  c.set_double("Price", a.price);
  c.set_double("Tax", a.tax);
  c.post();
}

TEST(CorporateActions, ProcessingChangesThePositionsBeforeTheRecordDate) {
  struct Case {
    const char* what;
    Action action;
    bool move_cash;
    double amt, price1, cash;
    const char* note;
    const char* amt1;  // nullptr: refused with `message`
    const char* amt2;
    const char* amt12;
    const char* message;
  };
  const Case cases[] = {
      {"bonus 3/10",
       {"s", 3, 0, 0},
       true,
       1300,
       10,
       50000,
       "送3",
       "1000股",
       "300股",
       "1300股",
       "1个记录中有,1000股；处理成功！"},
      {"rights 3/10 at 5",
       {"p", 3, 5, 0},
       true,
       1300,
       145.0 / 13,
       48500,
       "配3",
       "1000股",
       "300股",
       "1300股",
       "1个记录中有,1000股；处理成功！"},
      {"rights, cash left alone",
       {"p", 3, 5, 0},
       false,
       1300,
       145.0 / 13,
       50000,
       "配3",
       "1000股",
       "300股",
       "1300股",
       "1个记录中有,1000股；处理成功！"},
      // The cash gets the dividend before tax; the note says what is left after it.
      {"dividend 2/10, tax 0.2",
       {"h", 2, 0, 0.2},
       true,
       1000,
       12.84,
       50200,
       "派2",
       "1000股",
       "160元",
       "1000股",
       "1个记录中有,1000股；处理成功！"},
      {"ratio with a fraction",
       {"s", 2.5, 0, 0},
       false,
       1250,
       10.4,
       50000,
       "送2.5",
       "1000股",
       "250股",
       "1250股",
       "1个记录中有,1000股；处理成功！"},
      {"unknown kind",
       {"x", 3, 0, 0},
       true,
       1000,
       13,
       50000,
       "",
       nullptr,
       "",
       "",
       ledger::kActionBadKind},
      {"no ratio",
       {"s", 0, 0, 0},
       true,
       1000,
       13,
       50000,
       "",
       nullptr,
       "",
       "",
       ledger::kActionIncomplete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LedgerFixture f(ledger_rows());
    ledger::CorporateActions actions(f.session);
    add_action(actions, c.action);
    const auto out = actions.process_current(f.dialogs, c.move_cash);
    EXPECT_EQ(out.processed, c.amt1 != nullptr);
    EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{c.message});

    store::Cursor h(f.session, "ubx", "tr2.DBF");
    h.open();
    ASSERT_TRUE(h.locate("CODE;WTH;DATE1", {T("600000"), T(""), Value::date(day(1, 2))}));
    EXPECT_NEAR(h.get_double("AMT"), c.amt, 1e-4);
    EXPECT_NEAR(h.get_double("PRICE1"), c.price1, 1e-4);
    EXPECT_EQ(h.get_string("NOTE"), c.note);
    ASSERT_TRUE(h.locate("CODE", {T("xj")}));
    EXPECT_NEAR(h.get_double("AMT"), c.cash, 1e-4);
    // Untouched: bought after the record date, pending, closed, another code.
    const std::pair<const char*, double> others[] = {
        {"", 200}, {"0101021030", 300}, {"P2001020100", 400}};
    for (const auto& [wth, amt] : others) {
      ASSERT_TRUE(h.locate("CODE;WTH;AMT", {T("600000"), T(wth), N(amt)})) << wth;
      EXPECT_EQ(h.get_string("NOTE"), "") << wth;
    }
    ASSERT_TRUE(h.locate("CODE", {T("000001")}));
    EXPECT_EQ(h.get_double("AMT"), 500);
    EXPECT_EQ(h.get_double("PRICE1"), 8);

    store::Cursor& a = actions.cursor();
    EXPECT_EQ(a.get_string("Amt1"), c.amt1 ? c.amt1 : "");
    EXPECT_EQ(a.get_string("Amt2"), c.amt2);
    EXPECT_EQ(a.get_string("Amt12"), c.amt12);
    if (!c.amt1) continue;
    // Pressing the button again on the same row is refused and changes nothing.
    f.dialogs.clear();
    EXPECT_FALSE(actions.process_current(f.dialogs, c.move_cash).processed);
    EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{ledger::kActionAlreadyDone});
    ASSERT_TRUE(h.locate("CODE;WTH;DATE1", {T("600000"), T(""), Value::date(day(1, 2))}));
    EXPECT_NEAR(h.get_double("AMT"), c.amt, 1e-4);
  }
}

// Other accounts copy what 我的帐户 entered: from its last rows, those they lack.
TEST(CorporateActions, FetchTakesTheSharedTablesLastRowsThisTableLacks) {
  LedgerFixture f({});
  const auto shared_dir = f.dir.path() / "shared";
  std::filesystem::create_directory(shared_dir);
  std::filesystem::copy_file(
      store::resolve_case_insensitive(f.dir.path() / "inst" / "empty", "sph.db"),
      shared_dir / "sph.db");
  {
    store::Cursor s(f.session, shared_dir.string(), "sph.db");
    s.open();
    for (int d = 1; d <= 13; ++d) {
      s.append();
      s.set_date("Dj_date", day(5, d));
      s.set_string("Code", "600000");
      s.set_string("Sph", "h");
      s.set_double("Num", d);
      s.set_string("Amt1", "1000股");
      s.post();
    }
  }
  ledger::CorporateActions actions(f.session);
  add_action(actions, {"s", 1, 0, 0});
  store::Cursor& a = actions.cursor();
  a.edit();
  a.set_date("Dj_date", day(5, 12));
  a.post();

  EXPECT_EQ(actions.fetch_from(shared_dir, f.dialogs), 10);  // 3 to 13, without 12
  EXPECT_EQ(a.count(), 11u);
  a.first();
  EXPECT_EQ(a.get_date("Dj_date"), day(5, 3));
  EXPECT_EQ(a.get_string("Amt1"), "");  // unprocessed here
  EXPECT_EQ(actions.fetch_from(shared_dir, f.dialogs), 0);
  EXPECT_TRUE(f.dialogs.texts().empty());
}

}  // namespace
}  // namespace vmx::test
