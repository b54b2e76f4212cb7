#include "core/fund/unit_price.h"

#include <set>
#include <vector>

#include "core/fund/fund_record.h"
#include "core/platform/error_boundary.h"
#include "core/store/rounding.h"
#include "core/store/table.h"

namespace vmx::fund {

namespace {

using store::round_half_even;
using store::Value;

constexpr int kRecomputeBackRows = 15;
constexpr int kNumberingLookBack = 20;

}  // namespace

void ensure_manager_row(FundLedger& f) {
  store::Cursor& c = f.cursor();
  if (c.locate("PYCODE", {Value::text(kManagerCode)})) return;
  double sz = 3000, shz = 1300;
  for (store::RowId id : c.rows()) {
    const store::Table& t = c.table();
    const double v = t.get(id, c.field_index("SZ")).as_number();
    if (v > 1) {
      sz = v;
      shz = t.get(id, c.field_index("SHZ")).as_number();
      break;
    }
  }
  c.first();
  const Date d = c.empty() ? f.clock().today().add_days(-1) : c.get_date("DT").add_days(-1);
  c.append();
  c.set_date("DT", d);
  c.set_string("PYCODE", kManagerCode);
  c.set_string("NAME", kManagerName);
  c.set_double("INPUT", 0);
  c.set_string("XABC", kDefaultType);
  c.set_double("PRICE", 1.0);
  c.set_double("SZ", sz);
  c.set_double("SHZ", shz);
  c.set_int("Num", 1);
  c.post();
  up_calc(f);
  f.management_created = false;
  c.last();
}

int up_calc(FundLedger& f) {
  store::Cursor& c = f.cursor();
  c.post();
  if (c.empty()) return 0;
  const std::vector<store::RowId> rows = c.rows();
  long pos = std::max(c.position(), 0L);
  // The base row: the nearest row at or before the cursor that has a price.
  while (pos > 0) {
    c.go_to_bookmark(rows[pos]);
    if (c.get_double("PRICE") != 0) break;
    --pos;
  }
  c.go_to_bookmark(rows[pos]);
  float pp = static_cast<float>(c.get_double("PRICE"));
  float pf = static_cast<float>(c.get_double("FUND"));

  int done = 0;
  bool stopped = false, failed = false;
  {
    QuietViews quiet(c);
    // The fields by position: the pass reads and writes every row of a long ledger.
    const int f_dt = c.field_index("DT"), f_input = c.field_index("INPUT"),
              f_code = c.field_index("PYCODE"), f_fund = c.field_index("FUND"),
              f_inc = c.field_index("INC"), f_price = c.field_index("PRICE"),
              f_unit = c.field_index("UNIT"), f_czxh = c.field_index("CZXH");
    const bool ran = platform::run_ignoring_exceptions(f.dialogs(), [&] {
      store::WritePass pass(c.table());
      for (size_t i = static_cast<size_t>(pos) + 1; i < rows.size(); ++i) {
        if (!c.go_to_bookmark(rows[i])) continue;
        ++done;
        if (!date_in_range(c.value_at(f_dt).as_date())) {
          stopped = true;
          break;
        }
        const double input = static_cast<double>(store::trunc(c.value_at(f_input).as_number()));
        const std::string code = c.value_at(f_code).as_string();
        const double fund = input + static_cast<double>(pf);
        bool changed = c.set_if_changed(f_input, Value::number(input));
        changed |= c.set_if_changed(f_fund, Value::number(fund));
        double price;
        if (is_market(code)) {
          if (pf == 0) {
            price = pp;
          } else {
            const long double lf = fund, lpf = pf, lpp = pp;
            changed |= c.set_if_changed(
                f_inc, Value::number(
                           static_cast<double>(round_half_even((lf / lpf - 1) * 100000) * 0.001L)));
            price = static_cast<double>(round_half_even(lf * lpp / lpf * 10000) * 0.0001L);
          }
          changed |= c.set_if_changed(f_price, Value::number(price));
        } else {
          changed |= c.set_if_changed(f_inc, Value::number(0));
          price =
              static_cast<double>(round_half_even(static_cast<long double>(pp) * 1000) * 0.001L);
          changed |= c.set_if_changed(f_price, Value::number(price));
          if (input > 0 || code == kManagerCode)
            changed |= c.set_if_changed(
                f_unit,
                Value::number(static_cast<double>(
                    round_half_even(static_cast<long double>(input) / price * 100) * 0.01L)));
          if (c.value_at(f_czxh).as_number() < 1)
            changed |= c.set_if_changed(f_czxh, Value::integer(0));
        }
        if (changed) c.post();
        pp = static_cast<float>(price);
        pf = static_cast<float>(fund);
      }
      pass.finish();
    });
    failed = !ran;  // the numbering still runs after an error
  }
  if (stopped) {
    f.dialogs().inform(kBadDate);
    return done;
  }
  if (!failed && done < kRecomputeBackRows && f.recompute_back) {
    c.last();
    c.move_by(-kRecomputeBackRows);
    f.recompute_back = false;
    up_calc(f);
  }
  fillnum(f);
  return done;
}

int fillnum(FundLedger& f) {
  store::Cursor& c = f.cursor();
  c.post();
  if (c.empty()) return 0;
  const std::vector<store::RowId> rows = c.rows();
  const store::Table& t = c.table();
  const int f_code = c.field_index("PYCODE"), f_num = c.field_index("Num");
  auto code_of = [&](size_t i) { return t.get(rows[i], f_code).as_string(); };
  auto num_of = [&](size_t i) { return t.get(rows[i], f_num).as_integer(); };

  long p = std::max(c.position() - kNumberingLookBack, 0L);
  while (p > 0 && !(code_of(p) != kMarketCode && num_of(p) > 1)) --p;
  int64_t n = num_of(p);
  if (n == 0) n = 1;
  QuietViews quiet(c);
  store::WritePass pass(c.table());
  for (size_t i = static_cast<size_t>(p) + 1; i < rows.size(); ++i) {
    if (code_of(i) == kMarketCode) continue;
    ++n;
    // Two rows never share a key: a later row that already holds the number
    // steps aside first.
    if (i + 1 < rows.size() && num_of(i + 1) == n && c.go_to_bookmark(rows[i + 1])) {
      c.set_int("Num", n + 100);
      c.post();
    }
    if (num_of(i) != n && c.go_to_bookmark(rows[i])) {
      c.set_int("Num", n);
      c.post();
    }
  }
  pass.finish();
  c.last();
  return static_cast<int>(n);
}

bool get_cost3_total(FundLedger& f) {
  const std::optional<float> tz = f.value_holdings();
  if (!tz) return false;
  store::Cursor& c = f.cursor();
  const Date today = f.clock().today();
  const std::vector<store::RowId> rows = c.rows();
  long pos = static_cast<long>(rows.size()) - 1;
  auto at = [&](long i) {
    c.go_to_bookmark(rows[static_cast<size_t>(i)]);
    return &c;
  };
  if (pos >= 0 && at(pos)->get_date("DT") > today) {
    f.dialogs().inform(kDateAfterToday);
    return false;
  }
  float t = *tz;
  while (pos >= 0 && at(pos)->get_date("DT") == today && c.get_string("PYCODE") != kMarketCode) {
    t = static_cast<float>(static_cast<double>(t) - c.get_double("INPUT"));
    --pos;
  }
  double d = t;
  bool rewrite = false;
  // A ledger whose every row is today's money (it cannot happen while the
  // manager row stands before the first movement) has nothing before today:
  // the whole total is the market result of a new row.
  if (pos >= 0) {
    if (at(pos)->get_date("DT") < today) {
      d = static_cast<double>(t) - c.get_double("FUND");
    } else {
      rewrite = true;
      d = pos > 0 ? static_cast<double>(t) - at(pos - 1)->get_double("FUND") : t;
    }
  }
  if (rewrite) {
    at(pos)->edit();
  } else {
    c.append();
  }
  c.set_date("DT", today);
  c.set_string("PYCODE", kMarketCode);
  c.set_string("NAME", kMarketName);
  c.set_double("INPUT", round_half_even(d));
  c.set_double("FUND", *tz);
  c.post();
  return true;
}

bool recompute(FundLedger& f) {
  store::Cursor& c = f.cursor();
  c.post();
  // Today's market result is measured against the running value before
  // today's rows, so the first pass starts no later than the last row before
  // today: rows added today (a transfer, a movement) are priced first, never
  // left with a stale value that the market step would then count again.
  if (!c.empty()) {
    const Date today = f.clock().today();
    const std::vector<store::RowId> rows = c.rows();
    long pos = std::max(c.position(), 0L);
    const int f_dt = c.field_index("DT");
    while (pos > 0 && c.table().get(rows[static_cast<size_t>(pos)], f_dt).as_date() >= today) --pos;
    c.go_to_bookmark(rows[static_cast<size_t>(pos)]);
  }
  up_calc(f);
  const store::RowId mark = c.current_row();
  const bool written = get_cost3_total(f);
  c.go_to_bookmark(mark);
  f.recompute_back = true;
  up_calc(f);
  return written;
}

bool show_fund(FundLedger& f) {
  f.cursor().last();
  return recompute(f);
}

bool compress(FundLedger& f) {
  if (!f.dialogs().ask(kCompressQuestion)) return false;
  store::Cursor& c = f.cursor();
  c.post();
  const size_t r0 = c.count();
  {
    QuietViews quiet(c);
    for (store::RowId id : std::vector<store::RowId>(c.rows()))
      if (c.go_to_bookmark(id) && c.get_string("PYCODE") == kMarketCode &&
          c.get_double("INPUT") == 0)
        c.remove();
    bool in_run = false;
    double s = 0;
    store::RowId earlier = store::kNoRow;
    for (store::RowId id : std::vector<store::RowId>(c.rows())) {
      if (!c.go_to_bookmark(id)) continue;
      const bool market = is_market(c.get_string("PYCODE")) && c.get_string("NOTE").empty();
      const double input = c.get_double("INPUT");
      if (in_run && market && input * s > 0) {
        s += input;
        c.set_double("INPUT", s);
        c.post();
        if (c.go_to_bookmark(earlier)) c.remove();
        earlier = id;
      } else if (market) {
        in_run = true;
        s = input;
        earlier = id;
      } else {
        in_run = false;
      }
    }
  }
  const size_t r1 = c.count();
  const std::string done = "合并记录成功，原记录数:" + std::to_string(r0) +
                           ", 现在记录数:" + std::to_string(r1) + "; 减少记录数" +
                           std::to_string(r0 - r1) + ". 从头计算基金价格？";
  if (f.dialogs().ask(done)) {
    if (!c.locate("PRICE", {Value::number(1.0)})) c.first();
    recompute(f);
  }
  return true;
}

bool correction(FundLedger& f) {
  if (!f.dialogs().ask(kCorrectionQuestion)) return false;
  store::Cursor& c = f.cursor();
  if (c.empty()) return false;
  c.set_string("PYCODE", kCorrectionCode);
  c.set_string("NAME", kCorrectionName);
  c.post();
  c.prior();
  recompute(f);
  return true;
}

std::string pycode_to_name(FundLedger& f, const std::string& code) {
  store::Cursor& c = f.cursor();
  c.post();
  const store::Table& t = c.table();
  const int f_code = c.field_index("PYCODE"), f_name = c.field_index("NAME"),
            f_dt = c.field_index("DT");
  for (store::RowId id : c.rows()) {
    if (t.get(id, f_code).as_string() != code) continue;
    const std::string name = t.get(id, f_name).as_string();
    if (name.empty())
      f.dialogs().inform(t.get(id, f_dt).as_date().to_string() + code + kMissingHistory);
    return name;
  }
  return "";
}

void fill_names(FundLedger& f) {
  store::Cursor& c = f.cursor();
  std::set<store::RowId> tried;
  for (;;) {
    c.post();
    const store::RowId mark = c.current_row();
    store::RowId found = store::kNoRow;
    for (store::RowId id : c.rows())
      if (!tried.count(id) && c.table().get(id, c.field_index("NAME")).as_string().empty()) {
        found = id;
        break;
      }
    if (found == store::kNoRow) {
      c.go_to_bookmark(mark);
      return;
    }
    tried.insert(found);
    c.go_to_bookmark(found);
    const std::string code = c.get_string("PYCODE");
    const std::string name = pycode_to_name(f, code);
    c.go_to_bookmark(found);
    c.set_string("NAME", name);
    c.post();
    if (!f.dialogs().ask(kContinueQuestion)) return;
  }
}

void delete_current(FundLedger& f) {
  store::Cursor& c = f.cursor();
  c.post();
  if (!c.empty()) c.remove();
}

}  // namespace vmx::fund
