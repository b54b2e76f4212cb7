#pragma once

// The simulation game: the computer's optimal proportions against up to three
// players' proportions over random one-period outcomes of the optimiser's model.

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/optimise/model.h"

namespace vmx::optimise {

// Where the coins come from; tests hand a fixed sequence to replay a game.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A uniform whole number in [0, n).
  virtual int below(int n) = 0;
};

// A seeded generator.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(uint64_t seed) : m_engine(seed) {}
  void seed(uint64_t s) { m_engine.seed(s); }
  int below(int n) override;

 private:
  std::mt19937_64 m_engine;
};

// The given values again and again (each taken modulo n).
class SequenceRandom : public RandomSource {
 public:
  explicit SequenceRandom(std::vector<int> values) : m_values(std::move(values)) {}
  int below(int n) override;
  size_t drawn() const { return m_next; }

 private:
  std::vector<int> m_values;
  size_t m_next = 0;
};

// The program's generator; the optimiser window seeds it from the clock when
// it is created, and every game continues its sequence.
SeededRandom& program_random();

// Participants: slots 0..2 are players 1..3, slot 3 the computer.
inline constexpr int kComputer = 3;
inline constexpr int kParticipants = 4;
inline constexpr int kMaxTurns = 1000;
inline constexpr double kStartWealth = 100;
// Where a fortune that fell below zero is put (2^-8).
inline constexpr double kWealthFloor = 0.00390625;
// Sums of wealth or of price levels above this end a game early.
inline constexpr double kOverflowLimit = 1e32;
inline constexpr std::array<const char*, kParticipants> kParticipantNames = {"玩家1", "玩家2",
                                                                             "玩家3", "电 脑"};
inline constexpr std::array<const char*, 4> kTargetChoices = {"10000", "100000", "1000000",
                                                              "10000000"};
inline constexpr std::array<const char*, 6> kDelayChoices = {"0", "0.1", "0.2", "0.5", "1", "1.5"};
inline constexpr const char* kGameHelp =
    "检验和模拟的方法是:根据概率预测,重复随机地产生几种证券的未来价格;实验多次可见电脑有一定优势"
    "；选择线性绘图时，差距更加明显。加大延迟时间可以增强游戏效果。当价格或资产减少到极小时，系统便"
    "假设它不再变化.";
inline constexpr const char* kDrawFailedMessage = "增倍数太大,无法显示.";
inline constexpr const char* kTargetMissedMessage = "1000回合内没有人达到终级总金额, 游戏结束.";

// One participant's new wealth after a turn with outcome prices r[1..3]
// (r[0] unused): the update of the game, the floor applied after each group's
// addition (a result not above zero becomes kWealthFloor).
double next_wealth(const Model& m, const Proportions& current, const Proportions& x,
                   const Proportions& r, double start);

struct GameSettings {
  enum class End { Turns, Target };
  End end = End::Turns;
  int turns = 100;        // 10..1000, turns mode
  double target = 10000;  // target mode
};

// One game. Reads the model, the proportions and the player count from the
// state at each turn (the state must outlive the game).
class Game {
 public:
  Game(const State& state, RandomSource& random);

  // Plays a whole game from 100 each: point 0, then turns until the end
  // condition (or the overflow limit, or kMaxTurns). Returns false when target
  // mode ran kMaxTurns turns with nobody reaching the target (the window shows
  // kTargetMissedMessage then).
  bool play(const GameSettings& settings);

  // play_rad: draws six coins and moves every wealth and price level one turn
  // (does not record). The outcome prices are kept for outcome().
  void play_turn();

  // Participants taking part: players 1..player_count and the computer.
  std::vector<int> participants() const;
  double wealth(int participant) const { return m_wealth[participant]; }
  void set_wealth(int participant, double w) { m_wealth[participant] = w; }
  double price_level(int group) const { return m_level[group]; }  // group 1..3
  // The last turn's levels (2 low, 3 middle, 4 high) and outcome prices, groups 1..3.
  const std::array<int, 4>& levels() const { return m_levels; }
  const Proportions& outcome() const { return m_outcome; }

  // History: points 0..turns(); ln(wealth) per participant, ln(100 × level) per group.
  int turns() const { return m_turns; }
  double wealth_log(int participant, int point) const { return m_wealth_log[participant][point]; }
  double price_log(int group, int point) const { return m_price_log[group - 1][point]; }

  // The ranking lines ("1.电 脑", "2.玩家1", ...), best first. A participant
  // whose final wealth equals another's gets no line.
  std::vector<std::string> ranking() const;

 private:
  void start();
  void record();

  const State& m_state;
  RandomSource& m_random;
  std::array<double, kParticipants> m_wealth{};
  std::array<double, 4> m_level{1, 1, 1, 1};
  std::array<int, 4> m_levels{3, 3, 3, 3};
  Proportions m_outcome{};
  int m_turns = 0;
  std::array<std::array<double, kMaxTurns + 1>, kParticipants> m_wealth_log{};
  std::array<std::array<double, kMaxTurns + 1>, 3> m_price_log{};
};

// The ranking rule over given wealths of the participants taking part.
std::vector<std::string> rank(const std::vector<int>& participants,
                              const std::array<double, kParticipants>& wealth);

}  // namespace vmx::optimise
