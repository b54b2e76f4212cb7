#pragma once

#include <set>
#include <string>

#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"
#include "core/store/cursor.h"

namespace vmx::store::reference {

// The settings window's bulk operations: each keeps one reference table and
// the holdings ledger in step. The holdings are walked from their first row
// in the holdings cursor's current order (the holdings window's view), and
// every changed row is posted as the walk goes, so an operation stopped by a
// message or a No answer leaves the rows already posted changed. Messages and
// questions go through Dialogs. Grids bound to the cursors involved stay
// quiet during an operation and refresh once at its end.
//
// Every operation throws store::Error when a table cannot be written (the row
// being written is left unchanged); the caller shows it in the error box.
class ReferenceOps {
 public:
  // `holdings` is the ledger's cursor (tr2.DBF); the fund ledger fund2.DB is
  // opened through alias ubx when "据总表更新价格" needs it.
  ReferenceOps(Session& session, Lookups& lookups, Cursor& holdings, platform::Dialogs& dialogs,
               platform::Clock& clock);
  ~ReferenceOps();

  // ---- types page (lx.DB) ----
  // "从持仓文件追加": appends each holdings type missing from the type table,
  // with the row's discount rate (1.0 when 0); stops at the total rows.
  void append_types();
  // "补充和更新": copies type name and discount rate into the holdings; stops
  // at the first type missing from the table (with a message unless it is
  // a total row's type).
  void update_holdings_types();

  // ---- code list page (code_N_P.DBF) ----
  // "从持仓文件追加": appends each holdings code missing from the code list
  // (total rows left out), then makes the first code without a price current.
  void append_codes();
  // "从持仓文件再生": deletes list codes below "99" that no holdings row has,
  // then appends.
  void rebuild_codes();
  // "改持仓文件价格": copies name and price from the code list (the security
  // list's price when the list has 0) into each holdings row, discounting
  // "dss" rows. A code missing from the list is appended and the walk starts
  // again; a row whose code cannot be appended is left unchanged. Throws
  // Error (row unchanged) when a "dss" row's note is not a number.
  void update_holdings_prices();
  // "据总表更新价格": refreshes the code list's names and prices from the
  // security list and writes the two index prices (codes "9996" and
  // "999999", whole part) into the last row of the fund ledger, when it has
  // one.
  void update_codes_from_securities();

  // ---- brokers page (qs.db) ----
  // "从持仓文件追加": appends each holdings broker code missing from qs.db.
  void append_brokers();
  // "补充券商名": copies broker names into the holdings; stops with a message
  // at the first broker code missing from qs.db.
  void update_holdings_brokers();
  // "从持仓文件再生": deletes brokers no holdings row has, then appends.
  void rebuild_brokers();

  // ---- code ranges page (code_to_lx.DBF) ----
  // "从持仓追加类型": appends each holdings type missing from the ranges, with
  // an empty range, and says so when any was added.
  void append_range_types();
  // "补持仓纪录类型": sets each holdings row's type from the first matching
  // range; a range whose two codes differ in length asks whether to go on,
  // and No ends the operation.
  void update_holdings_types_from_ranges();

  // ---- currencies page (bi.db, zh_bi.db) ----
  // "更改结算货币为光标所指": makes the current bi.db row the settlement
  // currency, rescales every rate (rounded to 0.0001) and updates the
  // holdings' rates. Returns false with nothing changed when the table is
  // empty, and when the current row's rate is 0 (after kZeroRateMessage).
  bool make_settlement_currency();
  // "更新持仓文件货币比率": sets each holdings row's BIRATE from zjzh_to_birate.
  void update_holdings_rates();
  // "从持仓文件追加帐户": appends each holdings cash account missing from
  // zh_bi.db (total rows left out); asks for missing currency codes.
  void append_accounts();
  // "从持仓文件再生": deletes accounts no holdings row has, then appends.
  void rebuild_accounts();

  // The message shown when the chosen settlement currency's rate is 0.
  static constexpr const char* kZeroRateMessage =
      "光标所指货币的相对比例为0，不能作为结算货币。请先在表格中填上它的相对比例！";
  // The message shown when a "dss" row's note is not a number (code, note appended).
  static constexpr const char* kBadNoteMessage = "注释不是数字，无法计算折现价格：代码 ";

  // Discounted price of a "dss" row: price ÷ (1 + note%)^(days/365) rounded
  // to 0.001, halves to even.
  static double discount(double price, double note, int days);

 private:
  struct Pass;  // one holdings walk with the grids quiet
  bool codes_contain(const std::string& code);
  void fill_holdings_price();  // one row of update_holdings_prices

  Session& m_session;
  Lookups& m_lookups;
  Cursor& m_holdings;
  platform::Dialogs& m_dialogs;
  platform::Clock& m_clock;
  Cursor m_fund;
};

}  // namespace vmx::store::reference
