#pragma once

#include <array>
#include <string>

#include "core/store/query.h"
#include "core/store/session.h"

namespace vmx::app {

// The main window's two views of the holdings ledger tr2.dbf (alias ubx): a
// summary ("目录") and the ledger rows that belong to its current row
// ("明细"), both local SQL with the program's query texts. Qt-free, so the
// listing choices are tested and measured without a window.
class HoldingsViews {
 public:
  // The radio group "显示选择", in item order.
  enum class Listing { ByCode = 0, ByAccount = 1, PendingOrders = 2 };

  explicit HoldingsViews(store::Session& session);
  ~HoldingsViews();
  HoldingsViews(const HoldingsViews&) = delete;
  HoldingsViews& operator=(const HoldingsViews&) = delete;

  store::Query& upper() { return m_upper; }
  store::Query& lower() { return m_lower; }

  Listing listing() const { return m_listing; }
  // Takes effect at the next build_sql().
  void set_listing(Listing listing) { m_listing = listing; }

  // Replaces the texts of both queries for the listing choice (which closes
  // them). PendingOrders leaves the summary's text as it was and unbinds the
  // detail list from it: the pending orders do not depend on the summary row.
  void build_sql();
  // Closes the detail and the summary query, then opens the summary and the
  // detail query. Throws what Query::open throws; the queries that could not
  // be opened stay closed.
  void reopen();

  // The summary's text for a choice ("" for PendingOrders, which keeps the
  // previous one) and the detail list's text: one line per line, '\n' between.
  static std::string upper_text(Listing listing);
  static std::string lower_text(Listing listing);

  // The titles of the summary's first two columns for ByCode and ByAccount.
  static std::array<std::string, 2> upper_titles(Listing listing);

 private:
  store::Query m_upper;
  store::Query m_lower;  // after m_upper: it goes first and unbinds from its master
  Listing m_listing = Listing::ByCode;
};

}  // namespace vmx::app
