#include "core/reference/reference_ops.h"

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/store/error.h"
#include "core/store/rounding.h"

namespace vmx::store::reference {

namespace {

bool is_total(const std::string& s) { return s == "zzc" || s == "zzz"; }

// Bound grids stay still while an operation walks and writes, and refresh
// once when it ends, however it ends.
class Quiet {
 public:
  explicit Quiet(std::vector<Cursor*> cursors) : m_cursors(std::move(cursors)) {
    for (Cursor* c : m_cursors) c->disable_controls();
  }
  ~Quiet() {
    for (auto it = m_cursors.rbegin(); it != m_cursors.rend(); ++it) (*it)->enable_controls();
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  std::vector<Cursor*> m_cursors;
};

// A write that fails leaves its row as it was and the cursor browsing, so the
// next operation does not trip over a half-made buffer.
void post(Cursor& c) {
  try {
    c.post();
  } catch (...) {
    c.cancel();
    throw;
  }
}

// The values of some fields of a row, joined: a key for set lookups.
std::string row_key(Cursor& c, const std::vector<const char*>& fields) {
  std::string key;
  for (const char* f : fields) key += c.get_string(f) + '\x1f';
  return key;
}

// The rebuild step of three pages: deletes every row of `table` whose
// `table_fields` match no holdings row's `ledger_fields`, except the rows
// `keep` accepts; both tables' bound views stay still meanwhile.
void delete_unheld(Cursor& table, const std::vector<const char*>& table_fields, Cursor& holdings,
                   const std::vector<const char*>& ledger_fields,
                   const std::function<bool(Cursor&)>& keep = {}) {
  Quiet quiet({&holdings, &table});
  std::set<std::string> held;
  for (holdings.first(); !holdings.eof(); holdings.next())
    held.insert(row_key(holdings, ledger_fields));
  table.first();
  while (!table.eof()) {
    if (!held.count(row_key(table, table_fields)) && !(keep && keep(table)))
      table.remove();
    else
      table.next();
  }
}

}  // namespace

ReferenceOps::ReferenceOps(Session& session, Lookups& lookups, Cursor& holdings,
                           platform::Dialogs& dialogs, platform::Clock& clock)
    : m_session(session),
      m_lookups(lookups),
      m_holdings(holdings),
      m_dialogs(dialogs),
      m_clock(clock),
      m_fund(session, "ubx", "fund2.DB") {}

ReferenceOps::~ReferenceOps() = default;

double ReferenceOps::discount(double price, double note, int days) {
  const double factor = std::exp(std::log(1 + note * 0.01) * days * (1.0 / 365));
  return round_half_even(price / factor * 1000) * 0.001;
}

// ---- types page ----

void ReferenceOps::append_types() {
  Cursor& types = m_lookups.types();
  types.open();
  m_holdings.open();
  Quiet quiet({&m_holdings, &types});
  for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
    const std::string lx = m_holdings.get_string("LX");
    // The total rows come last in the holdings view; their types are hidden
    // from the type table, so looking them up would append them again.
    if (is_total(lx)) break;
    if (lx.empty() || types.locate("Lx", {Value::text(lx)})) continue;
    const double zk = m_holdings.get_double("ZK_RATE");
    types.append();
    types.set_string("Lx", lx);
    types.set_double("Zk_rate", zk == 0 ? 1.0 : zk);
    post(types);
  }
}

void ReferenceOps::update_holdings_types() {
  Cursor& types = m_lookups.types();
  types.open();
  m_holdings.open();
  Quiet quiet({&m_holdings, &types});
  for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
    const std::string lx = m_holdings.get_string("LX");
    if (!types.locate("Lx", {Value::text(lx)})) {
      if (lx != "zzc")
        m_dialogs.inform("一个代码" + lx +
                         "表中没有，请先用<从持仓追加>按钮追加代码,"
                         "手工输入名称和价格后，再进行此项操作！");
      return;
    }
    m_holdings.set_string("LXM", types.get_string("Lxm"));
    m_holdings.set_double("ZK_RATE", types.get_double("Zk_rate"));
    post(m_holdings);
  }
}

// ---- code list page ----

bool ReferenceOps::codes_contain(const std::string& code) {
  return m_lookups.code_list().find_key({Value::text(code)});
}

void ReferenceOps::append_codes() {
  Cursor& codes = m_lookups.code_list();
  codes.open();
  m_holdings.open();
  {
    Quiet quiet({&m_holdings, &codes});
    for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
      const std::string code = m_holdings.get_string("CODE");
      if (code.empty() || is_total(m_holdings.get_string("LX")) || codes_contain(code)) continue;
      const std::string name = m_holdings.get_string("NAME");
      const double price = m_holdings.get_double("PRICE2");
      codes.append();
      codes.set_string("CODE", code);
      codes.set_string("NAME", name);
      codes.set_double("PRICE2", price);
      post(codes);
    }
  }
  // Show a code that still lacks a price.
  for (codes.first(); !codes.eof(); codes.next())
    if (codes.get_double("PRICE2") == 0) return;
  codes.first();
}

