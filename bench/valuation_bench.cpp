// The valuation ("更新计算") over a generated 100,000-row holdings ledger,
// every row posted in both passes. Target: at most 1 s.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "bench_data.h"
#include "core/install/installation.h"
#include "core/ledger/ledger.h"
#include "core/ledger/trading.h"
#include "core/ledger/valuation.h"
#include "core/market/security_list.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/file_system.h"
#include "core/reference/lookups.h"
#include "core/store/cursor.h"
#include "core/store/table_file.h"

namespace fs = std::filesystem;
using namespace vmx;
using bench::CountingDialogs;

namespace {

// An installation whose account 我的帐户 holds the generated ledger; the
// generated rows' type "A" is added to the type table, as a user would have it.
const fs::path& installation() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "vmx-bench-valuation";
    fs::remove_all(d);
    store::init_installation(d, false, Date::from_ymd(2026, 11, 2));
    fs::create_directories(d / "generated");
    bench::make_ledger(d / "generated" / "tr2.DBF", 100000);
    store::Session s;
    store::Cursor types(s, d.string(), "lx.DB");
    types.open();
    types.append();
    types.set_string("Lx", "A");
    types.set_string("Lxm", "A股");
    types.set_double("Zk_rate", 0.9);
    types.set_double("Sxf_rate", 0.003);
    types.set_double("Yhs_rate", 0.001);
    types.set_double("Bzj_rate", 1);
    types.post();
    return d;
  }();
  return dir;
}

// Arg 1: the files the valuation wrote are flushed to disk at its end, as
// the window's and the command line's operations do; arg 0: without.
void BM_UpCalcHundredThousandRows(benchmark::State& state) {
  const fs::path dir = installation();
  const fs::path acc = dir / store::kMyAccountDir;
  long shown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(dir / "generated" / "tr2.DBF", store::resolve_case_insensitive(acc, "tr2.DBF"),
                  fs::copy_options::overwrite_existing);
    {
      store::Session session;
      session.set_alias("curr", dir);
      session.set_alias("ubx", acc);
      bench::CountingDialogs dialogs;
      platform::FixedClock clock({Date::from_ymd(2026, 11, 2)});
      market::SecurityList securities(session);
      store::reference::Lookups lookups(session, dialogs, securities);
      ledger::Ledger ledger(session, dialogs);
      ledger::Valuation valuation(ledger, lookups, dialogs, clock);
      ledger.cursor();  // the ledger is open before the run, as in the editing window
      state.ResumeTiming();
      if (!valuation.up_calc()) state.SkipWithError("the valuation stopped");
      if (state.range(0)) platform::flush_written_files();
      state.PauseTiming();
      platform::flush_written_files();
      shown = dialogs.shown;
    }
    state.ResumeTiming();
  }
  state.counters["messages"] = static_cast<double>(shown);
}
BENCHMARK(BM_UpCalcHundredThousandRows)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Arg(0)
    ->Arg(1);

// One buy order on the 100,000-row ledger (its order row and frozen-cash row),
// with (arg 1) and without (arg 0) flushing the ledger at the end.
void BM_OneBuy(benchmark::State& state) {
  const fs::path dir = installation();
  const fs::path acc = dir / store::kMyAccountDir;
  fs::copy_file(dir / "generated" / "tr2.DBF", store::resolve_case_insensitive(acc, "tr2.DBF"),
                fs::copy_options::overwrite_existing);
  store::Session session;
  session.set_alias("curr", dir);
  session.set_alias("ubx", acc);
  bench::CountingDialogs dialogs;
  platform::FixedClock clock({Date::from_ymd(2026, 11, 2), 10});
  market::SecurityList securities(session);
  store::reference::Lookups lookups(session, dialogs, securities);
  ledger::Ledger ledger(session, dialogs);
  {
    store::Cursor& c = ledger.cursor();
    c.append();
    for (const auto& [f, v] : {std::pair{"QSDM", "htzq"},
                               {"ZJZH", "1001"},
                               {"GDDM", "xj"},
                               {"CODE", "xj"},
                               {"LX", "xj"},
                               {"NAME", "现金"}})
      c.set_string(f, v);
    c.set_double("AMT", 1e12);
    c.set_int("BS", 1);
    for (const char* f : {"BIRATE", "PRICE1", "PRICE2", "ZK_RATE"}) c.set_double(f, 1);
    c.post();
  }
  ledger::Trading trading(ledger, lookups, clock);
  ledger::TradeForm form;
  form.qsdm = "htzq";
  form.zjzh = "1001";
  form.gddm = "A001";
  form.lx = "a";
  form.code = "600000";
  form.quantity = "100";
  form.price = "10.5";
  form.trade_date = "2026-11-02";
  form.date0 = Date::from_ymd(2026, 11, 2);
  platform::flush_written_files();
  for (auto _ : state) {
    if (!trading.buy(form).done) state.SkipWithError("the buy was refused");
    if (state.range(0)) platform::flush_written_files();
  }
  platform::flush_written_files();
}
BENCHMARK(BM_OneBuy)->Unit(benchmark::kMicrosecond)->Arg(0)->Arg(1);

}  // namespace
