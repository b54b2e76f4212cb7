#include <cmath>
#include <sstream>

#include "core/fund/fund_record.h"
#include "core/fund/report/fund_reports.h"
#include "core/fund/report/report_util.h"
#include "core/store/rounding.h"

namespace vmx::fund::report {

namespace {

std::string yymmdd(Date d) {
  const std::string s = d.to_string();  // yyyy-mm-dd
  return s.size() == 10 ? s.substr(2, 2) + s.substr(5, 2) + s.substr(8, 2) : s;
}

void manager_summary(FundLedger& f, InvestorLists& lists, std::vector<std::string>& out) {
  lists.set_all_records(false);
  store::Query& t = lists.totals();
  out.push_back(pad("代码", 5) + pad("  姓名 类型", 10) + pad(" 投资金额", 9) +
                pad("投资股数", 10) + pad("现在拥有股数", 13) + pad("现在可取金额", 13) +
                pad("到期提成后可取", 15) + pad("到期提成合计", 13));
  out.push_back("                 (负数是因为提成)");
  if (t.empty()) return;
  const long here = t.position();
  double sd = 0, su = 0;
  const int c = t.column_index("pycode"), d = t.column_index("dmoney"), u = t.column_index("unit");
  for (size_t i = 0; i < t.count(); ++i) {
    if (is_manager(t.value_at(i, c).as_string())) continue;
    sd += t.value_at(i, d).as_number();
    su += t.value_at(i, u).as_number();
  }
  t.go_to_position(here);
  store::Cursor& k = f.cursor();
  k.post();
  RowKept kept(k);
  k.last();
  const double fv = k.get_double("FUND"), p = k.get_double("PRICE");
  const double input = t.get_double("input");
  const double units = p == 0 ? 0 : fv / p - su;
  out.push_back(
      pad(t.get_string("pycode"), 5) + pad(t.get_string("name") + " " + t.get_string("xabc"), 10) +
      pad(rounded(input), 9) + pad(fixed(t.get_double("unit"), 2), 10) + pad(rounded(units), 13) +
      pad(rounded(units * p), 13) + pad(rounded(fv - sd), 15) + pad(rounded(fv - sd - input), 13));
}

void investor_summary(InvestorLists& lists, std::vector<std::string>& out) {
  store::Query& t = lists.totals();
  store::Query& d = lists.detail();
  out.push_back(pad("代码", 5) + pad("  姓名 类型", 10) + pad(" 投资数", 9) + pad("基金股数", 10) +
                pad("买均价", 8) + pad("最终价", 9) + pad("增值%", 8) + pad("市值", 9) +
                pad("可取额", 10));
  if (t.empty()) return;
  const double final_price = d.empty() ? 0 : d.get_double("l_price");
  const size_t from = static_cast<size_t>(t.position());
  const int c = t.column_index("pycode");
  const std::string code = t.value_at(from, c).as_string();
  for (size_t i = from; i < t.count() && t.value_at(i, c).as_string() == code; ++i) {
    auto v = [&](const char* col) { return t.value_at(i, t.column_index(col)); };
    out.push_back(pad(code, 5) + pad(v("name").as_string() + " " + v("xabc").as_string(), 10) +
                  pad(rounded(v("input").as_number()), 9) +
                  pad(fixed(v("unit").as_number(), 1), 10) +
                  pad(fixed(v("a_price").as_number(), 3), 8) + pad(fixed(final_price, 3), 9) +
                  pad(fixed(v("zzl").as_number(), 2), 8) + pad(rounded(v("asset").as_number()), 9) +
                  pad(rounded(v("dmoney").as_number()), 10));
  }
}

}  // namespace

std::vector<bool> extraction_pairs(const std::vector<Date>& dates,
                                   const std::vector<double>& amounts) {
  std::vector<bool> marks(dates.size(), false);
  for (size_t i = 0; i < dates.size(); ++i)
    for (size_t j = 0; j < dates.size() && !marks[i]; ++j)
      if (j != i && dates[j] == dates[i] &&
          std::fabs(store::round_half_even(amounts[i]) + store::round_half_even(amounts[j])) < 2)
        marks[i] = true;
  return marks;
}

std::vector<std::string> statement_lines(FundLedger& f, InvestorLists& lists, AddressBook& book,
                                         const ReportDefinition& def,
                                         const platform::DateTime& when) {
  std::vector<std::string> out;
  store::Query& t = lists.totals();
  if (!t.active()) lists.reopen();
  if (t.empty()) return out;
  const std::string code = t.get_string("pycode");
  out.push_back(centred(def.fund_name + def.title, 67));
  for (std::string& h : investor_heading(code, t.get_string("name"), book, when)) out.push_back(h);
  out.push_back("投资总结：");
  if (is_manager(code))
    manager_summary(f, lists, out);
  else
    investor_summary(lists, out);

  if (def.all_lines) {
    const bool all = lists.all_records();
    out.push_back(all ? "投资记录(包括撤资记录,No.是撤资序号;*表示最近的提成处理记录－－成对出现)："
                      : "投资记录(仅含未撤资记录)：");
    out.push_back(pad("日期", 7) + pad("姓名 类型", 11) + pad("投资数", 9) +
                  (all ? pad("No.", 4) : std::string()) + pad("基金股数", 9) + pad("投入价", 8) +
                  pad("最终价", 8) + pad("增值% ", 7) + pad(" 市值", 7) + pad("可取额", 9) +
                  " 注释");
    store::Query& d = lists.detail();
    const size_t n = d.count();
    auto v = [&](size_t i, const char* col) { return d.value_at(i, d.column_index(col)); };
    std::vector<Date> dates;
    std::vector<double> amounts;
    for (size_t i = 0; i < n; ++i) {
      dates.push_back(v(i, "dt").as_date());
      amounts.push_back(v(i, "input").as_number());
    }
    const std::vector<bool> marks = extraction_pairs(dates, amounts);
    for (size_t i = 0; i < n; ++i) {
      std::string line = (marks[i] ? "*" : " ") + yymmdd(dates[i]);
      line += pad(v(i, "name").as_string() + " " + v(i, "xabc").as_string(), 11);
      line += pad(rounded(amounts[i]), 9);
      if (all) line += pad(std::to_string(static_cast<long>(v(i, "czxh").as_number())), 4);
      line +=
          pad(fixed(v(i, "unit").as_number(), 2), 9) + pad(fixed(v(i, "price").as_number(), 3), 8) +
          pad(fixed(v(i, "l_price").as_number(), 3), 8) +
          pad(fixed(v(i, "zzl").as_number(), 2), 7) + pad(rounded(v(i, "asset").as_number()), 7) +
          pad(rounded(v(i, "dmoney").as_number()), 9) + " " + v(i, "note").as_string();
      out.push_back(line);
    }
  }
  if (def.brief) {
    std::istringstream memo(def.memo);
    for (std::string l; std::getline(memo, l);) {
      if (!l.empty() && l.back() == '\r') l.pop_back();
      out.push_back(l);
    }
  }
  out.push_back("管理人签名:              " + when.date.to_string());
  return out;
}

void print_statement(FundLedger& f, InvestorLists& lists, AddressBook& book,
                     const ReportDefinition& def, platform::Printer& printer) {
  print_lines(printer, def.fund_name + def.title,
              statement_lines(f, lists, book, def, f.clock().now()));
}

}  // namespace vmx::fund::report
