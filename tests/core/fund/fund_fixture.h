#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/fund/fund_ledger.h"
#include "core/fund/investment_types.h"
#include "core/fund/movements.h"
#include "core/install/installation.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace vmx::test {

// A row of the fund ledger as the tests write and read it; day is counted
// from the fixture's today (0 today, -1 yesterday).
struct FundRow {
  int day = 0;
  std::string code{};
  double input = 0;
  std::string xabc{"y"};
  std::string b1{};
  double price = 0, unit = 0, fund = 0, dmoney = 0;
  int czxh = 0, num = 0;
  std::string note{}, name{}, qsdm{}, zjzh{};
};

// A plain installation logged in as 我的帐户 (empty holdings and fund
// ledger), today 2024-03-15, the holdings' discounted total fixed by `tz`.
struct FundFixture {
  TempDir dir;
  store::Session session;
  platform::ScriptedDialogs dialogs;
  platform::FixedClock clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0, 0, 0}};
  platform::LoggingHelp help;
  std::unique_ptr<app::Workspace> ws;
  std::unique_ptr<fund::TypeBook> types;
  float tz = 0;

  FundFixture() {
    store::init_installation(dir.path(), false, today());
    session.set_alias("curr", dir.path());
    ws = std::make_unique<app::Workspace>(
        session, dialogs, clock, help,
        app::LoginState{dir.path(), store::kMyAccountName, dir.path() / "user"});
    ws->fund().set_holdings_valuation([this] { return std::optional<float>(tz); });
    types = std::make_unique<fund::TypeBook>(session);
  }
  Date today() const { return Date::from_ymd(2024, 3, 15); }
  fund::FundLedger& f() { return ws->fund(); }
  store::Cursor& c() { return ws->fund().cursor(); }

  void add(const FundRow& r) {
    store::Cursor& k = c();
    k.append();
    k.set_date("DT", today().add_days(r.day));
    k.set_string("PYCODE", r.code);
    k.set_string("NAME", r.name);
    k.set_double("INPUT", r.input);
    k.set_string("XABC", r.xabc);
    k.set_string("B1", r.b1);
    k.set_string("NOTE", r.note);
    k.set_string("QSDM", r.qsdm);
    k.set_string("ZJZH", r.zjzh);
    if (r.price) k.set_double("PRICE", r.price);
    if (r.unit) k.set_double("UNIT", r.unit);
    if (r.fund) k.set_double("FUND", r.fund);
    if (r.dmoney) k.set_double("DMONEY", r.dmoney);
    k.set_int("CZXH", r.czxh);
    if (r.num) k.set_int("Num", r.num);
    k.post();
  }
  void add(const std::vector<FundRow>& rows) {
    for (const auto& r : rows) add(r);
  }
  std::vector<FundRow> rows() {
    std::vector<FundRow> out;
    store::Cursor& k = c();
    k.post();
    const store::RowId mark = k.current_row();
    for (store::RowId id : std::vector<store::RowId>(k.rows())) {
      k.go_to_bookmark(id);
      FundRow r;
      r.day = k.get_date("DT") - today();
      r.code = k.get_string("PYCODE");
      r.input = k.get_double("INPUT");
      r.xabc = k.get_string("XABC");
      r.b1 = k.get_string("B1");
      r.price = k.get_double("PRICE");
      r.unit = k.get_double("UNIT");
      r.fund = k.get_double("FUND");
      r.dmoney = k.get_double("DMONEY");
      r.czxh = static_cast<int>(k.get_int("CZXH"));
      r.num = static_cast<int>(k.get_int("Num"));
      r.note = k.get_string("NOTE");
      r.name = k.get_string("NAME");
      out.push_back(r);
    }
    k.go_to_bookmark(mark);
    return out;
  }
  // Adds an investment type row to TZLX.db.
  void add_type(const fund::TypeTerms& t) {
    store::Cursor k(session, "curr", "TZLX.db");
    k.open();
    k.append();
    k.set_string("Xabc", t.xabc);
    k.set_string("Note", t.note.empty() ? t.xabc : t.note);
    k.set_bool("C1", t.c1);
    k.set_bool("C2", t.c2);
    k.set_bool("C3", t.c3);
    k.set_bool("C4", t.c4);
    k.set_bool("C5", t.c5);
    k.set_bool("C6", t.c6);
    k.set_bool("C8", t.c8);
    k.set_bool("C9", t.c9);
    const double e[] = {t.e1, t.e2, t.e3,  t.e4,  t.e5,  t.e6, t.e7,
                        t.e8, t.e9, t.e10, t.e11, t.e12, t.e13};
    for (int i = 0; i < 13; ++i) k.set_double("E" + std::to_string(i + 1), e[i]);
    k.post();
    types->reload();
  }
  // A cash row of `amt` for the account in the holdings ledger.
  void add_cash(const std::string& qsdm, const std::string& zjzh, double amt) {
    store::Cursor& h = ws->ledger().cursor();
    h.append();
    h.set_string("QSDM", qsdm);
    h.set_string("ZJZH", zjzh);
    h.set_string("CODE", "xj");
    h.set_string("LX", "xj");
    h.set_string("NAME", "现金");
    h.set_double("AMT", amt);
    h.post();
  }
  double cash(const std::string& qsdm, const std::string& zjzh) {
    if (!fund::locate_cash_row(ws->ledger(), qsdm, zjzh)) return -1;
    return ws->ledger().cursor().get_double("AMT");
  }
};

}  // namespace vmx::test
