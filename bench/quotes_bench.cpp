// "更新所有股票价" over a security list of 5,000 codes, from 5,000 day files
// (target at most 0.5 s) and from one CSV file of 5,000 rows (at most 0.2 s).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_data.h"
#include "core/install/installation.h"
#include "core/install/seed_data.h"
#include "core/market/price_update.h"
#include "core/platform/clock.h"
#include "core/store/session.h"

namespace fs = std::filesystem;
using namespace vmx;

namespace {

constexpr int kCodes = 5000;

std::string code_of(int i) {
  char buf[16];
  // Half Shenzhen (four characters), half Shanghai (six).
  if (i < kCodes / 2)
    std::snprintf(buf, sizeof buf, "%04d", i);
  else
    std::snprintf(buf, sizeof buf, "6%05d", i);
  return buf;
}

const fs::path& installation() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "vmx-bench-quotes";
    fs::remove_all(d);
    store::init_installation(d, false, Date::from_ymd(2026, 11, 2));
    fs::create_directories(d / "generated");
    fs::create_directories(d / "csv");
    store::seed::RowWriter w(d / "generated", *store::find_table_spec("allstocks.DBF"));
    std::ofstream out(d / "csv" / "quotes.csv");
    out << "代码,名称,最新价\n";
    for (int i = 0; i < kCodes; ++i) {
      const std::string code = code_of(i);
      w.add({{"CODE", store::seed::txt(code)},
             {"NAME", store::seed::txt("股票" + std::to_string(i))},
             {"PRICE", store::seed::num(10)}});
      const bool sz = code.size() == 4;
      const fs::path file = d / "hjin" / "exe" / "lineday" / (sz ? "sz" : "sh") /
                            ((sz ? "sz" : "sh") + code + ".psd");
      fs::create_directories(file.parent_path());
      std::string bytes(32 * 60, '\0');  // sixty days of 32-byte records
      const float close = 10.0f + static_cast<float>(i % 500) * 0.01f;
      std::memcpy(&bytes[bytes.size() - 32 + 16], &close, 4);
      std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
      out << code << ",股票" << i << "," << close << "\n";
    }
    return d;
  }();
  return dir;
}

void run(benchmark::State& state, const char* hqcode, const char* sub) {
  const fs::path dir = installation();
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(dir / "generated" / "allstocks.DBF",
                  store::resolve_case_insensitive(dir, "allstocks.DBF"),
                  fs::copy_options::overwrite_existing);
    {
      store::Session session;
      session.set_alias("curr", dir);
      session.set_alias("ubx", dir / store::kMyAccountDir);
      bench::CountingDialogs dialogs;
      platform::FixedClock clock({Date::from_ymd(2026, 11, 2)});
      market::PriceUpdate update(session, dialogs, clock);
      update.set_display(market::Display::UpdateOnly);
      market::QuoteSource source;
      source.hqcode = hqcode;
      source.path = (dir / sub).string();
      source.length = 32;
      source.type = "0";
      state.ResumeTiming();
      if (update.Button4Click(source) != market::Outcome::Done)
        state.SkipWithError("the update stopped");
      state.PauseTiming();
      if (dialogs.shown != 1) state.SkipWithError("a code was not found");
    }
    state.ResumeTiming();
  }
}

void BM_PricesFromDayFiles(benchmark::State& state) { run(state, "hjin", "hjin"); }
void BM_PricesFromCsv(benchmark::State& state) { run(state, "csv", "csv"); }
BENCHMARK(BM_PricesFromDayFiles)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PricesFromCsv)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
