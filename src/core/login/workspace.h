#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "core/fund/fund_ledger.h"
#include "core/ledger/ledger.h"
#include "core/market/security_list.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/help.h"
#include "core/platform/shell.h"
#include "core/reference/lookups.h"
#include "core/store/session.h"

namespace vmx::app {

// Who is logged in: kept from login until the program ends.
struct LoginState {
  std::filesystem::path curr_dir;  // program directory (the working directory at start)
  std::string acc_name;            // the user name typed or picked at login
  std::filesystem::path acc_dir;   // curr_dir / the account's Subdir
};

// Everything that lives from one login to the next: the long-lived objects
// other parts call into (the holdings ledger connection, the lookups, the
// security list, ...). A new login makes a new Workspace; the windows hold a
// reference to it. Core only: windows are built on top.
class Workspace {
 public:
  // Binds alias ubx to state.acc_dir (closing everything open through it),
  // gives the engine the table password and creates the long-lived objects.
  // Throws store::Error when the account directory cannot be bound.
  Workspace(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock,
            platform::Help& help, LoginState state);
  // Ends the login: unbinds ubx, closing everything opened through it and
  // releasing the account directory's lock, so the account may be opened by
  // another running copy at once. Nothing of the account is reachable after.
  ~Workspace();
  // What logging out does while the windows of the login still exist, as the
  // destructor does; the objects stay but their tables are closed.
  void log_out();

  store::Session& session() { return m_session; }
  platform::Dialogs& dialogs() { return m_dialogs; }
  platform::Clock& clock() { return m_clock; }
  platform::Help& help() { return m_help; }
  // What starts outside programs: the program's own PosixShell unless one was
  // set (tests set a ScriptedShell).
  platform::Shell& shell();
  void set_shell(platform::Shell& shell) { m_shell = &shell; }
  const LoginState& login() const { return m_login; }

  market::SecurityList& securities() { return *m_securities; }
  store::reference::Lookups& lookups() { return *m_lookups; }
  ledger::Ledger& ledger() { return *m_ledger; }
  fund::FundLedger& fund() { return *m_fund; }

 private:
  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  platform::Clock& m_clock;
  platform::Help& m_help;
  platform::Shell* m_shell = nullptr;
  LoginState m_login;
  unsigned m_ubx_serial = 0;  // the binding of ubx this login made
  std::unique_ptr<market::SecurityList> m_securities;
  std::unique_ptr<store::reference::Lookups> m_lookups;
  std::unique_ptr<ledger::Ledger> m_ledger;
  std::unique_ptr<fund::FundLedger> m_fund;
};

// The table password given to the engine at start and at each login.
inline constexpr const char* kTablePassword = "k47";

}  // namespace vmx::app
