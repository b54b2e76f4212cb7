#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/install/installation.h"
#include "core/ledger/ledger.h"
#include "core/market/security_list.h"
#include "core/platform/clock.h"
#include "core/platform/scripted_dialogs.h"
#include "core/reference/lookups.h"
#include "core/reference/reference_ops.h"
#include "core/store/error.h"
#include "core/store/session.h"
#include "support/temp_dir.h"

namespace vmx::store::reference::test {

inline const Date kToday = Date::from_ymd(2024, 3, 15);

// A demo installation logged in as the demo account: the per-login objects
// over real reference tables and a valued holdings ledger.
struct LoggedIn {
  vmx::test::TempDir dir;
  Session session;
  platform::ScriptedDialogs dialogs;
  platform::FixedClock clock{platform::DateTime{kToday}};
  std::unique_ptr<market::SecurityList> securities;
  std::unique_ptr<Lookups> lookups;
  std::unique_ptr<ledger::Ledger> ledger;
  std::unique_ptr<ReferenceOps> ops;

  LoggedIn() {
    init_installation(dir.path() / "prog", true, kToday);
    session.set_alias("curr", dir.path() / "prog");
    session.set_alias("ubx", dir.path() / "prog" / kDemoAccountDir);
    securities = std::make_unique<market::SecurityList>(session);
    lookups = std::make_unique<Lookups>(session, dialogs, *securities);
    ledger = std::make_unique<ledger::Ledger>(session, dialogs);
    ops = std::make_unique<ReferenceOps>(session, *lookups, ledger->cursor(), dialogs, clock);
  }
  ~LoggedIn() {
    ops.reset();
    ledger.reset();
    lookups.reset();
    securities.reset();
  }

  Cursor& holdings() { return ledger->cursor(); }

  // Every value of one field of a table, in the cursor's order.
  static std::vector<std::string> column(Cursor& c, const char* field) {
    std::vector<std::string> out;
    for (c.first(); !c.eof(); c.next()) out.push_back(c.get_string(field));
    return out;
  }
  // Sets fields of the first row where `key` = `value`; fails the test when none.
  static void change(Cursor& c, const char* key, const std::string& value,
                     const std::vector<std::pair<const char*, Value>>& fields) {
    if (!c.locate(key, {Value::text(value)})) throw Error(std::string("no row ") + value);
    for (const auto& [f, v] : fields) c.set(f, v);
    c.post();
  }
  static void add(Cursor& c, const std::vector<std::pair<const char*, Value>>& fields) {
    c.append();
    for (const auto& [f, v] : fields) c.set(f, v);
    c.post();
  }
};

}  // namespace vmx::store::reference::test
