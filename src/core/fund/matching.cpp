#include "core/fund/matching.h"

#include <cstdio>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "core/fund/fees.h"
#include "core/fund/fund_record.h"
#include "core/store/rounding.h"

namespace vmx::fund {

namespace {

using store::round_half_even;

double cents(long double x) { return static_cast<double>(round_half_even(x * 100) * 0.01L); }

std::string single_text(float v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.15g", static_cast<double>(v));
  return b;
}

struct Pass {
  FundLedger& f;
  TypeBook& types;
  store::Cursor& c;
  // The open investments of each investor and type, in key order: the first
  // candidate is always the front, since a pass only ever takes from it.
  std::map<std::pair<std::string, std::string>, std::deque<store::RowId>> open;

  std::string later_question(Date dw, const std::string& p) {
    return "日期为" + dw.to_string() + ",代码为" + p +
           "的撤资数量过大,前面买入未平仓数量不够。要冲销后面的买进数量按Yes,否则(按No)" +
           "请事后在基金业绩计算窗口修改！";
  }

  void take_up(store::RowId w, int group) {
    c.go_to_bookmark(w);
    if (c.get_string("XABC") < "a") {
      c.set_string("XABC", type_code(c.get_string("XABC")));
      c.post();
    }
    const float pw = static_cast<float>(c.get_double("PRICE"));
    const Date dw = c.get_date("DT");
    const std::string qsdm = c.get_string("QSDM"), zjzh = c.get_string("ZJZH"),
                      p = c.get_string("PYCODE"), name = c.get_string("NAME"),
                      x = c.get_string("XABC");
    const float iw = static_cast<float>(c.get_double("INPUT"));
    const store::Value num = c.value("Num");  // blank stays blank: the key
    float r = -iw, u = 0;
    std::deque<store::RowId>& cands = open[{p, x}];

    auto full_finish = [&] {
      c.go_to_bookmark(w);
      c.set_double("UNIT", cents(-static_cast<long double>(u)));
      c.set_double("DMONEY", iw);
      c.set_int("CZXH", group);
      c.post();
    };
    auto short_finish = [&] {
      c.go_to_bookmark(w);
      c.set_double("UNIT",
                   static_cast<double>(store::trunc(-static_cast<long double>(u) * 100)) * 0.01);
      c.set_double("INPUT", static_cast<double>(iw + r));
      c.set_double("DMONEY", static_cast<double>(iw + r));
      c.set_int("CZXH", group);
      c.post();
      // The rest stays open under the withdrawal's former key.
      c.append();
      c.set_int("CZXH", 0);
      c.set_date("DT", dw);
      c.set_string("QSDM", qsdm);
      c.set_string("ZJZH", zjzh);
      c.set_string("PYCODE", p);
      c.set_string("NAME", name);
      c.set_string("XABC", x);
      c.set("Num", num);
      c.set_double("INPUT", -r);
      c.set_double("PRICE", static_cast<double>(
                                round_half_even(static_cast<long double>(pw) * 1000) * 0.001L));
      c.set_double("UNIT", cents(-static_cast<long double>(r) / pw));
      c.set_string("B1", kRedeemed);
      c.post();
    };

    if (cands.empty()) {
      f.dialogs().inform("相应撤资记录(日期为" + dw.to_string() + ",代码为" + p +
                         ")，找不到未撤资的买入基金记录,放弃此记录的平仓(撤资)处理,"
                         "请事后在基金业绩计算窗口修改！");
      return;
    }
    c.go_to_bookmark(cands.front());
    if (c.get_date("DT") >= dw && !f.dialogs().ask(later_question(dw, p))) return;
    out_money(f, types, pw, dw);
    for (;;) {
      c.go_to_bookmark(cands.front());
      const double d = c.get_double("DMONEY");
      if (d > r) break;
      c.set_int("CZXH", group);
      c.post();
      u = static_cast<float>(static_cast<double>(u) + c.get_double("UNIT"));
      r = static_cast<float>(static_cast<double>(r) - d);
      cands.pop_front();
      if (r < 1) {
        full_finish();
        return;
      }
      if (cands.empty()) {
        f.dialogs().inform("日期为" + dw.to_string() + ",代码为" + p +
                           "的撤资数量过大,买入未平仓数量不够。超出" + single_text(r) +
                           "元,请事后在基金业绩计算窗口修改！");
        short_finish();
        return;
      }
      c.go_to_bookmark(cands.front());
      if (c.get_date("DT") > dw && !f.dialogs().ask(later_question(dw, p))) {
        short_finish();
        return;
      }
      out_money(f, types, pw, dw);
    }

    // The investment is worth more than is left: split it.
    const store::RowId b = cands.front();
    c.go_to_bookmark(b);
    const long double d = c.get_double("DMONEY"), lr = r, rest = d - lr;
    const long double b_input = c.get_double("INPUT"), b_unit = c.get_double("UNIT");
    const double b_price = c.get_double("PRICE");
    const Date b_dt = c.get_date("DT");
    const std::string b_qsdm = c.get_string("QSDM"), b_zjzh = c.get_string("ZJZH"),
                      b_name = c.get_string("NAME"), b_xabc = c.get_string("XABC"),
                      b_note = c.get_string("NOTE");
    const store::Value b_num = c.value("Num");
    c.set_double("INPUT", static_cast<double>(round_half_even(b_input * lr / d)));
    c.set_double("UNIT", cents(b_unit * lr / d));
    c.set_int("CZXH", group);
    c.set_double("DMONEY", cents(lr));
    c.post();
    c.append();
    c.set_int("CZXH", 0);
    c.set_date("DT", b_dt);
    c.set_string("QSDM", b_qsdm);
    c.set_string("ZJZH", b_zjzh);
    c.set_string("NAME", b_name);
    c.set_string("XABC", b_xabc);
    c.set_string("NOTE", b_note);
    c.set("Num", b_num);
    c.set_string("PYCODE", p);
    c.set_double("INPUT", cents(b_input * rest / d));
    c.set_double("UNIT", cents(b_unit * rest / d));
    c.set_double("DMONEY", cents(rest));
    c.set_double("PRICE", static_cast<double>(
                              round_half_even(static_cast<long double>(b_price) * 1000) * 0.001L));
    c.set_string("B1", kBought);
    c.post();
    const store::RowId n = c.current_row();
    u = static_cast<float>(static_cast<long double>(u) + b_unit * lr / d);
    out_money(f, types, pw, dw);
    cands.front() = n;
    full_finish();
  }
};

}  // namespace

int match_withdrawals(FundLedger& f, TypeBook& types) {
  store::Cursor& c = f.cursor();
  c.post();
  Pass pass{f, types, c, {}};
  const std::vector<store::RowId> rows = c.rows();
  const store::Table& t = c.table();
  const int f_czxh = c.field_index("CZXH"), f_b1 = c.field_index("B1"),
            f_code = c.field_index("PYCODE"), f_type = c.field_index("XABC");
  int64_t c0 = 0;
  for (store::RowId id : rows) {
    const int64_t g = t.get(id, f_czxh).as_integer();
    c0 = std::max(c0, g);
    if (g == 0 && t.get(id, f_b1).as_string() == kBought)
      pass.open[{t.get(id, f_code).as_string(), t.get(id, f_type).as_string()}].push_back(id);
  }
  int64_t group = c0 + 1;
  {
    QuietViews quiet(c);
    const int f_input = c.field_index("INPUT");
    for (store::RowId id : rows) {
      if (!t.alive(id)) continue;
      if (!(t.get(id, f_input).as_number() < 0 && t.get(id, f_czxh).as_integer() == 0 &&
            is_matchable_withdrawal(t.get(id, f_code).as_string())))
        continue;
      pass.take_up(id, static_cast<int>(group));
      ++group;
    }
  }
  const int taken = static_cast<int>(group - c0 - 1);
  f.dialogs().inform("撤资处理结束," + std::to_string(taken) +
                     "个撤资记录被处理(和投资记录相冲销)！");
  return taken;
}

}  // namespace vmx::fund
