#include <gtest/gtest.h>

#include "core/fund/address_book.h"
#include "core/fund/fund_fixture.h"
#include "core/fund/investor_lists.h"
#include "core/fund/report/fund_reports.h"
#include "core/fund/report/report_util.h"
#include "core/platform/scripted_printer.h"

using namespace vmx;
using namespace vmx::test;
namespace r = vmx::fund::report;

namespace {

TEST(FundReports, NumberTextsAndPadding) {
  struct Case {
    double d;
    const char* hash;  // "###.##"
    const char* fixed3;
  };
  const Case cases[] = {
      {0, "", "0.000"},          {0.5, ".5", "0.500"},    {12.3456, "12.35", "12.346"},
      {-0.25, "-.25", "-0.250"}, {100, "100", "100.000"}, {16.129, "16.13", "16.129"},
      {-0.0001, "", "-0.000"}};
  for (const Case& k : cases) {
    EXPECT_EQ(r::hash_format(k.d), k.hash) << k.d;
    EXPECT_EQ(r::fixed(k.d, 3), std::string(k.fixed3) == "-0.000" ? "0.000" : k.fixed3) << k.d;
  }
  EXPECT_EQ(r::pad("李明", 6), "  李明");
  EXPECT_EQ(r::pad("toolong", 3), " toolong");  // never run into the column before
  EXPECT_EQ(ledger::report::s10("李明", 6), "李明  ");
  EXPECT_EQ(r::rounded(2.5), "2");
  EXPECT_EQ(r::rounded(-3.5), "-4");
}

TEST(FundReports, FeeBreakdownAndPairs) {
  const Date in = Date::from_ymd(2024, 1, 1), out = in.add_days(365);
  fund::TypeTerms both{.c1 = true, .c9 = true, .e2 = 2, .e12 = 1};
  struct Case {
    const fund::TypeTerms* terms;
    double m, dmoney;
    double daily, in_out, performance;
  };
  // 1000 units bought at 1.0, withdrawn at 1.2 a year later: daily fee
  // 1.1 x 1000 x 2 % = 22, in/out fee 1 % of 1200 = 12, the rest of what was
  // kept back is the performance fee.
  const Case cases[] = {{&both, 1200, 1100, 22, 12, 66},
                        {nullptr, 1200, 1100, 0, 0, 100},
                        {&both, 1200, 1190, 22, 12, 0}};
  for (const Case& k : cases) {
    const r::FeeParts p = r::fee_parts(k.terms, in, out, 1000, 1.0, 1.2, k.m, k.dmoney);
    EXPECT_EQ(p.daily, k.daily);
    EXPECT_EQ(p.in_out, k.in_out);
    EXPECT_EQ(p.performance, k.performance);
  }
  const Date d1 = in, d2 = in.add_days(1);
  EXPECT_EQ(
      r::extraction_pairs({d1, d1, d2, d1.add_days(2), d1}, {-1000.4, 1000.4, 500, -500, 999}),
      (std::vector<bool>{true, true, false, false, true}));

  EXPECT_EQ(r::type_explanation("y", nullptr),
            (std::vector<std::string>{"投资类型代码y的含义是:", "投资人风险自担;", "义务代投资"}));
  const fund::TypeTerms rich{.c1 = true,
                             .c2 = true,
                             .c3 = true,
                             .c5 = true,
                             .c6 = true,
                             .c9 = true,
                             .e1 = 0.0055,
                             .e2 = 2,
                             .e3 = 20,
                             .e4 = 20,
                             .e5 = 30,
                             .e6 = 10,
                             .e9 = 10,
                             .e10 = 50,
                             .e11 = 180,
                             .e12 = 1};
  EXPECT_EQ(r::type_explanation("x", &rich),
            (std::vector<std::string>{
                "投资类型代码x的含义是:", "管理人保证年收益10%,不足部分赔偿50%;",
                "按赢利提成,年超过20%的部分提成20%;", "           年超过30%的部分增提10%;",
                "赢利指扣除佣金，手续费，提成之前的管理帐户赢利;",
                "有固定佣金，每天提基金价值的0.0055%,相当于年2%.(在撤资时扣除,基金价值用期初和"
                "期末的平均值)",
                "资金进出手续费(仅撤资时扣除)是基金价值的1%.", "投资期限：不少于180天."}));
}

// A small fund written by hand: the manager's 1000, 李明's two investments of
// type k (2000 at 1.0 and 1100 at 1.1, both now at 1.2 and worth 2300 and
// 1200 after fees), the market row leaving the fund at 6000 and price 1.2.
struct SmallFund : FundFixture {
  SmallFund() {
    add_type({.xabc = "k", .note = "稳健基金", .c6 = true, .e11 = 30});
    row({.day = -30,
         .code = "@@@",
         .input = 1000,
         .b1 = "b",
         .price = 1,
         .unit = 1000,
         .dmoney = 1200,
         .name = "管理人"},
        1.2);
    row({.day = -20,
         .code = "lm",
         .input = 2000,
         .xabc = "k",
         .b1 = "b",
         .price = 1,
         .unit = 2000,
         .dmoney = 2300,
         .name = "李明",
         .qsdm = "gt",
         .zjzh = "123"},
        1.2);
    row({.day = -10,
         .code = "lm",
         .input = 1100,
         .xabc = "k",
         .b1 = "b",
         .price = 1.1,
         .unit = 1000,
         .dmoney = 1200,
         .note = "续投",
         .name = "李明",
         .qsdm = "gt",
         .zjzh = "123"},
        1.2);
    add({.day = 0, .code = "***", .input = 2900, .price = 1.2, .fund = 6000, .name = "市场"});
    add_cash("gt", "123", 500);
    store::Cursor& h = ws->ledger().cursor();
    h.set_double("COST2", 3410);
    h.set_double("ZK_RATE", 0.9);
    h.post();
    fund::AddressBook book(session);
    store::Cursor& a = book.cursor();
    a.append();
    a.set_string("PYCODE", "lm");
    a.set_string("NAME", "李明");
    a.set_string("TEL", "010-1234");
    a.set_string("PC", "100080");
    a.set_string("ADDR", "北京");
    a.post();
  }
  void row(const FundRow& r, double l_price) {
    add(r);
    c().set_double("L_PRICE", l_price);
    c().post();
  }
  platform::DateTime when{Date::from_ymd(2024, 3, 15), 10, 0, 0, 0};
};

TEST(FundReports, ReportLinesOfASmallFund) {
  SmallFund s;
  fund::InvestorLists lists(s.session);
  fund::AddressBook book(s.session);
  lists.reopen();
  ASSERT_TRUE(lists.find("lm"));
  r::ReportDefinition def{.fund_name = "稳健基金"};
  const std::string heading =
      std::string(21, ' ') + "代码:lm 投资人:李明 打印时间:2024-03-15 10:00:00";
  const std::string address =
      std::string(18, ' ') + " 电话:010-1234 BB机,传真,email: 邮码:100080 地址:北京";

  // Totals: 3100 invested, 3000 units, bought at 3100/3000, worth 3600 (+16.13 %).
  const std::vector<std::string> totals = r::totals_lines(lists);
  ASSERT_EQ(totals.size(), 2u);
  EXPECT_EQ(totals[1],
            "   lm    李明  k      3100      3000   1.033   1.200    16.13      3600      3500");

  const std::vector<std::string> statement = r::statement_lines(s.f(), lists, book, def, s.when);
  const std::vector<std::string> want_statement = {
      std::string(22, ' ') + "稳健基金投资记录报告单",
      heading,
      address,
      "投资总结：",
      " 代码   姓名 类型    投资数  基金股数  买均价   最终价   增值%     市值    可取额",
      "   lm    李明 k     3100    3000.0   1.033    1.200   16.13     3600      3500",
      "投资记录(仅含未撤资记录)：",
      "   日期  姓名 类型   投资数 基金股数  投入价  最终价  增值%     市值   可取额 注释",
      " 240224     李明 k     2000  2000.00   1.000   1.200  20.00   2400     2300 ",
      " 240305     李明 k     1100  1000.00   1.100   1.200   9.09   1200     1200 续投",
      "管理人签名:              2024-03-15"};
  EXPECT_EQ(statement, want_statement);

  // The manager: the fund holds 6000 / 1.2 = 5000 units, 3000 of them the
  // investors'; at maturity they take 3500 of the 6000.
  ASSERT_TRUE(lists.find("@@@"));
  const std::vector<std::string> manager = r::statement_lines(s.f(), lists, book, def, s.when);
  ASSERT_GE(manager.size(), 6u);  // no address for the manager
  EXPECT_EQ(manager[4], "                 (负数是因为提成)");
  EXPECT_EQ(
      manager[5],
      "  @@@  管理人 y     1000   1000.00         2000         2400           2500         1500");

  // The receipt of 李明's second investment.
  ASSERT_TRUE(lists.find("lm"));
  lists.detail().last();
  const std::vector<std::string> receipt = r::receipt_lines(lists, *s.types, book, def, s.when);
  const std::vector<std::string> want_receipt = {
      std::string(25, ' ') + "稳健基金投资凭证",
      heading,
      address,
      "       日期   投资数 类型 基金价格 撤资序号  基金股数  结存股数  注释",
      " 2024-03-05     1100    k    1.100        0   1000.00   3000.00  续投",
      "投资类型代码k的含义是:",
      "投资人风险自担;",
      "投资期限：不少于30天.",
      "管理人签名:            2024-03-15",
      "投资人签名:            2024-03-15"};
  EXPECT_EQ(receipt, want_receipt);
  EXPECT_EQ(lists.detail().position(), 1);

  // The account gt/123: 3100 in, worth 3410 (+10 %), 3069 after discount (-1 %).
  r::AccountLists accounts(s.session);
  accounts.reopen();
  ASSERT_TRUE(accounts.select("gt", "123"));
  const std::vector<std::string> account = r::account_report_lines(accounts, "国泰", true, s.when);
  ASSERT_EQ(account.size(), 10u);
  EXPECT_EQ(account[4], "      3100      3410     10.00      3069     -1.00");
  EXPECT_EQ(account[7], " 2024-02-24    李明      2000    1.000       0       0 ");
  EXPECT_EQ(r::gain_rate(std::nullopt, 3100), std::nullopt);
}

TEST(FundReports, ReceiptOfAnUnmatchedWithdrawalMatchesFirst) {
  SmallFund s;
  s.add({.day = 0,
         .code = "lm",
         .input = -1000,
         .xabc = "k",
         .b1 = "s",
         .price = 1.2,
         .name = "李明"});
  fund::InvestorLists lists(s.session);
  fund::AddressBook book(s.session);
  lists.reopen();
  ASSERT_TRUE(lists.find("lm"));
  lists.detail().last();
  platform::ScriptedPrinter printer;
  s.dialogs.answer_yes();
  EXPECT_FALSE(r::print_receipt(s.f(), *s.types, lists, book, {}, false, printer));
  EXPECT_TRUE(printer.documents().empty());
  const std::vector<std::string> texts = s.dialogs.texts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[1], r::kUnmatchedWithdrawal);
  EXPECT_EQ(texts.back(), "撤资处理结束,1个撤资记录被处理(和投资记录相冲销)！");
  EXPECT_TRUE(lists.all_records());
  EXPECT_GT(lists.detail().get_double("czxh"), 0);
}

TEST(FundReports, AddressBookOperations) {
  SmallFund s;
  fund::InvestorLists lists(s.session);
  fund::AddressBook book(s.session);
  lists.reopen();
  EXPECT_EQ(book.add_missing(lists), 1);  // the manager; 李明 is there already
  EXPECT_EQ(book.add_missing(lists), 0);
  ASSERT_TRUE(book.cursor().locate("PYCODE", {store::Value::text("lm")}));
  book.cursor().set_string("NAME", "李明明");
  book.cursor().post();
  EXPECT_EQ(book.names_from_selected(s.f()), 2);
  book.copy_selected();
  EXPECT_EQ(book.cursor().count(), 3u);
  book.set_order(fund::AddressBook::Order::ByPostcode);
  const std::vector<std::string> lines = fund::address_lines(book);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "   @@@  管理人                                            ");
  EXPECT_EQ(lines[1], "    lm  李明明            010-1234                 100080 北京");
  book.delete_selected();
  EXPECT_EQ(book.cursor().count(), 2u);
  for (const FundRow& row : s.rows()) {
    if (row.code == "lm") {
      EXPECT_EQ(row.name, "李明明");
    }
  }
}

}  // namespace