void ReferenceOps::rebuild_codes() {
  Cursor& codes = m_lookups.code_list();
  codes.open();
  m_holdings.open();
  // Index codes and codes beginning with a letter sort from "99" on and stay.
  delete_unheld(codes, {"CODE"}, m_holdings, {"CODE"},
                [](Cursor& c) { return !(c.get_string("CODE") < "99"); });
  append_codes();
}

void ReferenceOps::fill_holdings_price() {
  Cursor& codes = m_lookups.code_list();
  const std::string code = m_holdings.get_string("CODE");
  double price = codes.get_double("PRICE2");
  if (price == 0) price = m_lookups.securities().code_to_price(code);

  const Date today = m_clock.today();
  const Date date2 = m_holdings.get_date("DATE2");
  const std::string note = m_holdings.get_string("NOTE");
  if (m_holdings.get_string("LX") == "dss" && note > "0" && note < "50" && date2 > today) {
    double rate = 0;
    try {
      rate = Value::text(note).as_number();
    } catch (const ConversionError&) {
      throw Error(std::string(kBadNoteMessage) + code + "，注释 " + note);
    }
    price = discount(price, rate, date2 - today);
  }
  m_holdings.set_string("NAME", codes.get_string("NAME"));
  m_holdings.set_double("PRICE2", price);
  post(m_holdings);
}

void ReferenceOps::update_holdings_prices() {
  Cursor& codes = m_lookups.code_list();
  codes.open();
  m_holdings.open();
  Quiet quiet({&m_holdings, &codes});
  // Codes that the append leaves out (a row typed as a total row under
  // another code, an empty code): their rows stay as they are, or the walk
  // would start again for ever.
  std::set<std::string> unlisted;
  m_holdings.first();
  while (!m_holdings.eof()) {
    const std::string code = m_holdings.get_string("CODE");
    if (codes_contain(code)) {
      fill_holdings_price();
    } else if (!is_total(code) && !unlisted.count(code)) {
      append_codes();
      if (!codes_contain(code)) unlisted.insert(code);
      // The append walked the holdings: start again from the top.
      m_holdings.first();
      continue;
    }
    m_holdings.next();
  }
}

void ReferenceOps::update_codes_from_securities() {
  Cursor& codes = m_lookups.code_list();
  codes.open();
  Cursor& stocks = m_lookups.securities().cursor();
  {
    Quiet quiet({&codes, &stocks});
    for (codes.first(); !codes.eof(); codes.next()) {
      const std::string code = codes.get_string("CODE");
      if (code > "999999" || !stocks.find_key({Value::text(code)})) continue;
      codes.set_string("CODE", stocks.get_string("CODE"));
      codes.set_string("NAME", stocks.get_string("NAME"));
      const double price = stocks.get_double("PRICE");
      if (price != 0) codes.set_double("PRICE2", price);
      post(codes);
    }
  }
  m_fund.set_index_fields("DT;PYCODE;Num;CZXH;XABC;B1");
  m_fund.open();
  m_fund.last();
  if (m_fund.empty()) return;  // no fund history yet: nothing to stamp
  market::SecurityList& securities = m_lookups.securities();
  m_fund.set_double("SZ", std::trunc(securities.code_to_price("9996")));
  m_fund.set_double("SHZ", std::trunc(securities.code_to_price("999999")));
  post(m_fund);
}

// ---- brokers page ----

void ReferenceOps::append_brokers() {
  Cursor& brokers = m_lookups.brokers();
  brokers.open();
  m_holdings.open();
  Quiet quiet({&m_holdings, &brokers});
  for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
    const std::string qsdm = m_holdings.get_string("QSDM");
    if (qsdm.empty() || brokers.locate("Qsdm", {Value::text(qsdm)})) continue;
    const std::string qs = m_holdings.get_string("QS");
    brokers.append();
    brokers.set_string("Qsdm", qsdm);
    brokers.set_string("Qs", qs);
    post(brokers);
  }
}

void ReferenceOps::update_holdings_brokers() {
  Cursor& brokers = m_lookups.brokers();
  brokers.open();
  m_holdings.open();
  Quiet quiet({&m_holdings, &brokers});
  for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
    if (!brokers.locate("Qsdm", {Value::text(m_holdings.get_string("QSDM"))})) {
      m_dialogs.inform(
          "一个代码表中没有，请先用<从持仓追加>按钮追加代码,"
          "手工输入名称和价格后，再进行此项操作！");
      return;
    }
    m_holdings.set_string("QS", brokers.get_string("Qs"));
    post(m_holdings);
  }
}

