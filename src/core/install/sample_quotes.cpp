// The quote sources of a new installation, and for the demo the sample files
// they point at: day files and code tables in each built-in layout, the
// exchanges' dBase quote tables and a CSV quote list, all made here from the
// security list's prices so that a price update on first start has something
// to read.

#include "core/install/sample_quotes.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "core/install/seed_data.h"
#include "core/store/error.h"
#include "core/store/gbk.h"

namespace vmx::store::seed {

namespace fs = std::filesystem;

namespace {

const TableSpec& spec_of(std::string_view file) {
  const TableSpec* t = find_table_spec(file);
  if (t == nullptr) throw Error(std::string(file) + ": not in the catalogue");
  return *t;
}

// Securities only the sample files know, so that supplementing the code list
// adds something.
std::vector<Security> sample_only() {
  return {{"600048", "保利发展", 13.20}, {"601899", "紫金矿业", 15.10}, {"0100", "TCL科技", 4.30}};
}

std::vector<Security> sample_securities(Date today) {
  std::vector<Security> all = securities(today);
  for (auto& s : sample_only()) all.push_back(std::move(s));
  return all;
}

void write_file(const fs::path& file, const std::string& bytes) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw Error(file.string() + ": cannot write the sample file");
}

void put32(std::string& rec, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) rec[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

uint32_t encode(double price, char type) {
  const auto whole = [](double x) { return static_cast<int32_t>(round_even(x)); };
  switch (type) {
    case '1':
      return static_cast<uint32_t>(~whole(price * 1000));
    case '2':
      return static_cast<uint32_t>(whole(price * 100));
    case '3':
      return static_cast<uint32_t>(whole(price * 1000));
    default: {
      const float f = static_cast<float>(price);
      uint32_t u;
      std::memcpy(&u, &f, 4);
      return u;
    }
  }
}

// Twenty trading days ending with the last weekday up to today, each record
// `length` bytes: date (complemented when asked), open, high, low, close.
std::string day_file(double close, int length, char type, bool complement_dates, Date today) {
  std::vector<Date> days;
  for (Date d = today; days.size() < 20; d = d.add_days(-1)) {
    const int wd = (d.serial() % 7 + 7) % 7;  // which two residues are weekends does not matter
    if (wd != 5 && wd != 6) days.insert(days.begin(), d);
  }
  std::string out;
  for (size_t k = 0; k < days.size(); ++k) {
    std::string rec(static_cast<size_t>(length), '\0');
    int y = 0, m = 0, dd = 0;
    const std::string iso = days[k].to_string();  // yyyy-mm-dd
    std::sscanf(iso.c_str(), "%d-%d-%d", &y, &m, &dd);
    const uint32_t date = static_cast<uint32_t>(y * 10000 + m * 100 + dd);
    put32(rec, 0, complement_dates ? ~date : date);
    const double c =
        k + 1 == days.size() ? close : round_to(close * (1 - 0.004 * (days.size() - 1 - k)), 2);
    put32(rec, 4, encode(c, type));
    put32(rec, 8, encode(round_to(c * 1.01, 2), type));
    put32(rec, 12, encode(round_to(c * 0.99, 2), type));
    put32(rec, 16, encode(c, type));
    if (length >= 24) put32(rec, 20, static_cast<uint32_t>(100000 + 37 * k));
    out += rec;
  }
  return out;
}

// A code-table record: code and name in GBK at 1-based positions, blanks elsewhere.
std::string code_record(const Security& s, int len, int c1, int clen, int n1, int nlen) {
  std::string rec(static_cast<size_t>(len), ' ');
  const std::string code = s.code.substr(0, static_cast<size_t>(clen));
  rec.replace(static_cast<size_t>(c1 - 1), code.size(), code);
  const std::string gbk = utf8_to_gbk(s.name);  // the cut below views into it
  const std::string_view name = gbk_cut(gbk, static_cast<size_t>(nlen));
  rec.replace(static_cast<size_t>(n1 - 1), name.size(), name);
  return rec;
}

struct DayLayout {
  const char* hqcode;
  int length;
  char type;
  bool complement;
};

std::string day_name(const DayLayout& l, const std::string& code) {
  const bool sz = code.size() <= 4;
  const std::string h = l.hqcode;
  if (h == "hjin")  // as a directory copied from another system names it
    return sz ? "EXE/LINEDAY/SZ/SZ" + code + ".PSD" : "EXE/LINEDAY/SH/SH" + code + ".PSD";
  if (h == "ml30")
    return sz ? "data/sznse/day/" + code + ".day" : "data/shase/day/" + code + ".day";
  if (h == "slon") return sz ? "data/sz/day/" + code + ".day" : "data/sh/day/" + code + ".day";
  if (h == "eye98") return sz ? "stkdt/za" + code + ".dat" : "stkdt/ha" + code + ".dat";
  return sz ? "day/sz/sz" + code + ".day" : "day/sh/sh" + code + ".day";  // jgong
}

const std::vector<DayLayout>& day_layouts() {
  static const std::vector<DayLayout> l = {{"hjin", 32, '0', false},
                                           {"ml30", 40, '3', false},
                                           {"slon", 32, '1', true},
                                           {"eye98", 36, '2', false},
                                           {"jgong", 28, '2', false}};
  return l;
}

void write_code_tables(const fs::path& root, const std::vector<Security>& all) {
  auto table = [&](const std::string& file, auto keep, int len, int c1, int clen, int n1,
                   int nlen) {
    std::string bytes;
    for (const Security& s : all)
      if (keep(s)) bytes += code_record(s, len, c1, clen, n1, nlen);
    write_file(root / file, bytes);
  };
  auto sz = [](const Security& s) { return s.code.size() <= 4; };
  auto sh = [](const Security& s) { return s.code.size() == 6; };
  table("hjin/sz.cod", sz, 20, 3, 6, 10, 8);
  table("hjin/sh.cod", sh, 20, 3, 6, 10, 8);
  table(
      "ml30/sse/nametbl.dat", [](const Security& s) { return s.code.size() <= 6; }, 81, 8, 6, 18,
      9);
  table(
      "slon/cfg/stock.sza",
      [](const Security& s) { return s.code.size() == 4 && s.code[0] == '0'; }, 18, 1, 4, 5, 8);
  table(
      "slon/cfg/stock.szb",
      [](const Security& s) { return s.code.size() == 4 && s.code[0] == '2'; }, 18, 1, 4, 5, 8);
  table(
      "slon/cfg/stock.szc", [](const Security& s) { return s.code.size() == 4 && s.code[0] > '2'; },
      18, 1, 4, 5, 8);
  table(
      "slon/cfg/stock.sha", [&](const Security& s) { return sh(s) && s.code[0] != '9'; }, 20, 1, 6,
      7, 8);
  table(
      "slon/cfg/stock.shc", [&](const Security& s) { return sh(s) && s.code[0] == '9'; }, 20, 1, 8,
      9, 6);
  table("jgong/cfg/sz.cod", sz, 20, 1, 6, 7, 8);
  table("jgong/cfg/sh.cod", sh, 20, 1, 6, 7, 8);
}

FieldDef chr_field(const char* name, int width) { return {name, FieldType::Character, width, 0}; }
FieldDef num_field(const char* name, int width, int decimals) {
  return {name, FieldType::Numeric, width, decimals};
}

void write_exchange_tables(const fs::path& dir, const std::vector<Security>& all) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  auto table = [&](const char* file, std::vector<FieldDef> fields) {
    Schema s;
    s.fields = std::move(fields);
    return RowWriter(create_table_file(dir / file, s));
  };
  RowWriter hq = table("z_hq.dbf", {chr_field("FZQDM", 6), num_field("FZJCJ", 10, 3)});
  RowWriter names = table("z_zqxx.dbf", {chr_field("FZQDM", 6), chr_field("FZQJC", 8)});
  RowWriter indices = table("z_zs.dbf", {chr_field("FZSMC", 20), num_field("FZJZS", 12, 2)});
  RowWriter sh =
      table("show128.dbf", {chr_field("S1", 6), chr_field("S2", 8), num_field("S8", 12, 3)});
  for (const Security& s : all) {
    const double close = sample_close(s.code, s.price);
    if (s.code == "9996") {
      indices.add({{"FZSMC", txt("深证成份指数")}, {"FZJZS", num(close)}});
    } else if (s.code == "999999") {
      // The exchange's file names its composite index 000008.
      sh.add({{"S1", txt("000008")}, {"S2", txt("综合指数")}, {"S8", num(close)}});
    } else if (s.code.size() <= 4) {
      hq.add({{"FZQDM", txt(s.code)}, {"FZJCJ", num(close)}});
      names.add({{"FZQDM", txt(s.code)}, {"FZQJC", txt(s.name)}});
    } else if (s.code.size() == 6) {
      sh.add({{"S1", txt(s.code)}, {"S2", txt(s.name)}, {"S8", num(close)}});
    }
  }
}

void write_csv(const fs::path& file, const std::vector<Security>& all) {
  std::string text = "代码,名称,最新价\n";
  char buf[32];
  for (const Security& s : all) {
    std::snprintf(buf, sizeof buf, "%.2f", sample_close(s.code, s.price));
    text += s.code + "," + s.name + "," + buf + "\n";
  }
  write_file(file, text);
}

void write_samples(const fs::path& root, Date today) {
  const std::vector<Security> all = sample_securities(today);
  for (const DayLayout& l : day_layouts())
    for (const Security& s : all)
      write_file(root / l.hqcode / day_name(l, s.code),
                 day_file(sample_close(s.code, s.price), l.length, l.type, l.complement, today));
  write_code_tables(root, all);
  write_exchange_tables(root / "dbf", all);
  write_csv(root / "csv" / "quotes.csv", all);
}

}  // namespace

