#include "core/optimise/optimiser.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/optimise/model.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"

namespace vmx::optimise {
namespace {

constexpr int kTenths[] = {-10, -5, 0, 5, 10};

// Mean, variance and covariances of the levels −1/0/+1 under the table.
struct Moments {
  std::array<std::array<double, 3>, 3> marginal{};  // [group][level + 1]
  std::array<std::array<double, 3>, 3> cov{};
  double sum = 0;
};
Moments moments(const JointTable& t) {
  Moments m;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b)
      for (int c = 0; c < 3; ++c) {
        const double p = t[a][b][c];
        const std::array<int, 3> l{a - 1, b - 1, c - 1};
        m.sum += p;
        for (int g = 0; g < 3; ++g) {
          m.marginal[g][l[g] + 1] += p;
          for (int h = 0; h < 3; ++h) m.cov[g][h] += p * l[g] * l[h];
        }
      }
  return m;
}

TEST(JointTable, EveryAdmissibleTripleHasTheMarginalsAndTheCorrelations) {
  int triples = 0;
  for (int b12 : kTenths)
    for (int b23 : kTenths)
      for (int b13 : b13_range(b12, b23)) {
        SCOPED_TRACE(testing::Message() << "b12=" << b12 << " b23=" << b23 << " b13=" << b13);
        ++triples;
        const JointTable t = calcp123({b12, b23, b13});
        const Moments m = moments(t);
        EXPECT_DOUBLE_EQ(m.sum, 1.0);
        for (const auto& plane : t)
          for (const auto& row : plane)
            for (double p : row) EXPECT_DOUBLE_EQ(p * 64, std::round(p * 64));
        for (int g = 0; g < 3; ++g) {
          EXPECT_DOUBLE_EQ(m.marginal[g][0], 0.25);
          EXPECT_DOUBLE_EQ(m.marginal[g][1], 0.5);
          EXPECT_DOUBLE_EQ(m.marginal[g][2], 0.25);
          EXPECT_DOUBLE_EQ(m.cov[g][g], 0.5);
        }
        // Means are 0 and variances 0.5, so a correlation is covariance / 0.5.
        EXPECT_DOUBLE_EQ(m.cov[0][1] / 0.5, b12 / 10.0);
        EXPECT_DOUBLE_EQ(m.cov[1][2] / 0.5, b23 / 10.0);
        EXPECT_DOUBLE_EQ(m.cov[0][2] / 0.5, b13 / 10.0);
      }
  EXPECT_EQ(triples, 45);
}

TEST(JointTable, SpecialTablesAndTriplesOutsideTheRange) {
  const JointTable zero = calcp123({0, 0, 0});
  double smallest = 1;
  for (const auto& plane : zero)
    for (const auto& row : plane)
      for (double p : row) smallest = std::min(smallest, p);
  EXPECT_DOUBLE_EQ(smallest, 1.0 / 64);

  const JointTable one = calcp123({10, 10, 10});
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b)
      for (int c = 0; c < 3; ++c) {
        const double expected = a == b && b == c ? (a == 1 ? 0.5 : 0.25) : 0.0;
        EXPECT_DOUBLE_EQ(one[a][b][c], expected) << a << b << c;
      }

  // b13 outside its range (and anything not a choice) gives an empty table;
  // with b12 or b23 at ±1 the box's b13 is not consulted.
  for (const Correlations c :
       {Correlations{5, 5, -5}, Correlations{0, 0, 3}, Correlations{5, -5, 5}}) {
    EXPECT_FALSE(coin_plan(c)) << c.b12 << "," << c.b23 << "," << c.b13;
    EXPECT_DOUBLE_EQ(moments(calcp123(c)).sum, 0);
  }
  EXPECT_DOUBLE_EQ(moments(calcp123({10, -5, 10})).cov[0][2] / 0.5, -0.5);
}

TEST(JointTable, RangeOfTheThirdCorrelation) {
  struct Case {
    int b12, b23;
    std::vector<int> range;
  };
  const Case cases[] = {
      {5, 5, {0, 5, 10}}, {10, -5, {-5}},        {0, 0, {-10, -5, 0, 5, 10}},
      {-10, -10, {10}},   {5, -5, {-10, -5, 0}}, {0, 5, {-5, 0, 5}},
      {-5, 10, {-5}},
  };
  for (const Case& c : cases) EXPECT_EQ(b13_range(c.b12, c.b23), c.range) << c.b12 << "," << c.b23;
  EXPECT_EQ(correlation_text(b13_range(5, 5).front()), "0");
}

// A state with every risky group neutral: expected = initial, no deviation.
State neutral_state() {
  State s;
  s.controls.expected = {100, 100, 100, 100};
  s.controls.deviation = {0, 0, 0, 0};
  s.controls.b12 = s.controls.b23 = s.controls.b13 = "0";
  read_controls(s);
  return s;
}

