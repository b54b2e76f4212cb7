#include "core/optimise/optimiser.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/query.h"
#include "core/store/rounding.h"

namespace vmx::optimise {

namespace {

enum Coin { A, B, C, D, E, F };
constexpr CoinTerm p(Coin c) { return {c, false}; }
constexpr CoinTerm n(Coin c) { return {c, true}; }
using Pair = std::array<CoinTerm, 2>;

// Group 2 by b12, and group 3 when b12 is ±1, indexed by the correlation to
// group 1 from −1 to +1 (a correlation of k/4 shares |k| coins, negated when
// negative).
constexpr std::array<Pair, 5> kLinked = {
    {{n(A), n(B)}, {n(A), p(C)}, {p(C), p(D)}, {p(A), p(C)}, {p(A), p(B)}}};

int slot(int tenths) { return tenths / 5 + 2; }  // −10..10 → 0..4

// Group 3 when neither b12 nor b23 is ±1: the table row for (b12, b23) lists
// the terms for b13 from the lowest admissible value up.
std::optional<Pair> third_group(int b12, int b23, int b13) {
  struct Row {
    int b12, b23, lowest;
    std::vector<Pair> terms;
  };
  static const std::vector<Row> kRows = {
      {5, 5, 0, {{p(C), p(D)}, {p(A), p(D)}, {p(A), p(B)}}},
      {5, 0, -5, {{n(B), p(D)}, {p(D), p(E)}, {p(B), p(D)}}},
      {5, -5, -10, {{n(A), n(B)}, {n(A), p(D)}, {n(C), p(D)}}},
      {-5, 5, -10, {{n(A), n(B)}, {n(B), p(C)}, {p(C), p(D)}}},
      {-5, 0, -5, {{n(B), p(D)}, {p(D), p(E)}, {p(B), p(D)}}},
      {-5, -5, 0, {{n(C), p(D)}, {p(A), p(D)}, {p(A), p(B)}}},
      {0, 5, -5, {{n(A), p(C)}, {p(C), p(E)}, {p(A), p(C)}}},
      {0, 0, -10, {{n(A), n(B)}, {n(A), p(E)}, {p(E), p(F)}, {p(A), p(E)}, {p(A), p(B)}}},
      {0, -5, -5, {{n(A), n(C)}, {n(C), p(E)}, {p(A), n(C)}}},
  };
  for (const Row& r : kRows) {
    if (r.b12 != b12 || r.b23 != b23) continue;
    const int i = (b13 - r.lowest) / 5;
    if ((b13 - r.lowest) % 5 != 0 || i < 0 || i >= static_cast<int>(r.terms.size()))
      return std::nullopt;
    return r.terms[i];
  }
  return std::nullopt;
}

bool valid_tenths(int t) { return t == -10 || t == -5 || t == 0 || t == 5 || t == 10; }

double point(double lo, double hi, int i) { return i == 0 ? lo : i == 1 ? (lo + hi) / 2 : hi; }

}  // namespace

std::optional<CoinPlan> coin_plan(const Correlations& c) {
  if (!valid_tenths(c.b12) || !valid_tenths(c.b23) || !valid_tenths(c.b13)) return std::nullopt;
  CoinPlan plan;
  plan[0] = {p(A), p(B)};
  plan[1] = kLinked[slot(c.b12)];
  if (c.b12 == 10 || c.b12 == -10) {
    // Group 2 is group 1 or its mirror; group 3 stands to group 1 as to group 2,
    // mirrored once more when group 2 is the mirror.
    const int to_first = c.b12 == 10 ? c.b23 : -c.b23;
    plan[2] = kLinked[slot(to_first)];
  } else if (c.b23 == 10 || c.b23 == -10) {
    // Group 3 is group 2 or its mirror.
    plan[2] = plan[1];
    if (c.b23 == -10)
      for (CoinTerm& t : plan[2]) t.negated = !t.negated;
  } else {
    const auto third = third_group(c.b12, c.b23, c.b13);
    if (!third) return std::nullopt;
    plan[2] = *third;
  }
  return plan;
}

JointTable calcp123(const Correlations& c) {
  JointTable t{};
  const auto plan = coin_plan(c);
  if (!plan) return t;
  for (int coins = 0; coins < 64; ++coins) {
    std::array<int, 3> level;
    for (int g = 0; g < 3; ++g) {
      level[g] = -1;
      for (const CoinTerm& term : (*plan)[g]) {
        const int bit = (coins >> term.coin) & 1;
        level[g] += term.negated ? 1 - bit : bit;
      }
    }
    t[level[0] + 1][level[1] + 1][level[2] + 1] += 1.0 / 64;
  }
  return t;
}

double wealth(const Model& m, const Proportions& current, const Proportions& x,
              const std::array<int, 3>& levels) {
  const double x0 = 1 - std::fabs(x[1]) - std::fabs(x[2]) - std::fabs(x[3]);
  double w = x0 * m.expected[0];
  for (int g = 1; g < kGroups; ++g)
    w += std::fabs(x[g]) +
         x[g] * m.leverage[g] * (m.expected[g] + m.deviation[g] * levels[g - 1] - m.initial[g]) -
         m.cost[g] * std::fabs(x[g] - current[g]);
  return w;
}

std::optional<double> growth_bits(const Model& m, const JointTable& table,
                                  const Proportions& current, const Proportions& x) {
  double g = 0;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b)
      for (int c = 0; c < 3; ++c) {
        const double prob = table[a][b][c];
        if (prob == 0) continue;
        const double w = wealth(m, current, x, {a - 1, b - 1, c - 1});
        if (w <= 0) return std::nullopt;
        g += prob * std::log(w);
      }
  return g * (1 / 0.693147);
}

