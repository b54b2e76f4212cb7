// The statistics and chart windows as a user meets them, on a 100,000-row
// holdings ledger and a 20,000-row fund ledger: from a click on a choice
// until the window has painted its grid and chart (the statistics window),
// and from opening until the chart is drawn (the chart window). Runs with
// the offscreen platform; the chart window's painting is forced with grab().
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QChartView>
#include <QTableView>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "bench_data.h"
#include "core/install/installation.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/help.h"
#include "core/store/table_file.h"
#include "gui/ledger/statistics_window.h"
#include "gui/market/chart_window.h"

namespace fs = std::filesystem;
using namespace vmx;

namespace {

struct NoHelp : platform::Help {
  void open_keyword(const std::string&) override {}
  void open_contents() override {}
};

// An installation whose account 我的帐户 holds the big ledgers.
struct BigLogin {
  BigLogin() : clock(platform::DateTime{Date::from_ymd(2026, 12, 1), 15, 0}) {
    dir = fs::temp_directory_path() / "vmx-bench-windows";
    const fs::path user = dir / store::kMyAccountDir;
    if (!fs::exists(dir / "z.db")) {
      store::init_installation(dir, false, clock.today());
      bench::make_ledger(store::resolve_case_insensitive(user, "tr2.DBF"), 100000);
      bench::make_fund(store::resolve_case_insensitive(user, "fund2.DB"), 20000);
    }
    session.set_alias("curr", dir);
    ws = std::make_unique<app::Workspace>(session, dialogs, clock, help,
                                          app::LoginState{dir, store::kMyAccountName, user});
    ws->ledger().set_valuation_pending(false);
  }
  fs::path dir;
  platform::FixedClock clock;
  bench::CountingDialogs dialogs;
  NoHelp help;
  store::Session session;
  std::unique_ptr<app::Workspace> ws;
};

BigLogin& login() {
  static BigLogin l;
  return l;
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
  explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

// Runs the event loop until each counter has seen a paint after `before`
// (the layout's requests, the grid's and the chart's first paint).
void until_painted(const std::vector<std::pair<PaintCounter*, int>>& before) {
  for (int round = 0; round < 100; ++round) {
    QApplication::processEvents();
    bool all = true;
    for (const auto& [c, n] : before) all = all && c->paints > n;
    if (all) return;
  }
}

// A click on the kind `state.range(0)` (content, P&L type as given) after
// the previous view, through to the window's grid and chart painted on screen.
void BM_StatisticsWindow(benchmark::State& state) {
  ledger::TForm_tj form(*login().ws, {});
  form.resize(980, 760);
  form.show();
  QApplication::processEvents();
  form.content_group()->button(static_cast<int>(state.range(1)))->setChecked(true);
  form.pnl_group()->button(static_cast<int>(state.range(2)))->setChecked(true);
  const int kind = static_cast<int>(state.range(0));
  PaintCounter grid(form.grid()->viewport());
  PaintCounter chart(form.chart_view()->viewport());
  const bool charted = kind < 2;
  for (auto _ : state) {
    state.PauseTiming();
    form.kind_group()->button(kind == 0 ? 1 : 0)->click();
    QApplication::processEvents();
    QApplication::processEvents();
    std::vector<std::pair<PaintCounter*, int>> before{{&grid, grid.paints}};
    if (charted) before.emplace_back(&chart, chart.paints);
    state.ResumeTiming();
    form.kind_group()->button(kind)->click();
    until_painted(before);
  }
  state.counters["rows"] = static_cast<double>(form.statistics().grid().count());
  state.counters["grid paints"] = grid.paints;
}

BENCHMARK(BM_StatisticsWindow)
    ->Apply(bench::every_statistics_choice)
    ->Unit(benchmark::kMillisecond);

// Opening the chart window: reading the fund ledger, the view from the
// stored start, the chart and its panel painted; curves or weekly K-lines.
void BM_ChartWindow(benchmark::State& state) {
  market::TForm_draw form(*login().ws);
  form.resize(1180, 740);
  form.line_group()->button(static_cast<int>(state.range(0)))->setChecked(true);
  for (auto _ : state) {
    form.show();
    benchmark::DoNotOptimize(form.grab());
    state.PauseTiming();
    form.hide();
    state.ResumeTiming();
  }
  state.counters["points"] = form.series().n();
}
BENCHMARK(BM_ChartWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
