#include "core/optimise/model.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/optimise/optimiser.h"
#include "core/store/error.h"
#include "core/store/rounding.h"

namespace vmx::optimise {

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

template <size_t N>
bool is_choice(std::string_view text, const std::array<const char*, N>& choices) {
  for (const char* c : choices)
    if (text == c) return true;
  return false;
}

// The choices are plain decimals; they convert the same in every locale.
double decimal(std::string_view text) {
  const std::string s(text);
  return std::strtod(s.c_str(), nullptr);
}

void require_group(int group, int lowest, const char* what) {
  if (group < lowest || group >= kGroups)
    throw store::Error(std::string(what) + ": 组号 " + std::to_string(group) + " 不存在");
}

void check_row(int row) {
  if (row < 0 || row >= kPlayers)
    throw store::Error("玩家行 " + std::to_string(row + 1) + " 不存在");
}

}  // namespace

State& program_state() {
  static State state;
  return state;
}

int correlation_tenths(std::string_view text) {
  const std::string_view t = trimmed(text);
  static constexpr std::array<int, 5> kTenths = {-10, -5, 0, 5, 10};
  for (size_t i = 0; i < kCorrelationChoices.size(); ++i)
    if (t == kCorrelationChoices[i]) return kTenths[i];
  throw store::Error("相关系数 \"" + std::string(text) + "\" 不是 -1, -0.5, 0, 0.5, 1 之一");
}

std::string correlation_text(int tenths) {
  switch (tenths) {
    case -10:
      return "-1";
    case -5:
      return "-0.5";
    case 0:
      return "0";
    case 5:
      return "0.5";
    case 10:
      return "1";
    default:
      throw store::Error("相关系数 " + std::to_string(tenths / 10.0) + " 不是可选值");
  }
}

double cost_fraction(std::string_view text) {
  const std::string_view t = trimmed(text);
  if (!is_choice(t, kCostChoices))
    throw store::Error("交易成本 \"" + std::string(text) + "\" 不是可选值");
  return decimal(t) * 0.01;
}

double leverage_of(std::string_view margin) {
  const std::string_view t = trimmed(margin);
  if (!is_choice(t, kMarginChoices))
    throw store::Error("保证金比例 \"" + std::string(margin) + "\" 不是可选值");
  return 100 / decimal(t);
}

std::vector<int> b13_range(int b12, int b23) {
  // In tenths the steps of 0.5 are steps of 5, so the bounds are exact.
  std::vector<int> values;
  for (int v = std::abs(b12 + b23) - 10; v <= 10 - std::abs(b12 - b23); v += 5) values.push_back(v);
  return values;
}

void read_correlations(State& s) {
  Correlations c;
  c.b12 = correlation_tenths(s.controls.b12);
  c.b23 = correlation_tenths(s.controls.b23);
  c.b13 = correlation_tenths(s.controls.b13);
  s.model.correlations = c;
  s.table = calcp123(c);
}

void read_controls(State& s) {
  const Parameters& p = s.controls;
  Model m;
  for (int g = 0; g < kGroups; ++g) {
    m.expected[g] = p.expected[g] * 0.01;
    if (g == 0) continue;  // cash: initial 1, deviation 0, cost 0, leverage 1
    m.initial[g] = p.initial[g] * 0.01;
    m.deviation[g] = p.deviation[g] * 0.01;
    m.cost[g] = cost_fraction(p.cost[g]);
    m.leverage[g] = leverage_of(p.margin[g]);
  }
  m.correlations.b12 = correlation_tenths(p.b12);
  m.correlations.b23 = correlation_tenths(p.b23);
  m.correlations.b13 = correlation_tenths(p.b13);
  s.model = m;
  s.table = calcp123(m.correlations);
}

void read_rows(State& s) {
  for (int r = 0; r < kPlayers; ++r)
    for (int g = 0; g < kGroups; ++g) s.proportions[r][g] = s.rows[r][g] * 0.001;
}

void change_expected(State& s, int group, int percent) {
  require_group(group, 0, "预测期望价");
  s.controls.expected[group] = percent;
  s.model.expected[group] = percent * 0.01;
}

void change_initial(State& s, int group, int percent) {
  require_group(group, 1, "假定初始价");
  s.controls.initial[group] = percent;
  s.model.initial[group] = percent * 0.01;
}

bool change_deviation(State& s, int group, int percent, platform::Dialogs& dialogs) {
  require_group(group, 1, "上下偏差");
  if (percent >= s.controls.expected[group]) {
    dialogs.inform(kDeviationMessage);
    s.controls.deviation[group] =
        static_cast<int>(store::round_half_even(s.model.deviation[group] * 100));
    return false;
  }
  s.controls.deviation[group] = percent;
  // The first group's deviation waits for the next search to read the boxes.
  if (group != 1) s.model.deviation[group] = percent * 0.01;
  return true;
}

std::string outcome_label(const State& s, int group) {
  require_group(group, 0, "价格");
  const int e = s.controls.expected[group];
  const int d = group == 0 ? 0 : s.controls.deviation[group];
  return std::to_string(e - d) + "/" + std::to_string(e) + "/" + std::to_string(e + d);
}

std::optional<Proportions> inp_ratio(const std::array<double, kGroups>& amounts) {
  double sum = 0;
  for (double v : amounts) sum += std::fabs(v);
  if (sum == 0) return std::nullopt;
  Proportions p;
  for (int g = 0; g < kGroups; ++g) p[g] = store::round_half_even(amounts[g] / sum * 1000) * 0.001;
  return p;
}

