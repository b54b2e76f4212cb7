#include "core/ledger/new_account.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/ledger/margin_ratio.h"
#include "core/store/error.h"
#include "ledger_fixture.h"

namespace vmx::test {
namespace {

using platform::ScriptedDialogs;
using store::Value;

// A ledger with one cash account, htzq/1001, and no zh_bi.db rows.
struct NewAccount : ::testing::Test {
  LedgerFixture f{{cash_row(5000), security_row("600000", 100, 9, 9.5)}};

  bool create(const ledger::NewCashAccount& a) {
    return ledger::create_cash_account(f.session, *f.lookups, f.dialogs, a);
  }
  size_t ledger_rows() { return count("tr2.DBF"); }
  size_t currency_rows() { return count("zh_bi.db"); }
  size_t count(const char* file) {
    store::Cursor c(f.session, "ubx", file);
    c.open();
    return c.count();
  }
};

TEST(ReadCashAmount, Texts) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"", 0.0},
      {"   ", 0.0},
      {"0", 0.0},
      {"1500.5", 1500.5},
      {" 42 ", 42.0},
      {"-20", -20.0},
      {"+3", 3.0},
      {"1e3", 1000.0},
      {".5", 0.5},
      {"abc", std::nullopt},
      {"12a", std::nullopt},
      {"1,000", std::nullopt},
      {"inf", std::nullopt},
      {"nan", std::nullopt},
      {"-inf", std::nullopt},
      {"--1", std::nullopt},
      {"1e999", std::nullopt},
      {"0x10", std::nullopt},
      {"十", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ledger::read_cash_amount(c.text), c.value) << c.text;
}

// Each check stops with its message, in order, and writes nothing; the
// broker code alone made of spaces counts as empty.
TEST_F(NewAccount, ChecksInOrderWriteNothing) {
  struct Case {
    ledger::NewCashAccount in;
    ScriptedDialogs::Kind kind;
    std::string message;
  };
  const Case cases[] = {
      {{"", "", "", "", ""}, ScriptedDialogs::Kind::Inform, ledger::kNoBrokerCode},
      {{"  ", "华泰", "2002", "1", "rmb"}, ScriptedDialogs::Kind::Inform, ledger::kNoBrokerCode},
      {{"gxzq", "", "2002", "1", "rmb"}, ScriptedDialogs::Kind::Inform, ledger::kNoBrokerName},
      {{"gxzq", "国信", "", "abc", ""}, ScriptedDialogs::Kind::Inform, ledger::kNoCashAccount},
      {{"gxzq", "国信", "2002", "abc", ""}, ScriptedDialogs::Kind::Inform, ledger::kNoCurrency},
      // The existing account is found before the amount is read.
      {{"htzq", "华泰", "1001", "abc", "rmb"},
       ScriptedDialogs::Kind::Inform,
       ledger::kAccountExists},
      {{"gxzq", "国信", "2002", "12a", "rmb"},
       ScriptedDialogs::Kind::Error,
       std::string(ledger::kBadAmount) + "\"12a\"" + ledger::kNotCreated},
  };
  for (const auto& c : cases) {
    f.dialogs.clear();
    EXPECT_FALSE(create(c.in)) << c.message;
    ASSERT_EQ(f.dialogs.shown().size(), 1u) << c.message;
    EXPECT_EQ(f.dialogs.shown()[0].kind, c.kind);
    EXPECT_EQ(f.dialogs.shown()[0].text, c.message);
    EXPECT_EQ(ledger_rows(), 2u) << c.message;
    EXPECT_EQ(currency_rows(), 0u) << c.message;
  }
}

