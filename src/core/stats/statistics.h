#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/store/query.h"
#include "core/store/session.h"

// The statistics of the holdings ledger tr2.dbf (alias ubx): proportions,
// profit and loss, trade history and closed pairs, grouped in several ways,
// as two local SQL queries rebuilt from fixed text pieces whenever a choice
// changes: the grid query (every row, the total rows too) and the chart query
// (the same without the total rows) that feeds the two bar series.
namespace vmx::stats {

// The radio group "选显示种类", in item order.
enum class Kind { Proportions = 0, ProfitLoss = 1, History = 2, ClosedPairs = 3 };
// The radio group "选显示内容和方式".
enum class Content { Detail = 0, BySecurity = 1, ByType = 2, ByAccount = 3 };
// The radio group "选盈亏类型".
enum class PnlType { Total = 0, Closed = 1, FloatingLessFees = 2, FloatingAtDiscount = 3 };

// The three choices; the defaults are the window's start values.
struct Choices {
  Kind kind = Kind::Proportions;
  Content content = Content::ByType;
  PnlType pnl = PnlType::FloatingLessFees;
};

// The items' captions of each group, in item order, and the groups' captions.
const std::array<const char*, 4>& kind_captions();
const std::array<const char*, 4>& content_captions();
const std::array<const char*, 4>& pnl_captions();
inline constexpr const char* kKindGroup = "选显示种类";
inline constexpr const char* kContentGroup = "选显示内容和方式";
inline constexpr const char* kPnlGroup = "选盈亏类型";

// Which groups a kind leaves enabled: proportions the content only, profit
// and loss both, history and closed pairs neither.
struct Enabling {
  bool content = false;
  bool pnl = false;
};
Enabling enabling(Kind kind);

// Both query texts for the choices, one piece a line ('\n' between).
struct QueryTexts {
  std::string grid;
  std::string chart;
};
QueryTexts query_texts(const Choices& choices);

// How the chart is set up for the choices (for_graph): shown for
// proportions and profit and loss, with its title, the two series' titles
// and the columns their values and the bars' labels come from; hidden for
// history and closed pairs, when the grid's box takes the chart's room.
struct ChartSetup {
  bool visible = false;
  int grid_height = 466;  // the height of the grid's box "显示投资比例"
  std::string title;
  std::string series1_title, series1_column;
  std::string series2_title, series2_column;
  std::string label_column;
};
ChartSetup chart_setup(const Choices& choices);

// One bar pair of the chart: the label and the values of both series (an
// SQL NULL, as a division by nothing gives, counts 0).
struct Bar {
  std::string label;
  double value1 = 0, value2 = 0;
};

// The window's two queries and the rebuild of both (re_tj). One per
// statistics window; the queries stay open on the last view until the next
// rebuild.
class Statistics {
 public:
  // The most bars the chart draws: a bar chart of every row of a long
  // ledger could not be read, and the chart query reads no further.
  static constexpr size_t kChartBars = 120;

  explicit Statistics(store::Session& session);

  store::Query& grid() { return m_grid; }
  store::Query& chart() { return m_chart; }
  const Choices& choices() const { return m_choices; }
  const ChartSetup& setup() const { return m_setup; }

  // Replaces both texts for `choices`, opens the grid query on its last row
  // and, when the chart is shown, the chart query (its first kChartBars + 1
  // rows). Throws the engine's errors (store::QueryError, store::Error); the
  // queries that could not be opened stay closed.
  void re_tj(const Choices& choices);

  // The chart's bars, at most kChartBars of them in the chart query's order.
  // Empty when the chart is hidden.
  std::vector<Bar> bars();
  // The chart query has rows beyond the bars drawn.
  bool more_bars();

 private:
  store::Session& m_session;
  // The ledger, held from one rebuild to the next: closing both queries
  // would otherwise drop it and every click would read the file again.
  std::shared_ptr<store::Table> m_ledger;
  store::Query m_grid;
  store::Query m_chart;
  Choices m_choices;
  ChartSetup m_setup;
};

}  // namespace vmx::stats
