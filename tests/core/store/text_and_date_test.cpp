#include <gtest/gtest.h>

#include "core/platform/date.h"
#include "core/store/display.h"
#include "core/store/error.h"
#include "core/store/filter.h"
#include "core/store/gbk.h"
#include "core/store/value.h"

using namespace vmx;
using namespace vmx::store;

TEST(Gbk, CutsOnlyAtCharacterBoundaries) {
  struct Case {
    const char* utf8;
    size_t width;
    const char* expected;
  } cases[] = {
      {"市价总值", 6, "市价总"},                               // the total rows' QS/LXM fields
      {"市价总值", 8, "市价总值"}, {"市价总值", 7, "市价总"},  // never half a character
      {"a市价", 2, "a"},           {"abc", 2, "ab"},          {"", 3, ""},
  };
  for (const auto& c : cases) {
    const std::string gbk = utf8_to_gbk(c.utf8);
    EXPECT_EQ(gbk_to_utf8(std::string(gbk_cut(gbk, c.width))), c.expected)
        << c.utf8 << " in " << c.width;
  }
}

TEST(Gbk, FitsAFieldOnlyWhole) {
  const struct {
    const char* utf8;
    size_t width;
    bool fits;
  } cases[] = {
      {"user", 8, true},       {"abcdefghi", 8, false}, {"我的帐户", 8, true},
      {"我的帐户a", 8, false}, {"😀", 8, false},         {"\xff", 8, false},
  };
  for (const auto& c : cases) EXPECT_EQ(fits_gbk_field(c.utf8, c.width), c.fits) << c.utf8;
}

TEST(Gbk, RoundTripsAndOrdersAsStoredBytes) {
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk("示范帐户 ABC")), "示范帐户 ABC");
  EXPECT_EQ(utf8_to_gbk("现金").size(), 4u);
  // Codes compare as text: "6" sorts after "50".
  EXPECT_GT(compare_ordinal("6", "50"), 0);
  EXPECT_LT(compare_ordinal("P2001040300", "PA"), 0);
  // GBK order, not UTF-8 order: 啊 (B0A1) sorts before 一 (D2BB) in GBK,
  // though U+554A > U+4E00.
  EXPECT_LT(compare_ordinal("啊", "一"), 0);
  EXPECT_THROW(utf8_to_gbk("\xff\xfe"), ConversionError);
  // A damaged GBK byte still leaves the readable part.
  EXPECT_EQ(gbk_to_utf8(std::string("ab\x81", 3)), "ab\xEF\xBF\xBD");
}

TEST(Date, ParsesFormatsAndCountsDays) {
  struct Case {
    const char* text;
    bool ok;
    int y, m, d;
  } cases[] = {
      {"2001-04-03", true, 2001, 4, 3},  {"20010403", true, 2001, 4, 3},
      {"2000-02-29", true, 2000, 2, 29}, {"1900-02-29", false, 0, 0, 0},
      {"2001-13-01", false, 0, 0, 0},    {"", false, 0, 0, 0},
      {"2001-4-3", true, 2001, 4, 3},    {"abc", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const auto d = Date::parse(c.text);
    ASSERT_EQ(d.has_value(), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(d->year(), c.y);
      EXPECT_EQ(d->month(), c.m);
      EXPECT_EQ(d->day(), c.d);
    }
  }
  // The Paradox day number: 1996-05-04 is stored as 0x000B1ECF.
  EXPECT_EQ(Date::from_ymd(1996, 5, 4).serial(), 0x000B1ECF);
  EXPECT_EQ(Date::from_ymd(1, 1, 1).serial(), 1);
  EXPECT_EQ(Date::from_ymd(2026, 12, 6).to_string(), "2026-12-06");
  EXPECT_EQ(Date::from_ymd(2026, 12, 6).day_of_week(), 7);  // a Sunday
  EXPECT_EQ(Date::from_ymd(2001, 3, 1) - Date::from_ymd(2001, 2, 28), 1);
}

TEST(Value, ConvertsAsTheTypedReadersPromise) {
  EXPECT_EQ(Value().as_number(), 0);
  EXPECT_EQ(Value().as_string(), "");
  EXPECT_EQ(Value::text(" 12.5 ").as_number(), 12.5);
  EXPECT_THROW(Value::text("12a").as_number(), ConversionError);
  EXPECT_EQ(Value::number(-2.7).as_integer(), -2);  // toward zero
  EXPECT_EQ(Value::number(1000).as_string(), "1000");
  EXPECT_EQ(Value::number(0.1).as_string(), "0.1");
  EXPECT_EQ(Value::date(Date::from_ymd(2001, 4, 3)).as_string(), "2001-04-03");
  EXPECT_EQ(Value::text("2001-04-03").as_date(), Date::from_ymd(2001, 4, 3));
  EXPECT_THROW(Value::text("2001-02-30").as_date(), ConversionError);
}

TEST(Filter, WildcardStandsForAnyRun) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } cases[] = {
      {"60*", "600001", true}, {"60*", "000060", false}, {"*01", "600001", true},
      {"6*1", "600001", true}, {"*", "", true},          {"", "", true},
      {"", "6", false},        {"6**", "6", true},       {"600001", "600001", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(wildcard_match(c.pattern, c.text), c.match) << c.pattern << " ~ " << c.text;
}

// Numbers on screen: money to two decimals, prices to at most four, quantities
// whole unless they have a fraction, logical values 是/否; single-precision
// noise never shows.
TEST(Display, NumbersAsABookkeeperReadsThem) {
  const struct {
    Value value;
    const char* name;
    const char* shown;
  } cases[] = {
      {Value::number(1530.6400005), "COST2", "1530.64"},
      {Value::number(static_cast<float>(1530.64)), "市值", "1530.64"},
      {Value::number(1500), "sxf", "1500.00"},
      {Value::number(-0.0001), "成本", "0.00"},
      {Value::number(1e11 + 0.25), "COST1", "100000000000.25"},
      {Value::number(static_cast<float>(10.5)), "PRICE2", "10.5"},
      {Value::number(12.34567), "当前价", "12.3457"},
      {Value::number(static_cast<float>(1000)), "AMT", "1000"},
      {Value::number(764332.9399), "数量", "764332.94"},
      {Value::number(static_cast<float>(0.1209)), "BIRATE", "0.1209"},
      {Value::number(static_cast<float>(0.0045)), "Yhs_rate", "0.0045"},
      {Value::number(2.0 / 3), "anything", "0.6667"},
      {Value::integer(42), "Num", "42"},
      {Value::boolean(true), "Oversell", "是"},
      {Value::boolean(false), "NOW", "否"},
      {Value::text("600000"), "CODE", "600000"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown_value(c.value, c.name), c.shown) << c.name;
  // The editor opens on every stored digit.
  EXPECT_EQ(edited_value(Value::number(1530.6400005)), "1530.6400005");
  EXPECT_EQ(edited_value(Value::boolean(true)), "是");
}
