#include "core/ledger/new_account.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "core/ledger/holdings_record.h"
#include "core/store/cursor.h"

namespace vmx::ledger {

namespace {

using store::Value;

std::string trimmed(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<CodeAndName> read_pairs(store::Session& session, const char* file, const char* code,
                                    const char* name) {
  store::Cursor c(session, "curr", file);
  c.open();
  std::vector<CodeAndName> out;
  for (c.first(); !c.eof(); c.next()) out.emplace_back(c.get_string(code), c.get_string(name));
  return out;
}

}  // namespace

std::optional<double> read_cash_amount(const std::string& text) {
  std::string s = trimmed(text);
  if (s.empty()) return 0.0;
  std::string_view v = s;
  if (v.front() == '+') v.remove_prefix(1);
  // from_chars also reads "inf" and "nan"; an amount must start with a digit,
  // a point or a minus sign followed by one of those.
  const std::string_view body = !v.empty() && v.front() == '-' ? v.substr(1) : v;
  if (body.empty() || !(std::isdigit(static_cast<unsigned char>(body.front())) || body[0] == '.'))
    return std::nullopt;
  double d = 0;
  const auto r = std::from_chars(v.data(), v.data() + v.size(), d);
  if (r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

bool create_cash_account(store::Session& session, store::reference::Lookups& lookups,
                         platform::Dialogs& dialogs, const NewCashAccount& account) {
  const std::string qsdm = trimmed(account.qsdm);
  const std::string qs = trimmed(account.qs);
  const std::string zjzh = trimmed(account.zjzh);
  if (qsdm.empty()) {
    dialogs.inform(kNoBrokerCode);
    return false;
  }
  if (qs.empty()) {
    dialogs.inform(kNoBrokerName);
    return false;
  }
  if (zjzh.empty()) {
    dialogs.inform(kNoCashAccount);
    return false;
  }
  if (trimmed(account.bicode).empty()) {
    dialogs.inform(kNoCurrency);
    return false;
  }

  // A cursor of its own on the ledger: the check must see every row whatever
  // view the holdings window shows, and must not move that window's row. It
  // shares the ledger's table, so the window sees the new row at once.
  store::Cursor ledger(session, "ubx", "tr2.DBF");
  ledger.open();
  if (ledger.locate("QSDM;ZJZH", {Value::text(qsdm), Value::text(zjzh)})) {
    dialogs.inform(kAccountExists);
    return false;
  }
  // Read before anything is written: a retry after a mistyped amount must
  // find the tables as they were.
  const std::optional<double> amount = read_cash_amount(account.amount);
  if (!amount) {
    dialogs.error(std::string(kBadAmount) + "\"" + account.amount + "\"" + kNotCreated);
    return false;
  }

  store::Cursor currencies(session, "ubx", "zh_bi.db");
  currencies.open();
  ledger.insert();
  try {
    ledger.set_string("QSDM", qsdm);
    ledger.set_string("QS", qs);
    ledger.set_string("ZJZH", zjzh);
    ledger.set_double("AMT", *amount);
    ledger.set_string("CODE", kCashCode);
    ledger.set_string("NAME", "现金");
    ledger.set_string("LX", kCashCode);
    ledger.set_string("LXM", "现金");

    if (currencies.locate("Qsdm;Zjzh", {Value::text(qsdm), Value::text(zjzh)})) {
      currencies.edit();
    } else {
      currencies.insert();
      currencies.set_string("Qsdm", qsdm);
      currencies.set_string("Zjzh", zjzh);
    }
    currencies.set_string("Bicode", trimmed(account.bicode));
    currencies.post();

    ledger.set_double("BIRATE", lookups.zjzh_to_birate(qsdm, zjzh));
    ledger.post();
  } catch (...) {
    if (currencies.state() != store::Cursor::State::Browse) currencies.cancel();
    ledger.cancel();
    throw;
  }
  dialogs.inform(kAccountCreated);
  return true;
}

std::vector<CodeAndName> broker_choices(store::Session& session) {
  return read_pairs(session, "qs.db", "Qsdm", "Qs");
}

std::vector<CodeAndName> currency_choices(store::Session& session) {
  return read_pairs(session, "bi.db", "Code", "Name");
}

}  // namespace vmx::ledger
