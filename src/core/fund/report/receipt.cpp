#include <algorithm>

#include "core/fund/fund_record.h"
#include "core/fund/matching.h"
#include "core/fund/report/fund_reports.h"
#include "core/fund/report/report_util.h"
#include "core/store/rounding.h"

namespace vmx::fund::report {

namespace {

std::string num(double d) { return ledger::report::general_number(d); }

// The detail list's current row, read once.
struct Record {
  Date dt;
  std::string pycode, name, xabc, note;
  double input = 0, unit = 0, price = 0, l_price = 0, asset = 0, dmoney = 0;
  long czxh = 0;
};

Record read_record(store::Query& q, size_t row) {
  auto v = [&](const char* c) -> const store::Value& { return q.value_at(row, q.column_index(c)); };
  Record r;
  r.dt = v("dt").as_date();
  r.pycode = v("pycode").as_string();
  r.name = v("name").as_string();
  r.xabc = v("xabc").as_string();
  r.note = v("note").as_string();
  r.input = v("input").as_number();
  r.unit = v("unit").as_number();
  r.price = v("price").as_number();
  r.l_price = v("l_price").as_number();
  r.asset = v("asset").as_number();
  r.dmoney = v("dmoney").as_number();
  r.czxh = static_cast<long>(v("czxh").as_number());
  return r;
}

}  // namespace

std::vector<std::string> investor_heading(const std::string& pycode, const std::string& name,
                                          AddressBook& book, const platform::DateTime& when) {
  std::vector<std::string> lines{centred(
      "代码:" + pycode + " 投资人:" + name + " 打印时间:" + ledger::report::print_time_text(when),
      90)};
  if (const std::optional<Address> a = book.find(pycode))
    lines.push_back(centred(
        " 电话:" + a->tel + " BB机,传真,email:" + a->tel2 + " 邮码:" + a->pc + " 地址:" + a->addr,
        90));
  return lines;
}

std::vector<std::string> type_explanation(const std::string& xabc, const TypeTerms* t) {
  std::vector<std::string> out{"投资类型代码" + xabc + "的含义是:"};
  const TypeTerms none{};
  const TypeTerms& k = t ? *t : none;
  if (k.c5)
    out.push_back("管理人保证年收益" + num(k.e9) + "%,不足部分赔偿" + num(k.e10) + "%;");
  else
    out.push_back("投资人风险自担;");
  if (k.c2) {
    out.push_back("按赢利提成,年超过" + num(k.e3) + "%的部分提成" + num(k.e4) + "%;");
    if (k.c3) {
      out.push_back("           年超过" + num(k.e5) + "%的部分增提" + num(k.e6) + "%;");
      if (k.c4) out.push_back("           年超过" + num(k.e7) + "%的部分提成" + num(k.e8) + "%;");
    }
    out.push_back("赢利指扣除佣金，手续费，提成之前的管理帐户赢利;");
  }
  if (k.c8)
    out.push_back(
        "时间不足一年时，唯后两个底限不按比例减小,(否则四个底限皆按投资时间长短减小或放大).");
  if (k.c1)
    out.push_back("有固定佣金，每天提基金价值的" + num(k.e1) + "%,相当于年" + num(k.e2) + "%." +
                  "(在撤资时扣除,基金价值用期初和期末的平均值)");
  if (k.c9) out.push_back("资金进出手续费(仅撤资时扣除)是基金价值的" + num(k.e12) + "%.");
  if (k.c6) out.push_back("投资期限：不少于" + num(k.e11) + "天.");
  if (type_code(xabc) == kDefaultType) out.push_back("义务代投资");
  return out;
}

FeeParts fee_parts(const TypeTerms* t, Date invested, Date withdrawn, double unit, double price,
                   double l_price, double market_value, double dmoney) {
  FeeParts p;
  if (t && t->c1) {
    const float days = static_cast<float>(withdrawn - invested);
    const float a = (static_cast<float>(price) + static_cast<float>(l_price)) * 0.5f *
                    static_cast<float>(unit) * static_cast<float>(t->e2) * days / 36500.0f;
    p.daily = a;
  }
  if (t && t->c9) p.in_out = store::round_half_even(l_price * unit * t->e12 * 0.01 * 10) * 0.1;
  p.performance = std::max(market_value - p.daily - p.in_out - dmoney, 0.0);
  p.daily = store::round_half_even(p.daily);
  p.in_out = store::round_half_even(p.in_out);
  p.performance = store::round_half_even(p.performance);
  return p;
}

std::vector<std::string> receipt_lines(InvestorLists& lists, TypeBook& types, AddressBook& book,
                                       const ReportDefinition& def,
                                       const platform::DateTime& when) {
  store::Query& d = lists.detail();
  std::vector<std::string> out;
  if (!d.active() || d.empty()) return out;
  const long here = d.position();
  const Record r = read_record(d, static_cast<size_t>(here));
  const bool withdrawal = r.input < 0;
  const double total_units = lists.totals().get_double("unit");

  out.push_back(centred(def.fund_name + (withdrawal ? "撤资凭证" : "投资凭证"), 67));
  for (std::string& h : investor_heading(r.pycode, r.name, book, when)) out.push_back(h);
  out.push_back(pad("日期", 11) + pad(withdrawal ? "撤资数" : "投资数", 9) + pad("类型", 5) +
                pad("基金价格", 9) + pad("撤资序号", 9) + pad("基金股数", 10) +
                pad("结存股数", 10) + "  注释");
  out.push_back(pad(r.dt.to_string(), 11) + pad(rounded(r.input), 9) + pad(r.xabc, 5) +
                pad(fixed(r.price, 3), 9) + pad(std::to_string(r.czxh), 9) +
                pad(fixed(r.unit, 2), 10) + pad(fixed(total_units, 2), 10) + "  " + r.note);
  if (withdrawal) {
    out.push_back("投资记录冲销如下(撤资序号相同,股数正负相等):");
    out.push_back(pad("日期", 11) + pad("投资数", 9) + pad("类型", 5) + pad("股数", 10) +
                  pad("投资价", 8) + pad("撤资价", 8) + pad("市值", 10) + pad("佣金", 8) +
                  pad("手续费", 8) + pad("提成", 8) + pad("可取资金", 10));
    for (size_t i = 0; i < d.count(); ++i) {
      const Record b = read_record(d, i);
      if (b.czxh != r.czxh) continue;
      const double m = store::round_half_even(b.asset);
      std::string line = pad(b.dt.to_string(), 11) + pad(rounded(b.input), 9) + pad(b.xabc, 5) +
                         pad(fixed(b.unit, 2), 10) + pad(fixed(b.price, 3), 8) +
                         pad(fixed(b.l_price, 3), 8) + pad(rounded(m), 10);
      if (b.input > 0) {
        const FeeParts p =
            fee_parts(types.find(b.xabc), b.dt, r.dt, b.unit, b.price, b.l_price, m, b.dmoney);
        line +=
            pad(rounded(p.daily), 8) + pad(rounded(p.in_out), 8) + pad(rounded(p.performance), 8);
      } else {
        line += std::string(24, ' ');
      }
      out.push_back(line + pad(rounded(b.dmoney), 10));
    }
  }
  for (std::string& l : type_explanation(r.xabc, types.find(r.xabc))) out.push_back(l);
  out.push_back("管理人签名:            " + when.date.to_string());
  out.push_back("投资人签名:            " + when.date.to_string());
  d.go_to_position(here);
  return out;
}

bool print_receipt(FundLedger& f, TypeBook& types, InvestorLists& lists, AddressBook& book,
                   const ReportDefinition& def, bool two_copies, platform::Printer& printer,
                   bool ask) {
  if (ask && !f.dialogs().ask(kReceiptQuestion)) return false;
  store::Query& d = lists.detail();
  if (!d.active() || d.empty()) return false;
  if (d.get_double("input") < 0 && d.get_double("czxh") == 0) {
    f.dialogs().inform(kUnmatchedWithdrawal);
    match_withdrawals(f, types);
    lists.set_all_records(true);
    if (!lists.detail().empty()) lists.detail().last();
    return false;
  }
  print_lines(printer, def.fund_name + (d.get_double("input") < 0 ? "撤资凭证" : "投资凭证"),
              receipt_lines(lists, types, book, def, f.clock().now()), two_copies ? 2 : 1);
  return true;
}

void print_lines(platform::Printer& printer, const std::string& job,
                 const std::vector<std::string>& lines, int copies) {
  printer.begin_document(job);
  for (int k = 0; k < copies; ++k) {
    if (k > 0) printer.new_page();
    for (const std::string& l : lines) printer.write_line(l);
  }
  printer.end_document();
}

}  // namespace vmx::fund::report
