#include "core/login/workspace.h"

namespace vmx::app {

Workspace::Workspace(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock,
                     platform::Help& help, LoginState state)
    : m_session(session),
      m_dialogs(dialogs),
      m_clock(clock),
      m_help(help),
      m_login(std::move(state)) {
  // Re-binding closes every table and query the previous login opened through
  // ubx, so nothing of the other account stays reachable.
  m_session.set_alias("ubx", m_login.acc_dir);
  m_ubx_serial = m_session.alias_serial("ubx");
  m_session.set_password(kTablePassword);
  m_securities = std::make_unique<market::SecurityList>(m_session);
  m_lookups = std::make_unique<store::reference::Lookups>(m_session, m_dialogs, *m_securities);
  m_ledger = std::make_unique<ledger::Ledger>(m_session, m_dialogs);
  m_fund = std::make_unique<fund::FundLedger>(m_session, m_dialogs, m_clock, *m_ledger, *m_lookups);
}

platform::Shell& Workspace::shell() {
  static platform::PosixShell system_shell;
  return m_shell ? *m_shell : system_shell;
}

// The ledger and the lookups go before the security list they may call into.
Workspace::~Workspace() {
  m_fund.reset();
  m_ledger.reset();
  m_lookups.reset();
  m_securities.reset();
  log_out();
}

void Workspace::log_out() {
  // Only while ubx is still this login's: a later login may have re-bound it.
  if (m_session.alias_serial("ubx") == m_ubx_serial) m_session.unbind_alias("ubx");
}

}  // namespace vmx::app
