// Speed of the table engine on a generated 100,000-row holdings ledger and a
// 50,000-row fund ledger. Run: build/bench/valmorix_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "bench_data.h"
#include "core/store/cursor.h"
#include "core/store/query.h"
#include "core/store/table_file.h"

#ifdef VMX_HAVE_SHAPELIB
#include <shapefil.h>
#endif

namespace fs = std::filesystem;
using namespace vmx;
using namespace vmx::store;

namespace {

constexpr int kLedgerRows = 100000;
constexpr int kFundRows = 50000;

// The generated files, made once per run in a temporary directory.
const fs::path& data_dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "vmx-bench";
    fs::create_directories(d);
    if (!fs::exists(d / "tr2.DBF")) bench::make_ledger(d / "tr2.DBF", kLedgerRows);
    if (!fs::exists(d / "fund2.DB")) bench::make_fund(d / "fund2.DB", kFundRows);
    return d;
  }();
  return dir;
}

// A scratch copy, so that benchmarks that write leave the shared files alone.
fs::path scratch_copy(const char* name) {
  const fs::path dir = data_dir() / "scratch";
  fs::create_directories(dir);
  fs::copy_file(data_dir() / name, dir / name, fs::copy_options::overwrite_existing);
  return dir;
}

void BM_OpenLedgerWithNoPc(benchmark::State& state) {
  const fs::path dir = data_dir();
  double rss = 0;
  for (auto _ : state) {
    Session s;
    Cursor c(s, dir.string(), "tr2.DBF");
    c.set_index_name("NO_PC");
    c.open();
    benchmark::DoNotOptimize(c.count());
    rss = bench::resident_mib();
  }
  state.counters["rss_MiB"] = rss;
}
BENCHMARK(BM_OpenLedgerWithNoPc)->Unit(benchmark::kMillisecond);

void BM_OpenFundInKeyOrder(benchmark::State& state) {
  const fs::path dir = data_dir();
  for (auto _ : state) {
    Session s;
    Cursor c(s, dir.string(), "fund2.DB");
    c.set_index_name("Key");
    c.open();
    benchmark::DoNotOptimize(c.count());
  }
}
BENCHMARK(BM_OpenFundInKeyOrder)->Unit(benchmark::kMillisecond);

// 10,000 edit-and-post operations on single rows, walking the holdings view.
void BM_TenThousandEditPosts(benchmark::State& state) {
  const fs::path dir = scratch_copy("tr2.DBF");
  Session s;
  Cursor c(s, dir.string(), "tr2.DBF");
  c.set_index_name("NO_PC");
  c.open();
  double price = 1;
  for (auto _ : state) {
    c.first();
    for (int i = 0; i < 10000; ++i) {
      c.edit();
      c.set_double("PRICE2", price += 0.01);
      c.post();
      c.next();
    }
  }
}
BENCHMARK(BM_TenThousandEditPosts)->Unit(benchmark::kMillisecond);

void BM_ThousandFundAppends(benchmark::State& state) {
  const fs::path dir = scratch_copy("fund2.DB");
  Session s;
  Cursor c(s, dir.string(), "fund2.DB");
  c.set_index_name("Key");
  c.open();
  const Date day = Date::from_ymd(2026, 12, 2);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      c.append();
      c.set_date("DT", day);
      c.set_string("PYCODE", "i999");
      c.set_double("INPUT", 1000);
      c.post();
    }
  }
}
BENCHMARK(BM_ThousandFundAppends)->Unit(benchmark::kMillisecond);

// The main window's summary by security and its detail list for one code.
const char* const kSummary =
    "SELECT DISTINCT  CODE, NAME, SUM(AMT) as 数量,\n"
    "(sum(price1*amt+sxf+yhs)/sum(amt)) as 成本价, avg(price2) as 当前价,\n"
    "sum(cost1+sxf+yhs) as 成本, sum(cost2) as 市值, sum(per) as 比例\n"
    "from \"tr2.dbf\"\n"
    "where (wth>'PA' or wth<'P' or wth='')\n"
    "GROUP BY code,name\n"
    "order by code,name";
const char* const kDetail =
    "select wth as 委托号,qsdm as 券商代码,qs as 券商,zjzh as 资金帐号,gddm as 股东代码,lx as "
    "类型码,lxm as 类型名,code as 代码,name as 名称,bs as 多空, amt as 数量,price1 as 价格1, "
    "date1 as 日期1, price2 as 价格2, date2 日期2,inc as 增值率\n"
    "From \"tr2.dbf\"\n"
    "Where (wth<'P' or wth>='P999999' or wth='') and (\"tr2.dbf\".\"CODE\" =:\"Code\" )\n"
    "order by qsdm,wth, code";

void BM_SummaryByCode(benchmark::State& state) {
  Session s;
  s.set_alias("ubx", data_dir());
  Cursor keep(s, "ubx", "tr2.DBF");  // the ledger is open, as in the program
  keep.open();
  Query q(s, "ubx");
  q.set_text(kSummary);
  for (auto _ : state) {
    q.close();
    q.open();
    benchmark::DoNotOptimize(q.count());
  }
  state.counters["rows"] = static_cast<double>(q.count());
}
BENCHMARK(BM_SummaryByCode)->Unit(benchmark::kMillisecond);

void BM_DetailForOneCode(benchmark::State& state) {
  Session s;
  s.set_alias("ubx", data_dir());
  Cursor keep(s, "ubx", "tr2.DBF");
  keep.open();
  Query q(s, "ubx");
  q.set_text(kDetail);
  q.set_param("Code", Value::text("600007"));
  for (auto _ : state) {
    q.close();
    q.open();
    benchmark::DoNotOptimize(q.count());
  }
  state.counters["rows"] = static_cast<double>(q.count());
}
BENCHMARK(BM_DetailForOneCode)->Unit(benchmark::kMillisecond);

// Reading every field of every row: ours against shapelib's dBase reader.
void BM_ReadAllFieldsValmorix(benchmark::State& state) {
  const fs::path path = data_dir() / "tr2.DBF";
  for (auto _ : state) {
    auto f = open_table_file(path, {true});
    const int n = static_cast<int>(f->schema().fields.size());
    size_t total = 0;
    f->load([&](RowId, const uint8_t* rec) {
      for (int i = 0; i < n; ++i) total += f->get(rec, i).as_string().size();
    });
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ReadAllFieldsValmorix)->Unit(benchmark::kMillisecond);

#ifdef VMX_HAVE_SHAPELIB
void BM_ReadAllFieldsShapelib(benchmark::State& state) {
  const fs::path path = data_dir() / "tr2.DBF";
  for (auto _ : state) {
    DBFHandle h = DBFOpen(path.c_str(), "rb");
    const int rows = DBFGetRecordCount(h), n = DBFGetFieldCount(h);
    size_t total = 0;
    for (int r = 0; r < rows; ++r)
      for (int i = 0; i < n; ++i) total += std::strlen(DBFReadStringAttribute(h, r, i));
    DBFClose(h);
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ReadAllFieldsShapelib)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
