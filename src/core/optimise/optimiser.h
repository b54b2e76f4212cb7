#pragma once

// The computer's search for the proportions of the four groups that maximise
// the expected growth (expected log of wealth after one period), the joint
// outcome table it averages over, and the current holdings by group it is
// compared with.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/optimise/model.h"
#include "core/platform/dialogs.h"
#include "core/store/session.h"

namespace vmx::optimise {

// One coin of a group's level: coin 0..5 (A..F), or its negation 1 − coin.
struct CoinTerm {
  int coin = 0;
  bool negated = false;
  bool operator==(const CoinTerm&) const = default;
};
// Each risky group's level is the sum of two coin terms minus 1 (groups 1..3
// at indices 0..2).
using CoinPlan = std::array<std::array<CoinTerm, 2>, 3>;

// The coin combination of the correlations (tenths); nullopt when b13 lies
// outside its admissible range for b12 and b23 (only consulted when neither
// b12 nor b23 is ±1).
std::optional<CoinPlan> coin_plan(const Correlations& c);
// calcp123: the distribution of the coin plan over the 64 equally likely coin
// combinations. All zero when coin_plan has none.
JointTable calcp123(const Correlations& c);

// Wealth per unit after one period for risky proportions x[1..3] (x[0] is
// ignored: cash is 1 − |x1| − |x2| − |x3|), levels a[0..2] of groups 1..3 in
// {-1, 0, 1}, and the current proportions `current` (for the trading costs).
double wealth(const Model& m, const Proportions& current, const Proportions& x,
              const std::array<int, 3>& levels);
// Expected growth in bits (Σ p ln W / 0.693147) at x; nullopt when some cell
// with p ≠ 0 has W ≤ 0. Cells with p = 0 are ignored.
std::optional<double> growth_bits(const Model& m, const JointTable& table,
                                  const Proportions& current, const Proportions& x);

struct SearchResult {
  Proportions best{};  // y0..y3 (y0 = 1 − |y1| − |y2| − |y3|)
  double bits = -100;  // G* (−100 when no point was feasible)
  bool found = false;  // some grid point was feasible
  int evaluated = 0;   // grid points whose growth was computed
};
// better: nine passes over 27-point grids, risky proportions in [−1, 1],
// starting at −1/0/+1 and halving the half-width until it is no longer above
// kSearchWidth. G ≥ G* replaces the best (ties go to the later point); G* is
// kept across passes. `previous` is what stays when no point is feasible.
SearchResult better(const Model& m, const JointTable& table, const Proportions& current,
                    const Proportions& previous = {});

// The four optimal proportions as the boxes show them: int(y × 1000).
std::array<int64_t, kGroups> optimal_per_mille(const State& s);

// "电脑优化": correlations read and the table built, row 0 normalised, every
// box read into the model, the current proportions taken from row 0, the
// search run into s.optimal / s.growth_bits, row 0 normalised again. Throws
// store::Error (nothing searched) for a combo text that is no choice.
void optimise(State& s, platform::Dialogs& dialogs);
// "投资模拟" before the game window opens: rows 0, 1, 2 normalised, then optimise.
void prepare_simulation(State& s, platform::Dialogs& dialogs);

// The suggestion boxes: change in proportion z (per mille, from the shown
// optimal and row-0 boxes) and in money j = round(z × T × 0.001).
struct Suggestions {
  std::array<int64_t, kGroups> proportion{};
  std::array<int64_t, kGroups> money{};
};
Suggestions suggestions(const State& s);

// The optimiser window's creation, after its boxes hold the state's values:
// correlations and table, every box into the model, the model file
// `default_prd` loaded over the boxes (a missing file: the defaults stay and
// nothing is said; a file that does not load: its message through `dialogs`
// and nothing changes), the player rows read, then putlx over the account's
// holdings (alias ubx of `session`). Throws store::Error when the holdings or
// groups.db cannot be read.
void open_optimiser(State& s, store::Session& session, const std::filesystem::path& default_prd,
                    platform::Dialogs& dialogs);

// putlx's reading of the current holdings by group.
struct GroupHoldings {
  std::array<double, kGroups> amounts{};   // Σ cost2 × zk_rate of the group's codes
  std::array<std::string, kGroups> first;  // first name met in each group ("" if none)
  double total = 0;                        // T, single precision
};
// The query over the account's tr2.DBF (alias ubx) joined with groups.db. A
// code missing from groups.db, or with a group outside 0..3, counts in group 3
// (the group new codes get). Throws store::Error when a table cannot be read.
GroupHoldings holdings_by_group(store::Session& session);
// putlx: the holdings into the state: T, the labels ("深发展等") and row 0
// normalised from the amounts. An account with nothing in it leaves row 0 as
// it was, without a word.
void take_holdings(State& s, const GroupHoldings& h, platform::Dialogs& dialogs);

}  // namespace vmx::optimise