SearchResult better(const Model& m, const JointTable& table, const Proportions& current,
                    const Proportions& previous) {
  SearchResult r;
  r.best = previous;
  std::array<double, kGroups> lo{0, -1, -1, -1}, hi{0, 1, 1, 1};
  double h = 0.5;
  while (h > kSearchWidth) {
    for (int i1 = 0; i1 < 3; ++i1)
      for (int i2 = 0; i2 < 3; ++i2)
        for (int i3 = 0; i3 < 3; ++i3) {
          Proportions x{0, point(lo[1], hi[1], i1), point(lo[2], hi[2], i2),
                        point(lo[3], hi[3], i3)};
          x[0] = 1 - std::fabs(x[1]) - std::fabs(x[2]) - std::fabs(x[3]);
          if (x[0] < 0) continue;
          ++r.evaluated;
          const auto g = growth_bits(m, table, current, x);
          if (!g || *g < r.bits) continue;
          r.bits = *g;
          r.best = x;
          r.found = true;
        }
    h /= 2;
    for (int g = 1; g < kGroups; ++g) {
      lo[g] = std::max(-1.0, r.best[g] - h);
      hi[g] = std::min(1.0, r.best[g] + h);
    }
  }
  return r;
}

std::array<int64_t, kGroups> optimal_per_mille(const State& s) {
  std::array<int64_t, kGroups> v;
  for (int g = 0; g < kGroups; ++g) v[g] = store::trunc(s.optimal[g] * 1000);
  return v;
}

void optimise(State& s, platform::Dialogs& dialogs) {
  {
    // Every combo text must be a choice before anything moves.
    State probe = s;
    read_controls(probe);
  }
  read_correlations(s);
  normalise_row(s, 0, dialogs);
  read_controls(s);
  const Proportions& row = s.proportions[0];
  s.current = {1 - row[1] - row[2] - row[3], row[1], row[2], row[3]};
  const SearchResult r = better(s.model, s.table, s.current, s.optimal);
  s.optimal = r.best;
  s.growth_bits = r.bits;
  normalise_row(s, 0, dialogs);
}

void open_optimiser(State& s, store::Session& session, const std::filesystem::path& default_prd,
                    platform::Dialogs& dialogs) {
  read_correlations(s);
  read_controls(s);
  std::error_code ec;
  if (std::filesystem::exists(default_prd, ec)) {
    try {
      load_prd(s, default_prd);
    } catch (const store::Error& e) {
      dialogs.warn(e.what());
    }
  }
  read_rows(s);
  take_holdings(s, holdings_by_group(session), dialogs);
}

void prepare_simulation(State& s, platform::Dialogs& dialogs) {
  for (int row = 0; row < kPlayers; ++row) normalise_row(s, row, dialogs);
  optimise(s, dialogs);
}

Suggestions suggestions(const State& s) {
  Suggestions out;
  const auto y = optimal_per_mille(s);
  for (int g = 0; g < kGroups; ++g) {
    out.proportion[g] = y[g] - s.rows[0][g];
    out.money[g] =
        static_cast<int64_t>(store::round_half_even(out.proportion[g] * s.total * 0.001));
  }
  return out;
}

GroupHoldings holdings_by_group(store::Session& session) {
  struct Entry {
    int group;
    std::string name;
  };
  std::map<std::string, Entry> groups;
  {
    store::Cursor c(session, "ubx", "groups.db");
    c.open();
    for (c.first(); !c.eof(); c.next()) {
      const std::string code = c.get_string("Code");
      if (groups.count(code)) continue;  // the first row of a code decides, as a locate would
      groups[code] = {static_cast<int>(c.get_int("Group")), c.get_string("Name")};
    }
  }
  store::Query q(session, "ubx");
  q.set_text(
      "select code,sum(cost2*zk_rate) as cost, sum(sxf+yhs)/sum(cost1) as fee from tr2.dbf "
      "where (wth='' or (wth>'0' and wth<'999999')) and lx<>'zzc' and lx<>'zzz' group by code");
  q.open();
  GroupHoldings h;
  std::array<bool, kGroups> met{};
  for (q.first(); !q.eof(); q.next()) {
    const std::string code = q.get_string("code");
    const auto it = groups.find(code);
    int group = kGroups - 1;
    std::string name = code;
    if (it != groups.end()) {
      if (it->second.group >= 0 && it->second.group < kGroups) group = it->second.group;
      name = it->second.name;
    }
    h.amounts[group] += q.get_double("cost");
    if (!met[group]) {
      met[group] = true;
      h.first[group] = name;
    }
  }
  double sum = 0;
  for (double a : h.amounts) sum += a;
  h.total = static_cast<float>(sum);
  return h;
}

void take_holdings(State& s, const GroupHoldings& h, platform::Dialogs& dialogs) {
  s.total = h.total;
  for (int g = 0; g < kGroups; ++g) s.labels[g] = h.first[g].empty() ? "" : h.first[g] + "等";
  if (!inp_ratio(h.amounts)) return;  // nothing held yet
  normalise_amounts(s, 0, h.amounts, dialogs);
}

}  // namespace vmx::optimise
