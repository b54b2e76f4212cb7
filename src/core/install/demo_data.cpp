// The demo account 示范帐户: holdings across several brokers and cash
// accounts as a valuation run leaves them, the currency of each cash account,
// a year of fund history and the investors' addresses.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/install/seed_data.h"
#include "core/ledger/holdings_record.h"
#include "core/ledger/ledger.h"
#include "core/ledger/settlement.h"
#include "core/ledger/trading.h"
#include "core/ledger/valuation.h"
#include "core/market/security_list.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"
#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/session.h"

namespace vmx::store::seed {

namespace {

// ---- holdings ----

struct CashAccount {
  const char* qsdm;
  const char* zjzh;
  const char* bicode;  // any case: the rate lookup lower-cases it
  double cash;         // before the closed trades' proceeds (htzq and gxzq)
};
// clang-format off
const CashAccount kAccounts[] = {
    {"htzq", "20018866", "rmb", 320386.00},
    {"gxzq", "30007721", "RMB",  64019.85},
    {"zxzq", "88001234", "usd",  12500.00},
    {"zgqh", "66880001", "rmb", 310000.00},
};
// clang-format on

// Open positions. "IF" stands for the current index-futures contract. `hhnn`
// is the time of the buy order they were settled under (its number is kept in
// CJ_DH); an empty one marks a position entered by hand.
struct Position {
  const char* qsdm;
  const char* zjzh;
  const char* gddm;
  const char* code;
  int bs;
  double amt;
  double price1;
  int opened_days_ago;
  const char* hhnn;
};
// clang-format off
const Position kPositions[] = {
    {"htzq", "20018866", "A186620031", "600000",  1,  5000,    8.62, 200, "0945"},
    {"htzq", "20018866", "A186620031", "600519",  1,   200, 1520.00, 320, "1012"},
    {"htzq", "20018866", "A186620031", "600036",  1,  3000,   31.20, 150, "1330"},
    {"htzq", "20018866", "A186620031", "510300",  1, 20000,    3.515, 90, "1405"},
    {"htzq", "20018866", "A186620031", "010107",  1,   500,   99.80, 400, ""},
    {"gxzq", "30007721", "0130007721", "0002",    1, 10000,    9.85, 260, "0935"},
    {"gxzq", "30007721", "0130007721", "0858",    1,   600,  138.50, 180, "1050"},
    {"gxzq", "30007721", "0130007721", "0651",    1,  2000,   35.10, 120, "1112"},
    {"gxzq", "30007721", "0130007721", "4688",    1, 20000,    1.235, 300, ""},
    {"zxzq", "88001234", "C900123456", "900901",  1, 20000,    0.388, 210, "1425"},
    {"zgqh", "66880001", "0166880001", "IF",     -1,   300, 3620.0,   12, "0931"},  // one lot short
};
// clang-format on

// Orders entered today and not yet confirmed; a sell carries a negative quantity.
struct Order {
  const char* qsdm;
  const char* zjzh;
  const char* gddm;
  const char* code;
  double amt;
  double price;
  const char* time;  // hhnn for a buy (its counter follows), hhnnss for a sell
};
// clang-format off
const Order kOrders[] = {
    {"htzq", "20018866", "A186620031", "601318",  1000, 45.80, "0935"},
    {"gxzq", "30007721", "0130007721", "0651",    -500, 38.60, "100217"},
};
// clang-format on

// Positions closed by a sell, entered and confirmed through the trading
// window's operations. The 0001 sell closes 3000 of a position of 5000, which
// the settlement splits: the rest stays open.
struct ClosedTrade {
  const char* qsdm;
  const char* zjzh;
  const char* gddm;
  const char* code;
  double held;  // the position's quantity
  double buy_price;
  int bought_days_ago;
  double sold;  // the quantity sold
  double sell_price;
  int sold_days_ago;
  const char* sell_time;  // hhnnss
};
// clang-format off
const ClosedTrade kClosed[] = {
    {"htzq", "20018866", "A186620031", "600028", 10000,  5.80, 240, 10000,  6.65, 75, "101245"},
    {"gxzq", "30007721", "0130007721", "0001",    5000, 11.20, 150,  3000, 12.85, 60, "142208"},
};
// clang-format on

std::string two(int n) {
  char b[4];
  std::snprintf(b, sizeof b, "%02d", n % 100);
  return b;
}
std::string yymmdd(Date d) { return two(d.year()) + two(d.month()) + two(d.day()); }
std::string mmdd(Date d) { return two(d.month()) + two(d.day()); }

// The holdings are made by the program's own operations: the inputs above go
// in as raw rows (or as orders through the trading and settlement), and the
// valuation computes every figure, so the first valuation the user runs finds
// nothing to change. The only boxes those operations may show are their
// success boxes; any other text means the data above are wrong.
class DemoDialogs : public platform::Dialogs {
 public:
  void inform(const std::string& t) override { fail(t); }
  void warn(const std::string& t) override { fail(t); }
  void error(const std::string& t) override { fail(t); }
  bool ask(const std::string& t) override { fail(t); }
  void acknowledge_at(const std::string&, int, int) override {}
  std::optional<std::string> input(const std::string&, const std::string& t,
                                   const std::string&) override {
    fail(t);
  }
  std::optional<std::string> pick_file(const std::string& t, const std::string&,
                                       const std::string&) override {
    fail(t);
  }

