// The optimiser's two interactive costs: one "电脑优化" (table, normalising,
// the nine-pass search) must feel instant (at most 5 ms), and a 1,000-turn game
// without animation must finish before its window has painted (at most 20 ms).

#include <benchmark/benchmark.h>

#include "core/optimise/game.h"
#include "core/optimise/model.h"
#include "core/optimise/optimiser.h"
#include "core/platform/scripted_dialogs.h"

namespace {

using namespace vmx::optimise;

void BM_ComputerOptimise(benchmark::State& bs) {
  State s;
  vmx::platform::ScriptedDialogs dialogs;
  read_controls(s);
  read_rows(s);
  s.controls.b12 = s.controls.b23 = s.controls.b13 = "0";  // all 27 cells in play
  for (auto _ : bs) {
    optimise(s, dialogs);
    benchmark::DoNotOptimize(s.optimal);
  }
}
BENCHMARK(BM_ComputerOptimise)->Unit(benchmark::kMillisecond);

void BM_ThousandTurnGame(benchmark::State& bs) {
  State s;
  vmx::platform::ScriptedDialogs dialogs;
  // Fair prices: fortunes wander but stay far from the overflow stop, so every
  // game runs all 1,000 turns.
  s.controls.expected = {100, 100, 100, 100};
  read_controls(s);
  read_rows(s);
  prepare_simulation(s, dialogs);
  SeededRandom random(5);
  Game game(s, random);
  for (auto _ : bs) {
    game.play({GameSettings::End::Turns, kMaxTurns, 0});
    if (game.turns() != kMaxTurns) bs.SkipWithError("the game stopped early");
    benchmark::DoNotOptimize(game.wealth(kComputer));
  }
}
BENCHMARK(BM_ThousandTurnGame)->Unit(benchmark::kMillisecond);

}  // namespace
