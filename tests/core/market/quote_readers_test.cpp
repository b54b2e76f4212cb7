#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "core/market/code_table.h"
#include "core/market/csv_quotes.h"
#include "core/market/day_file.h"
#include "core/store/gbk.h"
#include "support/temp_dir.h"

namespace vmx::test {
namespace {

using namespace vmx::market;

QuoteSource source(const std::string& hqcode) {
  QuoteSource s;
  s.hqcode = hqcode;
  s.szsubpath = "\\day\\sz";
  s.shsubpath = "\\day\\sh";
  s.szhead = "sz";
  s.shhead = "sh";
  s.tail = "day";
  return s;
}

TEST(DayFile, NamesPerSourceAndMarket) {
  struct Case {
    const char* hqcode;
    const char* code;
    const char* file;
  } cases[] = {
      {"hjin", "0001", "exe/lineday/sz/sz0001.psd"},
      {"hjin", "600001", "exe/lineday/sh/sh600001.psd"},
      {"ml30", "0001", "data/sznse/day/0001.day"},
      {"ml30", "600001", "data/shase/day/600001.day"},
      {"slon", "9996", "data/sz/day/9996.day"},
      {"slon", "999999", "data/sh/day/999999.day"},
      {"eye98", "0001", "stkdt/za0001.dat"},
      {"eye98", "600001", "stkdt/ha600001.dat"},
      {"jgong", "0001", "/day/sz/sz0001.day"},
      {"jgong", "600001", "/day/sh/sh600001.day"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(day_file_name(source(c.hqcode), c.code), c.file) << c.hqcode << " " << c.code;
}

void le(uint8_t* b, int32_t v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
}

TEST(DayFile, FourEncodingsRoundedInSinglePrecision) {
  struct Case {
    char type;
    int32_t stored;  // as an integer, or the bits of a float for type 0
    float price;
  } cases[] = {
      {'1', -12341, 12.34f},
      {'3', 12340, 12.34f},
      {'2', 1234, 12.34f},
      // 12.345 held as a single is slightly above 12.345, so it goes up.
      {'3', 12345, 12.35f},
      {'2', -5, -0.05f},
      {'1', -1, 0.0f},
  };
  for (const Case& c : cases) {
    uint8_t b[4];
    le(b, c.stored);
    EXPECT_EQ(decode_price(b, c.type), c.price) << c.type << " " << c.stored;
  }
  auto float_bytes = [](float f, uint8_t* b) { std::memcpy(b, &f, 4); };
  uint8_t b[4];
  float_bytes(12.345f, b);
  EXPECT_EQ(decode_price(b, '0'), 12.35f);
  EXPECT_EQ(decode_price(b, 'x'), 12.35f);  // an unknown letter reads as a float
  for (float bad :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 3e9f}) {
    float_bytes(bad, b);
    EXPECT_EQ(decode_price(b, '0'), kNotFound);
  }
}

TEST(DayFile, LastRecordAndCaseOfNames) {
  TempDir dir;
  std::vector<uint8_t> data(3200, 0);
  le(&data[3184], 12340);  // 3200 - 32 + 16
  std::filesystem::create_directories(dir / "EXE/LineDay/SZ");
  {
    std::ofstream(dir / "EXE/LineDay/SZ/SZ0001.PSD", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), 3200);
    std::ofstream(dir / "short.day", std::ios::binary).write("abc", 3);
  }
  DayFiles days(source("hjin"), dir.path());
  EXPECT_EQ(days.readprice("0001", 32, '3'), 12.34f);
  EXPECT_EQ(days.readprice("0002", 32, '3'), kNotFound);  // no file
  EXPECT_EQ(price_from_day_data(data.data(), data.size(), 32, '3'), 12.34f);
  for (int length : {0, 19, 3201, -5})
    EXPECT_EQ(price_from_day_data(data.data(), data.size(), length, '3'), kNotFound) << length;
  EXPECT_EQ(read_day_price(dir / "short.day", 32, '3'), kNotFound);
  EXPECT_EQ(read_day_price(dir.path(), 32, '3'), kNotFound);  // a directory
}

TEST(CodeTable, RecordsKeptAndSkipped) {
  auto rec = [](std::string code, std::string name) {
    std::string r(20, ' ');
    r.replace(2, code.size(), code);
    const std::string gbk = store::utf8_to_gbk(name);
    r.replace(9, gbk.size(), gbk);
    return r;
  };
  const std::string bytes = rec("600000", "浦发银行") + rec("", "无代码") + rec("99999A", "超界") +
                            rec("0001", "深发展A") +
                            rec("60\x01"
                                "000",
                                "乱码") +
                            rec("0001", "重复") + "partial";
  const auto recs = parse_code_table(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                     {3, 6, 10, 8, 20});
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].code, "600000");
  EXPECT_EQ(recs[0].name, "浦发银行");
  EXPECT_EQ(recs[1].code, "0001");
  EXPECT_EQ(recs[1].name, "深发展A");
  EXPECT_EQ(recs[2].name, "重复");  // the list, not the reader, keeps a code out twice
  for (int len : {0, 101})
    EXPECT_TRUE(parse_code_table(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                 {3, 6, 10, 8, len})
                    .empty());
}