double sample_close(const std::string& code, double price) {
  // The hash wraps at 32 bits; done unsigned, since a signed overflow is undefined.
  std::uint32_t h = 0;
  for (unsigned char ch : code) h = h * 31 + ch;
  int percent = static_cast<std::int32_t>(h) % 7 - 3;  // -3 .. 3
  if (percent == 0) percent = 1;
  return round_to(price * (1 + percent * 0.01), 2);
}

void write_quote_sources(const fs::path& dir, bool demo, Date today) {
  const std::string sample = std::string(kSampleQuotesDir) + "/";
  auto where = [&](const char* code) {
    return demo ? sample + code : std::string("/mnt/hq/") + code;
  };
  RowWriter w(dir, spec_of("hq_path.DBF"));
  w.add({{"HQCODE", txt("dbf")},
         {"HQNAME", txt("交易所库")},
         {"PATH", txt(where("dbf"))},
         {"NOTE", txt("深沪交易所dbf行情库")},
         {"NOW", flag(false)}});
  w.add({{"HQCODE", txt("hjin")},
         {"HQNAME", txt("汇金")},
         {"PATH", txt(where("hjin"))},
         {"NOTE", txt("汇金日线,单精度收盘价")},
         {"NOW", flag(true)},
         {"LENGTH", num(32)},
         {"TYPE", txt("0")}});
  w.add({{"HQCODE", txt("ml30")},
         {"HQNAME", txt("钱龙")},
         {"PATH", txt(where("ml30"))},
         {"NOTE", txt("钱龙日线,价格千分之一")},
         {"NOW", flag(false)},
         {"LENGTH", num(40)},
         {"TYPE", txt("3")}});
  w.add({{"HQCODE", txt("slon")},
         {"HQNAME", txt("胜龙")},
         {"PATH", txt(where("slon"))},
         {"NOTE", txt("胜龙日线,价格取反码")},
         {"NOW", flag(false)},
         {"LENGTH", num(32)},
         {"TYPE", txt("1")}});
  w.add({{"HQCODE", txt("eye98")},
         {"HQNAME", txt("慧眼")},
         {"PATH", txt(where("eye98"))},
         {"NOTE", txt("慧眼日线,价格百分之一")},
         {"NOW", flag(false)},
         {"LENGTH", num(36)},
         {"TYPE", txt("2")}});
  w.add({{"HQCODE", txt("jgong")},
         {"HQNAME", txt("建功")},
         {"PATH", txt(where("jgong"))},
         {"SHSUBPATH", txt("\\day\\sh")},
         {"SZSUBPATH", txt("\\day\\sz")},
         {"NOTE", txt("参数定义格式示例")},
         {"NOW", flag(false)},
         {"SZHEAD", txt("sz")},
         {"SHHEAD", txt("sh")},
         {"TAIL", txt("day")},
         {"LENGTH", num(28)},
         {"TYPE", txt("2")},
         {"SZSUBTAB", txt("\\cfg")},
         {"SZC1", num(1)},
         {"SZCLEN", num(6)},
         {"SZN1", num(7)},
         {"SZNLEN", num(8)},
         {"SZLEN", num(20)},
         {"SHSUBTAB", txt("\\cfg")},
         {"SHC1", num(1)},
         {"SHCLEN", num(6)},
         {"SHN1", num(7)},
         {"SHNLEN", num(8)},
         {"SHLEN", num(20)},
         {"SZCODEFILE", txt("sz.cod")},
         {"SHCODEFILE", txt("sh.cod")}});
  w.add({{"HQCODE", txt("csv")},
         {"HQNAME", txt("CSV行情")},
         {"PATH", txt(where("csv"))},
         {"NOTE", txt("目录中所有*.csv行情文件")},
         {"NOW", flag(false)}});
  if (demo) write_samples(dir / kSampleQuotesDir, today);
}

}  // namespace vmx::store::seed
