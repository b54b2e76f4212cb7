#include "core/market/price_update.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/install/sample_quotes.h"
#include "core/market/day_file_probe.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/rounding.h"
#include "support/demo_login.h"

namespace vmx::test {
namespace {

using namespace vmx::market;
using platform::ScriptedDialogs;
using store::Value;

// A demo installation (today 2024-03-15) logged in as 示范帐户, its sources
// pointing at the sample quotes.
struct Fixture {
  TempDir dir;
  store::Session session;
  ScriptedDialogs dialogs;
  platform::FixedClock clock{{Date::from_ymd(2024, 3, 15), 12, 0, 0, 0}};
  platform::LoggingHelp help;
  std::unique_ptr<app::Workspace> ws = demo_login(dir, session, dialogs, clock, help);
  QuoteSources sources{session};
  PriceUpdate update{session, dialogs, clock};

  QuoteSource pick(const std::string& hqcode) {
    sources.pick(hqcode);
    return sources.current();
  }
  double list_price(const std::string& code) {
    store::Cursor c(session, "curr", "allstocks.DBF");
    c.open();
    return c.locate("CODE", {Value::text(code)}) ? c.get_double("PRICE") : -1;
  }
};

TEST(PriceUpdate, EverySampleSourceGivesTheSampleCloses) {
  for (const char* hqcode : {"hjin", "ml30", "slon", "eye98", "jgong", "csv", "dbf"}) {
    Fixture f;
    const QuoteSource s = f.pick(hqcode);
    EXPECT_EQ(f.update.Button4Click(s), Outcome::Done) << hqcode;
    EXPECT_EQ(f.dialogs.unused_answers(), 0u);
    for (const auto& [code, price] : {std::pair{"600519", 1688.0}, {"0001", 10.85}})
      EXPECT_NEAR(f.list_price(code), store::seed::sample_close(code, price), 1e-6) << hqcode;
  }
}

TEST(PriceUpdate, DeleteQuestionAnsweredOnce) {
  for (bool yes : {true, false}) {
    Fixture f;
    const QuoteSource s = f.pick("hjin");
    {
      store::Cursor c(f.session, "curr", "allstocks.DBF");
      c.open();
      for (const char* code : {"0998", "0999", "600998"}) {
        c.append();
        c.set_string("CODE", code);
        c.post();
      }
    }
    if (yes)
      f.dialogs.answer_yes();
    else
      f.dialogs.set_default_answer(false);
    f.update.set_display(Display::UpdateOnly);
    EXPECT_EQ(f.update.Button4Click(s), Outcome::Done);
    std::vector<std::string> asked;
    for (const auto& shown : f.dialogs.shown())
      if (shown.kind == ScriptedDialogs::Kind::Ask) asked.push_back(shown.text);
    EXPECT_EQ(asked.size(), yes ? 1u : 3u);
    EXPECT_EQ(asked[0], "找不到代码为0998的K线文件,删除该无文件代码?");
    for (const char* code : {"0998", "0999", "600998"})
      EXPECT_EQ(f.list_price(code) == -1, yes) << code;
  }
}

TEST(PriceUpdate, CommonChecksAndCodeTables) {
  Fixture f;
  QuoteSource s = f.pick("hjin");
  s.path = "";
  EXPECT_EQ(f.update.Button4Click(s), Outcome::Stopped);
  s.path = "/no/such/dir";
  EXPECT_EQ(f.update.Button7Click(s), Outcome::Stopped);
  EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{"不能用!", "设置的路径不存在！"}));
  f.dialogs.clear();
  // The sample code tables hold three codes the list lacks; a second run adds none.
  for (int added : {3, 0}) {
    EXPECT_EQ(f.update.Button7Click(f.sources.current()), Outcome::Done);
    EXPECT_EQ(f.dialogs.texts().back(),
              "代码表补充完毕,补充了" + std::to_string(added) + "个股票.");
  }
  EXPECT_EQ(f.update.appe_code(f.dir / "nothing.cod", {3, 6, 10, 8, 20}), -1);
  EXPECT_EQ(f.dialogs.texts().back(), "找不到文件" + (f.dir / "nothing.cod").string() + ",请检查!");