 private:
  [[noreturn]] static void fail(const std::string& text) {
    throw Error("demo data: the holdings operations said: " + text);
  }
};

class Holdings {
 public:
  Holdings(store::Session& session, Date today)
      : m_today(today),
        m_clock(platform::DateTime{today, 9, 0}),
        m_securities(session),
        m_lookups(session, m_dialogs, m_securities),
        m_ledger(session, m_dialogs),
        m_valuation(m_ledger, m_lookups, m_dialogs, m_clock),
        m_trading(m_ledger, m_lookups, m_clock) {}

  void build() {
    store::Cursor& c = ledger::holdings_cursor(m_ledger);
    const ledger::HoldingsFields fields(c);
    for (const auto& a : kAccounts) fields.append(c, cash_row(a));
    for (const auto& p : kPositions) {
      const Date opened = m_today.add_days(-p.opened_days_ago);
      ledger::HoldingsRow r =
          security_row(p.qsdm, p.zjzh, p.gddm, p.code, p.bs, p.amt, p.price1, opened);
      if (*p.hhnn) r.cj_dh = yymmdd(opened) + p.hhnn + "1";
      fields.append(c, r);
    }
    // The positions the closed trades sold, valued while they were held.
    for (const auto& t : kClosed) {
      const Date bought = m_today.add_days(-t.bought_days_ago);
      fields.append(c,
                    security_row(t.qsdm, t.zjzh, t.gddm, t.code, 1, t.held, t.buy_price, bought));
    }
    value();
    for (const auto& t : kClosed) close(t);
    for (const auto& o : kOrders) enter(o);
    value();
  }

 private:
  std::string code_of(const char* code) const {
    return std::string(code) == "IF" ? futures_code(m_today) : code;
  }

  std::string type_of(const std::string& code) {
    const std::string lx = m_lookups.code_to_lx(code);
    if (lx == "???") throw Error("demo data: no type for security " + code);
    return lx;
  }

  // A cash account's balance, with the prices a cash row keeps.
  ledger::HoldingsRow cash_row(const CashAccount& a) {
    ledger::HoldingsRow r;
    r.qsdm = a.qsdm;
    r.zjzh = a.zjzh;
    r.code = r.lx = ledger::kCashCode;
    r.name = r.lxm = ledger::kCashName;
    r.bs = 1;
    r.amt = a.cash;
    r.price1 = r.price2 = 1;
    r.birate = m_lookups.zjzh_to_birate(a.qsdm, a.zjzh);
    return r;
  }

  // A position as entered by hand: names are left for the valuation to fill,
  // the current price is the security list's.
  ledger::HoldingsRow security_row(const char* qsdm, const char* zjzh, const char* gddm,
                                   const char* code, int bs, double amt, double price1,
                                   Date date1) {
    ledger::HoldingsRow r;
    r.qsdm = qsdm;
    r.zjzh = zjzh;
    r.gddm = gddm;
    r.code = code_of(code);
    r.lx = type_of(r.code);
    r.bs = bs;
    r.amt = amt;
    r.price1 = price1;
    r.date1 = date1;
    const float price = m_securities.code_to_price(r.code);
    if (price <= 0) throw Error("demo data: no price for security " + r.code);
    r.price2 = price;
    r.date2 = m_today;
    r.birate = m_lookups.zjzh_to_birate(qsdm, zjzh);
    r.zk_rate = m_lookups.lx_to_zk_rate(r.lx);
    return r;
  }

