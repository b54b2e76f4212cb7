// The fund ledger's long passes on a generated 20,000-row fund2.DB beside a
// 100,000-row tr2.DBF. Targets: recompute from the first row at most 0.5 s,
// the withdrawal matching at most 1 s, the valuation of open rows at most 0.3 s,
// the investors' totals list at most 150 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "bench_data.h"
#include "core/fund/fees.h"
#include "core/fund/fund_ledger.h"
#include "core/fund/investor_lists.h"
#include "core/fund/matching.h"
#include "core/fund/unit_price.h"
#include "core/install/installation.h"
#include "core/ledger/ledger.h"
#include "core/market/security_list.h"
#include "core/platform/clock.h"
#include "core/reference/lookups.h"
#include "core/store/cursor.h"
#include "core/store/table_file.h"

namespace fs = std::filesystem;
using namespace vmx;

namespace {

const Date kToday = Date::from_ymd(2026, 12, 1);

const fs::path& installation() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "vmx-bench-fund";
    fs::remove_all(d);
    store::init_installation(d, false, kToday);
    fs::create_directories(d / "generated");
    bench::make_ledger(d / "generated" / "tr2.DBF", 100000);
    bench::make_fund(d / "generated" / "fund2.DB", 20000);
    store::Session s;
    store::Cursor types(s, d.string(), "lx.DB");
    types.open();
    types.append();
    types.set_string("Lx", "A");
    types.set_string("Lxm", "A股");
    types.set_double("Zk_rate", 0.9);
    types.set_double("Bzj_rate", 1);
    types.post();
    // One withdrawal for each of the 200 investors on the last day, each
    // taking a few of their investments.
    store::Cursor fund(s, (d / "generated").string(), "fund2.DB");
    fund.open();
    for (int i = 0; i < 200; ++i) {
      char code[8];
      std::snprintf(code, sizeof code, "i%03d", i);
      fund.append();
      fund.set_date("DT", kToday);
      fund.set_string("PYCODE", code);
      fund.set_double("INPUT", -45000);
      fund.set_string("XABC", "y");
      fund.set_double("PRICE", 2.0);
      fund.set_string("B1", "s");
      fund.post();
    }
    return d;
  }();
  return dir;
}

// Runs `op` on a fresh copy of the generated tables, timing only `op`.
void run(benchmark::State& state, const std::function<void(fund::FundLedger&, fund::TypeBook&)>& op,
         const std::function<void(fund::FundLedger&, fund::TypeBook&)>& prepare = {}) {
  const fs::path dir = installation();
  const fs::path acc = dir / store::kMyAccountDir;
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* f : {"tr2.DBF", "fund2.DB"})
      fs::copy_file(dir / "generated" / f, store::resolve_case_insensitive(acc, f),
                    fs::copy_options::overwrite_existing);
    {
      store::Session session;
      session.set_alias("curr", dir);
      session.set_alias("ubx", acc);
      bench::CountingDialogs dialogs;
      platform::FixedClock clock({kToday});
      market::SecurityList securities(session);
      store::reference::Lookups lookups(session, dialogs, securities);
      ledger::Ledger holdings(session, dialogs);
      fund::FundLedger f(session, dialogs, clock, holdings, lookups);
      fund::TypeBook types(session);
      holdings.cursor();
      f.cursor().first();
      if (prepare) prepare(f, types);
      state.ResumeTiming();
      op(f, types);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
}

void BM_FundRecomputeFromFirstRow(benchmark::State& state) {
  run(state, [](fund::FundLedger& f, fund::TypeBook&) {
    f.cursor().first();
    fund::recompute(f);
  });
}
BENCHMARK(BM_FundRecomputeFromFirstRow)->Unit(benchmark::kMillisecond)->Iterations(3);

// The unit price pass alone, the holdings valuation taken as done.
void BM_FundUpCalcFromFirstRow(benchmark::State& state) {
  run(state, [](fund::FundLedger& f, fund::TypeBook&) {
    f.cursor().first();
    fund::up_calc(f);
  });
}
BENCHMARK(BM_FundUpCalcFromFirstRow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FundMatching(benchmark::State& state) {
  // After the valuation has marked the generated investments "b".
  run(
      state, [](fund::FundLedger& f, fund::TypeBook& t) { fund::match_withdrawals(f, t); },
      [](fund::FundLedger& f, fund::TypeBook& t) { fund::calc(f, t); });
}
BENCHMARK(BM_FundMatching)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FundCalc(benchmark::State& state) {
  run(state, [](fund::FundLedger& f, fund::TypeBook& t) { fund::calc(f, t); });
}
BENCHMARK(BM_FundCalc)->Unit(benchmark::kMillisecond)->Iterations(3);

// The fund management window's investors' totals list (and the first
// investor's records) opened over the whole ledger. Target 150 ms.
void BM_FundInvestorTotals(benchmark::State& state) {
  run(state, [](fund::FundLedger& f, fund::TypeBook&) {
    fund::InvestorLists lists(f.session());
    lists.reopen();
    benchmark::DoNotOptimize(lists.totals().count());
  });
}
BENCHMARK(BM_FundInvestorTotals)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
