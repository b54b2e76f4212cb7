#include "core/fund/fees.h"

#include <algorithm>
#include <vector>

#include "core/fund/fund_record.h"
#include "core/fund/matching.h"
#include "core/store/rounding.h"
#include "core/store/table.h"

namespace vmx::fund {

namespace {

using store::round_half_even;

double thousandths(long double x) {
  return static_cast<double>(round_half_even(x * 1000) * 0.001L);
}

}  // namespace

float over(float a, float b) { return std::max(b - a, 0.0f); }

float value_after_fees(const Investment& b, const TypeTerms* t, float p, Date d) {
  const float g = static_cast<float>(p / b.price - 1);
  float v = static_cast<float>(b.unit * p);
  if (!t) return v;
  const int days = d - b.dt;
  const float years = static_cast<float>(std::max(days, 0)) / 365.0f;
  const float y2 = t->c8 && years < 1 ? 1.0f : years;
  bool share = true;
  if (t->c5) {
    const float floor = static_cast<float>(t->e9 * 0.01 * years);
    if (g - floor > 0) {
      v = static_cast<float>(b.input * (1 + g));
    } else {
      // The real growth plus the compensated part of the shortfall.
      v = static_cast<float>(b.input * ((1 + floor) - (1 - t->e10 * 0.01) * (floor - g)));
      share = false;
    }
  }
  if (share && t->c2) {
    float f = static_cast<float>(t->e4 * 0.01 * over(static_cast<float>(t->e3 * 0.01 * years), g));
    if (t->c3) {
      f = static_cast<float>(f + t->e6 * 0.01 * over(static_cast<float>(t->e5 * 0.01 * y2), g));
      if (t->c4)
        f = static_cast<float>(f + t->e8 * 0.01 * over(static_cast<float>(t->e7 * 0.01 * y2), g));
    }
    v = static_cast<float>(b.input * (1 + g - f));
  }
  // The yearly fee on the average of the starting and final value, by days;
  // a withdrawal dated before its investment gives a negative fee.
  if (t->c1) v = static_cast<float>(v - (b.price + p) * 0.5 * b.unit * t->e2 * days / 36500);
  if (t->c9) v = static_cast<float>(v - b.unit * p * t->e12 * 0.01);
  return v;
}

bool out_money(FundLedger& f, TypeBook& types, float p, Date d) {
  store::Cursor& c = f.cursor();
  Investment b;
  b.price = c.get_double("PRICE");
  if (b.price == 0) {
    store::PassPause pause(c.table());
    f.dialogs().inform(kZeroPrice);
    return false;
  }
  b.dt = c.get_date("DT");
  b.input = c.get_double("INPUT");
  b.unit = c.get_double("UNIT");
  b.xabc = c.get_string("XABC");
  const TypeTerms* t = nullptr;
  if (type_code(b.xabc) != kDefaultType) {
    t = types.find(b.xabc);
    if (!t) {
      store::PassPause pause(c.table());
      f.dialogs().inform("发现基金管理窗口中的一种投资类型: " + b.xabc +
                         "(日期:" + b.dt.to_string() + "投资人:" + c.get_string("NAME") +
                         "),定义窗口中没有，请修改后再操作！");
      return false;
    }
  }
  const float v = value_after_fees(b, t, p, d);
  const double l_price = thousandths(p), dmoney = round_half_even(static_cast<double>(v));
  if (c.is_blank("L_PRICE") || c.get_double("L_PRICE") != l_price) c.set_double("L_PRICE", l_price);
  if (c.is_blank("DMONEY") || c.get_double("DMONEY") != dmoney) c.set_double("DMONEY", dmoney);
  c.post();
  return true;
}

void calc(FundLedger& f, TypeBook& types) {
  store::Cursor& c = f.cursor();
  c.post();
  if (c.empty()) return;
  types.reload();
  c.last();
  const float p = static_cast<float>(c.get_double("PRICE"));
  const Date d = c.get_date("DT");
  QuietViews quiet(c);
  const store::Table& t = c.table();
  const int f_code = c.field_index("PYCODE"), f_czxh = c.field_index("CZXH");
  store::WritePass pass(c.table());
  for (store::RowId id : std::vector<store::RowId>(c.rows())) {
    if (!t.alive(id) || t.get(id, f_code).as_string() == kMarketCode ||
        t.get(id, f_czxh).as_integer() > 0)
      continue;
    c.go_to_bookmark(id);
    const std::string xabc = c.get_string("XABC");
    if (xabc < "ZZZZ" && type_code(xabc) != xabc) c.set_string("XABC", type_code(xabc));
    if (c.is_blank("CZXH") || c.get_int("CZXH") < 0) c.set_int("CZXH", 0);
    if (c.get_string("XABC").empty()) {
      store::PassPause pause(c.table());
      f.dialogs().inform("发现一个投资人记录(日期:" + c.get_date("DT").to_string() +
                         "投资人:" + c.get_string("NAME") + ")没有类型定义,且填以缺省类型y。");
      c.set_string("XABC", kDefaultType);
    }
    const double input = c.get_double("INPUT");
    if (c.get_string("B1").empty())
      c.set_string("B1", store::trunc(input) > 0 ? kBought : kRedeemed);
    c.post();
    if (input > 0) {
      out_money(f, types, p, d);
    } else {
      const double price = c.get_double("PRICE");
      if (c.get_double("DMONEY") != input || c.is_blank("DMONEY")) c.set_double("DMONEY", input);
      if (c.get_double("L_PRICE") != price || c.is_blank("L_PRICE")) c.set_double("L_PRICE", price);
      c.post();
    }
  }
  pass.finish();
  c.last();
}

int fee_search(FundLedger& f, TypeBook& types) {
  store::Cursor tich(f.session(), "ubx", kFeeFile);
  tich.open();
  while (!tich.empty()) {
    tich.first();
    tich.remove();
  }
  types.reload();
  store::Cursor& c = f.cursor();
  c.post();
  const Date today = f.clock().today();
  int found = 0;
  for (store::RowId id : std::vector<store::RowId>(c.rows())) {
    if (!c.go_to_bookmark(id)) continue;
    const std::string code = c.get_string("PYCODE"), xabc = c.get_string("XABC");
    if (code < "0" || type_code(xabc) == kDefaultType || c.get_int("CZXH") != 0) continue;
    const TypeTerms* t = types.find(xabc);
    const Date dt = c.get_date("DT");
    if (!t) {
      f.dialogs().inform("发现一个记录( " + dt.to_string() + code +
                         " )的投资类型没有定义过，不予考虑提成。");
      continue;
    }
    if (dt.add_days(static_cast<int>(store::trunc(t->e13))) > today) continue;
    const double unit = c.get_double("UNIT"), price = c.get_double("PRICE"),
                 l_price = c.get_double("L_PRICE");
    tich.append();
    tich.set_date("DT", dt);
    tich.set_string("PYCODE", code);
    tich.set_string("XABC", xabc);
    tich.set_string("NAME", c.get_string("NAME"));
    tich.set_double("INPUT", c.get_double("INPUT"));
    tich.set_double("UNIT", unit);
    tich.set_double("PRICE", price);
    tich.set_double("L_PRICE", l_price);
    tich.set_double("DMONEY", c.get_double("DMONEY"));
    tich.set_double("FUND", unit * l_price);
    // A row without a price has no growth to show.
    tich.set_double(
        "PER", price == 0
                   ? 0.0
                   : static_cast<double>(
                         round_half_even((static_cast<long double>(l_price) / price - 1) * 10000) *
                         0.01L));
    tich.post();
    ++found;
  }
  if (found == 0) f.dialogs().inform(kNothingDue);
  return found;
}

void tc(FundLedger& f, const std::string& pycode, const std::string& xabc, const std::string& name,
        double q) {
  store::Cursor tich(f.session(), "ubx", kFeeFile);
  tich.open();
  long double s = 0;
  for (store::RowId id : std::vector<store::RowId>(tich.rows())) {
    if (!tich.go_to_bookmark(id) || tich.get_string("PYCODE") != pycode ||
        tich.get_string("XABC") != xabc)
      continue;
    s += tich.get_double("DMONEY");
    tich.remove();
  }
  const double money = static_cast<double>(round_half_even(s * 100) * 0.01L);
  const double price = thousandths(q);
  store::Cursor& c = f.cursor();
  c.post();
  // Numbers above every Num in the ledger keep the pair's keys apart from
  // every other row, also from a pair of an earlier extraction today.
  int64_t top = 0;
  const int f_num = c.field_index("Num");
  for (store::RowId id : c.rows()) top = std::max(top, c.table().get(id, f_num).as_integer());
  const Date today = f.clock().today();
  auto row = [&](double input, double unit, const char* b1, int64_t num) {
    c.append();
    c.set_date("DT", today);
    c.set_string("PYCODE", pycode);
    c.set_string("XABC", xabc);
    c.set_string("NAME", name);
    c.set_double("INPUT", input);
    c.set_double("UNIT", unit);
    c.set_int("CZXH", 0);
    c.set_double("PRICE", price);
    c.set_double("L_PRICE", price);
    c.set_string("B1", b1);
    c.set_int("Num", num);
    if (input > 0) c.set_double("DMONEY", money);
    c.post();
  };
  row(-money, -money / q, kRedeemed, top + 1);
  row(money,
      static_cast<double>(round_half_even(100 * static_cast<long double>(money) / q) * 0.01L),
      kBought, top + 2);
}

namespace {

struct Candidate {
  std::string pycode, xabc, name;
  double l_price = 0;
};

Candidate candidate_at(store::Cursor& tich) {
  return {tich.get_string("PYCODE"), tich.get_string("XABC"), tich.get_string("NAME"),
          tich.get_double("L_PRICE")};
}

}  // namespace

bool extract_selected(FundLedger& f, TypeBook& types, long position) {
  store::Cursor tich(f.session(), "ubx", kFeeFile);
  tich.open();
  if (tich.empty()) {
    f.dialogs().inform(kNoCandidates);
    return false;
  }
  tich.go_to_position(std::clamp(position, 0L, static_cast<long>(tich.count()) - 1));
  const Candidate k = candidate_at(tich);
  if (k.pycode.empty()) {
    f.dialogs().inform(kEmptyCandidate);
    return false;
  }
  tich.close();
  tc(f, k.pycode, k.xabc, k.name, k.l_price);
  match_withdrawals(f, types);
  return true;
}

bool extract_all(FundLedger& f, TypeBook& types) {
  store::Cursor tich(f.session(), "ubx", kFeeFile);
  tich.open();
  if (tich.empty()) {
    f.dialogs().inform(kNoCandidates);
    return false;
  }
  while (!tich.empty()) {
    tich.first();
    const Candidate k = candidate_at(tich);
    tc(f, k.pycode, k.xabc, k.name, k.l_price);
  }
  match_withdrawals(f, types);
  return true;
}

}  // namespace vmx::fund