bool normalise_amounts(State& s, int row, const std::array<double, kGroups>& amounts,
                       platform::Dialogs& dialogs) {
  check_row(row);
  const auto p = inp_ratio(amounts);
  if (!p) {
    dialogs.inform(kNothingToNormalise);
    return false;
  }
  s.proportions[row] = *p;
  for (int g = 0; g < kGroups; ++g) s.rows[row][g] = static_cast<int>(store::trunc((*p)[g] * 1000));
  return true;
}

bool normalise_row(State& s, int row, platform::Dialogs& dialogs) {
  check_row(row);
  std::array<double, kGroups> amounts;
  for (int g = 0; g < kGroups; ++g) amounts[g] = s.rows[row][g];
  return normalise_amounts(s, row, amounts, dialogs);
}

// ---- model files ----

std::vector<std::string> prd_lines(const Parameters& p) {
  std::vector<std::string> lines;
  lines.push_back("100");
  for (int g = 1; g < kGroups; ++g) lines.push_back(std::to_string(p.initial[g]));
  for (int g = 0; g < kGroups; ++g) lines.push_back(std::to_string(p.expected[g]));
  lines.push_back("0");
  for (int g = 1; g < kGroups; ++g) lines.push_back(std::to_string(p.deviation[g]));
  lines.push_back("0");
  for (int g = 1; g < kGroups; ++g) lines.push_back(p.cost[g]);
  lines.push_back("100");
  for (int g = 1; g < kGroups; ++g) lines.push_back(p.margin[g]);
  lines.push_back(p.b12);
  lines.push_back(p.b23);
  lines.push_back(p.b13);
  return lines;
}

namespace {

// The largest percentage a model file may state: far beyond any sensible
// forecast, small enough that every computation stays finite.
constexpr int kMaxPercent = 100000;

class PrdReader {
 public:
  PrdReader(const std::filesystem::path& file, std::vector<std::string> lines)
      : m_file(file.string()), m_lines(std::move(lines)) {}

  [[noreturn]] void fail(int line, const std::string& problem) const {
    throw store::Error(m_file + ": 第 " + std::to_string(line + 1) + " 行" + problem +
                       "; 模型文件没有载入, 参数未改变");
  }

  int integer(int line) const {
    const std::string_view t = trimmed(m_lines[line]);
    int v = 0;
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (!t.empty() && t.front() == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, v);
    if (t.empty() || ec != std::errc() || ptr != end)
      fail(line, " \"" + m_lines[line] + "\" 不是整数");
    if (v < 0 || v > kMaxPercent)
      fail(line, " 的值 " + std::to_string(v) + " 超出范围 0 到 " + std::to_string(kMaxPercent));
    return v;
  }

  template <size_t N>
  std::string choice(int line, const std::array<const char*, N>& choices, const char* what) const {
    const std::string_view t = trimmed(m_lines[line]);
    if (!is_choice(t, choices)) fail(line, " \"" + m_lines[line] + "\" 不是可选的" + what);
    return std::string(t);
  }

 private:
  std::string m_file;
  std::vector<std::string> m_lines;
};

}  // namespace

Parameters read_prd(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw store::Error(file.string() + ": 无法打开模型文件");
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) throw store::Error(file.string() + ": 无法读取模型文件");
  const std::string text = buf.str();
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  if (lines.size() < static_cast<size_t>(kPrdLines))
    throw store::Error(file.string() + ": 只有 " + std::to_string(lines.size()) +
                       " 行, 模型文件应有 " + std::to_string(kPrdLines) + " 行 (缺第 " +
                       std::to_string(lines.size() + 1) + " 行起); 模型文件没有载入, 参数未改变");

  const PrdReader r(file, lines);
  Parameters p;
  for (int g = 1; g < kGroups; ++g) p.initial[g] = r.integer(g);
  for (int g = 0; g < kGroups; ++g) p.expected[g] = r.integer(4 + g);
  for (int g = 1; g < kGroups; ++g) p.deviation[g] = r.integer(8 + g);
  for (int g = 1; g < kGroups; ++g) p.cost[g] = r.choice(12 + g, kCostChoices, "交易成本");
  for (int g = 1; g < kGroups; ++g) p.margin[g] = r.choice(16 + g, kMarginChoices, "保证金比例");
  p.b12 = r.choice(20, kCorrelationChoices, "相关系数");
  p.b23 = r.choice(21, kCorrelationChoices, "相关系数");
  p.b13 = r.choice(22, kCorrelationChoices, "相关系数");

  for (int g = 1; g < kGroups; ++g)
    if (p.deviation[g] >= p.expected[g])
      r.fail(8 + g, ": 证券" + std::to_string(g) + "的上下偏差 " + std::to_string(p.deviation[g]) +
                        " 不低于期望价 " + std::to_string(p.expected[g]));
  const auto range = b13_range(correlation_tenths(p.b12), correlation_tenths(p.b23));
  const int b13 = correlation_tenths(p.b13);
  bool admissible = false;
  for (int v : range) admissible = admissible || v == b13;
  if (!admissible) r.fail(22, ": 相关系数 " + p.b13 + " 与前两个相关系数矛盾");
  return p;
}

void write_prd(const std::filesystem::path& file, const Parameters& p) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) throw store::Error(file.string() + ": 无法写入模型文件");
  for (const std::string& line : prd_lines(p)) out << line << "\r\n";
  out.close();
  if (!out) throw store::Error(file.string() + ": 无法写入模型文件");
}

void load_prd(State& s, const std::filesystem::path& file) {
  const Parameters p = read_prd(file);
  // The whole file is sound: take it, as the boxes' change handlers would.
  s.controls = p;
  for (int g = 0; g < kGroups; ++g) {
    s.model.expected[g] = p.expected[g] * 0.01;
    if (g == 0) continue;
    s.model.initial[g] = p.initial[g] * 0.01;
    if (g != 1) s.model.deviation[g] = p.deviation[g] * 0.01;
  }
}

}  // namespace vmx::optimise
