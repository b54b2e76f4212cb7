#include "core/fund/movements.h"

#include <algorithm>
#include <set>

#include "core/fund/fund_record.h"
#include "core/fund/matching.h"
#include "core/fund/unit_price.h"
#include "core/ledger/holdings_record.h"
#include "core/ledger/trading.h"
#include "core/store/text.h"

namespace vmx::fund {

namespace {

std::string trimmed(const std::string& s) { return std::string(store::trim_blanks(s)); }

// Adds `amount` to the cash row's AMT; false when there is none.
bool change_cash(ledger::Ledger& holdings, const std::string& qsdm, const std::string& zjzh,
                 double amount) {
  if (!locate_cash_row(holdings, qsdm, zjzh)) return false;
  store::Cursor& h = holdings.cursor();
  h.set_double("AMT", h.get_double("AMT") + amount);
  h.post();
  return true;
}

double last_price(store::Cursor& c) {
  c.post();
  if (c.empty()) return 0;
  c.last();
  return c.get_double("PRICE");
}

}  // namespace

bool locate_cash_row(ledger::Ledger& holdings, const std::string& qsdm, const std::string& zjzh) {
  store::Cursor& h = holdings.cursor();
  h.post();
  for (store::RowId id : std::vector<store::RowId>(h.rows())) {
    const store::Table& t = h.table();
    auto field = [&](const char* name) { return t.get(id, h.field_index(name)).as_string(); };
    if (field("QSDM") != qsdm || field("ZJZH") != zjzh) continue;
    const std::string wth = field("WTH"), code = field("CODE"), lx = field("LX"),
                      cj_dh = field("CJ_DH");
    if (code == ledger::kCashCode &&
        ledger::classify({wth, code, lx, qsdm, cj_dh}) == ledger::RowKind::Cash)
      return h.go_to_bookmark(id);
  }
  return false;
}

void write_in_out_row(FundLedger& f, const InOutEntry& e, double amount, Date date) {
  store::Cursor& c = f.cursor();
  const double p = last_price(c);
  c.append();
  c.set_date("DT", date);
  c.set_string("PYCODE", trimmed(e.pycode));
  c.set_string("NAME", trimmed(e.name));
  c.set_double("INPUT", amount);
  c.set_string("XABC", trimmed(e.xabc));
  c.set_string("QSDM", trimmed(e.qsdm));
  c.set_string("ZJZH", trimmed(e.zjzh));
  c.set_double("PRICE", p);
  c.set_string("B1", amount >= 0 ? kBought : kRedeemed);
  c.set_int("CZXH", 0);
  c.post();
}

InOutResult in_out_confirm(FundLedger& f, TypeBook& types, const InOutEntry& e) {
  const double amount = ledger::read_box_number(e.amount);
  const Date date = ledger::read_box_date(e.date);
  if (!f.dialogs().ask(kInOutQuestion)) return InOutResult::Declined;
  write_in_out_row(f, e, amount, date);
  if (amount >= 0) {
    f.dialogs().inform(kInvestmentAdded);
  } else {
    f.dialogs().inform(kWithdrawalAdded);
    match_withdrawals(f, types);
  }
  if (!change_cash(f.holdings(), trimmed(e.qsdm), trimmed(e.zjzh), amount)) {
    f.dialogs().inform(kInOutNoCashRow);
    return InOutResult::NoCashRow;
  }
  return InOutResult::Done;
}

void write_investor_row(FundLedger& f, const InvestorMove& m, double amount) {
  const std::string code = trimmed(m.pycode);
  std::string name = trimmed(m.name);
  if (name.empty()) name = pycode_to_name(f, code);
  store::Cursor& c = f.cursor();
  c.append();
  c.set_date("DT", f.clock().today());
  c.set_string("PYCODE", code);
  c.set_string("NAME", name);
  c.set_double("INPUT", amount);
  c.set_string("XABC", trimmed(m.xabc));
  c.set_string("QSDM", trimmed(m.qsdm));
  c.set_string("ZJZH", trimmed(m.zjzh));
  c.set_string("NOTE", m.note);
  c.post();
  fillnum(f);
}

bool move_investor(FundLedger& f, const InvestorMove& m) {
  const std::string code = trimmed(m.pycode), zjzh = trimmed(m.zjzh), xabc = trimmed(m.xabc);
  if (code.empty()) {
    f.dialogs().inform(kNoCode);
    return false;
  }
  if (zjzh.empty()) {
    f.dialogs().inform(kNoAccount);
    return false;
  }
  if (xabc.empty()) {
    f.dialogs().inform(kNoType);
    return false;
  }
  const double amount = ledger::read_box_number(m.amount);
  write_investor_row(f, m, amount);
  f.dialogs().inform(kRowAdded);
  if (!change_cash(f.holdings(), trimmed(m.qsdm), zjzh, amount)) {
    f.dialogs().inform(kCashRowMissing);
    return false;
  }
  f.dialogs().inform(kCashChanged);
  return true;
}

void write_transfer_rows(FundLedger& f, const CashAccount& from, const CashAccount& to,
                         double amount, const std::string& note) {
  store::Cursor& c = f.cursor();
  auto row = [&](const CashAccount& account, double input, const CashAccount& other) {
    c.append();
    c.set_date("DT", f.clock().today());
    c.set_string("PYCODE", "$" + account.zjzh);
    c.set_string("NAME", f.lookups().qsdm_to_qs(account.qsdm));
    c.set_double("INPUT", input);
    c.set_string("XABC", kDefaultType);
    c.set_string("QSDM", other.qsdm);
    c.set_string("ZJZH", other.zjzh);
    c.set_string("NOTE", note);
    c.post();
    fillnum(f);
  };
  row(from, amount, to);
  row(to, -amount, from);
}

bool transfer_accounts(FundLedger& f, const AccountTransfer& t) {
  const std::string from = trimmed(t.from_zjzh), to = trimmed(t.to_zjzh);
  if (from.empty()) {
    f.dialogs().inform(kNoSource);
    return false;
  }
  if (to.empty()) {
    f.dialogs().inform(kNoTarget);
    return false;
  }
  const double amount = ledger::read_box_number(t.amount);
  const std::vector<CashAccount> accounts = cash_accounts(f.holdings());
  auto broker_of = [&](const std::string& zjzh) {
    for (const auto& a : accounts)
      if (a.zjzh == zjzh) return a.qsdm;
    return std::string();
  };
  const std::string from_qsdm = broker_of(from), to_qsdm = broker_of(to);
  write_transfer_rows(f, {from_qsdm, from}, {to_qsdm, to}, amount, t.note);
  f.dialogs().inform(kRowAdded);
  bool all = true;
  if (!change_cash(f.holdings(), to_qsdm, to, amount)) {
    f.dialogs().inform(kCashRowMissing);
    all = false;
  }
  if (!change_cash(f.holdings(), from_qsdm, from, -amount)) {
    f.dialogs().inform(kCashRowMissing);
    all = false;
  }
  f.dialogs().inform(kCashChanged);
  return all;
}

std::vector<CashAccount> cash_accounts(ledger::Ledger& holdings) {
  store::Cursor& h = holdings.cursor();
  h.post();
  std::vector<CashAccount> out;
  std::set<std::pair<std::string, std::string>> seen;
  const store::Table& t = h.table();
  const int f_wth = h.field_index("WTH"), f_q = h.field_index("QSDM"), f_z = h.field_index("ZJZH");
  for (store::RowId id : h.rows()) {
    const std::string wth = t.get(id, f_wth).as_string();
    if (!(wth < ledger::kClosedLow || wth.empty())) continue;
    CashAccount a{t.get(id, f_q).as_string(), t.get(id, f_z).as_string()};
    if (ledger::is_total_code(a.qsdm)) continue;
    if (seen.insert({a.qsdm, a.zjzh}).second) out.push_back(a);
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> investor_list(FundLedger& f) {
  store::Cursor& c = f.cursor();
  c.post();
  std::set<std::pair<std::string, std::string>> seen;
  const store::Table& t = c.table();
  const int f_code = c.field_index("PYCODE"), f_name = c.field_index("NAME");
  for (store::RowId id : c.rows()) {
    const std::string code = t.get(id, f_code).as_string();
    if (code != kMarketCode && !(code > "$" && code < "$zzzz"))
      seen.insert({code, t.get(id, f_name).as_string()});
  }
  return {seen.begin(), seen.end()};
}

}  // namespace vmx::fund