  ledger::TradeForm form(const char* qsdm, const char* zjzh, const char* gddm, const char* code,
                         double amt, double price, Date date) {
    ledger::TradeForm f;
    f.qsdm = qsdm;
    f.zjzh = zjzh;
    f.gddm = gddm;
    f.code = code_of(code);
    f.lx = type_of(f.code);
    f.quantity = store::format_number(amt);
    f.price = store::format_number(price);
    f.trade_date = date.to_string();
    f.date0 = date;
    return f;
  }

  // A sell entered on its day, valued, and confirmed: the settlement closes the
  // position (splitting it when it held more) and credits the cash row.
  void close(const ClosedTrade& t) {
    const Date sold = m_today.add_days(-t.sold_days_ago);
    ledger::TradeForm f = form(t.qsdm, t.zjzh, t.gddm, t.code, t.sold, t.sell_price, sold);
    f.order_number = mmdd(sold) + t.sell_time;
    if (!m_trading.sell(f).done) throw Error("demo data: the sell of " + f.code + " was refused");
    value();  // as the trading window does when it closes
    f.quantity = store::format_number(-t.sold);
    if (ledger::settle(m_trading, f).outcome != ledger::SettleOutcome::Settled)
      throw Error("demo data: the sell of " + f.code + " was not settled");
  }

  // An order entered today at its time of day, numbered as the trading
  // window numbers it.
  void enter(const Order& o) {
    const std::string t = o.time;
    m_clock.set({m_today, std::stoi(t.substr(0, 2)), std::stoi(t.substr(2, 2)),
                 t.size() > 4 ? std::stoi(t.substr(4, 2)) : 0});
    const ledger::TradeForm f =
        form(o.qsdm, o.zjzh, o.gddm, o.code, std::fabs(o.amt), o.price, m_today);
    const ledger::OrderResult r = o.amt > 0 ? m_trading.buy(f) : m_trading.sell(f);
    if (!r.done) throw Error("demo data: the order for " + f.code + " was refused");
  }

  void value() {
    if (!m_valuation.up_calc()) throw Error("demo data: the valuation stopped");
  }

