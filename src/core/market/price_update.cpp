#include "core/market/price_update.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "core/store/rounding.h"

namespace vmx::market {

namespace fs = std::filesystem;
using store::Value;

namespace {

// The grids bound to the cursors stay quiet during a walk and refresh once.
class Quiet {
 public:
  explicit Quiet(std::vector<store::Cursor*> cursors) : m_cursors(std::move(cursors)) {
    for (auto* c : m_cursors) c->disable_controls();
  }
  ~Quiet() {
    for (auto* c : m_cursors) c->enable_controls();
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  std::vector<store::Cursor*> m_cursors;
};

// A code table read whole; larger files are not code tables.
constexpr uintmax_t kMaxCodeTableBytes = 64u << 20;

const char* const kNoFundRow = "基金帐中没有记录,指数没有写入.";

}  // namespace

std::string price_entry(const std::string& code, float price) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(price));
  return code + ":" + buf;
}

// readprice over either kind of source for one command.
class PriceUpdate::Reader {
 public:
  explicit Reader(DayFiles days) : m_days(std::move(days)) {}
  explicit Reader(CsvQuotes csv) : m_csv(std::move(csv)), m_is_csv(true) {}

  float readprice(const std::string& code, int length, char type) {
    if (!m_is_csv) return m_days->readprice(code, length, type);
    auto it = m_csv.quotes.find(code);
    return it == m_csv.quotes.end() ? kNotFound : static_cast<float>(it->second.price);
  }
  bool is_csv() const { return m_is_csv; }
  const CsvQuotes& csv() const { return m_csv; }
  // What a closing message adds about skipped CSV lines.
  std::string bad_lines_note() const {
    if (!m_is_csv || m_csv.bad_lines == 0) return {};
    return "CSV文件中有" + std::to_string(m_csv.bad_lines) + "行格式不对,已跳过,第一行是" +
           m_csv.first_bad_file + "第" + std::to_string(m_csv.first_bad_line) + "行.";
  }

 private:
  std::optional<DayFiles> m_days;
  CsvQuotes m_csv;
  bool m_is_csv = false;
};

PriceUpdate::PriceUpdate(store::Session& session, platform::Dialogs& dialogs,
                         platform::Clock& clock)
    : m_session(session),
      m_dialogs(dialogs),
      m_clock(clock),
      m_stocks(session, "curr", "allstocks.DBF"),
      m_holdings(session, "ubx", "tr2.DBF"),
      m_fund(session, "ubx", "fund2.DB") {
  m_stocks.set_index_name("CODE");
  m_fund.set_index_name("Key");
}

PriceUpdate::~PriceUpdate() = default;

bool PriceUpdate::cancelled() { return m_progress.cancelled && m_progress.cancelled(); }
void PriceUpdate::entry(const std::string& text) {
  if (m_progress.entry) m_progress.entry(text);
}
void PriceUpdate::reset() {
  if (m_progress.reset) m_progress.reset();
}

Outcome PriceUpdate::cancelled_after(int rows) {
  m_dialogs.inform("更新已中止,已更新" + std::to_string(rows) + "行.");
  return Outcome::Cancelled;
}

std::optional<fs::path> PriceUpdate::checked_directory(const QuoteSource& source) {
  if (source.path.empty()) {
    m_dialogs.warn("不能用!");
    return std::nullopt;
  }
  const fs::path dir = source_directory(source.path, m_session.alias_dir("curr"));
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    m_dialogs.warn("设置的路径不存在！");
    return std::nullopt;
  }
  return dir;
}

std::unique_ptr<PriceUpdate::Reader> PriceUpdate::open_reader(const QuoteSource& source,
                                                              const fs::path& dir) {
  if (source.layout() != Layout::Csv) return std::make_unique<Reader>(DayFiles(source, dir));
  if (csv_files(dir).empty()) {
    m_dialogs.warn("目录" + dir.string() + "中没有CSV文件.");
    return nullptr;
  }
  CsvQuotes q = read_csv_dir(dir);
  for (const std::string& p : q.problems) m_dialogs.warn(p);
  return std::make_unique<Reader>(std::move(q));
}