TEST(Search, DegenerateCases) {
  {
    // Every feasible point gives G = 0; ties go to the last one, x1 = 1.
    State s = neutral_state();
    const SearchResult r = better(s.model, s.table, {1, 0, 0, 0});
    EXPECT_TRUE(r.found);
    EXPECT_DOUBLE_EQ(r.bits, 0);
    EXPECT_EQ(r.best, (Proportions{0, 1, 0, 0}));
  }
  {
    // Margin 1%: leverage 100, and a low outcome of −20% rejects |x1| ≥ 0.05.
    State s = neutral_state();
    s.controls.deviation[1] = 20;
    s.controls.margin[1] = "1";
    read_controls(s);
    EXPECT_DOUBLE_EQ(s.model.leverage[1], 100);
    EXPECT_NEAR(wealth(s.model, {}, {0, 0.04, 0, 0}, {-1, 0, 0}), 1 - 20 * 0.04, 1e-12);
    // (At 0.05 itself the low wealth is 0 only up to rounding.)
    EXPECT_FALSE(growth_bits(s.model, s.table, {}, {0, 0.0501, 0, 0}));
    EXPECT_FALSE(growth_bits(s.model, s.table, {}, {0, 0.3, 0, 0}));
    EXPECT_FALSE(growth_bits(s.model, s.table, {}, {0, -0.5, 0, 0}));
    EXPECT_TRUE(growth_bits(s.model, s.table, {}, {0, 0.049, 0, 0}));
    const SearchResult r = better(s.model, s.table, {1, 0, 0, 0});
    EXPECT_LT(std::fabs(r.best[1]), 0.05);
    EXPECT_NEAR(r.bits, 0, 1e-12);
  }
  {
    // Nothing feasible (cash worth nothing): the previous best stays.
    State s = neutral_state();
    s.controls.expected[0] = 0;
    s.controls.margin = {"100", "1", "1", "1"};
    s.controls.deviation = {0, 50, 50, 50};
    s.controls.expected = {0, 60, 60, 60};
    read_controls(s);
    const Proportions before{0.1, 0.2, 0.3, 0.4};
    const SearchResult r = better(s.model, s.table, {}, before);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.best, before);
    EXPECT_EQ(r.bits, -100);
  }
}

// One risky group with outcomes −29/+1/+31 % (or −38/+2/+42 %), the others
// costing 5% to hold: the log-optimal stake solves
// .25 (m−s)/(1+x(m−s)) + .5 m/(1+xm) + .25 (m+s)/(1+x(m+s)) = 0.
TEST(Search, FindsTheHandCheckedOptimumOfOneRiskyGroup) {
  struct Case {
    int expected, deviation;
    double stake;
  };
  for (const Case c : {Case{101, 30, 2.0 / 9}, Case{102, 40, 0.25}, Case{101, 20, 0.5}}) {
    SCOPED_TRACE(c.expected);
    State s = neutral_state();
    s.controls.expected[1] = c.expected;
    s.controls.deviation[1] = c.deviation;
    s.controls.cost = {"0", "0", "5", "5"};
    read_controls(s);
    const SearchResult r = better(s.model, s.table, {1, 0, 0, 0});
    EXPECT_NEAR(r.best[1], c.stake, 0.002);
    EXPECT_EQ(r.best[2], 0);
    EXPECT_EQ(r.best[3], 0);
    EXPECT_DOUBLE_EQ(r.best[0], 1 - r.best[1]);
    const double m = c.expected / 100.0 - 1, d = c.deviation / 100.0, x = c.stake;
    const double g = 0.25 * std::log(1 + x * (m - d)) + 0.5 * std::log(1 + x * m) +
                     0.25 * std::log(1 + x * (m + d));
    EXPECT_NEAR(r.bits, g / 0.693147, 1e-6);
    EXPECT_LE(r.bits, g / 0.693147 + 1e-12);
  }
}

TEST(Search, WealthFormulaWithShortsCostsAndCash) {
  State s;
  s.controls.initial = {100, 90, 100, 100};
  s.controls.expected = {103, 110, 120, 100};
  s.controls.deviation = {0, 10, 30, 5};
  s.controls.cost = {"0", "1", "0.5", "0"};
  s.controls.margin = {"100", "50", "100", "10"};
  read_controls(s);
  const Proportions cur{0, 0.1, 0, 0.2};
  const Proportions x{0, 0.3, -0.2, 0.1};
  // x0 = 0.4; group 1: 0.3 + 0.3×2×(1.1 + 0.1 − 0.9) − 0.01×0.2;
  // group 2: 0.2 − 0.2×(1.2 − 0.3 − 1) − 0.005×0.2; group 3: 0.1 + 0.1×10×0 − 0.
  const double expected =
      0.4 * 1.03 + (0.3 + 0.3 * 2 * 0.3 - 0.002) + (0.2 - 0.2 * (-0.1) - 0.001) + 0.1;
  EXPECT_NEAR(wealth(s.model, cur, x, {1, -1, 0}), expected, 1e-12);
}

TEST(Optimise, WindowSequenceFillsTheSuggestions) {
  State s;
  platform::ScriptedDialogs dialogs;
  read_controls(s);
  read_rows(s);
  s.total = 200000;
  s.rows[0] = {100, 0, 300, 600};  // amounts, not yet per mille
  optimise(s, dialogs);
  EXPECT_TRUE(dialogs.texts().empty());
  EXPECT_EQ(s.rows[0], (std::array<int, 4>{100, 0, 300, 600}));
  for (int g = 0; g < 4; ++g) EXPECT_NEAR(s.current[g], (Proportions{0.1, 0, 0.3, 0.6})[g], 1e-12);
  EXPECT_EQ(optimal_per_mille(s), (std::array<int64_t, 4>{0, 886, 113, 0}));
  const Suggestions z = suggestions(s);
  EXPECT_EQ(z.proportion, (std::array<int64_t, 4>{-100, 886, -187, -600}));
  EXPECT_EQ(z.money, (std::array<int64_t, 4>{-20000, 177200, -37400, -120000}));

  // A combo text that is no choice stops before anything moves.
  s.controls.cost[2] = "7";
  const auto rows = s.rows;
  EXPECT_THROW(optimise(s, dialogs), store::Error);
  EXPECT_EQ(s.rows, rows);
}

}  // namespace
}  // namespace vmx::optimise
