#include "core/optimise/grouping.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "core/ledger/ledger_fixture.h"
#include "core/optimise/optimiser.h"

namespace vmx::optimise {
namespace {

using test::N;
using test::T;

test::LedgerRow held(const char* code, const char* name, const char* lx, const char* lxm,
                     double cost2, double zk_rate, const char* wth = "") {
  return {{"WTH", T(wth)},     {"CODE", T(code)},       {"NAME", T(name)},
          {"LX", T(lx)},       {"LXM", T(lxm)},         {"COST1", N(cost2)},
          {"COST2", N(cost2)}, {"ZK_RATE", N(zk_rate)}, {"SXF", N(0)}};
}

// Table contents as "code:group" (groups.db) or "lx/code:group" (devision.DB).
std::map<std::string, int64_t> codes(Grouping& g) {
  std::map<std::string, int64_t> out;
  auto& c = g.codes();
  for (c.first(); !c.eof(); c.next()) out[c.get_string("Code")] = c.get_int("Group");
  return out;
}
std::map<std::string, int64_t> rules(Grouping& g) {
  std::map<std::string, int64_t> out;
  auto& c = g.rules();
  for (c.first(); !c.eof(); c.next())
    out[c.get_string("Lx") + "/" + c.get_string("Code")] = c.get_int("Group");
  return out;
}
void set_group(store::Cursor& c, const std::string& field, const std::string& value, int group) {
  ASSERT_TRUE(c.locate(field, {store::Value::text(value)})) << value;
  c.set_int("Group", group);
  c.post();
}

class GroupingTest : public testing::Test {
 protected:
  GroupingTest()
      : f({held("xj", "现金", "xj", "现金", 50000, 1),
           held("600000", "浦发银行", "a", "A股", 30000, 0.9),
           held("600036", "招商银行", "a", "A股", 20000, 0.9),
           held("IF2401", "期指2401", "qh", "股指期货", 40000, 0.8),
           held("IF2403", "期指2403", "qh", "股指期货", -10000, 0.8),
           held("010107", "国债0107", "gz", "债券", 10000, 0.98),
           held("601318", "中国平安", "a", "A股", 8000, 0.9, "P2001010100"),
           held("zzc", "市价总值", "zzc", "市价总值", 1e6, 1, "###"),
           held("zzz", "折扣总值", "zzz", "折扣总值", 1e6, 1, "###")}),
        g(f.session, [this](const std::string& lx) { return f.lookups->lx_bzj_rate(lx); }) {}

  void sell_out(const std::string& code) {
    // Closed rows too: the holdings view would not show them.
    store::Cursor c(f.session, "ubx", "tr2.DBF");
    c.open();
    ASSERT_TRUE(c.locate("CODE", {store::Value::text(code)}));
    c.remove();
  }

  test::LedgerFixture f;
  Grouping g;
};

TEST_F(GroupingTest, CodesFollowTheHoldings) {
  g.sync_codes();
  EXPECT_EQ(codes(g), (std::map<std::string, int64_t>{{"xj", 3},
                                                      {"600000", 3},
                                                      {"600036", 3},
                                                      {"IF2401", 3},
                                                      {"IF2403", 3},
                                                      {"010107", 3},
                                                      {"601318", 3}}));
  set_group(g.codes(), "Code", "xj", 0);
  sell_out("600036");
  g.sync_codes();
  const auto after = codes(g);
  EXPECT_EQ(after.count("600036"), 0u);
  EXPECT_EQ(after.at("xj"), 0);  // kept
  EXPECT_EQ(after.size(), 6u);
}

TEST_F(GroupingTest, RulesByTypeOrByContractAndTheirRebuild) {
  g.rebuild_rules();
  EXPECT_EQ(rules(g), (std::map<std::string, int64_t>{
                          {"xj/", 3}, {"a/", 3}, {"qh/IF2401", 3}, {"qh/IF2403", 3}, {"gz/", 3}}));
  set_group(g.rules(), "Lx", "gz", 0);
  g.rebuild_rules();  // nothing new; groups kept
  EXPECT_EQ(rules(g).at("gz/"), 0);
  EXPECT_EQ(rules(g).size(), 5u);

  sell_out("IF2403");
  sell_out("600036");
  g.rebuild_rules();
  EXPECT_EQ(rules(g).count("qh/IF2403"), 0u);
  EXPECT_EQ(rules(g).count("a/"), 1u);  // 600000 and the closed 601318 still hold it
  sell_out("600000");
  sell_out("601318");
  g.rebuild_rules();
  EXPECT_EQ(rules(g).count("a/"), 0u);
}

TEST_F(GroupingTest, ApplyingTheRules) {
  g.sync_codes();
  g.rebuild_rules();
  set_group(g.rules(), "Lx", "xj", 0);
  set_group(g.rules(), "Lx", "gz", 0);
  set_group(g.rules(), "Code", "IF2401", 1);
  set_group(g.rules(), "Code", "IF2403", 2);
  // A whole-type rule for the futures too: the per-code rules go first.
  g.rules().append();
  g.rules().set_string("Lx", "qh");
  g.rules().set_int("Group", 0);
  g.rules().post();
  // A code whose type has no rule at all keeps its group.
  set_group(g.codes(), "Code", "601318", 2);
  g.codes().set_string("Lx", "qz");
  g.codes().post();

  f.dialogs.answer_no();
  EXPECT_FALSE(g.apply_rules(f.dialogs));
  EXPECT_EQ(codes(g).at("IF2401"), 3);
  f.dialogs.answer_yes();
  EXPECT_TRUE(g.apply_rules(f.dialogs));
  EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{kApplyQuestion, kApplyQuestion}));
  EXPECT_EQ(codes(g), (std::map<std::string, int64_t>{{"xj", 0},
                                                      {"600000", 3},
                                                      {"600036", 3},
                                                      {"IF2401", 1},
                                                      {"IF2403", 2},
                                                      {"010107", 0},
                                                      {"601318", 2}}));

