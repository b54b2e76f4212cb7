#include "core/optimise/game.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/optimise/optimiser.h"

namespace vmx::optimise {
namespace {

State neutral_state() {
  State s;
  s.controls.expected = {100, 100, 100, 100};
  s.controls.deviation = {0, 0, 0, 0};
  read_controls(s);
  s.current = s.proportions[0];
  return s;
}

TEST(GameWealth, UpdateTermsAndFloor) {
  State s = neutral_state();
  s.controls.expected = {105, 100, 100, 100};
  s.controls.cost = {"0", "1", "0", "0"};
  s.controls.margin = {"100", "50", "1", "100"};
  read_controls(s);
  const Proportions cur{0, 0.5, 0, 0};
  struct Case {
    const char* what;
    Proportions x, r;
    double start, expected;
  };
  const Case cases[] = {
      {"cash only", {1, 0, 0, 0}, {0, 1, 1, 1}, 100, 105},
      {"long group 1 at +10%",
       {0.5, 0.5, 0, 0},
       {0, 1.1, 1, 1},
       100,
       100 + 100 * 0.5 * 2 * 0.1 + 2.5},
      {"cost of moving away from the current", {0, 0, 0, 0}, {0, 1, 1, 1}, 100, 100},
      {"short group 1 pays its cost",
       {0, -0.5, 0, 0},
       {0, 0.9, 1, 1},
       200,
       200 + 200 * -0.5 * (2 * -0.1 - 0.01)},
      // Leverage 100 on 0.5 long with a −20% outcome: 100 − 1000, floored.
      {"floor after a ruinous group", {0.5, 0, 0.5, 0}, {0, 1, 0.8, 1}, 100, kWealthFloor},
      // The floor comes after each group: group 2's loss is floored, group 3's gain adds on.
      {"floor then gain", {0, 0, 0.5, 0.5}, {0, 1, 0.8, 1.2}, 100, kWealthFloor + 10},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(next_wealth(s.model, cur, c.x, c.r, c.start), c.expected, 1e-9) << c.what;
}

TEST(GameRanking, OrderAndTies) {
  struct Case {
    std::vector<int> participants;
    std::array<double, 4> wealth;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {{0, 1, 2, 3}, {50, 40, 30, 60}, {"1.电 脑", "2.玩家1", "3.玩家2", "4.玩家3"}},
      {{0, 1, 2, 3}, {10, 40, 30, 20}, {"1.玩家2", "2.玩家3", "3.电 脑", "4.玩家1"}},
      {{0, 3}, {10, 999, 999, 5}, {"1.玩家1", "2.电 脑"}},
      {{0, 1, 2, 3}, {50, 30, 30, 60}, {"1.电 脑", "2.玩家1"}},
      {{0, 3}, {7, 0, 0, 7}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(rank(c.participants, c.wealth), c.lines);
}

TEST(Game, NeutralModelKeepsEveryoneAt100) {
  State s = neutral_state();
  s.optimal = {0.2, 0.3, -0.2, 0.3};
  SeededRandom random(7);
  Game game(s, random);
  ASSERT_TRUE(game.play({GameSettings::End::Turns, 10, 0}));
  EXPECT_EQ(game.turns(), 10);
  for (int p = 0; p < kParticipants; ++p) {
    EXPECT_DOUBLE_EQ(game.wealth(p), 100);
    for (int t = 0; t <= 10; ++t) EXPECT_DOUBLE_EQ(game.wealth_log(p, t), std::log(100.0));
  }
  EXPECT_TRUE(game.ranking().empty());  // all tied
}

TEST(Game, CoinsFollowTheJointTableAndAGameReplays) {
  State s;
  s.controls.b12 = "1";
  s.controls.b23 = "-1";
  read_controls(s);
  read_rows(s);
  s.current = s.proportions[0];
  s.optimal = {0, 0.5, 0.2, 0.1};
  // Coins k1..k6 of one turn: group 1 is k1 + k3; b12 = 1 copies it, b23 = −1 mirrors it.
  SequenceRandom coins({1, 0, 1, 0, 0, 0});
  Game game(s, coins);
  game.play_turn();
  EXPECT_EQ(coins.drawn(), 6u);
  EXPECT_EQ(game.levels()[1], 4);
  EXPECT_EQ(game.levels()[2], 4);
  EXPECT_EQ(game.levels()[3], 2);
  EXPECT_DOUBLE_EQ(game.outcome()[1], 1.15 + 0.2);
  EXPECT_DOUBLE_EQ(game.outcome()[3], 1.16 - 0.58);

  // Over many turns the levels take low/middle/high about 1/4, 1/2, 1/4.
  SeededRandom random(11);
  Game many(s, random);
  std::array<int, 5> seen{};
  for (int t = 0; t < 4000; ++t) {
    many.play_turn();
    ++seen[many.levels()[1]];
    EXPECT_EQ(many.levels()[1] + many.levels()[3], 6);
  }
  EXPECT_NEAR(seen[2] / 4000.0, 0.25, 0.03);
  EXPECT_NEAR(seen[3] / 4000.0, 0.5, 0.03);

  // The same seed plays the same game; the history records ln of wealth and of 100 × level.
  SeededRandom r1(42), r2(42);
  Game a(s, r1), b(s, r2);
  ASSERT_TRUE(a.play({GameSettings::End::Turns, 200, 0}));
  ASSERT_TRUE(b.play({GameSettings::End::Turns, 200, 0}));
  EXPECT_EQ(a.turns(), 200);
  for (int p = 0; p < kParticipants; ++p) EXPECT_EQ(a.wealth(p), b.wealth(p));
  EXPECT_DOUBLE_EQ(a.wealth_log(kComputer, 200), std::log(a.wealth(kComputer)));
  EXPECT_NEAR(a.price_log(2, 200), std::log(100 * a.price_level(2)), 1e-9);
  EXPECT_EQ(a.ranking(), b.ranking());
}

TEST(Game, TargetMode) {
  State s;
  read_controls(s);
  read_rows(s);
  s.current = s.proportions[0];
  s.optimal = {0, 0.886, 0.113, 0};
  SeededRandom random(3);
  Game game(s, random);
  ASSERT_TRUE(game.play({GameSettings::End::Target, 0, 10000}));
  ASSERT_GT(game.turns(), 0);
  ASSERT_LT(game.turns(), kMaxTurns);
  bool reached = false;
  for (int p : game.participants()) {
    reached = reached || game.wealth(p) >= 10000;
    // Nobody reached it a turn earlier.
    EXPECT_LT(game.wealth_log(p, game.turns() - 1), std::log(10000.0));
  }
  EXPECT_TRUE(reached);

  // A neutral model never gets anywhere: 1000 turns, then the message's case.
  State flat = neutral_state();
  flat.player_count = 1;
  Game still(flat, random);
  EXPECT_FALSE(still.play({GameSettings::End::Target, 0, 10000}));
  EXPECT_EQ(still.turns(), kMaxTurns);
  EXPECT_EQ(still.participants(), (std::vector<int>{0, kComputer}));
}

TEST(Game, RuinIsFlooredAndStays) {
  State s = neutral_state();
  s.controls.deviation = {0, 20, 0, 0};
  s.controls.margin = {"100", "1", "100", "100"};
  read_controls(s);
  s.proportions[0] = {0.5, 0.5, 0, 0};
  s.current = s.proportions[0];
  SequenceRandom low({0});  // every coin 1: every level low
  Game game(s, low);
  ASSERT_TRUE(game.play({GameSettings::End::Turns, 10, 0}));
  EXPECT_DOUBLE_EQ(game.wealth(0), kWealthFloor);
  EXPECT_DOUBLE_EQ(game.wealth_log(0, 1), std::log(kWealthFloor));
  EXPECT_DOUBLE_EQ(game.wealth(kComputer), 100);  // the computer held nothing
}

}  // namespace
}  // namespace vmx::optimise
