#pragma once

#include <string>

#include "core/market/security_list.h"
#include "core/platform/dialogs.h"
#include "core/store/cursor.h"

namespace vmx::store::reference {

// The rule of code_to_lx for one range: the code has the length of `code1`
// and lies between `code1` and `code2`, compared as text byte by byte.
bool code_in_range(const std::string& code, const std::string& code1, const std::string& code2);

// The reference tables and the ten shared lookups: one instance per login
// (the settings window is a view on it). It opens its tables when created, so
// the lookups work whether or not the settings window is shown. Every search
// is exact and case-sensitive and moves the current row of the table it
// searches. Rates are single precision, as the stored ledgers expect.
class Lookups {
 public:
  Lookups(Session& session, platform::Dialogs& dialogs, market::SecurityList& securities);
  ~Lookups();

  // code_N_P.DBF, then the security list; "???" when neither has a name.
  std::string code_to_name(const std::string& code);
  // qs.db; "???" after the message naming the code.
  std::string qsdm_to_qs(const std::string& qsdm);
  // lx.DB (filtered "lx<>'zzc' and lx<>'zzz'"); "???" after the message.
  std::string lx_to_lxm(const std::string& lx);
  float lx_to_zk_rate(const std::string& lx);  // 1.0 when missing, silently
  float lx_bzj_rate(const std::string& lx);    // 1.0 when missing, silently
  // 0 for "zzc"/"zzz"; 0.003 / 0.0045 with their messages when missing.
  float lx_to_sxf_rate(const std::string& lx);
  float lx_to_yhs_rate(const std::string& lx);
  // code_to_lx.DBF in match order; "???" when no range matches.
  std::string code_to_lx(const std::string& code);
  // zh_bi.db then bi.db; 1.0 when anything is missing.
  float zjzh_to_birate(const std::string& qsdm, const std::string& zjzh);
  // zh_bi.db's Bicode as stored; the settlement currency's code when missing.
  std::string zjzh_to_bi(const std::string& qsdm, const std::string& zjzh);

  // The settlement currency (bi.db row whose Now is true); empty when none.
  std::string settlement_code();
  std::string settlement_name();

  // The tables, for the settings window's grids and bulk operations.
  Cursor& types();               // lx.DB, index "Bzj_rate;Lx", filtered
  Cursor& code_ranges();         // code_to_lx.DBF, index "ORDER"
  Cursor& code_list();           // code_N_P.DBF, index "CODE"
  Cursor& brokers();             // qs.db
  Cursor& currencies();          // bi.db
  Cursor& account_currencies();  // zh_bi.db (alias ubx)

  platform::Dialogs& dialogs() { return m_dialogs; }
  market::SecurityList& securities() { return m_securities; }

 private:
  Session& m_session;
  platform::Dialogs& m_dialogs;
  market::SecurityList& m_securities;
  Cursor m_types, m_ranges, m_codes, m_brokers, m_currencies, m_account_currencies;
};

}  // namespace vmx::store::reference