  // putlx: open rows by code, discounted, into their groups; the closed row is left out.
  const GroupHoldings h = holdings_by_group(f.session);
  EXPECT_NEAR(h.amounts[0], 50000 + 10000 * 0.98, 1e-6);
  EXPECT_NEAR(h.amounts[1], 40000 * 0.8, 1e-6);
  EXPECT_NEAR(h.amounts[2], -10000 * 0.8, 1e-6);
  EXPECT_NEAR(h.amounts[3], 50000 * 0.9, 1e-6);
  EXPECT_EQ(h.first, (std::array<std::string, 4>{"国债0107", "期指2401", "期指2403", "浦发银行"}));
  EXPECT_FLOAT_EQ(h.total, 50000 + 9800 + 32000 - 8000 + 45000);

  State s;
  take_holdings(s, h, f.dialogs);
  EXPECT_EQ(s.labels[3], "浦发银行等");
  // Each amount over the sum of the absolute amounts (144800), in thousandths.
  EXPECT_EQ(s.rows[0], (std::array<int, 4>{413, 221, -55, 311}));
  EXPECT_NEAR(s.proportions[0][2], -0.055, 1e-12);

  // An account with nothing in it (a new 我的帐户) says nothing and keeps row 0.
  const auto row0 = s.rows[0];
  f.dialogs.clear();
  take_holdings(s, GroupHoldings{}, f.dialogs);
  EXPECT_TRUE(f.dialogs.texts().empty());
  EXPECT_EQ(s.rows[0], row0);
}

TEST_F(GroupingTest, OpeningTheOptimiserReadsTheDefaultFileAndTheHoldings) {
  g.sync_codes();
  const auto dir = f.session.alias_dir("curr");
  Parameters p;
  p.expected[1] = 130;
  p.margin[1] = "10";
  write_prd(dir / "mine.prd", p);
  std::ofstream(dir / "short.prd") << "100\n100\n";
  struct Case {
    const char* file;
    int e1;
    double leverage1;
    size_t messages;
  };
  for (const Case c : {Case{"missing.prd", 115, 1, 0}, Case{"mine.prd", 130, 1, 0},
                       Case{"short.prd", 115, 1, 1}}) {
    SCOPED_TRACE(c.file);
    State s;
    f.dialogs.clear();
    open_optimiser(s, f.session, dir / c.file, f.dialogs);
    EXPECT_EQ(s.controls.expected[1], c.e1);
    EXPECT_DOUBLE_EQ(s.model.expected[1], c.e1 / 100.0);
    EXPECT_DOUBLE_EQ(s.model.leverage[1], c.leverage1);  // the file's margin waits
    EXPECT_EQ(f.dialogs.texts().size(), c.messages);
    // Every code is in group 3 until grouped.
    EXPECT_EQ(s.rows[0], (std::array<int, 4>{0, 0, 0, 1000}));
    EXPECT_EQ(s.labels[3], "国债0107等");
  }
}

}  // namespace
}  // namespace vmx::optimise