  // A cancel after five rows keeps them and says so.
  int asked = 0;
  f.update.set_progress({{}, {}, [&] { return ++asked > 5; }});
  EXPECT_EQ(f.update.Button4Click(f.sources.current()), Outcome::Cancelled);
  EXPECT_EQ(f.dialogs.texts().back(), "更新已中止,已更新5行.");
}

struct FundRow {
  std::string dt, pycode;
  double fund, price, sz, shz;
};

std::vector<FundRow> fund_rows(store::Session& session) {
  store::Cursor c(session, "ubx", "fund2.DB");
  c.set_index_name("Key");
  c.open();
  std::vector<FundRow> rows;
  for (c.first(); !c.eof(); c.next())
    rows.push_back({c.get_date("DT").to_string(), c.get_string("PYCODE"), c.get_double("FUND"),
                    c.get_double("PRICE"), c.get_double("SZ"), c.get_double("SHZ")});
  return rows;
}

TEST(PriceUpdate, ExchangeTablesAndTheMarketRowOfToday) {
  Fixture f;
  const QuoteSource s = f.pick("dbf");
  const std::vector<FundRow> before = fund_rows(f.session);
  ASSERT_GT(before.size(), 2u);
  ASSERT_NE(before.back().dt, "2024-03-16");

  // A day after the last market row: a market row of that day is appended,
  // carrying fund value and unit price; no earlier row changes its date.
  f.clock.set({Date::from_ymd(2024, 3, 16), 12, 0, 0, 0});
  EXPECT_EQ(f.update.Button3Click(s), Outcome::Done);
  EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{"价格已更新!", "深市成份指数已更新!",
                                                         "沪市综合指数已更新!"}));
  std::vector<FundRow> after = fund_rows(f.session);
  ASSERT_EQ(after.size(), before.size() + 1);
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i].dt, before[i].dt);
  const FundRow& added = after.back();
  EXPECT_EQ(added.dt, "2024-03-16");
  EXPECT_EQ(added.pycode, "***");
  EXPECT_EQ(added.fund, before.back().fund);
  EXPECT_EQ(added.price, before.back().price);
  EXPECT_EQ(added.sz, store::round_half_even(store::seed::sample_close("9996", 9436.55)));
  EXPECT_EQ(added.shz, store::round_half_even(store::seed::sample_close("999999", 3052.90)));

  // Again the same day: that row gets the values, nothing is appended.
  EXPECT_EQ(f.update.Button3Click(s), Outcome::Done);
  EXPECT_EQ(fund_rows(f.session).size(), after.size());

  // Holdings prices from the exchange tables.
  store::Cursor tr2(f.session, "ubx", "tr2.DBF");
  tr2.open();
  ASSERT_TRUE(tr2.locate("CODE", {Value::text("600519")}));
  EXPECT_NEAR(tr2.get_double("PRICE2"), store::seed::sample_close("600519", 1688.0), 1e-9);

  // An empty fund ledger: said, nothing written.
  {
    store::Cursor fund(f.session, "ubx", "fund2.DB");
    fund.open();
    while (!fund.empty()) {
      fund.first();
      fund.remove();
    }
  }
  f.dialogs.clear();
  const auto q = createtabs(f.session, source_directory(s.path, f.dir.path()), f.dialogs);
  ASSERT_TRUE(q);
  f.update.dbf_index(*q);
  EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{"基金帐中没有记录,指数没有写入."}));
  EXPECT_TRUE(fund_rows(f.session).empty());
}

