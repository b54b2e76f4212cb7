#pragma once

#include <string>

#include "core/fund/fund_ledger.h"
#include "core/fund/investment_types.h"
#include "core/store/query.h"
#include "core/store/session.h"

// The fund management window's two investor lists over fund2.DB: the totals
// (one row per investor and type) and the records of the selected investor,
// with the record filter "仅含未撤资记录" (open records only, the default) or
// "所有记录". The windows, the reports and the command line read the same lists.
namespace vmx::fund {

class InvestorLists {
 public:
  explicit InvestorLists(store::Session& session);
  InvestorLists(const InvestorLists&) = delete;
  InvestorLists& operator=(const InvestorLists&) = delete;

  store::Query& totals() { return m_totals; }
  store::Query& detail() { return m_detail; }

  bool all_records() const { return m_all; }
  // Changes the record filter: both lists close, get the sixth line, open
  // again and select the same investor (and type) again.
  void set_all_records(bool all);
  // Opens both lists (again), keeping the selected investor and type when
  // they are still listed, else the row at the same position.
  void reopen();
  // "按拼音码找投资人": the first totals row with exactly this code; false
  // (selection unchanged) when none.
  bool find(const std::string& pycode);
  // Selects the totals row of this code and type; false when none.
  bool select(const std::string& pycode, const std::string& xabc);

  // The selected totals row's code and type ("" when the list is empty).
  std::string pycode();
  std::string xabc();

  // The query texts for a record filter.
  static std::string totals_text(bool all);
  static std::string detail_text(bool all);

 private:
  store::Query m_totals, m_detail;
  bool m_all = false;
};

// The in/out window's three summary lines for the selected investor. For
// the manager the lists go to open records, the fund is recomputed and the
// lines tell what the fund holds beyond the other investors; for anyone else
// they sum the investor's listed records (due ones for "当前总可取资金").
struct InOutSummary {
  std::string units_line;  // "所持y类型基金数量(股数):123.45" or the manager's line
  double now = 0;          // "当前总可取资金(元):"
  double later = 0;        // "到期总可取资金(元):"
};
InOutSummary in_out_summary(FundLedger& f, TypeBook& types, InvestorLists& lists);

}  // namespace vmx::fund
