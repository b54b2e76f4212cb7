// The demo account's fund: a year of daily market results ending at the demo
// holdings' discounted total, the manager and five investors putting money in
// and taking it out on several investment types, one transfer between cash
// accounts and one correction, all written by the fund's own operations as a
// manager working through the year would leave them.

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/fund/fees.h"
#include "core/fund/fund_record.h"
#include "core/fund/matching.h"
#include "core/fund/migration.h"
#include "core/fund/movements.h"
#include "core/fund/unit_price.h"
#include "core/install/seed_data.h"
#include "core/ledger/ledger.h"
#include "core/ledger/valuation.h"
#include "core/market/security_list.h"
#include "core/platform/scripted_dialogs.h"
#include "core/reference/lookups.h"
#include "core/store/session.h"

namespace vmx::store::seed {

namespace {

// What happens on a day, counted from the fund's first day. Kinds: 'i' the
// in/out window (a negative amount is a withdrawal, matched at once), 'm' the
// transfer window's investor movement (not matched), 't' a transfer from
// qsdm/zjzh to the second account, 'c' a correction of `amount` that was no
// market result.
struct Event {
  int day;
  char kind;
  const char* pycode;
  const char* name;
  double amount;
  const char* xabc;
  const char* qsdm;
  const char* zjzh;
  const char* note;
};
// clang-format off
const Event kEvents[] = {
    {  0, 'i', "@@@", "管理人",  200000, "y", "htzq", "20018866", "管理人自有资金"},
    {  0, 'i', "zs",  "张三",    500000, "a", "htzq", "20018866", ""},
    {  0, 'i', "lm",  "李明",    300000, "b", "gxzq", "30007721", ""},
    { 35, 'i', "wf",  "王芳",    100000, "y", "gxzq", "30007721", ""},
    { 80, 'i', "zhl", "赵磊",    400000, "c", "zgqh", "66880001", ""},
    {120, 'i', "cy",  "陈云",    150000, "d", "htzq", "20018866", ""},
    {150, 'i', "zs",  "张三",    200000, "a", "zgqh", "66880001", ""},
    {180, 'c', "",    "",         12000, "",  "",     "",         ""},
    {200, 'i', "lm",  "李明",   -100000, "b", "gxzq", "30007721", ""},
    {220, 'i', "wf",  "王芳",    -60000, "y", "gxzq", "30007721", ""},
    {260, 'i', "zhl", "赵磊",    -50000, "c", "zgqh", "66880001", ""},
    {280, 't', "",    "",         50000, "y", "htzq", "20018866", "调仓"},
    {300, 'i', "lm",  "李明",    150000, "b", "htzq", "20018866", ""},
    {330, 'i', "zs",  "张三",    -80000, "a", "htzq", "20018866", ""},
    {345, 'm', "cy",  "陈云",    -20000, "d", "htzq", "20018866", "先取出,待处理"},
};
// clang-format on
constexpr const char* kTransferTarget[] = {"gxzq", "30007721"};
constexpr double kStartSz = 8806.3, kStartShz = 2901.2;

// A type with every profit-share option: thresholds 5, 15 and 30 percent a
// year, the last two counted a full year below one.
void write_demo_types(const std::filesystem::path& program_dir) {
  RowWriter w = RowWriter::open(program_dir, "TZLX.db");
  w.add({{"Xabc", txt("d")},
         {"Note", txt("阶梯提成")},
         {"C2", flag(true)},
         {"E3", num(5)},
         {"E4", num(10)},
         {"C3", flag(true)},
         {"E5", num(15)},
         {"E6", num(10)},
         {"C4", flag(true)},
         {"E7", num(30)},
         {"E8", num(10)},
         {"C8", flag(true)},
         {"C6", flag(true)},
         {"E11", num(180)},
         {"E13", num(180)}});
}

// A small deterministic wobble in [-1, 1].
double wobble(int i) {
  const double x = std::sin(i * 12.9898) * 43758.5453;
  return 2 * (x - std::floor(x)) - 1;
}

}  // namespace

void write_demo_fund(const std::filesystem::path& dir, Date today, double discounted_total,
                     double sz_today, double shz_today) {
  const std::filesystem::path program_dir = dir.parent_path();
  write_demo_types(program_dir);

  Session session;
  session.set_alias("curr", program_dir);
  session.set_alias("ubx", dir);
  platform::ScriptedDialogs dialogs;
  dialogs.set_default_answer(true);
  platform::FixedClock clock(platform::DateTime{today, 15, 0, 0, 0});
  market::SecurityList securities(session);
  reference::Lookups lookups(session, dialogs, securities);
  ledger::Ledger holdings(session, dialogs);
  fund::FundLedger f(session, dialogs, clock, holdings, lookups);
  fund::TypeBook types(session);
  float value = 0;
  // Today's result is the holdings' own valuation, run after the year's
  // money movements reached their cash rows, so that the holdings are left
  // as a valuation leaves them and the fund ends at their discounted total.
  bool today_result = false;
  f.set_holdings_valuation([&]() -> std::optional<float> {
    if (!today_result) return value;
    ledger::Valuation v(holdings, lookups, dialogs, clock);
    if (!v.up_calc()) return std::nullopt;
    return v.discounted_total();
  });
  store::Cursor& c = f.cursor();

  const Date start = demo_fund_start(today);
  const int last_day = today - start;
  auto business = [&](int i) { return start.add_days(i).day_of_week() <= 5 || i == last_day; };
  auto fund_value = [&] {
    c.post();
    if (c.empty()) return 0.0;
    c.last();
    return c.get_double("FUND");
  };

  // The fund window's first showing on the first day: the manager row, the
  // day before.
  clock.set(platform::DateTime{start, 15, 0, 0, 0});
  fund::ensure_manager_row(f);
  for (int i = 0; i <= last_day; ++i) {
    const Date date = start.add_days(i);
    clock.set(platform::DateTime{date, 15, 0, 0, 0});
    const double before = fund_value();
    double money = 0, correction = 0, future = 0;
    bool moved = false;
    for (const Event& e : kEvents) {
      if (e.day > i) {
        if (e.kind == 'i' || e.kind == 'm') future += e.amount;
        continue;
      }
      if (e.day != i) continue;
      moved = true;
      if (e.kind == 'i') {
        fund::write_in_out_row(f, {e.pycode, e.name, e.qsdm, e.zjzh, e.xabc, "", ""}, e.amount,
                               date);
        if (e.amount < 0) fund::match_withdrawals(f, types);
        money += e.amount;
      } else if (e.kind == 'm') {
        fund::write_investor_row(f, {e.pycode, e.name, e.qsdm, e.zjzh, e.xabc, "", e.note},
                                 e.amount);
        money += e.amount;
      } else if (e.kind == 't') {
        fund::write_transfer_rows(f, {e.qsdm, e.zjzh}, {kTransferTarget[0], kTransferTarget[1]},
                                  e.amount, e.note);
      } else {
        correction = e.amount;
      }
    }
    if (!business(i) && !moved) continue;

    // The day's market result: the way to today's total, evenly spread over
    // the business days left, with a wobble on every day but the last.
    int left = 0;
    for (int k = i; k <= last_day; ++k) left += business(k) ? 1 : 0;
    const double aim = std::max(discounted_total - future, before * 0.5);
    const double step = before > 0 ? std::pow(aim / before, 1.0 / left) : 1.0;
    const double growth = i == last_day ? 0 : step * (1 + 0.006 * wobble(i));
    if (correction != 0) {
      // Money that came from no market (a change of currency): booked as a
      // market result first, then corrected so that the price ignores it.
      value = static_cast<float>(before + money + correction);
      fund::show_fund(f);
      c.locate("DT;PYCODE", {Value::date(date), Value::text(fund::kMarketCode)});
      fund::correction(f);
    }
    today_result = i == last_day;
    value = i == last_day ? static_cast<float>(discounted_total)
                          : static_cast<float>(before * growth + money + correction);
    fund::show_fund(f);
    if (c.locate("DT;PYCODE", {Value::date(date), Value::text(fund::kMarketCode)})) {
      const double t = static_cast<double>(i) / last_day;
      c.set_double("SZ", round_to(kStartSz + (sz_today - kStartSz) * t + 80 * wobble(i + 7), 1));
      c.set_double("SHZ",
                   round_to(kStartShz + (shz_today - kStartShz) * t + 25 * wobble(i + 11), 1));
      if (i == last_day) {
        c.set_double("SZ", sz_today);
        c.set_double("SHZ", shz_today);
      }
      c.post();
    }
  }
  // The fund management window's valuation, as the manager last left it.
  fund::calc(f, types);
  // Stored in key order, so that a reader of the file sees the journal in order.
  c.post();
  std::vector<std::vector<uint8_t>> records;
  Table& table = c.table();
  for (RowId id : c.rows())
    records.emplace_back(table.record(id), table.record(id) + table.file().record_size());
  bool restore_failed = false;
  fund::replace_rows(table, records, restore_failed);
}

}  // namespace vmx::store::seed
