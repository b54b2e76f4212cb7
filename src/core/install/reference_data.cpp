// Starting rows of the program directory's tables: security types and code
// ranges, brokers, currencies, the security list, quote sources, order
// programs, investment types and the chart's settings.

#include <cmath>
#include <cstdio>

#include "core/install/sample_quotes.h"
#include "core/install/seed_data.h"
#include "core/store/error.h"

namespace vmx::store::seed {

RowWriter::RowWriter(std::unique_ptr<TableFile> file) : m_file(std::move(file)) {}

RowWriter::RowWriter(const std::filesystem::path& dir, const TableSpec& spec)
    : m_file(create_table_file(dir / spec.file, spec.schema)) {}

RowWriter RowWriter::open(const std::filesystem::path& dir, std::string_view file) {
  return RowWriter(open_table_file(resolve_case_insensitive(dir, file)));
}

void RowWriter::add(std::initializer_list<Cell> cells) { add(std::vector<Cell>(cells)); }

void RowWriter::add(const std::vector<Cell>& cells) {
  const Schema& schema = m_file->schema();
  std::vector<uint8_t> buf(m_file->record_size());
  m_file->blank_record(buf.data());
  for (const auto& [name, given] : cells) {
    const int i = schema.index_of(name);
    if (i < 0)
      throw Error(m_file->path().string() + ": the table has no field " + std::string(name));
    Value v = given;
    switch (schema.fields[i].type) {
      case FieldType::Short:
      case FieldType::Long:
        if (v.kind() == Value::Kind::Number) v = Value::integer(std::llround(v.num()));
        break;
      case FieldType::Numeric:
      case FieldType::Float:
      case FieldType::Number:
      case FieldType::Currency:
        if (v.kind() == Value::Kind::Integer) v = Value::number(static_cast<double>(v.i64()));
        break;
      default:
        break;
    }
    try {
      m_file->set(buf.data(), i, v);
    } catch (const Error& e) {
      throw Error(std::string(e.what()) + " (field " + std::string(name) + ")");
    }
  }
  m_file->insert(buf.data());
}

double round_even(double x) { return std::nearbyint(x); }  // default mode: ties to even

double round_to(double x, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return round_even(x * scale) / scale;
}

// ---- security types and code ranges ----

const std::vector<SecurityType>& security_types() {
  // Commission and stamp duty as Chinese brokers charged them on each side of
  // a trade; funds, bonds, warrants and futures pay no stamp duty. Index
  // futures trade on a 10% margin and may be sold short. The discount rates
  // weigh each kind's market value for the fund's prudent (discounted) total.
  // clang-format off
  static const std::vector<SecurityType> types = {
      // lx    lxm         zk_rate sxf_rate yhs_rate bzj_rate oversell
      {"xj", "现金",       1.00,   0,       0,       1.0,     false},
      {"a",  "A股",        0.90,   0.003,   0.004,   1.0,     false},
      {"b",  "B股",        0.85,   0.003,   0.004,   1.0,     false},
      {"j",  "基金",       0.95,   0.0025,  0,       1.0,     false},
      {"gz", "债券",       0.98,   0.0002,  0,       1.0,     false},
      {"qz", "权证",       0.50,   0.001,   0,       1.0,     false},
      {"qh", "股指期货",   0.80,   0.0001,  0,       0.1,     true},
  };
  // clang-format on
  return types;
}

const SecurityType* find_type(std::string_view lx) {
  for (const auto& t : security_types())
    if (lx == t.lx) return &t;
  return nullptr;
}

const std::vector<CodeRange>& code_ranges() {
  // Shanghai codes have 6 characters, Shenzhen codes 4; a range only matches
  // codes of its own length.
  // clang-format off
  static const std::vector<CodeRange> ranges = {
      {10,  "600000", "603999", "a"},   // Shanghai A shares
      {20,  "900900", "900999", "b"},   // Shanghai B shares (US dollars)
      {30,  "500001", "500099", "j"},   // Shanghai closed-end funds
      {40,  "510000", "519999", "j"},   // Shanghai exchange-traded funds
      {50,  "010000", "019999", "gz"},  // Shanghai government bonds
      {60,  "580000", "580999", "qz"},  // Shanghai warrants
      {70,  "0001",   "0999",   "a"},   // Shenzhen A shares
      {80,  "2001",   "2999",   "b"},   // Shenzhen B shares (HK dollars)
      {90,  "4600",   "4699",   "j"},   // Shenzhen funds
      {100, "IF0000", "IFZZZZ", "qh"},  // CSI 300 index futures
  };
  // clang-format on
  return ranges;
}

std::string code_to_lx(std::string_view code) {
  const CodeRange* best = nullptr;
  for (const auto& r : code_ranges()) {
    const std::string_view c1 = r.code1, c2 = r.code2;
    if (c1.size() == code.size() && code >= c1 && code <= c2 && (!best || r.order < best->order))
      best = &r;
  }
  return best ? best->lx : "???";
}

std::string futures_code(Date today) {
  int y = today.year(), m = today.month() + 1;
  if (m > 12) {
    m = 1;
    ++y;
  }
  const int yy = y % 100;
  std::string code = "IF";
  for (int v : {yy, m}) {
    code += static_cast<char>('0' + v / 10);
    code += static_cast<char>('0' + v % 10);
  }
  return code;
}

std::vector<Security> securities(Date today) {
  // clang-format off
  std::vector<Security> list = {
      {"600000", "浦发银行",   9.15},
      {"600028", "中国石化",   6.42},
      {"600030", "中信证券",  20.36},
      {"600036", "招商银行",  34.05},
      {"600050", "中国联通",   4.78},
      {"600104", "上汽集团",  14.21},
      {"600276", "恒瑞医药",  44.80},
      {"600309", "万华化学",  85.60},
      {"600519", "贵州茅台", 1688.00},
      {"600585", "海螺水泥",  24.30},
      {"600690", "海尔智家",  28.55},
      {"600887", "伊利股份",  27.40},
      {"600900", "长江电力",  28.10},
      {"601088", "中国神华",  41.20},
      {"601166", "兴业银行",  18.05},
      {"601318", "中国平安",  45.80},
      {"601398", "工商银行",   5.98},
      {"601857", "中国石油",   8.95},
      {"601988", "中国银行",   4.65},
      {"510050", "50ETF",      2.612},
      {"510300", "300ETF",     3.702},
      {"010107", "国债0107",  100.52},
      {"900901", "云赛B股",    0.412},
      {"900923", "百联B股",    0.532},
      {"0001",   "深发展A",   10.85},
      {"0002",   "万科A",      8.72},
      {"0063",   "中兴通讯",  26.40},
      {"0538",   "云南白药",  55.60},
      {"0568",   "泸州老窖", 178.30},
      {"0651",   "格力电器",  38.40},
      {"0725",   "京东方A",    4.12},
      {"0858",   "五粮液",   146.20},
      {"2002",   "万科B",      6.35},
      {"4688",   "基金开元",   1.312},
      {"9996",   "深证成指", 9436.55},  // Shenzhen index, read by the price updates
      {"999999", "上证指数", 3052.90},  // Shanghai composite
  };
  // clang-format on
  list.push_back({futures_code(today), "期指" + futures_code(today).substr(2), 3548.6});
  return list;
}

// ---- brokers, currencies, investment types ----

namespace {

struct Broker {
  const char* qsdm;
  const char* qs;
};
const std::vector<Broker>& brokers() {
  // Short names, as the holdings keep only six bytes of them.
  static const std::vector<Broker> list = {
      {"htzq", "华泰"}, {"gxzq", "国信"}, {"zxzq", "中信"}, {"hazq", "海通"},
      {"yhzq", "银河"}, {"zszq", "招商"}, {"swzq", "申万"}, {"zgqh", "中期"},
  };
  return list;
}

struct Currency {
  const char* code;
  const char* name;
  double rate;
  bool now;
};
const std::vector<Currency>& currencies() {
  // Codes in lower case (the rate lookup lower-cases an account's code before
  // it searches); the settlement currency is the one with Now, at rate 1.
  static const std::vector<Currency> list = {
      {"rmb", "人民币", 1.0, true},
      {"usd", "美元", 7.1, false},
      {"hkd", "港币", 0.91, false},
      {"eur", "欧元", 7.75, false},
  };
  return list;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

std::string broker_name(std::string_view qsdm) {
  for (const auto& b : brokers())
    if (qsdm == b.qsdm) return b.qs;
  return "???";
}

double currency_rate(std::string_view code) {
  const std::string c = lower(code);
  for (const auto& cur : currencies())
    if (c == cur.code) return cur.rate;
  return 1.0;
}

const std::vector<InvestmentType>& investment_types() {
  static const std::vector<InvestmentType> list = {
      // The default type: no fees. It must always exist.
      {.xabc = "y", .note = "缺省类型无提成"},
      // Profit share: 20% of the growth above 10% a year; fees due after 90 days.
      {.xabc = "a",
       .note = "赢利超10%提20%",
       .c2 = true,
       .c6 = true,
       .e3 = 10,
       .e4 = 20,
       .e11 = 180,
       .e13 = 90},
      // Guaranteed 8% a year, fully compensated, and 30% of the growth above it.
      {.xabc = "b",
       .note = "保本8%超额提30%",
       .c2 = true,
       .c5 = true,
       .c6 = true,
       .e3 = 8,
       .e4 = 30,
       .e9 = 8,
       .e10 = 100,
       .e11 = 365,
       .e13 = 365},
      // Fixed fee of 2% a year (0.0055% a day) and 0.5% of the value on withdrawal.
      {.xabc = "c",
       .note = "年管理费2%",
       .c1 = true,
       .c9 = true,
       .e1 = 0.0055,
       .e2 = 2,
       .e12 = 0.5,
       .e13 = 30},
      // The report definition's choice: its name heads receipts and statements.
      {.xabc = "x", .note = "示范投资基金", .now = true},
  };
  return list;
}

const InvestmentType* find_investment_type(std::string_view xabc) {
  const std::string x = lower(xabc);
  for (const auto& t : investment_types())
    if (x == t.xabc) return &t;
  return nullptr;
}

// ---- the program directory ----

namespace {

const TableSpec& spec(std::string_view file) {
  const TableSpec* t = find_table_spec(file);
  if (!t) throw Error(std::string(file) + ": not in the table catalogue");
  return *t;
}

void write_types(const std::filesystem::path& dir) {
  RowWriter w(dir, spec("lx.DB"));
  for (const auto& t : security_types())
    w.add({{"Lx", txt(t.lx)},
           {"Lxm", txt(t.lxm)},
           {"Zk_rate", num(t.zk_rate)},
           {"Sxf_rate", num(t.sxf_rate)},
           {"Yhs_rate", num(t.yhs_rate)},
           {"Bzj_rate", num(t.bzj_rate)},
           {"Oversell", flag(t.oversell)}});
}

void write_code_ranges(const std::filesystem::path& dir) {
  RowWriter w(dir, spec("code_to_lx.DBF"));
  for (const auto& r : code_ranges())
    w.add({{"Order", num(r.order)},
           {"Code1", txt(r.code1)},
           {"Code2", txt(r.code2)},
           {"Lx", txt(r.lx)},
           {"Lxm", txt(find_type(r.lx)->lxm)}});
}

void write_brokers(const std::filesystem::path& dir) {
  RowWriter w(dir, spec("qs.db"));
  for (const auto& b : brokers()) w.add({{"Qsdm", txt(b.qsdm)}, {"Qs", txt(b.qs)}});
}

void write_currencies(const std::filesystem::path& dir) {
  RowWriter w(dir, spec("bi.db"));
  for (const auto& c : currencies())
    w.add({{"Code", txt(c.code)},
           {"Name", txt(c.name)},
           {"Rate", num(c.rate)},
           {"Now", flag(c.now)}});
}

void write_security_lists(const std::filesystem::path& dir, bool demo, Date today) {
  const auto list = securities(today);
  {
    RowWriter w(dir, spec("allstocks.DBF"));
    for (const auto& s : list)
      w.add({{"CODE", txt(s.code)}, {"NAME", txt(s.name)}, {"PRICE", num(s.price)}});
  }
  // The user's own list starts with the two indices and, for the demo, the
  // codes its holdings hold.
  std::vector<std::string> codes = {"9996", "999999"};
  if (demo)
    for (auto& c : demo_codes(today)) codes.push_back(std::move(c));
  RowWriter w(dir, spec("code_N_P.DBF"));
  for (const auto& code : codes)
    for (const auto& s : list)
      if (s.code == code) {
        w.add({{"CODE", txt(s.code)}, {"NAME", txt(s.name)}, {"PRICE2", num(s.price)}});
        break;
      }
}

void write_order_programs(const std::filesystem::path& dir) {
  RowWriter w(dir, spec("wt_path.DB"));
  w.add({{"Path", txt("/opt/qlwt/")},
         {"Name", txt("qlwt")},
         {"Wtrj", txt("钱龙委托")},
         {"Now", flag(true)}});
  w.add({{"Path", txt("/opt/htwt/")},
         {"Name", txt("htwt")},
         {"Wtrj", txt("华泰委托")},
         {"Now", flag(false)}});
}

void write_investment_types(const std::filesystem::path& dir) {
  RowWriter w(dir, spec("TZLX.db"));
  for (const auto& t : investment_types())
    w.add({{"Xabc", txt(t.xabc)}, {"Note", txt(t.note)}, {"C5", flag(t.c5)},  {"E9", num(t.e9)},
           {"E10", num(t.e10)},   {"C2", flag(t.c2)},    {"E3", num(t.e3)},   {"E4", num(t.e4)},
           {"C3", flag(t.c3)},    {"E5", num(t.e5)},     {"E6", num(t.e6)},   {"C4", flag(t.c4)},
           {"E7", num(t.e7)},     {"E8", num(t.e8)},     {"C8", flag(t.c8)},  {"C1", flag(t.c1)},
           {"E1", num(t.e1)},     {"E2", num(t.e2)},     {"C9", flag(t.c9)},  {"E12", num(t.e12)},
           {"C6", flag(t.c6)},    {"E11", num(t.e11)},   {"E13", num(t.e13)}, {"C7", flag(t.c7)},
           {"Now", flag(t.now)}});
}

void write_chart_settings(const std::filesystem::path& dir, bool demo, Date today) {
  RowWriter w(dir, spec("parameter.DBF"));
  // Without a row the chart starts 30 days back. The demo compares from a
  // quarter into its fund's year, so that the chart opens on nine months
  // against the three before them.
  if (demo)
    w.add(
        {{"NAME", txt("startp")}, {"PARA", txt(demo_fund_start(today).add_days(91).to_string())}});
}

}  // namespace

void write_program_tables(const std::filesystem::path& dir, bool demo, Date today) {
  write_types(dir);
  write_code_ranges(dir);
  write_brokers(dir);
  write_currencies(dir);
  write_security_lists(dir, demo, today);
  write_quote_sources(dir, demo, today);
  write_order_programs(dir);
  write_investment_types(dir);
  write_chart_settings(dir, demo, today);
}

}  // namespace vmx::store::seed
