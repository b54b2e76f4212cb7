#include "core/fund/fund_ledger.h"

#include "core/fund/fund_record.h"
#include "core/ledger/valuation.h"

namespace vmx::fund {

FundLedger::FundLedger(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock,
                       ledger::Ledger& holdings, store::reference::Lookups& lookups)
    : m_session(session),
      m_dialogs(dialogs),
      m_clock(clock),
      m_holdings(holdings),
      m_lookups(lookups),
      m_cursor(session, "ubx", kFundFile) {}

store::Cursor& FundLedger::cursor() {
  if (!m_cursor.active()) {
    m_cursor.set_index_fields(kKeyFields);
    m_cursor.open();
  }
  return m_cursor;
}

void FundLedger::reopen() {
  m_cursor.close();
  cursor();
}

std::optional<float> FundLedger::value_holdings() {
  if (m_valuation) return m_valuation();
  ledger::Valuation v(m_holdings, m_lookups, m_dialogs, m_clock);
  if (!v.up_calc()) return std::nullopt;
  return v.discounted_total();
}

}  // namespace vmx::fund