void ReferenceOps::rebuild_brokers() {
  Cursor& brokers = m_lookups.brokers();
  brokers.open();
  m_holdings.open();
  delete_unheld(brokers, {"Qsdm"}, m_holdings, {"QSDM"});
  append_brokers();
}

// ---- code ranges page ----

void ReferenceOps::append_range_types() {
  Cursor& ranges = m_lookups.code_ranges();
  ranges.open();
  m_holdings.open();
  bool added = false;
  {
    Quiet quiet({&m_holdings, &ranges});
    for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
      const std::string lx = m_holdings.get_string("LX");
      if (lx.empty() || ranges.locate("Lx", {Value::text(lx)})) continue;
      const std::string lxm = m_holdings.get_string("LXM");
      ranges.append();
      ranges.set_string("Lx", lx);
      ranges.set_string("Lxm", lxm);
      post(ranges);
      added = true;
    }
  }
  if (added)
    m_dialogs.inform("表中已添加类型，请输入相应的起止股票代码和匹配顺序--不清楚就输大一点。");
}

void ReferenceOps::update_holdings_types_from_ranges() {
  Cursor& ranges = m_lookups.code_ranges();
  ranges.open();
  m_holdings.open();
  Quiet quiet({&m_holdings, &ranges});
  for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
    const std::string code = m_holdings.get_string("CODE");
    for (ranges.first(); !ranges.eof(); ranges.next()) {
      const std::string code1 = ranges.get_string("Code1");
      const std::string code2 = ranges.get_string("Code2");
      if (code1.size() != code2.size() && !m_dialogs.ask("起止代码长度不等，继续吗！")) return;
      if (code_in_range(code, code1, code2)) {
        m_holdings.set_string("LX", ranges.get_string("Lx"));
        m_holdings.set_string("LXM", ranges.get_string("Lxm"));
        post(m_holdings);
        break;
      }
    }
  }
}

// ---- currencies page ----

bool ReferenceOps::make_settlement_currency() {
  Cursor& bi = m_lookups.currencies();
  bi.open();
  if (bi.empty() || bi.position() < 0) return false;
  const double r = bi.get_double("Rate");
  if (r == 0) {
    // Every other rate would be divided by it.
    m_dialogs.warn(kZeroRateMessage);
    return false;
  }
  const Cursor::Bookmark chosen = bi.bookmark();
  {
    Quiet quiet({&bi});
    for (bi.first(); !bi.eof(); bi.next()) {
      bi.set_bool("Now", false);
      bi.set_double("Rate", round_half_even(bi.get_double("Rate") / r * 10000) * 0.0001);
      post(bi);
    }
    bi.go_to_bookmark(chosen);
    bi.set_bool("Now", true);
    bi.set_double("Rate", 1);
    post(bi);
  }
  update_holdings_rates();
  return true;
}

void ReferenceOps::update_holdings_rates() {
  m_holdings.open();
  Quiet quiet({&m_holdings});
  for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
    const float rate =
        m_lookups.zjzh_to_birate(m_holdings.get_string("QSDM"), m_holdings.get_string("ZJZH"));
    m_holdings.set_double("BIRATE", rate);
    post(m_holdings);
  }
}

void ReferenceOps::append_accounts() {
  Cursor& accounts = m_lookups.account_currencies();
  accounts.open();
  m_holdings.open();
  {
    Quiet quiet({&m_holdings, &accounts});
    for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
      if (is_total(m_holdings.get_string("LX"))) continue;
      const std::string qsdm = m_holdings.get_string("QSDM");
      const std::string zjzh = m_holdings.get_string("ZJZH");
      if (accounts.locate("Qsdm;Zjzh", {Value::text(qsdm), Value::text(zjzh)})) continue;
      accounts.append();
      accounts.set_string("Qsdm", qsdm);
      accounts.set_string("Zjzh", zjzh);
      post(accounts);
    }
  }
  for (accounts.first(); !accounts.eof(); accounts.next()) {
    if (accounts.get_string("Bicode").empty()) {
      m_dialogs.inform("请填上货币代码(大小写不分)！");
      return;
    }
  }
}

void ReferenceOps::rebuild_accounts() {
  Cursor& accounts = m_lookups.account_currencies();
  accounts.open();
  m_holdings.open();
  delete_unheld(accounts, {"Qsdm", "Zjzh"}, m_holdings, {"QSDM", "ZJZH"});
  append_accounts();
}

}  // namespace vmx::store::reference