// The account gets its currency row and its cash row with the rate of the
// currency chosen; an empty amount is 0; a second try is refused.
TEST_F(NewAccount, CreatesCurrencyAndCashRow) {
  EXPECT_TRUE(create({" zxzq ", "中信", "3003", "", "usd"}));
  EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{ledger::kAccountCreated});
  store::Cursor zh(f.session, "ubx", "zh_bi.db");
  zh.open();
  ASSERT_EQ(zh.count(), 1u);
  zh.first();
  EXPECT_EQ(zh.get_string("Qsdm"), "zxzq");
  EXPECT_EQ(zh.get_string("Zjzh"), "3003");
  EXPECT_EQ(zh.get_string("Bicode"), "usd");

  store::Cursor& c = f.ledger->cursor();
  ASSERT_TRUE(c.locate("QSDM;ZJZH", {Value::text("zxzq"), Value::text("3003")}));
  EXPECT_EQ(c.get_string("QS"), "中信");
  EXPECT_EQ(c.get_string("CODE"), "xj");
  EXPECT_EQ(c.get_string("NAME"), "现金");
  EXPECT_EQ(c.get_string("LX"), "xj");
  EXPECT_EQ(c.get_string("LXM"), "现金");
  EXPECT_EQ(c.get_double("AMT"), 0.0);
  EXPECT_NEAR(c.get_double("BIRATE"), 7.1, 1e-6);
  for (const char* blank : {"WTH", "GDDM", "PRICE1", "PRICE2", "DATE1", "COST2", "CJ_DH"})
    EXPECT_TRUE(c.is_blank(blank)) << blank;
  EXPECT_EQ(f.ledger->zjzhxj1("zxzq", "3003"), 0);

  f.dialogs.clear();
  EXPECT_FALSE(create({"zxzq", "中信", "3003", "100", "rmb"}));
  EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{ledger::kAccountExists});
  EXPECT_EQ(currency_rows(), 1u);
  EXPECT_EQ(ledger_rows(), 3u);
}

// A mistyped amount leaves no trace: the retry gives exactly one currency row
// and one cash row.
TEST_F(NewAccount, RetryAfterBadAmount) {
  EXPECT_FALSE(create({"gxzq", "国信", "2002", "1OO", "hkd"}));
  EXPECT_TRUE(create({"gxzq", "国信", "2002", "100", "hkd"}));
  EXPECT_EQ(currency_rows(), 1u);
  EXPECT_EQ(ledger_rows(), 3u);
  EXPECT_EQ(f.ledger->zjzhxj1("gxzq", "2002"), 100);
}

// An amount the ledger cannot hold is refused by the table before either row
// is written.
TEST_F(NewAccount, AmountTooLargeWritesNothing) {
  EXPECT_THROW(create({"gxzq", "国信", "2002", "1e30", "rmb"}), store::Error);
  EXPECT_EQ(currency_rows(), 0u);
  EXPECT_EQ(ledger_rows(), 2u);
  EXPECT_TRUE(create({"gxzq", "国信", "2002", "1e6", "rmb"}));
}

// A currency row already there for the account (typed in the settings window)
// takes the currency chosen now, rather than a second row the rate lookup
// would never reach.
TEST_F(NewAccount, ExistingCurrencyRowTakesTheChoice) {
  {
    store::Cursor zh(f.session, "ubx", "zh_bi.db");
    zh.open();
    zh.insert();
    zh.set_string("Qsdm", "gxzq");
    zh.set_string("Zjzh", "2002");
    zh.set_string("Bicode", "rmb");
    zh.post();
  }
  EXPECT_TRUE(create({"gxzq", "国信", "2002", "10", "eur"}));
  EXPECT_EQ(currency_rows(), 1u);
  EXPECT_EQ(f.lookups->zjzh_to_bi("gxzq", "2002"), "eur");
  store::Cursor& c = f.ledger->cursor();
  ASSERT_TRUE(c.locate("QSDM;ZJZH", {Value::text("gxzq"), Value::text("2002")}));
  EXPECT_NEAR(c.get_double("BIRATE"), 7.75, 1e-6);
}

// The check sees the cash row whatever the holdings window shows, and leaves
// that window's view and row alone.
TEST_F(NewAccount, CheckSeesEveryViewAndKeepsTheWindowsRow) {
  f.ledger->set_view(ledger::Ledger::View::Closed);
  EXPECT_FALSE(create({"htzq", "华泰", "1001", "1", "rmb"}));
  EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{ledger::kAccountExists});
  EXPECT_EQ(f.ledger->view(), ledger::Ledger::View::Closed);

  f.ledger->set_view(ledger::Ledger::View::Holdings);
  store::Cursor& c = f.ledger->cursor();
  ASSERT_TRUE(c.locate("CODE", {Value::text("600000")}));
  EXPECT_TRUE(create({"gxzq", "国信", "2002", "1", "rmb"}));
  EXPECT_EQ(c.get_string("CODE"), "600000");
  EXPECT_EQ(c.count(), 3u);  // the new row is seen through the shared table
}