TEST(PriceUpdate, HoldingsAndIndicesFromDayFiles) {
  Fixture f;
  const QuoteSource s = f.pick("slon");
  EXPECT_EQ(f.update.Button3Click(s), Outcome::Done);
  const FundRow last = fund_rows(f.session).back();
  // One decimal from a day file.
  EXPECT_NEAR(last.sz, store::seed::sample_close("9996", 9436.55), 0.05);
  EXPECT_NEAR(last.shz, store::seed::sample_close("999999", 3052.90), 0.05);
}

void write(const std::filesystem::path& p, const std::vector<uint8_t>& data) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
}

TEST(DayFileProbe, BothPassesAndAllNo) {
  // 100 records of 32 bytes; the last date 20240315 at 3168, its close 12.34
  // as a type 3 integer at 3184.
  auto file = [](bool complemented) {
    std::vector<uint8_t> d(3200, 0);
    const uint32_t date = complemented ? ~20240315u : 20240315u;
    for (int i = 0; i < 4; ++i) d[3168 + i] = static_cast<uint8_t>(date >> (8 * i));
    const uint32_t close = 12340;
    for (int i = 0; i < 4; ++i) d[3184 + i] = static_cast<uint8_t>(close >> (8 * i));
    return d;
  };
  struct Case {
    bool complemented;
    int price_yes_at;  // 0: all four readings answered No
    std::string length, type;
  } cases[] = {{false, 2, "32", "3"}, {true, 0, "32", "2"}};
  for (const Case& c : cases) {
    Fixture f;
    f.pick("jgong");
    const std::filesystem::path day = f.dir / "x.day";
    write(day, file(c.complemented));
    f.dialogs.answer_input(day.string());
    const int nos = c.complemented ? 22 + 8 : 8;  // L = 24 .. 31, over both passes
    for (int i = 0; i < nos; ++i) f.dialogs.answer_no();
    f.dialogs.answer_yes();
    for (int i = 1; i <= (c.price_yes_at ? c.price_yes_at : 4); ++i)
      i == c.price_yes_at ? f.dialogs.answer_yes() : f.dialogs.answer_no();
    const ProbeResult r = run_probe(f.sources.cursor(), f.dialogs, f.dir.path());
    EXPECT_EQ(f.dialogs.unused_answers(), 0u);
    const auto texts = f.dialogs.texts();
    EXPECT_EQ(texts[1], "0这是最近日期吗? 请仔细回答!");  // L = 24: the integer at 3176
    if (c.complemented) {
      EXPECT_EQ(texts[23], "-1  这是最近日期吗? 请仔细回答!");
    }
    EXPECT_EQ(texts[nos + 1], c.complemented ? "20240315  这是最近日期吗? 请仔细回答!"
                                             : "20240315这是最近日期吗? 请仔细回答!");
    EXPECT_EQ(r.length, 32);
    EXPECT_EQ(r.complemented, c.complemented);
    const QuoteSource stored = f.sources.current();
    EXPECT_EQ(std::to_string(stored.length), c.length);
    EXPECT_EQ(stored.type, c.type);  // jgong's own "2" stays when all are No
    EXPECT_EQ(texts.back(), c.price_yes_at
                                ? "价格数据类型是3,和钱龙相同"
                                : "抱歉,要么记录长度错了,要么你骗我,要么因为我能耐有限, 只好放弃!");
  }
  // Too short for any length: said in words, nothing stored.
  Fixture f;
  f.pick("jgong");
  write(f.dir / "short.day", std::vector<uint8_t>(10, 1));
  f.dialogs.answer_input((f.dir / "short.day").string());
  EXPECT_FALSE(run_probe(f.sources.cursor(), f.dialogs, f.dir.path()).length);
  EXPECT_EQ(f.dialogs.texts().back(), "文件" + (f.dir / "short.day").string() +
                                          "只有10个字节,比最短的记录长度24还短,不能测试.");
  EXPECT_EQ(f.sources.current().length, 28);
}

}  // namespace
}  // namespace vmx::test
