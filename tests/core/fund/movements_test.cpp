#include "core/fund/movements.h"

#include <gtest/gtest.h>

#include "core/fund/fund_fixture.h"
#include "core/store/error.h"

using namespace vmx;
using namespace vmx::test;

namespace {

TEST(Movements, InOutWritesTheRowAndTheCashAndMatchesAWithdrawal) {
  FundFixture fx;
  fx.add_cash("htzq", "111", 50000);
  fx.add({{.day = -30, .code = "@@@", .input = 10000, .price = 1.0},
          {.day = -20, .code = "zs", .input = 1000, .b1 = "b", .price = 1.0, .unit = 1000},
          {.day = -1, .code = "***", .input = 1100, .price = 1.1}});
  // Nothing converts: nothing asked, nothing written.
  EXPECT_THROW(fund::in_out_confirm(fx.f(), *fx.types,
                                    {"zs", "张三", "htzq", "111", "y", "12x", "2024-03-15"}),
               store::ConversionError);
  EXPECT_TRUE(fx.dialogs.texts().empty());

  fx.dialogs.answer_yes();
  EXPECT_EQ(fund::in_out_confirm(fx.f(), *fx.types,
                                 {"zs", "张三", "htzq ", "111", "y", "-1100", "2024-03-15"}),
            fund::InOutResult::Done);
  EXPECT_DOUBLE_EQ(fx.cash("htzq", "111"), 48900);
  const auto rows = fx.rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].b1, "s");
  EXPECT_DOUBLE_EQ(rows[3].price, 1.1);
  EXPECT_EQ(rows[3].czxh, 1);
  EXPECT_EQ(rows[1].czxh, 1);
  EXPECT_EQ(fx.dialogs.texts()[1], fund::kWithdrawalAdded);

  fx.dialogs.answer_yes();
  EXPECT_EQ(fund::in_out_confirm(fx.f(), *fx.types,
                                 {"wf", "王芳", "gxzq", "222", "y", "0", "2024-03-15"}),
            fund::InOutResult::NoCashRow);
  const auto after = fx.rows();
  EXPECT_EQ(after[3].code, "wf");  // the row stays, an investment of 0
  EXPECT_EQ(after[3].b1, "b");
  EXPECT_EQ(fx.dialogs.texts().back(), fund::kInOutNoCashRow);
}

TEST(Movements, TransfersKeepTheFundAndCarryTheNote) {
  FundFixture fx;
  fx.add_cash("htzq", "111", 50000);
  fx.add_cash("gxzq", "222", 1000);
  fx.add({.day = -30, .code = "@@@", .input = 51000, .price = 1.0});
  EXPECT_TRUE(fund::transfer_accounts(fx.f(), {"111", "222", "2000", "补仓"}));
  EXPECT_DOUBLE_EQ(fx.cash("htzq", "111"), 48000);
  EXPECT_DOUBLE_EQ(fx.cash("gxzq", "222"), 3000);
  const auto rows = fx.rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].code, "$111");
  EXPECT_DOUBLE_EQ(rows[1].input, 2000);
  EXPECT_EQ(rows[2].code, "$222");
  EXPECT_DOUBLE_EQ(rows[2].input, -2000);
  EXPECT_EQ(rows[1].note, "补仓");
  EXPECT_EQ(rows[2].note, "补仓");
  EXPECT_NE(rows[1].num, rows[2].num);

  // To itself: two rows that cancel, the cash as it was.
  EXPECT_TRUE(fund::transfer_accounts(fx.f(), {"111", "111", "500", ""}));
  EXPECT_DOUBLE_EQ(fx.cash("htzq", "111"), 48000);

  struct Refusal {
    fund::InvestorMove move;
    const char* message;
  };
  const Refusal refusals[] = {
      {{"", "", "htzq", "111", "y"}, fund::kNoCode},
      {{"zs", "", "htzq", "", "y"}, fund::kNoAccount},
      {{"zs", "", "htzq", "111", ""}, fund::kNoType},
  };
  for (const auto& r : refusals) {
    EXPECT_FALSE(fund::move_investor(fx.f(), r.move));
    EXPECT_EQ(fx.dialogs.texts().back(), r.message);
  }
  EXPECT_FALSE(fund::transfer_accounts(fx.f(), {"", "111", "1", ""}));
  EXPECT_EQ(fx.dialogs.texts().back(), fund::kNoSource);
  const size_t before = fx.rows().size();
  EXPECT_THROW(fund::move_investor(fx.f(), {"zs", "张三", "htzq", "111", "y", "abc"}),
               store::ConversionError);
  EXPECT_EQ(fx.rows().size(), before);

  EXPECT_TRUE(fund::move_investor(fx.f(), {"zs", "张三", "htzq", "111", "y", "3000", "新"}));
  EXPECT_DOUBLE_EQ(fx.cash("htzq", "111"), 51000);
  EXPECT_EQ(fx.dialogs.texts().back(), fund::kCashChanged);
}

}  // namespace
