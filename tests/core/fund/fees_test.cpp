#include "core/fund/fees.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "core/fund/fund_fixture.h"
#include "core/store/rounding.h"

using namespace vmx;
using namespace vmx::test;

namespace {

TEST(Fees, ValueAfterFeesByOption) {
  const Date start = Date::from_ymd(2022, 1, 1);
  struct Case {
    const char* what;
    fund::TypeTerms type;
    bool fees;  // false: type "y"
    float p;
    int days;
    double dmoney;
  };
  const Case cases[] = {
      {"type y: no fees", {}, false, 1.2f, 100, 1200},
      {"option 1, -10%", {.c5 = true, .e9 = 10, .e10 = 50}, true, 0.9f, 365, 1000},
      {"option 2 over two years", {.c2 = true, .e3 = 20, .e4 = 20}, true, 1.5f, 730, 1480},
      {"options 2+3+5 at half a year",
       {.c2 = true, .c3 = true, .c8 = true, .e3 = 10, .e4 = 20, .e5 = 30, .e6 = 10},
       true,
       1.5f,
       183,
       1390},
      {"options 2+3 at half a year",
       {.c2 = true, .c3 = true, .e3 = 10, .e4 = 20, .e5 = 30, .e6 = 10},
       true,
       1.5f,
       183,
       1375},
      {"option 6 over 365 days", {.c1 = true, .e2 = 2}, true, 1.2f, 365, 1178},
      {"option 6, withdrawal dated before the investment",
       {.c1 = true, .e2 = 2},
       true,
       1.0f,
       -30,
       1002},
      {"option 7", {.c9 = true, .e12 = 0.5}, true, 1.2f, 10, 1194},
  };
  for (const Case& k : cases) {
    const fund::Investment b{start, 1000, 1000, 1.0, "a"};
    const float v =
        fund::value_after_fees(b, k.fees ? &k.type : nullptr, k.p, start.add_days(k.days));
    EXPECT_DOUBLE_EQ(store::round_half_even(static_cast<double>(v)), k.dmoney) << k.what;
  }
  EXPECT_FLOAT_EQ(fund::over(3, 5), 2);
  EXPECT_FLOAT_EQ(fund::over(5, 3), 0);
}

TEST(Fees, CalcValuesOpenRowsAndSaysWhatItCannot) {
  FundFixture fx;
  fx.add({{.day = -100, .code = "zs", .input = 1000, .xabc = "A", .price = 1.0, .unit = 1000},
          {.day = -90,
           .code = "wf",
           .input = 1000,
           .xabc = "",
           .price = 1.0,
           .unit = 1000,
           .name = "王芳"},
          {.day = -80,
           .code = "lm",
           .input = 1000,
           .xabc = "q",
           .price = 1.0,
           .unit = 1000,
           .name = "李明"},
          {.day = -70, .code = "lm", .input = 1000, .xabc = "y", .price = 0, .unit = 1000},
          {.day = 0, .code = "***", .input = 100, .price = 1.1}});
  fund::calc(fx.f(), *fx.types);
  const auto rows = fx.rows();
  EXPECT_EQ(rows[0].xabc, "a");
  EXPECT_EQ(rows[0].b1, "b");
  // 10% in 100 days; a takes 20% of what is above 10% a year pro rata (2.74%).
  EXPECT_DOUBLE_EQ(rows[0].dmoney, 1085);
  EXPECT_EQ(rows[1].xabc, "y");
  EXPECT_DOUBLE_EQ(rows[1].dmoney, 1100);
  EXPECT_EQ(fx.dialogs.texts(),
            (std::vector<std::string>{
                "发现一个投资人记录(日期:2023-12-16投资人:王芳)没有类型定义,且填以缺省类型y。",
                "发现基金管理窗口中的一种投资类型: q(日期:2023-12-26投资人:李明),"
                "定义窗口中没有，请修改后再操作！",
                fund::kZeroPrice}));
}

TEST(Fees, SearchFindsOnlyDueFeesAndTwoExtractionsADayKeepKeysApart) {
  FundFixture fx;
  fx.add_type({.xabc = "d", .note = "即时提成", .c2 = true, .e3 = 0, .e4 = 20, .e13 = 0});
  fx.add({{.day = -400, .code = "@@@", .input = 10000, .price = 1.0},
          {.day = -10,
           .code = "zs",
           .input = 1000,
           .xabc = "a",
           .b1 = "b",
           .price = 1.0,
           .unit = 1000,
           .name = "张三"},
          {.day = -300,
           .code = "lm",
           .input = 1000,
           .xabc = "d",
           .b1 = "b",
           .price = 1.0,
           .unit = 1000,
           .name = "李明"},
          {.day = 0, .code = "***", .input = 6000, .price = 1.5}});
  fund::calc(fx.f(), *fx.types);
  // zs's type a is due after 90 days: only lm's row.
  EXPECT_EQ(fund::fee_search(fx.f(), *fx.types), 1);
  ASSERT_TRUE(fund::extract_all(fx.f(), *fx.types));
  fund::calc(fx.f(), *fx.types);
  EXPECT_EQ(fund::fee_search(fx.f(), *fx.types), 1);  // the new investment, due at once
  fx.dialogs.answer_yes();  // it is dated today, as the withdrawal that takes it
  ASSERT_TRUE(fund::extract_selected(fx.f(), *fx.types, 0));

  std::set<std::tuple<int, std::string, int, int, std::string, std::string>> keys;
  double open_lm = 0;
  for (const auto& r : fx.rows()) {
    EXPECT_TRUE(keys.insert({r.day, r.code, r.num, r.czxh, r.xabc, r.b1}).second)
        << r.code << " " << r.day << " " << r.num;
    if (r.code == "lm" && r.czxh == 0) open_lm += r.input;
  }
  // 50% growth, 20% of it to the manager: 1400, then 1400 extracted again at
  // the same price without growth.
  EXPECT_DOUBLE_EQ(open_lm, 1400);

  fx.dialogs.clear();
  FundFixture none;
  none.add({.day = -10, .code = "zs", .input = 1000, .xabc = "a", .b1 = "b", .price = 1.0});
  EXPECT_EQ(fund::fee_search(none.f(), *none.types), 0);
  EXPECT_EQ(none.dialogs.texts().back(), fund::kNothingDue);
  EXPECT_FALSE(fund::extract_all(none.f(), *none.types));
  EXPECT_EQ(none.dialogs.texts().back(), fund::kNoCandidates);
}

TEST(Fees, TypeCheckAndEditingAids) {
  platform::ScriptedDialogs d;
  fund::check_type({.xabc = "z",
                    .note = "",
                    .c1 = true,
                    .c2 = true,
                    .c3 = true,
                    .c5 = true,
                    .c6 = true,
                    .e1 = 0,
                    .e3 = 5,
                    .e4 = -1,
                    .e5 = 5,
                    .e9 = 8},
                   d);
  EXPECT_EQ(d.texts(), (std::vector<std::string>{
                           "投资类型码和投资类型名不能为空", "此项选中时, e1 或 e2 不应为0",
                           "e2,e4,e6,e8,e10 不应小于0", "e3>=e9不成立", "e5>e3不成立",
                           "此项选中时, e11 应大于0", fund::kCheckDone}));
  EXPECT_DOUBLE_EQ(fund::e2_from_e1(0.0055), 2.01);
  EXPECT_DOUBLE_EQ(fund::e1_from_e2(2), 0.0055);
}

}  // namespace
