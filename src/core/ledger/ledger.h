#pragma once

#include <cstdint>
#include <string>

#include "core/platform/dialogs.h"
#include "core/store/cursor.h"

namespace vmx::ledger {

// The one connection to the holdings ledger tr2.DBF of the logged-in account
// (alias ubx): the table object of the holdings editing window, through which
// trading, settlement, corporate actions, the settings window's bulk updates
// and the valuation all work. Its current view decides which rows they see.
// One instance per login, owned by the Workspace.
class Ledger {
 public:
  enum class View { Holdings, Closed };  // index NO_PC / For_PC

  Ledger(store::Session& session, platform::Dialogs& dialogs);
  ~Ledger();

  // The ledger's cursor; opened on first use in the current view.
  store::Cursor& cursor();
  // The same cursor as it is, not opened: for letting go of it when the login
  // may have ended already.
  store::Cursor& cursor_as_is() { return m_cursor; }
  // Closes the table, selects the view's index, opens it again.
  void set_view(View v);
  View view() const { return m_view; }
  // Closes and opens the table again in the current view (after a file change).
  void reopen();

  // Cash balance: the account's cash row's AMT truncated toward zero; 0 and
  // the message "找不到相应的资金帐号" when it has none.
  int64_t zjzhxj1(const std::string& qsdm, const std::string& zjzh);
  // Available funds: the cash row plus the account's frozen-cash rows,
  // truncated toward zero; 0 and "找不到相应的资金帐号" when the account has no row.
  int64_t zjzhxj(const std::string& qsdm, const std::string& zjzh);

  // Set from creation until a valuation run completes.
  bool valuation_pending() const { return m_valuation_pending; }
  void set_valuation_pending(bool on) { m_valuation_pending = on; }

  platform::Dialogs& dialogs() { return m_dialogs; }
  store::Session& session() { return m_session; }

 private:
  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  store::Cursor m_cursor;
  View m_view = View::Holdings;
  bool m_valuation_pending = true;
};

}  // namespace vmx::ledger
