// The demo account 示范帐户: holdings across several brokers and cash
// accounts as a valuation run leaves them, the currency of each cash account,
// a year of fund history and the investors' addresses.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/install/seed_data.h"
#include "core/store/error.h"

namespace vmx::store::seed {

namespace {

// ---- holdings ----

struct CashAccount {
  const char* qsdm;
  const char* zjzh;
  const char* bicode;  // any case: the rate lookup lower-cases it
  double cash;
};
// clang-format off
const CashAccount kAccounts[] = {
    {"htzq", "20018866", "rmb", 386420.50},
    {"gxzq", "30007721", "RMB", 102300.00},
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
    {"gxzq", "30007721", "0130007721", "0001",    1,  2000,   11.20, 150, "1020"},  // rest of a split
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

// Positions closed by a sell: both the position and the sell order carry the
// closing mark. The 0001 sell closed 3000 of a position of 5000; the rest is
// the open position above.
struct ClosedTrade {
  const char* qsdm;
  const char* zjzh;
  const char* gddm;
  const char* code;
  double amt;
  double buy_price;
  int bought_days_ago;
  double sell_price;
  int sold_days_ago;
  const char* sell_time;  // hhnnss
};
// clang-format off
const ClosedTrade kClosed[] = {
    {"htzq", "20018866", "A186620031", "600028", 10000,  5.80, 240,  6.65, 75, "101245"},
    {"gxzq", "30007721", "0130007721", "0001",    3000, 11.20, 150, 12.85, 60, "142208"},
};
// clang-format on

struct LedgerRow {
  std::string wth, qsdm, qs, gddm, zjzh, code, name, lx, lxm;
  int bs = 1;
  double amt = 0, birate = 1, price1 = 0, price2 = 0;
  Date date1, date2;  // serial 0: blank
  double cost1 = 0, cost2 = 0, sxf = 0, yhs = 0, income = 0, inc = 0, per = 0, zk_rate = 1;
  bool has_per = true;
  std::string cj_dh, note;
};

std::string two(int n) {
  char b[4];
  std::snprintf(b, sizeof b, "%02d", n % 100);
  return b;
}
std::string yymmdd(Date d) { return two(d.year()) + two(d.month()) + two(d.day()); }
std::string mmdd(Date d) { return two(d.month()) + two(d.day()); }
std::string closing_mark(Date d) {
  return "P" + std::to_string(d.year()) + two(d.month()) + two(d.day()) + "00";
}

const SecurityType& type_of(const std::string& lx) {
  const SecurityType* t = find_type(lx);
  if (!t) throw Error("demo data: unknown security type " + lx);
  return *t;
}

double zjzh_rate(std::string_view qsdm, std::string_view zjzh) {
  for (const auto& a : kAccounts)
    if (qsdm == a.qsdm && zjzh == a.zjzh) return currency_rate(a.bicode);
  return 1.0;
}

class Ledger {
 public:
  explicit Ledger(Date today) : m_today(today), m_list(securities(today)) {}

  LedgerRow security_row(const char* qsdm, const char* zjzh, const char* gddm, const char* code,
                         int bs, double amt, double price1, Date date1) {
    LedgerRow r;
    r.qsdm = qsdm;
    r.qs = broker_name(qsdm);
    r.zjzh = zjzh;
    r.gddm = gddm;
    r.code = std::string(code) == "IF" ? futures_code(m_today) : code;
    const Security& s = security(r.code);
    r.name = s.name;
    r.lx = code_to_lx(r.code);
    const SecurityType& t = type_of(r.lx);
    r.lxm = t.lxm;
    r.bs = bs;
    r.amt = amt;
    r.birate = zjzh_rate(qsdm, zjzh);
    r.price1 = price1;
    r.date1 = date1;
    r.price2 = s.price;
    r.date2 = m_today;
    r.zk_rate = t.zk_rate;
    return r;
  }

  LedgerRow cash_row(const char* qsdm, const char* zjzh, double amt) {
    LedgerRow r;
    r.qsdm = qsdm;
    r.qs = broker_name(qsdm);
    r.zjzh = zjzh;
    r.gddm = "xj";  // as the valuation leaves cash rows
    r.code = r.lx = "xj";
    r.name = r.lxm = "现金";
    r.amt = amt;
    r.birate = zjzh_rate(qsdm, zjzh);
    r.price1 = r.price2 = 1;
    return r;
  }

  std::vector<LedgerRow> build() {
    std::vector<LedgerRow> rows;
    for (const auto& a : kAccounts) rows.push_back(cash_row(a.qsdm, a.zjzh, a.cash));
    for (const auto& p : kPositions) {
      const Date opened = m_today.add_days(-p.opened_days_ago);
      LedgerRow r = security_row(p.qsdm, p.zjzh, p.gddm, p.code, p.bs, p.amt, p.price1, opened);
      if (*p.hhnn) r.cj_dh = yymmdd(opened) + p.hhnn + "1";
      rows.push_back(r);
    }
    for (const auto& c : kClosed) add_closed(rows, c);
    int counter = 1;  // the trading window's buy counter since login
    for (const auto& o : kOrders) {
      LedgerRow r = security_row(o.qsdm, o.zjzh, o.gddm, o.code, 1, o.amt, o.price, m_today);
      r.price2 = o.price;
      r.wth =
          o.amt > 0 ? yymmdd(m_today) + o.time + std::to_string(counter++) : mmdd(m_today) + o.time;
      // The frozen-cash row reserves (buy) or announces (sell) the money.
      LedgerRow f = cash_row(o.qsdm, o.zjzh, -(o.amt * o.price) * type_of(r.lx).bzj_rate);
      f.wth = r.wth;
      f.cj_dh = "冻结资金";
      f.date1 = f.date2 = m_today;
      rows.push_back(r);
      rows.push_back(f);
    }
    value(rows);
    return rows;
  }

 private:
  const Security& security(const std::string& code) const {
    for (const auto& s : m_list)
      if (s.code == code) return s;
    throw Error("demo data: security " + code + " is not in the security list");
  }

  void add_closed(std::vector<LedgerRow>& rows, const ClosedTrade& c) {
    const Date bought = m_today.add_days(-c.bought_days_ago);
    const Date sold = m_today.add_days(-c.sold_days_ago);
    const std::string sell_no = mmdd(sold) + c.sell_time;
    LedgerRow pos = security_row(c.qsdm, c.zjzh, c.gddm, c.code, 1, c.amt, c.buy_price, bought);
    pos.cj_dh = sell_no;
    pos.price2 = c.sell_price;
    pos.date2 = sold;
    value_row(pos);
    pos.has_per = false;  // left from the last valuation before the close
    pos.wth = closing_mark(sold);
    rows.push_back(pos);

    // The sell order row, closed by the settlement with the fees of the sale.
    LedgerRow sell = security_row(c.qsdm, c.zjzh, c.gddm, c.code, 1, -c.amt, c.sell_price, sold);
    const SecurityType& t = type_of(sell.lx);
    sell.price2 = c.sell_price;
    sell.date2 = sold;
    sell.cost1 = sell.cost2 = sell.amt * c.sell_price;
    sell.sxf = t.sxf_rate * sell.cost1;
    sell.yhs = t.yhs_rate * sell.cost1;
    // What the valuation left while the order was pending: minus the fees.
    sell.income = sell.sxf + sell.yhs;
    sell.inc = sell.income * 100 / sell.cost1;
    sell.has_per = false;
    sell.cj_dh = sell_no;
    sell.wth = closing_mark(sold);
    rows.push_back(sell);
  }

  // Pass 1 of the valuation for one row; returns nothing, fills COST1/COST2.
  static void cost_row(LedgerRow& r) {
    const double m = r.lx == "xj" ? 1.0 : type_of(r.lx).bzj_rate;
    r.cost1 = r.amt * r.price1 * m;
    r.cost2 = round_to(r.cost1 + r.bs * r.amt * (r.price2 - r.price1), 2);
  }

  // Pass 2 for one row, without the share of the total.
  static void value_row(LedgerRow& r) {
    cost_row(r);
    if (r.lx == "xj") {
      r.price1 = r.price2 = 1;
      r.sxf = r.yhs = r.income = 0;
      r.cost1 = r.cost2 = r.amt;
    } else {
      const SecurityType& t = type_of(r.lx);
      r.sxf = std::fabs(r.cost1) * t.sxf_rate;
      r.yhs = std::fabs(r.cost1) * t.yhs_rate;
      r.income = r.cost2 - r.cost1 - r.sxf - r.yhs;
    }
    r.inc = round_even(r.cost1) != 0 ? r.income * 100 / r.cost1 : 9999.9;
  }

  // The valuation over the open rows, and the two total rows it writes.
  void value(std::vector<LedgerRow>& rows) {
    double t1 = 0, t2 = 0, tz = 0;
    for (auto& r : rows) {
      if (!r.wth.empty() && r.wth[0] == 'P') continue;  // closed rows are not visited
      cost_row(r);
      t1 += r.cost1 * r.birate;
      t2 += r.cost2 * r.birate;
      tz += r.zk_rate * r.cost2 * r.birate;
    }
    for (auto& r : rows) {
      if (!r.wth.empty() && r.wth[0] == 'P') continue;
      value_row(r);
      r.per = round_even(r.cost2 * 10000 * r.birate / t2) * 0.01;
    }
    auto total = [&](const char* code, const char* name, double price2, double cost2,
                     double income) {
      LedgerRow r;
      r.wth = "###";
      r.qsdm = r.code = r.lx = code;
      r.qs = r.name = r.lxm = name;
      r.amt = r.cost1 = t1;
      r.price1 = 1;
      r.price2 = price2;
      r.cost2 = cost2;
      r.income = income;
      r.inc = round_even(r.cost1) != 0 ? r.income * 100 / r.cost1 : 9999.9;
      r.per = round_even(r.cost2 * 10000 / t2) * 0.01;
      rows.push_back(r);
    };
    total("zzc", "市价总值", t2 / t1, t2, t2 - t1);
    total("zzz", "折扣总值", tz / t1, round_even(tz), tz - t1);
  }

  Date m_today;
  std::vector<Security> m_list;
};

void write_ledger(const std::filesystem::path& dir, const std::vector<LedgerRow>& rows) {
  RowWriter w = RowWriter::open(dir, "tr2.DBF");
  auto date = [](Date d) { return d.serial() ? day(d) : Value(); };
  for (const auto& r : rows)
    w.add({{"WTH", txt(r.wth)},
           {"QSDM", txt(r.qsdm)},
           {"QS", txt(r.qs)},
           {"GDDM", txt(r.gddm)},
           {"ZJZH", txt(r.zjzh)},
           {"CODE", txt(r.code)},
           {"NAME", txt(r.name)},
           {"LX", txt(r.lx)},
           {"LXM", txt(r.lxm)},
           {"BS", num(r.bs)},
           {"AMT", num(r.amt)},
           {"BIRATE", num(r.birate)},
           {"PRICE1", num(r.price1)},
           {"DATE1", date(r.date1)},
           {"PRICE2", num(r.price2)},
           {"DATE2", date(r.date2)},
           {"COST1", num(r.cost1)},
           {"COST2", num(r.cost2)},
           {"SXF", num(r.sxf)},
           {"YHS", num(r.yhs)},
           {"INCOME", num(r.income)},
           {"INC", num(r.inc)},
           {"PER", r.has_per ? num(r.per) : Value()},
           {"ZK_RATE", num(r.zk_rate)},
           {"CJ_DH", txt(r.cj_dh)},
           {"NOTE", txt(r.note)}});
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

void write_grouping(const std::filesystem::path& dir, const std::vector<LedgerRow>& rows) {
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
    const bool per_code = r.lx != "xj" && type_of(r.lx).bzj_rate < 1;
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
  Ledger ledger(today);
  const auto rows = ledger.build();
  write_ledger(dir, rows);
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
  {
    RowWriter w = RowWriter::open(dir, "zh_bi.db");
    for (const auto& a : kAccounts)
      w.add({{"Qsdm", txt(a.qsdm)}, {"Zjzh", txt(a.zjzh)}, {"Bicode", txt(a.bicode)}});
  }
}

}  // namespace vmx::store::seed
