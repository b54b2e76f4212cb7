#include "core/stats/statistics_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vmx::stats {

namespace {

using ledger::report::general_number;
using ledger::report::s10;

constexpr int kTitleFontHeight = 14;  // the radio groups' font

bool history(Kind k) { return k == Kind::History || k == Kind::ClosedPairs; }

// A number in general format (no exponent, no trailing zeros) with as many
// decimals as leave a blank before the next column: an average such as
// 21.5686274509804 would otherwise run into its neighbour and make both
// unreadable. Whole digits are never cut; at most 15 significant digits.
std::string fitted_number(double d, int width) {
  if (!std::isfinite(d)) return general_number(d);
  const double whole = std::fabs(std::trunc(d));
  const int digits = whole < 1 ? 1 : static_cast<int>(std::floor(std::log10(whole))) + 1;
  const int room = width - 1 - (d < 0 ? 1 : 0) - digits - 1;
  const int decimals = std::clamp(std::min(room, 15 - digits), 0, 15);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

// A cell as text: numbers fitted to the column, dates yyyy-mm-dd, blank for NULL.
std::string text_of(const store::Value& v, int width) {
  if (v.is_null()) return {};
  if (v.kind() == store::Value::Kind::Number) return fitted_number(v.num(), width);
  return v.as_string();
}

}  // namespace

std::string report_question(Kind kind) {
  std::string q = "本操作将根据显示选择打印报告,";
  if (history(kind))
    q += "打印成交历史和平仓报告需用光标指定起始记录,唯选最下面的记录将打印一页最新内容;";
  return q + "继续吗？";
}

ColumnScheme column_scheme(const Choices& ch) {
  if (history(ch.kind)) return {7, 9};
  if (ch.content == Content::ByAccount) return {2, 10};
  return {1, 11};
}

std::string report_title(const Choices& ch) {
  std::string t = std::string(21, ' ') + (history(ch.kind) ? "历史记录" : "统计报告");
  t += std::string("--显示种类:") + kind_captions()[static_cast<size_t>(ch.kind)];
  if (ch.kind == Kind::ProfitLoss)
    t += std::string("; 盈亏类型:") + pnl_captions()[static_cast<size_t>(ch.pnl)];
  return t + "; 内容和方式:" + content_captions()[static_cast<size_t>(ch.content)];
}

ledger::report::PageFrame report_frame(const Choices& ch, const std::vector<std::string>& columns) {
  const ColumnScheme scheme = column_scheme(ch);
  ledger::report::PageFrame f;
  f.job = history(ch.kind) ? "历史记录" : "统计报告";
  f.title = report_title(ch);
  std::string header;
  for (size_t c = 0; c < columns.size(); ++c)
    header += s10(columns[c], history(ch.kind) && c < 2 ? 10 : scheme.width);
  f.header = {header};
  f.padding_lines = 8;
  f.title_font_height = kTitleFontHeight;
  return f;
}

std::vector<std::string> report_lines(store::Query& grid, const Choices& ch) {
  std::vector<std::string> lines;
  if (!grid.active() || grid.count() == 0) return lines;
  const ColumnScheme scheme = column_scheme(ch);
  const size_t columns = grid.columns().size();
  size_t from = 0;
  if (history(ch.kind)) {
    const long here = grid.position();
    from = ledger::report::start_row(here < 0 ? 0 : static_cast<size_t>(here), grid.count(),
                                     [](size_t) { return true; });
  }
  for (size_t r = from; r < grid.count(); ++r) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      const store::Value& v = grid.value_at(r, static_cast<int>(c));
      if (history(ch.kind)) {
        const int width = c < 2 ? 10 : scheme.width;
        line += s10(text_of(v, width), width);
      } else if (static_cast<int>(c) <= scheme.text_columns) {
        line += s10(v.is_null() ? std::string() : v.as_string(), scheme.width);
      } else {
        line += s10(v.is_null() ? std::string() : fitted_number(v.as_number(), scheme.width),
                    scheme.width);
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::optional<std::string> report_refusal(const Choices& ch) {
  // History and closed pairs are detail rows by nature; only the grouped
  // kinds send their detail rows to the holdings window's report.
  if (!history(ch.kind) && ch.content == Content::Detail) return std::string(kDetailRedirect);
  return std::nullopt;
}

void print_statistics_report(Statistics& stats, const platform::DateTime& when,
                             platform::Printer& printer) {
  const Choices& ch = stats.choices();
  store::Query& grid = stats.grid();
  const std::vector<std::string> lines = report_lines(grid, ch);
  ledger::report::print_framed(printer, report_frame(ch, grid.columns()), lines, when);
}

bool statistics_report_click(Statistics& stats, platform::Dialogs& dialogs,
                             const platform::Clock& clock, platform::Printer& printer) {
  if (const auto refusal = report_refusal(stats.choices())) {
    dialogs.inform(*refusal);
    return false;
  }
  if (!dialogs.ask(report_question(stats.choices().kind))) return false;
  print_statistics_report(stats, clock.now(), printer);
  return true;
}

}  // namespace vmx::stats