Outcome PriceUpdate::Button4Click(const QuoteSource& source) {
  const auto dir = checked_directory(source);
  if (!dir) return Outcome::Stopped;
  if (source.layout() == Layout::Dbf) {
    const auto q = createtabs(m_session, *dir, m_dialogs);
    if (!q) return Outcome::Stopped;
    if (dbf_code(*q) < 0) return Outcome::Cancelled;
    m_dialogs.inform("是交易所dbf数据，代码表和价格已一同更新.");
    return Outcome::Done;
  }
  auto reader = open_reader(source, *dir);
  if (!reader) return Outcome::Stopped;
  reset();
  bool delete_all = false;
  int updated = 0;
  m_stocks.open();
  const Quiet quiet({&m_stocks});
  for (m_stocks.first(); !m_stocks.eof();) {
    if (cancelled()) return cancelled_after(updated);
    const std::string code = m_stocks.get_string("CODE");
    if (code.empty()) {
      m_stocks.next();
      continue;
    }
    const float p = reader->readprice(code, source.length, source.type_letter());
    if (p == kNotFound) {
      const std::string question = reader->is_csv()
                                       ? "CSV行情中找不到代码为" + code + "的股票,删除该代码?"
                                       : "找不到代码为" + code + "的K线文件,删除该无文件代码?";
      if (delete_all || m_dialogs.ask(question)) {
        delete_all = true;
        m_stocks.remove();  // the cursor is on the following row
      } else {
        m_stocks.next();
      }
      continue;
    }
    if (m_display != Display::UpdateOnly) entry(price_entry(code, p));
    if (m_display != Display::DisplayOnly && p != 0) {
      m_stocks.set_double("PRICE", p);
      m_stocks.post();
      ++updated;
    }
    m_stocks.next();
  }
  m_dialogs.inform("股票价格更新完毕,更新了" + std::to_string(updated) + "个股票." +
                   reader->bad_lines_note());
  return Outcome::Done;
}

Outcome PriceUpdate::Button3Click(const QuoteSource& source) {
  const auto dir = checked_directory(source);
  if (!dir) return Outcome::Stopped;
  if (source.layout() == Layout::Dbf) {
    const auto q = createtabs(m_session, *dir, m_dialogs);
    if (!q) return Outcome::Stopped;
    dbf_price(*q);
    if (m_reopen) m_reopen();
    dbf_index(*q);
    return Outcome::Done;
  }
  auto reader = open_reader(source, *dir);
  if (!reader) return Outcome::Stopped;
  reset();
  int updated = 0;
  m_holdings.open();
  {
    const Quiet quiet({&m_holdings});
    for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
      if (cancelled()) {
        if (m_reopen) m_reopen();
        return cancelled_after(updated);
      }
      const std::string code = m_holdings.get_string("CODE");
      if (code.empty()) continue;
      const float p = reader->readprice(code, source.length, source.type_letter());
      if (p == kNotFound) continue;
      if (m_display != Display::UpdateOnly) entry(price_entry(code, p));
      if (m_display != Display::DisplayOnly && p != 0) {
        m_holdings.set_double("PRICE2", p);
        m_holdings.post();
        ++updated;
      }
    }
  }
  if (m_reopen) m_reopen();
  if (m_display != Display::DisplayOnly) write_day_indices(*reader, source);
  m_dialogs.inform("持仓价格更新完毕,更新了" + std::to_string(updated) + "行." +
                   reader->bad_lines_note());
  return Outcome::Done;
}

