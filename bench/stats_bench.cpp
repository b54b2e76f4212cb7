// The statistics window's rebuild (re_tj) on a 100,000-row holdings ledger:
// from a click on a choice until the grid query holds its rows and the
// chart's bars are read, for every combination of choices.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_data.h"
#include "core/stats/statistics.h"
#include "core/store/cursor.h"

namespace fs = std::filesystem;
using namespace vmx;

namespace {

const fs::path& stats_dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "vmx-bench-stats";
    fs::create_directories(d);
    if (!fs::exists(d / "tr2.DBF")) bench::make_ledger(d / "tr2.DBF", 100000);
    return d;
  }();
  return dir;
}

void BM_Statistics(benchmark::State& state) {
  const stats::Choices choices{static_cast<stats::Kind>(state.range(0)),
                               static_cast<stats::Content>(state.range(1)),
                               static_cast<stats::PnlType>(state.range(2))};
  store::Session s;
  s.set_alias("ubx", stats_dir());
  store::Cursor ledger(s, "ubx", "tr2.DBF");  // open, as the ledger is in the program
  ledger.open();
  stats::Statistics st(s);
  size_t bars = 0;
  for (auto _ : state) {
    st.re_tj(choices);
    bars = st.bars().size();
    benchmark::DoNotOptimize(bars);
  }
  state.counters["rows"] = static_cast<double>(st.grid().count());
  state.counters["bars"] = static_cast<double>(bars);
}

BENCHMARK(BM_Statistics)->Apply(bench::every_statistics_choice)->Unit(benchmark::kMillisecond);

}  // namespace
