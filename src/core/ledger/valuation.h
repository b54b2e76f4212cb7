#pragma once

#include <string>

#include "core/ledger/ledger.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"

namespace vmx::ledger {

// The portfolio valuation ("更新计算") of the holdings ledger: every open row
// gets its cost, value, fees, gain, gain rate and share of the portfolio in
// the settlement currency, missing descriptive fields are filled, and the two
// total rows (市价总值 "zzc", 折扣总值 "zzz") are written. One instance per
// editing window (or per caller that values the ledger); the window shows the
// label texts it keeps.
//
// Arithmetic follows the stored ledgers: quantities, prices, margin ratio,
// currency rate and the three running totals are single precision, products
// are formed in extended precision and stored as doubles, and Round is half to
// even. The run is not a transaction: a stop leaves the rows visited so far
// changed.
class Valuation {
 public:
  Valuation(Ledger& ledger, store::reference::Lookups& lookups, platform::Dialogs& dialogs,
            platform::Clock& clock);

  // Values the ledger in its current view. True when the run completed (the
  // total rows are written, the labels set and the ledger's valuation-pending
  // flag cleared); false when it stopped with a message: a row without a type
  // code ("类型码未添好,...") or a market value of 0 ("总资金是0，...").
  // Questions (a current price of 0) go to the dialogs. Throws store::Error
  // when the ledger cannot be read or written; the rows posted so far stay.
  bool calc();
  // Switches the ledger to the holdings view, suspends the views bound to its
  // cursor for the run, and runs calc(); the views refresh once afterwards,
  // also when calc() throws.
  bool up_calc();

  // The editing window's two labels: "市价总值=" / "折扣总值=" as designed,
  // "市值=" + W(T2) + "万" and "折扣总值=" + W(TZ) + "万" after a completed
  // run, or the stored totals after load_labels().
  const std::string& market_label() const { return m_market_label; }
  const std::string& discount_label() const { return m_discount_label; }
  // What the editing window shows when it is created: the totals of the last
  // run, read from the total rows ("市价总值=" + W(COST2) + "万" and
  // "折扣总值=" + W(COST2) + "万"); a missing row leaves its label as designed.
  // Moves the ledger's current row.
  void load_labels();

  // Money in units of ten thousand, two decimals: Round(x * 0.01) * 0.01 as a
  // general number ("6.2" for 62000).
  static std::string in_wan(double x);

  // The discounted total TZ of the last completed run (single precision, as
  // summed); 0 before one.
  float discounted_total() const { return m_tz; }

 private:
  Ledger& m_ledger;
  store::reference::Lookups& m_lookups;
  platform::Dialogs& m_dialogs;
  platform::Clock& m_clock;
  std::string m_market_label = "市价总值=";
  std::string m_discount_label = "折扣总值=";
  float m_tz = 0;
};

// The messages of a stopped run.
inline constexpr const char* kMissingTypeMessage = "类型码未添好,请在手工编辑窗口修改好再计算!";
inline constexpr const char* kZeroTotalMessage = "总资金是0，计算中止，请检查。";

}  // namespace vmx::ledger
