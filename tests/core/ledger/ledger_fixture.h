#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/install/installation.h"
#include "core/ledger/ledger.h"
#include "core/ledger/valuation.h"
#include "core/market/security_list.h"
#include "core/platform/clock.h"
#include "core/platform/scripted_dialogs.h"
#include "core/reference/lookups.h"
#include "core/store/catalogue.h"
#include "core/store/session.h"
#include "core/store/table_file.h"
#include "support/temp_dir.h"

namespace vmx::test {

// One ledger row: the fields given, the others blank.
using LedgerRow = std::vector<std::pair<std::string, store::Value>>;

inline store::Value T(const char* s) { return store::Value::text(s); }
inline store::Value N(double d) { return store::Value::number(d); }

// A fresh installation (reference tables as shipped: type "a" has commission
// 0.003, stamp duty 0.004, margin 1, discount 0.9; "xj" is cash) whose account
// 我的帐户 holds exactly `rows` in tr2.DBF, logged in as a login would bind
// it, with the real security list, lookups and ledger connection.
class LedgerFixture {
 public:
  explicit LedgerFixture(const std::vector<LedgerRow>& rows)
      : clock(platform::DateTime{Date::from_ymd(2001, 4, 3), 15, 30}) {
    const auto inst = dir.path() / "inst";
    store::init_installation(inst, false, clock.today());
    const auto acc = inst / store::kMyAccountDir;
    write(store::resolve_case_insensitive(acc, "tr2.DBF"), rows);
    session.set_alias("curr", inst);
    session.set_alias("ubx", acc);
    securities = std::make_unique<market::SecurityList>(session);
    lookups = std::make_unique<store::reference::Lookups>(session, dialogs, *securities);
    ledger = std::make_unique<ledger::Ledger>(session, dialogs);
    valuation = std::make_unique<ledger::Valuation>(*ledger, *lookups, dialogs, clock);
  }

  // The row whose CODE (and WTH) are these; fails the test when absent.
  store::Cursor& row(const std::string& code, const std::string& wth = "") {
    store::Cursor& c = ledger->cursor();
    const bool found = c.locate("CODE;WTH", {store::Value::text(code), store::Value::text(wth)});
    EXPECT_TRUE(found) << "no row with CODE " << code << " and WTH '" << wth << "'";
    return c;
  }
  size_t rows_with_code(const std::string& code) {
    store::Cursor& c = ledger->cursor();
    size_t n = 0;
    for (c.first(); !c.eof(); c.next()) n += c.get_string("CODE") == code;
    return n;
  }

  TempDir dir;
  platform::FixedClock clock;
  platform::ScriptedDialogs dialogs;
  store::Session session;
  std::unique_ptr<market::SecurityList> securities;
  std::unique_ptr<store::reference::Lookups> lookups;
  std::unique_ptr<ledger::Ledger> ledger;
  std::unique_ptr<ledger::Valuation> valuation;

 private:
  static void write(const std::filesystem::path& path, const std::vector<LedgerRow>& rows) {
    const store::TableSpec* spec = store::find_table_spec("tr2.DBF");
    ASSERT_NE(spec, nullptr);
    auto f = store::create_table_file(path, spec->schema);
    std::vector<uint8_t> rec(f->record_size());
    for (const auto& row : rows) {
      f->blank_record(rec.data());
      for (const auto& [field, value] : row) {
        const int i = spec->schema.index_of(field);
        ASSERT_GE(i, 0) << field;
        f->set(rec.data(), i, value);
      }
      f->insert(rec.data());
    }
  }
};

// A security row of type "a" at broker htzq, account 1001.
inline LedgerRow security_row(const char* code, double amt, double price1, double price2,
                              int bs = 1) {
  return {{"QSDM", T("htzq")},
          {"QS", T("华泰")},
          {"ZJZH", T("1001")},
          {"GDDM", T("A001")},
          {"CODE", T(code)},
          {"NAME", T("浦发银行")},
          {"LX", T("a")},
          {"LXM", T("A股")},
          {"BS", N(bs)},
          {"AMT", N(amt)},
          {"BIRATE", N(1)},
          {"PRICE1", N(price1)},
          {"PRICE2", N(price2)},
          {"ZK_RATE", N(0.9)},
          {"DATE1", store::Value::date(Date::from_ymd(2001, 1, 2))}};
}

// A cash row of htzq/1001 (or the given account); prices 1 unless told.
inline LedgerRow cash_row(double amt, double price = 1, const char* qsdm = "htzq",
                          const char* zjzh = "1001") {
  return {{"QSDM", T(qsdm)},    {"QS", T("华泰")},   {"ZJZH", T(zjzh)}, {"GDDM", T("xj")},
          {"CODE", T("xj")},    {"NAME", T("现金")}, {"LX", T("xj")},   {"LXM", T("现金")},
          {"BS", N(1)},         {"AMT", N(amt)},     {"BIRATE", N(1)},  {"PRICE1", N(price)},
          {"PRICE2", N(price)}, {"ZK_RATE", N(1)}};
}

}  // namespace vmx::test
