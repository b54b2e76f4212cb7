#include <gtest/gtest.h>

#include <string>

#include "core/ledger/ledger_fixture.h"
#include "core/store/cursor.h"
#include "support/cli_run.h"

using namespace vmx;
using namespace vmx::test;

namespace {

TEST(CalcCommand, DemoInstallationValuesClean) {
  TempDir dir;
  const auto inst = dir / "demo";
  ASSERT_EQ(run_cli("init " + quoted(inst) + " --demo").code, 0);
  for (int run = 0; run < 2; ++run) {
    const CliRun r = run_cli("calc " + quoted(inst) + " 示范帐户");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "");
  }
  // Both total rows, once each, and every open row valued in the settlement currency.
  store::Session session;
  store::Cursor c(session, (inst / store::kDemoAccountDir).string(), "tr2.DBF");
  c.set_index_name("NO_PC");
  c.open();
  int totals = 0;
  double per = 0;
  for (c.first(); !c.eof(); c.next()) {
    const std::string qsdm = c.get_string("QSDM");
    if (qsdm == "zzc" || qsdm == "zzz") {
      ++totals;
    } else {
      per += c.get_double("PER");
      EXPECT_NE(c.get_double("BIRATE"), 0);
      EXPECT_TRUE(c.get_int("BS") == 1 || c.get_int("BS") == -1);
    }
  }
  EXPECT_EQ(totals, 2);
  EXPECT_NEAR(per, 100, 0.2);  // shares of the market value, each rounded to 0.01
}

TEST(CalcCommand, MessagesAnswersAndExitCodes) {
  TempDir dir;
  const auto inst = dir / "inst";
  ASSERT_EQ(run_cli("init " + quoted(inst)).code, 0);
  // 我的帐户 starts with an empty ledger: nothing of value, the run stops.
  const CliRun empty = run_cli("calc " + quoted(inst) + " 我的帐户");
  EXPECT_EQ(empty.code, 1);
  EXPECT_EQ(empty.out, "总资金是0，计算中止，请检查。\n");

  {
    // Cash and a position without a current price: the zero-price question.
    const store::TableSpec* spec = store::find_table_spec("tr2.DBF");
    auto f = store::create_table_file(
        store::resolve_case_insensitive(inst / store::kMyAccountDir, "tr2.DBF"), spec->schema);
    std::vector<uint8_t> rec(f->record_size());
    for (const LedgerRow& row : {cash_row(50000), security_row("600000", 1000, 10, 0)}) {
      f->blank_record(rec.data());
      for (const auto& [field, value] : row)
        f->set(rec.data(), spec->schema.index_of(field), value);
      f->insert(rec.data());
    }
  }
  const CliRun asked = run_cli("calc " + quoted(inst) + " 我的帐户 --answer yes");
  EXPECT_EQ(asked.code, 0);
  EXPECT_EQ(asked.out, "发现一个名为浦发银行的证券当前价(价格2)是0，改为和买入价(价格1)相同吗？\n");
  EXPECT_EQ(run_cli("calc " + quoted(inst) + " 我的帐户").out, "");

  // The account's directory as the login window finds it: an older
  // installation's ".\user" is "user"; one outside the installation is refused.
  auto set_subdir = [&](const char* subdir) {
    store::Session s;
    store::Cursor z(s, inst.string(), "z.db");
    z.open();
    ASSERT_TRUE(z.locate("User_name", {store::Value::text("我的帐户")}));
    z.set_string("Subdir", subdir);
    z.post();
  };
  set_subdir(".\\user");
  EXPECT_EQ(run_cli("calc " + quoted(inst) + " 我的帐户").code, 0);
  set_subdir("../o");
  EXPECT_EQ(run_cli("calc " + quoted(inst) + " 我的帐户").code, 2);

  EXPECT_EQ(run_cli("calc " + quoted(inst) + " 无此帐户").code, 2);
  EXPECT_EQ(run_cli("calc " + quoted(inst) + " 我的帐户 --answer maybe").code, 2);
  EXPECT_EQ(run_cli("calc " + quoted(inst)).code, 2);
  EXPECT_EQ(run_cli("calc " + quoted(dir / "nowhere") + " 我的帐户").code, 2);
}

}  // namespace