void PriceUpdate::write_day_indices(Reader& reader, const QuoteSource& source) {
  // One decimal: round(p * 10) * 0.1. An index without a file keeps its value.
  const float sz = reader.readprice("9996", source.length, source.type_letter());
  const float shz = reader.readprice("999999", source.length, source.type_letter());
  if (sz == kNotFound && shz == kNotFound) return;
  m_fund.open();
  if (m_fund.empty()) {
    m_dialogs.inform(kNoFundRow);
    return;
  }
  m_fund.last();
  auto tenth = [](float p) {
    return static_cast<double>(store::round_half_even(static_cast<long double>(p) * 10) * 0.1L);
  };
  if (sz != kNotFound) m_fund.set_double("SZ", tenth(sz));
  if (shz != kNotFound) m_fund.set_double("SHZ", tenth(shz));
  m_fund.post();
}

Outcome PriceUpdate::Button7Click(const QuoteSource& source) {
  const auto dir = checked_directory(source);
  if (!dir) return Outcome::Stopped;
  m_stocks.open();
  reset();
  switch (source.layout()) {
    case Layout::Dbf: {
      const auto q = createtabs(m_session, *dir, m_dialogs);
      if (!q) return Outcome::Stopped;
      if (dbf_code(*q) < 0) return Outcome::Cancelled;
      m_dialogs.inform("是交易所dbf数据，代码表和价格已一同更新.");
      return Outcome::Done;
    }
    case Layout::Eye98:
      m_dialogs.warn("暂不能读！");
      return Outcome::Stopped;
    case Layout::Csv: {
      auto reader = open_reader(source, *dir);
      if (!reader) return Outcome::Stopped;
      int added = 0;
      const Quiet quiet({&m_stocks});
      for (const auto& [code, q] : reader->csv().quotes) {
        if (cancelled()) return cancelled_after(added);
        if (m_stocks.find_key({Value::text(code)})) continue;
        if (m_display != Display::UpdateOnly) entry(code + "-" + q.name);
        if (m_display == Display::DisplayOnly) continue;
        m_stocks.append();
        m_stocks.set_string("CODE", code);
        m_stocks.set_string("NAME", q.name);
        if (q.price != 0) m_stocks.set_double("PRICE", q.price);
        m_stocks.post();
        ++added;
      }
      m_dialogs.inform("代码表补充完毕,补充了" + std::to_string(added) + "个股票." +
                       reader->bad_lines_note());
      return Outcome::Done;
    }
    default:
      break;
  }
  const auto tables = code_tables(source);
  if (tables.empty()) {
    m_dialogs.warn("没有相应文件，放弃补充.");
    return Outcome::Stopped;
  }
  FileFinder finder;
  int added = 0;
  bool complete = true;
  for (const CodeTableFile& t : tables) {
    const auto file = finder.find(*dir, t.file);
    const int n = appe_code(file ? *file : *dir / t.file, t.layout);
    if (n == -2) return cancelled_after(added);
    if (n < 0)
      complete = false;
    else
      added += n;
  }
  m_dialogs.inform("代码表补充完毕,补充了" + std::to_string(added) + "个股票.");
  return complete ? Outcome::Done : Outcome::Stopped;
}

int PriceUpdate::appe_code(const fs::path& file, const CodeLayout& layout) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    m_dialogs.warn("找不到文件" + file.string() + ",请检查!");
    return -1;
  }
  if (layout.len < 1 || layout.len > kMaxCodeRecord) {
    m_dialogs.warn("代码表" + file.string() + "的记录长度" + std::to_string(layout.len) +
                   "不在1到" + std::to_string(kMaxCodeRecord) + "之间,请检查!");
    return -1;
  }
  const uintmax_t size = fs::file_size(file, ec);
  std::ifstream in(file, std::ios::binary);
  if (ec || size > kMaxCodeTableBytes || !in) {
    m_dialogs.warn("代码表" + file.string() + "读不出来,请检查!");
    return -1;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto records =
      parse_code_table(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), layout);
  m_stocks.open();
  const Quiet quiet({&m_stocks});
  int added = 0;
  for (const CodeRecord& r : records) {
    if (cancelled()) return -2;
    if (m_stocks.find_key({Value::text(r.code)})) continue;
    if (m_display != Display::UpdateOnly) entry(r.code + "-" + r.name);
    if (m_display == Display::DisplayOnly) continue;
    m_stocks.append();
    m_stocks.set_string("CODE", r.code);
    m_stocks.set_string("NAME", r.name);
    m_stocks.post();
    ++added;
  }
  return added;
}