  Date m_today;
  platform::FixedClock m_clock;
  DemoDialogs m_dialogs;
  market::SecurityList m_securities;
  store::reference::Lookups m_lookups;
  ledger::Ledger m_ledger;
  ledger::Valuation m_valuation;
  ledger::Trading m_trading;
};

void write_account_currencies(const std::filesystem::path& dir) {
  RowWriter w = RowWriter::open(dir, "zh_bi.db");
  for (const auto& a : kAccounts)
    w.add({{"Qsdm", txt(a.qsdm)}, {"Zjzh", txt(a.zjzh)}, {"Bicode", txt(a.bicode)}});
}

// Builds the holdings in a work directory beside the account, then copies
// the rows that stayed (a settlement deletes the frozen-cash rows of the
// orders it confirms, which a dBase file keeps as deleted records) into the
// account's tr2.DBF, byte for byte and in order. Returns every row.
std::vector<ledger::HoldingsRow> write_holdings(const std::filesystem::path& dir, Date today) {
  namespace fs = std::filesystem;
  const fs::path work = dir / "demo-holdings.tmp";
  fs::remove_all(work);
  fs::create_directory(work);
  for (const char* file : {"tr2.DBF", "zh_bi.db"})
    fs::copy_file(resolve_case_insensitive(dir, file), work / file);
  std::vector<ledger::HoldingsRow> rows;
  {
    store::Session session;
    session.set_alias("curr", dir.parent_path());
    session.set_alias("ubx", work);
    Holdings holdings(session, today);
    holdings.build();
    store::Cursor all(session, "ubx", "tr2.DBF");
    all.open();
    const ledger::HoldingsFields fields(all);
    for (all.first(); !all.eof(); all.next()) rows.push_back(fields.read(all));
  }
  {
    auto from = open_table_file(work / "tr2.DBF", {true});
    auto to = create_table_file(resolve_case_insensitive(dir, "tr2.DBF"), from->schema());
    from->load([&](RowId, const uint8_t* record) { to->insert(record); });
  }
  fs::remove_all(work);
  return rows;
}

constexpr int kFundDays = 364;  // the first day is this many days before today

void write_addresses(const std::filesystem::path& dir) {
  struct Address {
    const char* pycode;
    const char* name;
    const char* tel;
    const char* tel2;
    const char* pc;
    const char* addr;
  };
  // clang-format off
  static const Address addresses[] = {
      {"zs",  "张三", "021-58881234",  "13901234567",    "200120", "上海市浦东新区世纪大道100号"},
      {"lm",  "李明", "0755-83456789", "lm@example.com", "518048", "深圳市福田区深南大道6008号"},
      {"wf",  "王芳", "010-66012345",  "13811112222",    "100032", "北京市西城区金融大街35号"},
      {"zhl", "赵磊", "020-87654321",  "13600001111",    "510620", "广州市天河区天河路385号"},
      {"cy",  "陈云", "0571-87001234", "13700002222",    "310002", "杭州市上城区解放路138号"},
  };
  // clang-format on
  RowWriter w = RowWriter::open(dir, "addr.dbf");
  for (const auto& a : addresses)
    w.add({{"PYCODE", txt(a.pycode)},
           {"NAME", txt(a.name)},
           {"TEL", txt(a.tel)},
           {"TEL2", txt(a.tel2)},
           {"PC", txt(a.pc)},
           {"ADDR", txt(a.addr)}});
}

// The optimiser's grouping as a user would leave it: cash and bonds riskless
// (0), the index future on its own (1, one rule per contract since futures
// trade on margin), B shares and warrants together (2), A shares and funds in
// the default group (3).
int demo_group(const std::string& lx) {
  if (lx == "xj" || lx == "gz") return 0;
  if (lx == "qh") return 1;
  if (lx == "b" || lx == "qz") return 2;
  return 3;
}

void write_grouping(const std::filesystem::path& dir,
                    const std::vector<ledger::HoldingsRow>& rows) {
  RowWriter rules = RowWriter::open(dir, "devision.DB");
  RowWriter codes = RowWriter::open(dir, "groups.db");
  std::vector<std::string> ruled, coded;
  auto seen = [](std::vector<std::string>& list, const std::string& key) {
    if (std::find(list.begin(), list.end(), key) != list.end()) return true;
    list.push_back(key);
    return false;
  };
  for (const auto& r : rows) {
    if (r.lx == "zzc" || r.lx == "zzz") continue;
    const SecurityType* type = find_type(r.lx);
    const bool per_code = r.lx != "xj" && type && type->bzj_rate < 1;
    if (!seen(ruled, per_code ? r.lx + "|" + r.code : r.lx)) {
      if (per_code)
        rules.add({{"Lx", txt(r.lx)},
                   {"Lxm", txt(r.lxm)},
                   {"Code", txt(r.code)},
                   {"Name", txt(r.name)},
                   {"Group", num(demo_group(r.lx))}});
      else
        rules.add({{"Lx", txt(r.lx)}, {"Lxm", txt(r.lxm)}, {"Group", num(demo_group(r.lx))}});
    }
    if (!seen(coded, r.code))
      codes.add({{"Group", num(demo_group(r.lx))},
                 {"Code", txt(r.code)},
                 {"Name", txt(r.name)},
                 {"Lx", txt(r.lx)}});
  }
}

}  // namespace

Date demo_fund_start(Date today) { return today.add_days(-kFundDays); }

std::vector<std::string> demo_codes(Date today) {
  std::vector<std::string> codes;
  auto add = [&](std::string c) {
    if (c == "IF") c = futures_code(today);
    if (std::find(codes.begin(), codes.end(), c) == codes.end()) codes.push_back(c);
  };
  for (const auto& p : kPositions) add(p.code);
  for (const auto& o : kOrders) add(o.code);
  for (const auto& c : kClosed) add(c.code);
  return codes;
}

void write_demo_account(const std::filesystem::path& dir, Date today) {
  write_account_currencies(dir);
  const auto rows = write_holdings(dir, today);
  double tz = 0;
  for (const auto& r : rows)
    if (r.lx == "zzz") tz = r.cost2;
  double sz = 0, shz = 0;
  for (const auto& s : securities(today)) {
    if (s.code == "9996") sz = round_to(s.price, 1);
    if (s.code == "999999") shz = round_to(s.price, 1);
  }
  write_demo_fund(dir, today, tz, sz, shz);
  write_addresses(dir);
  write_grouping(dir, rows);
}

}  // namespace vmx::store::seed
