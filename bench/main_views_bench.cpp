// The main window's listing choices on a 100,000-row holdings ledger: the
// time from a click on "显示选择" until both lists hold their rows (the
// queries' part; the grids then show only the rows on screen).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_data.h"
#include "core/ledger/holdings_views.h"
#include "core/store/cursor.h"

namespace fs = std::filesystem;
using namespace vmx;
using Listing = app::HoldingsViews::Listing;

namespace {

const fs::path& views_dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "vmx-bench-views";
    fs::create_directories(d);
    if (!fs::exists(d / "tr2.DBF")) bench::make_ledger(d / "tr2.DBF", 100000);
    return d;
  }();
  return dir;
}

// Switches from the previous choice to `to` each iteration, as a user
// clicking between two items does.
void BM_SwitchListing(benchmark::State& state) {
  const auto from = static_cast<Listing>(state.range(0));
  const auto to = static_cast<Listing>(state.range(1));
  store::Session s;
  s.set_alias("ubx", views_dir());
  store::Cursor ledger(s, "ubx", "tr2.DBF");  // open, as the ledger is in the program
  ledger.open();
  app::HoldingsViews views(s);
  for (auto _ : state) {
    state.PauseTiming();
    views.set_listing(from);
    views.build_sql();
    views.reopen();
    state.ResumeTiming();
    views.set_listing(to);
    views.build_sql();
    views.reopen();
    benchmark::DoNotOptimize(views.upper().count() + views.lower().count());
  }
  state.counters["upper"] = static_cast<double>(views.upper().count());
  state.counters["lower"] = static_cast<double>(views.lower().count());
}
BENCHMARK(BM_SwitchListing)
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace
