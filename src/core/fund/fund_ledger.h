#pragma once

#include <functional>
#include <optional>

#include "core/ledger/ledger.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"
#include "core/store/cursor.h"

namespace vmx::fund {

// The one connection to the fund ledger fund2.DB of the logged-in account
// (alias ubx) and the state the fund windows share for the login: the fund
// window's cursor, through which every fund operation reads and writes (so
// its grid shows their rows at once), and the holdings ledger, lookups,
// dialogs and clock those operations need. One per login, owned by the
// Workspace.
class FundLedger {
 public:
  FundLedger(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock,
             ledger::Ledger& holdings, store::reference::Lookups& lookups);

  // In key order (DT, PYCODE, Num, CZXH, XABC, B1); opened on first use.
  store::Cursor& cursor();
  void reopen();

  // The holdings' discounted total for today's market result. By default a
  // valuation run of the holdings ledger; nullopt when the run stopped with
  // its message. The holdings window sets its own so that its labels follow.
  using HoldingsValuation = std::function<std::optional<float>()>;
  void set_holdings_valuation(HoldingsValuation v) { m_valuation = std::move(v); }
  std::optional<float> value_holdings();

  // Set by recompute before its second unit price pass; cleared by the pass
  // that acts on it.
  bool recompute_back = false;
  // The fund management window has been created once in this login.
  bool management_created = false;

  store::Session& session() { return m_session; }
  platform::Dialogs& dialogs() { return m_dialogs; }
  platform::Clock& clock() { return m_clock; }
  ledger::Ledger& holdings() { return m_holdings; }
  store::reference::Lookups& lookups() { return m_lookups; }

 private:
  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  platform::Clock& m_clock;
  ledger::Ledger& m_holdings;
  store::reference::Lookups& m_lookups;
  store::Cursor m_cursor;
  HoldingsValuation m_valuation;
};

// Keeps the views bound to a cursor quiet for a long pass and lets them
// refresh once at its end, however it ends.
class QuietViews {
 public:
  explicit QuietViews(store::Cursor& c) : m_c(c) { m_c.disable_controls(); }
  ~QuietViews() { m_c.enable_controls(); }
  QuietViews(const QuietViews&) = delete;
  QuietViews& operator=(const QuietViews&) = delete;

 private:
  store::Cursor& m_c;
};

}  // namespace vmx::fund
