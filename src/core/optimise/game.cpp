#include "core/optimise/game.h"

#include <algorithm>
#include <cmath>

#include "core/optimise/optimiser.h"

namespace vmx::optimise {

int SeededRandom::below(int n) {
  if (n <= 1) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(m_engine);
}

int SequenceRandom::below(int n) {
  if (n <= 1 || m_values.empty()) return 0;
  const int v = m_values[m_next++ % m_values.size()] % n;
  return v < 0 ? v + n : v;
}

SeededRandom& program_random() {
  static SeededRandom random(1);
  return random;
}

double next_wealth(const Model& m, const Proportions& current, const Proportions& x,
                   const Proportions& r, double start) {
  double w = start;
  for (int g = 1; g < kGroups; ++g) {
    double term =
        start * x[g] *
        (m.leverage[g] * (r[g] - m.initial[g]) - m.cost[g] * std::fabs(x[g] - current[g]));
    if (g == 1) term += start * x[0] * (m.expected[0] - 1);
    w += term;
    // A fortune at or below nothing is kept at a tiny positive amount: every
    // later change is proportional to it, so it stays there in practice, and
    // its logarithm stays finite for the charts.
    if (w <= 0) w = kWealthFloor;
  }
  return w;
}

Game::Game(const State& state, RandomSource& random) : m_state(state), m_random(random) { start(); }

std::vector<int> Game::participants() const {
  std::vector<int> p;
  const int players = std::clamp(m_state.player_count, 1, kPlayers);
  for (int i = 0; i < players; ++i) p.push_back(i);
  p.push_back(kComputer);
  return p;
}

void Game::start() {
  m_wealth.fill(kStartWealth);
  m_level = {1, 1, 1, 1};
  m_turns = 0;
  for (auto& series : m_wealth_log) series[0] = std::log(kStartWealth);
  for (auto& series : m_price_log) series[0] = std::log(100.0);
}

void Game::play_turn() {
  // Coins k1..k6, each 1 or 2. The joint table's coins A..F are k1, k3, k2,
  // k4, k5, k6, so that group 1 is always k1 + k3.
  std::array<int, 6> k;
  for (int& coin : k) coin = m_random.below(2) + 1;
  static constexpr std::array<int, 6> kCoinOf = {0, 2, 1, 3, 4, 5};
  const Model& m = m_state.model;
  const auto plan = coin_plan(m.correlations);
  for (int g = 1; g < kGroups; ++g) {
    int level = 3;  // middle when the correlations admit no joint table
    if (plan) {
      level = 0;
      for (const CoinTerm& t : (*plan)[g - 1]) {
        const int v = k[kCoinOf[t.coin]];
        level += t.negated ? 3 - v : v;
      }
    }
    m_levels[g] = level;
    m_outcome[g] = m.expected[g] + m.deviation[g] * (level - 3);
  }
  for (int p = 0; p < kParticipants; ++p) {
    const Proportions& x = p == kComputer ? m_state.optimal : m_state.proportions[p];
    m_wealth[p] = next_wealth(m, m_state.current, x, m_outcome, m_wealth[p]);
  }
}

void Game::record() {
  ++m_turns;
  const int t = m_turns;
  bool zeroed = false;
  for (int g = 1; g < kGroups; ++g) {
    m_level[g] *= m_outcome[g];
    if (zeroed) {
      // The turn's recording stopped at a group that fell to nothing.
      m_price_log[g - 1][t] = m_price_log[g - 1][t - 1];
    } else if (m_level[g] == 0) {
      m_level[g] = 1;
      m_price_log[g - 1][t] = 0;
      zeroed = true;
    } else {
      m_price_log[g - 1][t] = std::log(100 * m_level[g]);
    }
  }
  for (int p = 0; p < kParticipants; ++p) m_wealth_log[p][t] = std::log(m_wealth[p]);
}

bool Game::play(const GameSettings& settings) {
  start();
  const bool target = settings.end == GameSettings::End::Target;
  const int turns = target ? kMaxTurns : std::clamp(settings.turns, 1, kMaxTurns);
  const auto taking_part = participants();
  for (int t = 1; t <= turns; ++t) {
    play_turn();
    double wealth_sum = 0, level_sum = 0;
    for (double w : m_wealth) wealth_sum += w;
    for (int g = 1; g < kGroups; ++g) level_sum += m_level[g] * m_outcome[g];
    if (wealth_sum > kOverflowLimit || level_sum > kOverflowLimit) return true;
    record();
    if (target)
      for (int p : taking_part)
        if (m_wealth[p] >= settings.target) return true;
  }
  return !target;
}

std::vector<std::string> Game::ranking() const { return rank(participants(), m_wealth); }

std::vector<std::string> rank(const std::vector<int>& participants,
                              const std::array<double, kParticipants>& wealth) {
  std::vector<std::pair<int, int>> placed;  // place, participant
  for (int p : participants) {
    int above = 0;
    bool tied = false;
    for (int q : participants) {
      if (q == p) continue;
      if (wealth[q] > wealth[p]) ++above;
      if (wealth[q] == wealth[p]) tied = true;
    }
    if (!tied) placed.emplace_back(above + 1, p);
  }
  std::sort(placed.begin(), placed.end());
  std::vector<std::string> lines;
  for (const auto& [place, p] : placed)
    lines.push_back(std::to_string(place) + "." + kParticipantNames[p]);
  return lines;
}

}  // namespace vmx::optimise
