#include "core/fund/matching.h"

#include <gtest/gtest.h>

#include "core/fund/fund_fixture.h"

using namespace vmx;
using namespace vmx::test;

namespace {

TEST(Matching, WithdrawalsAgainstOpenInvestmentsOldestFirst) {
  struct Case {
    const char* what;
    FundRow withdrawal;
    std::vector<FundRow> after;  // code, input, unit, dmoney, czxh, b1 compared
    std::string last_message;
  };
  const std::string done1 = "撤资处理结束,1个撤资记录被处理(和投资记录相冲销)！";
  const Case cases[] = {
      {"1000 and 2000 against 1650",
       {.day = -1, .code = "zs", .input = -1650, .b1 = "s", .price = 1.1},
       {{.code = "zs", .input = 1000, .b1 = "b", .unit = 1000, .dmoney = 1100, .czxh = 1},
        {.code = "zs", .input = 1500, .b1 = "b", .unit = 1500, .dmoney = 1650, .czxh = 0},
        {.code = "zs", .input = 500, .b1 = "b", .unit = 500, .dmoney = 550, .czxh = 1},
        {.code = "zs", .input = -1650, .b1 = "s", .unit = -1500, .dmoney = -1650, .czxh = 1}},
       done1},
      {"more than all investments",
       {.day = -1, .code = "zs", .input = -5000, .b1 = "s", .price = 1.1},
       {{.code = "zs", .input = 1000, .b1 = "b", .unit = 1000, .dmoney = 1100, .czxh = 1},
        {.code = "zs", .input = 2000, .b1 = "b", .unit = 2000, .dmoney = 2200, .czxh = 1},
        {.code = "zs", .input = -1700, .b1 = "s", .unit = -1545.45, .dmoney = 0, .czxh = 0},
        {.code = "zs", .input = -3300, .b1 = "s", .unit = -3000, .dmoney = -3300, .czxh = 1}},
       done1},
      {"a rest below one unit",
       {.day = -1, .code = "zs", .input = -1100.5, .b1 = "s", .price = 1.1},
       {{.code = "zs", .input = 1000, .b1 = "b", .unit = 1000, .dmoney = 1100, .czxh = 1},
        {.code = "zs", .input = 2000, .b1 = "b", .unit = 2000, .dmoney = 0, .czxh = 0},
        {.code = "zs", .input = -1100.5, .b1 = "s", .unit = -1000, .dmoney = -1100.5, .czxh = 1}},
       done1},
      {"type Y matches y",
       {.day = -1, .code = "zs", .input = -1100, .xabc = "Y", .b1 = "s", .price = 1.1},
       {{.code = "zs", .input = 1000, .b1 = "b", .unit = 1000, .dmoney = 1100, .czxh = 1},
        {.code = "zs", .input = 2000, .b1 = "b", .unit = 2000, .dmoney = 0, .czxh = 0},
        {.code = "zs", .input = -1100, .b1 = "s", .unit = -1000, .dmoney = -1100, .czxh = 1}},
       done1},
      {"the manager's withdrawal is never matched",
       {.day = -1, .code = "@@@", .input = -500, .b1 = "s", .price = 1.1},
       {{.code = "zs", .input = 1000, .b1 = "b", .unit = 1000, .dmoney = 0, .czxh = 0},
        {.code = "zs", .input = 2000, .b1 = "b", .unit = 2000, .dmoney = 0, .czxh = 0}},
       "撤资处理结束,0个撤资记录被处理(和投资记录相冲销)！"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FundFixture fx;
    fx.add({{.day = -50, .code = "zs", .input = 1000, .b1 = "b", .price = 1.0, .unit = 1000},
            {.day = -40, .code = "zs", .input = 2000, .b1 = "b", .price = 1.0, .unit = 2000},
            k.withdrawal});
    fund::match_withdrawals(fx.f(), *fx.types);
    std::vector<FundRow> got;
    for (const auto& r : fx.rows())
      if (r.code == "zs") got.push_back(r);
    ASSERT_EQ(got.size(), k.after.size());
    for (size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_DOUBLE_EQ(got[i].input, k.after[i].input);
      EXPECT_NEAR(got[i].unit, k.after[i].unit, 1e-9);
      EXPECT_DOUBLE_EQ(got[i].dmoney, k.after[i].dmoney);
      EXPECT_EQ(got[i].czxh, k.after[i].czxh);
      EXPECT_EQ(got[i].b1, k.after[i].b1);
      EXPECT_EQ(got[i].xabc, "y");
    }
    EXPECT_EQ(fx.dialogs.texts().back(), k.last_message);
  }
}

TEST(Matching, LaterInvestmentsOnlyWhenTheUserSaysSo) {
  for (const bool yes : {false, true}) {
    FundFixture fx;
    fx.add({{.day = -5, .code = "zs", .input = -500, .b1 = "s", .price = 1.0},
            {.day = -3, .code = "zs", .input = 1000, .b1 = "b", .price = 1.0, .unit = 1000}});
    yes ? fx.dialogs.answer_yes() : fx.dialogs.answer_no();
    fund::match_withdrawals(fx.f(), *fx.types);
    const auto rows = fx.rows();
    EXPECT_EQ(rows[0].czxh, yes ? 1 : 0);
    EXPECT_EQ(fx.dialogs.texts()[0],
              "日期为2024-03-10,代码为zs的撤资数量过大,前面买入未平仓数量不够。"
              "要冲销后面的买进数量按Yes,否则(按No)请事后在基金业绩计算窗口修改！");
  }
}

}  // namespace