int PriceUpdate::dbf_code(const ExchangeQuotes& q) {
  m_stocks.open();
  const Quiet quiet({&m_stocks});
  int added = 0;
  for (const auto* rows : {&q.sz, &q.sh}) {
    for (const ExchangeQuotes::Row& r : *rows) {
      if (cancelled()) {
        cancelled_after(added);
        return -1;
      }
      if (r.code.size() > 6) continue;  // the list cannot hold it
      if (m_stocks.find_key({Value::text(r.code)})) {
        // A security without a trade today shows 0: its last price stays.
        if (r.price == 0) continue;
        m_stocks.set_double("PRICE", r.price);
        m_stocks.post();
        continue;
      }
      m_stocks.append();
      m_stocks.set_string("CODE", r.code);
      m_stocks.set_double("PRICE", r.price);
      if (!r.name.empty()) m_stocks.set_string("NAME", r.name);
      m_stocks.post();
      ++added;
    }
  }
  m_dialogs.inform("股票代码价格表更新完毕,补充了" + std::to_string(added) + "个股票.");
  return added;
}

void PriceUpdate::dbf_price(const ExchangeQuotes& q) {
  m_holdings.open();
  {
    const Quiet quiet({&m_holdings});
    for (m_holdings.first(); !m_holdings.eof(); m_holdings.next()) {
      const std::string code = m_holdings.get_string("CODE");
      const ExchangeQuotes::Row* r = code.size() == 4   ? q.find_sz(code)
                                     : code.size() == 6 ? q.find_sh(code)
                                                        : nullptr;
      if (r == nullptr || r->price == 0) continue;
      m_holdings.set_double("PRICE2", r->price);
      m_holdings.post();
    }
  }
  m_dialogs.inform("价格已更新!");
}

void PriceUpdate::dbf_index(const ExchangeQuotes& q) {
  std::optional<double> sz, shz;
  if (auto it = q.sz_indices.find("深证成份指数"); it != q.sz_indices.end())
    sz = static_cast<double>(store::round_half_even(it->second));
  if (const auto* r = q.find_sh("000008"))
    shz = static_cast<double>(store::round_half_even(r->price));
  if (!sz && !shz) return;
  m_fund.open();
  if (m_fund.empty()) {
    m_dialogs.inform(kNoFundRow);
    return;
  }
  const Date today = m_clock.today();
  if (!m_fund.locate("DT;PYCODE", {Value::date(today), Value::text("***")})) {
    // A market row of today, carrying the fund's value and unit price from
    // the last row up to today; the next recompute completes it. Earlier
    // rows keep their dates: they are the fund's history.
    m_fund.last();
    while (!m_fund.bof() && m_fund.get_date("DT") > today) m_fund.prior();
    if (m_fund.bof()) m_fund.last();
    const double fund = m_fund.get_double("FUND");
    const double price = m_fund.get_double("PRICE");
    const double last_sz = m_fund.get_double("SZ");
    const double last_shz = m_fund.get_double("SHZ");
    m_fund.append();
    m_fund.set_date("DT", today);
    m_fund.set_string("PYCODE", "***");
    m_fund.set_string("NAME", "市场");
    m_fund.set_double("INPUT", 0);
    m_fund.set_double("FUND", fund);
    m_fund.set_double("PRICE", price);
    m_fund.set_double("SZ", last_sz);
    m_fund.set_double("SHZ", last_shz);
  }
  if (sz) m_fund.set_double("SZ", *sz);
  if (shz) m_fund.set_double("SHZ", *shz);
  m_fund.post();
  if (sz) m_dialogs.inform("深市成份指数已更新!");
  if (shz) m_dialogs.inform("沪市综合指数已更新!");
}

}  // namespace vmx::market