TEST(NewAccountLists, BrokersAndCurrencies) {
  LedgerFixture f{{}};
  const auto brokers = ledger::broker_choices(f.session);
  ASSERT_FALSE(brokers.empty());
  EXPECT_NE(std::find(brokers.begin(), brokers.end(), ledger::CodeAndName{"zgqh", "中期"}),
            brokers.end());
  const auto currencies = ledger::currency_choices(f.session);
  ASSERT_EQ(currencies.size(), 4u);
  EXPECT_NE(std::find(currencies.begin(), currencies.end(), ledger::CodeAndName{"usd", "美元"}),
            currencies.end());
}

// ---- margin ratio ----

TEST(MarginRatio, ComputedAndShown) {
  struct Case {
    int64_t margin, units, price;
    const char* text;   // the result box; null when refused
    const char* error;  // the refusal's message
  };
  const Case cases[] = {
      {1500, 10, 3000, "0.05", nullptr},
      {1000, 10, 3000, "0.033", nullptr},  // one thirtieth, cut not rounded
      {2000, 10, 3000, "0.066", nullptr},
      {0, 10, 3000, "0", nullptr},
      {10, 3, 1, "3.333", nullptr},
      {3000, 1, 1, "3000", nullptr},
      {12345, 1, 1, "12345", nullptr},
      {1234567, 2, 1, "617283.5", nullptr},             // cutting would lose a digit
      {7, 300, 1000, "2.33333333333333e-05", nullptr},  // cutting would make it 2.333
      {1500, 0, 3000, nullptr, ledger::kZeroUnits},
      {1500, 10, 0, nullptr, ledger::kZeroPrice},
      {1500, 0, 0, nullptr, ledger::kZeroUnits},
      {-1500, 10, 3000, nullptr, ledger::kNegativeInput},
      {1500, 10, -1, nullptr, ledger::kNegativeInput},
  };
  for (const auto& c : cases) {
    if (c.text) {
      EXPECT_EQ(ledger::margin_ratio_text(ledger::margin_ratio(c.margin, c.units, c.price)), c.text)
          << c.margin << "/" << c.units << "/" << c.price;
    } else {
      try {
        ledger::margin_ratio(c.margin, c.units, c.price);
        ADD_FAILURE() << "no refusal for " << c.margin << "/" << c.units << "/" << c.price;
      } catch (const store::Error& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
      }
    }
  }
  EXPECT_DOUBLE_EQ(ledger::margin_ratio(1500, 10, 3000), 0.05);
}

// The result box's text goes to Bzj_rate of the current type; a text that is
// no number changes nothing.
TEST(MarginRatio, StoredOnTheCurrentType) {
  LedgerFixture f{{}};
  store::Cursor& types = f.lookups->types();
  ASSERT_TRUE(types.locate("Lx", {Value::text("qh")}));
  EXPECT_EQ(ledger::current_type_caption(types), "股指期货qh");

  for (const char* bad : {"abc", "", "  ", "0.05x", "nan"}) {
    EXPECT_THROW(ledger::store_margin_ratio(types, bad), store::ConversionError) << bad;
    EXPECT_EQ(types.state(), store::Cursor::State::Browse);
    EXPECT_FLOAT_EQ(f.lookups->lx_bzj_rate("qh"), 0.1f);
  }
  ASSERT_TRUE(types.locate("Lx", {Value::text("qh")}));
  ledger::store_margin_ratio(types, " 0.05 ");
  EXPECT_FLOAT_EQ(f.lookups->lx_bzj_rate("qh"), 0.05f);
  EXPECT_FLOAT_EQ(f.lookups->lx_bzj_rate("a"), 1.0f);

  types.set_filter("lx='none'");
  types.set_filtered(true);
  EXPECT_EQ(ledger::current_type_caption(types), "");
  EXPECT_THROW(ledger::store_margin_ratio(types, "0.2"), store::Error);
}

}  // namespace
}  // namespace vmx::test