TEST(CsvQuotes, Variants) {
  struct Case {
    const char* what;
    std::string bytes;
    std::map<std::string, double> prices;
    std::string name_of_first;
    int bad, first_bad;
  } cases[] = {
      {"utf-8 header",
       "代码,名称,最新价\n600000,浦发银行,9.15\n0001,深发展A,10.85\n",
       {{"600000", 9.15}, {"0001", 10.85}},
       "深发展A",
       0,
       0},
      {"bom, crlf, english, reordered",
       "\xEF\xBB\xBF"
       "close,code,name\r\n9.15,SH600000,浦发\r\n\r\n10.85,0001.sz,深发\r\n",
       {{"600000", 9.15}, {"0001", 10.85}},
       "深发",
       0,
       0},
      {"gbk, tab, no header",
       store::utf8_to_gbk("600000\t浦发银行\t9.15\n0001\t深发展A\t10.854\n"),
       {{"600000", 9.15}, {"0001", 10.854}},
       "深发展A",
       0,
       0},
      {"semicolon, quoted",
       "code;name;price\n\"600000\";\"浦发;银行\";\"9.15\"\n",
       {{"600000", 9.15}},
       "",
       0,
       0},
      {"two columns", "600000,9.15\n", {{"600000", 9.15}}, "", 0, 0},
      {"six-digit Shenzhen codes marked as such",
       "code,price\n000001.SZ,10.85\nsz000651,38.4\nSZ300750,180\n000001,3100.5\n",
       {{"0001", 10.85}, {"0651", 38.4}, {"300750", 180}, {"000001", 3100.5}},
       "",
       0,
       0},
      {"malformed lines",
       "代码,名称,最新价\n600000,浦发银行,--\n,空,1\n0001,深发展A,10.85\n0002,万科\n",
       {{"0001", 10.85}},
       "深发展A",
       3,
       2},
      {"garbage", std::string("\x00\xff\x13\n\x80,\x81,\x82\n", 10), {}, "", 2, 1},
      {"header without price", "代码,名称\n600000,浦发\n", {}, "", 0, 0},
  };
  for (const Case& c : cases) {
    CsvQuotes q;
    parse_csv_quotes(c.bytes, "q.csv", q);
    std::map<std::string, double> got;
    for (const auto& [code, quote] : q.quotes) got[code] = quote.price;
    EXPECT_EQ(got, c.prices) << c.what;
    if (!q.quotes.empty() && !c.name_of_first.empty()) {
      EXPECT_EQ(q.quotes.begin()->second.name, c.name_of_first) << c.what;
    }
    EXPECT_EQ(q.bad_lines, c.bad) << c.what;
    EXPECT_EQ(q.first_bad_line, c.first_bad) << c.what;
  }
  CsvQuotes q;
  parse_csv_quotes("代码,名称\n600000,浦发\n", "q.csv", q);
  ASSERT_EQ(q.problems.size(), 1u);
  EXPECT_EQ(q.problems[0], "CSV文件q.csv的标题行没有代码列或价格列,没有读取.");
}

}  // namespace
}  // namespace vmx::test
