// The statistics window: the holdings as proportions, profit and loss, trade history or closed
// pairs, with a bar chart, printed as a report (投资组合和盈亏统计).
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "core/stats/statistics.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QTableView;
class QChart;
class QChartView;

namespace vmx::app {
class Workspace;
}
namespace vmx::ui {
class QueryModel;
}

namespace vmx::ledger {

// "投资组合和盈亏统计": three radio groups choose what the grid and the chart
// show; every click rebuilds both queries (re_tj). One instance per login,
// created hidden at login and shown modally from the main window; it keeps
// its choices until the next login.
class TForm_tj : public QDialog {
  Q_OBJECT
 public:
  // `calc` values the holdings (the holdings window's up_calc); it runs on
  // showing while the ledger's valuation is pending.
  TForm_tj(app::Workspace& workspace, std::function<void()> calc, QWidget* parent = nullptr);
  ~TForm_tj() override;

  // The choices as the radio groups stand.
  stats::Choices choices() const;
  // Rebuilds both queries from the radio groups, sets up the chart, opens
  // them. Errors end in the error box with the grid and chart empty.
  void re_tj();
  // The chart's title, series and labels from the chart query (or hidden).
  void for_graph();
  // A click on an item of a group: enabling by the kind, then re_tj.
  void RadioGroupClick();
  // "打印屏幕": the window's image in a print preview.
  void print_screen();
  // "打印报告": the report of the grid in a print preview (or the redirect).
  void print_report();

  stats::Statistics& statistics() { return m_stats; }
  QButtonGroup* kind_group() const { return m_kind; }
  QButtonGroup* content_group() const { return m_content; }
  QButtonGroup* pnl_group() const { return m_pnl; }
  QGroupBox* content_box() const { return m_content_box; }
  QGroupBox* pnl_box() const { return m_pnl_box; }
  QGroupBox* grid_box() const { return m_grid_box; }
  QTableView* grid() const { return m_grid; }
  QChartView* chart_view() const { return m_chart_view; }
  QChart* chart() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  QGroupBox* radio_group(const char* caption, const std::array<const char*, 4>& items, int start,
                         QButtonGroup*& group);
  void enable_by_kind();

  app::Workspace& m_ws;
  std::function<void()> m_calc;
  stats::Statistics m_stats;
  std::unique_ptr<ui::QueryModel> m_model;
  QButtonGroup* m_kind = nullptr;     // RadioGroup1
  QButtonGroup* m_content = nullptr;  // RadioGroup2
  QButtonGroup* m_pnl = nullptr;      // RadioGroup3
  QGroupBox* m_content_box = nullptr;
  QGroupBox* m_pnl_box = nullptr;
  QGroupBox* m_grid_box = nullptr;
  QTableView* m_grid = nullptr;
  QChartView* m_chart_view = nullptr;
};

}  // namespace vmx::ledger
