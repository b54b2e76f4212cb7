#include "bench_data.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/store/catalogue.h"
#include "core/store/table_file.h"

namespace vmx::bench {

using store::Value;

namespace {

struct Writer {
  explicit Writer(const std::filesystem::path& path)
      : file(store::create_table_file(path,
                                      store::find_table_spec(path.filename().string())->schema)),
        buf(file->record_size()) {}
  void begin() { file->blank_record(buf.data()); }
  void set(const char* field, const Value& v) {
    file->set(buf.data(), file->schema().index_of(field), v);
  }
  void post() { file->insert(buf.data()); }
  std::unique_ptr<store::TableFile> file;
  std::vector<uint8_t> buf;
};

const char* const kNames[] = {"邯郸钢铁", "深发展A",  "青岛啤酒", "万科A",
                              "浦发银行", "上海汽车", "中国石化", "招商银行",
                              "五粮液",   "贵州茅台", "长江电力", "宝钢股份"};
const char* const kBrokers[][2] = {{"01", "国泰君安"}, {"02", "华夏证券"}, {"03", "申银万国"},
                                   {"04", "海通证券"}, {"05", "招商证券"}, {"06", "中信证券"}};

}  // namespace

void make_ledger(const std::filesystem::path& path, int rows) {
  Writer w(path);
  std::mt19937 rng(42);
  const Date day = Date::from_ymd(2026, 11, 2);
  for (int i = 0; i < rows; ++i) {
    const int account = i % 30;
    const auto& broker = kBrokers[account % 6];
    const int kind = static_cast<int>(rng() % 100);
    const int sec = static_cast<int>(rng() % 800);
    char code[8], zjzh[12], wth[16];
    std::snprintf(code, sizeof code, sec % 2 ? "6%05d" : "%06d", sec * 7 % 100000);
    std::snprintf(zjzh, sizeof zjzh, "%08d", 10000000 + account * 7919);
    w.begin();
    w.set("QSDM", Value::text(broker[0]));
    w.set("QS", Value::text(broker[1]));
    w.set("ZJZH", Value::text(zjzh));
    w.set("GDDM", Value::text("A" + std::to_string(100000000 + account)));
    w.set("BS", Value::number(1));
    w.set("BIRATE", Value::number(1));
    w.set("ZK_RATE", Value::number(1));
    w.set("DATE1", Value::date(day.add_days(-static_cast<int>(rng() % 900))));
    w.set("DATE2", Value::date(day));
    if (kind < 3) {  // cash row
      w.set("CODE", Value::text("xj"));
      w.set("LX", Value::text("xj"));
      w.set("NAME", Value::text("现金"));
      w.set("LXM", Value::text("现金"));
      w.set("AMT", Value::number(100000 + rng() % 900000));
      w.set("PRICE1", Value::number(1));
      w.set("PRICE2", Value::number(1));
    } else {
      const double p1 = 3 + (rng() % 5000) / 100.0, p2 = p1 * (0.8 + (rng() % 40) / 100.0);
      const double amt = 100.0 * (1 + rng() % 50);
      w.set("CODE", Value::text(code));
      w.set("LX", Value::text("A"));
      w.set("LXM", Value::text("A股"));
      w.set("NAME", Value::text(kNames[sec % 12]));
      w.set("AMT", Value::number(amt));
      w.set("PRICE1", Value::number(p1));
      w.set("PRICE2", Value::number(p2));
      w.set("COST1", Value::number(amt * p1));
      w.set("COST2", Value::number(amt * p2));
      w.set("SXF", Value::number(amt * p1 * 0.003));
      w.set("INCOME", Value::number(amt * (p2 - p1)));
      if (kind < 40) {  // closed
        std::snprintf(wth, sizeof wth, "P%04d%02d%02d00", 2020 + i % 6, 1 + i % 12, 1 + i % 28);
        w.set("WTH", Value::text(wth));
      } else if (kind < 43) {  // pending order
        std::snprintf(wth, sizeof wth, "26110209%02d%d", i % 60, i % 9 + 1);
        w.set("WTH", Value::text(wth));
      }
    }
    w.post();
  }
}

void make_fund(const std::filesystem::path& path, int rows) {
  Writer w(path);
  const Date start = Date::from_ymd(2026, 12, 1).add_days(-rows / 4);
  double unit = 1.0;
  for (int i = 0; i < rows; ++i) {
    w.begin();
    w.set("DT", Value::date(start.add_days(i / 4)));
    w.set("Num", Value::integer(i + 1));
    w.set("FUND", Value::number(std::round(unit * 2e6)));
    if (i % 4 == 0) {
      unit *= 1.0003;
      w.set("PYCODE", Value::text("***"));
      w.set("NAME", Value::text("市场"));
      w.set("PRICE", Value::number(unit));
      w.set("SZ", Value::number(1200 + i % 300));
      w.set("SHZ", Value::number(2900 + i % 500));
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "i%03d", i % 200);
      w.set("PYCODE", Value::text(code));
      w.set("NAME", Value::text("投资人"));
      w.set("QSDM", Value::text("01"));
      w.set("ZJZH", Value::text("10000000"));
      w.set("INPUT", Value::number(10000 + i % 50 * 1000));
      w.set("XABC", Value::text("y"));
      w.set("UNIT", Value::number(10000 / unit));
      w.set("PRICE", Value::number(unit));
    }
    w.post();
  }
}

double resident_mib() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  double kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atof(line + 6);
  std::fclose(f);
  return kib / 1024.0;
}

}  // namespace vmx::bench
