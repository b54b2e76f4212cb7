#include <array>
#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/optimise/model.h"
#include "core/optimise/optimiser.h"
#include "core/platform/error_boundary.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

// Four whole numbers separated by commas; false when the text is anything else.
bool parse_current(const std::string& text, std::array<int, optimise::kGroups>& out) {
  size_t start = 0;
  for (int g = 0; g < optimise::kGroups; ++g) {
    const size_t comma = text.find(',', start);
    const bool last = g == optimise::kGroups - 1;
    if (last != (comma == std::string::npos)) return false;
    const size_t end = last ? text.size() : comma;
    const char* first = text.data() + start;
    const char* stop = text.data() + end;
    if (first != stop && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, stop, out[g]);
    if (first == stop || ec != std::errc() || ptr != stop) return false;
    start = end + 1;
  }
  return true;
}

struct OptimiseArgs {
  std::string file;
  std::array<int, optimise::kGroups> current{0, 0, 400, 600};
};

int run_optimise(const OptimiseArgs& a) {
  // As the optimiser window: its defaults, the file loaded over them, row 1
  // holding the current proportions, then "电脑优化".
  optimise::State state;
  PrintingDialogs dialogs;
  try {
    optimise::read_controls(state);
    optimise::load_prd(state, a.file);
  } catch (const store::Error& e) {
    return fail("optimise", platform::describe(e));
  }
  state.rows[0] = a.current;
  optimise::read_rows(state);
  optimise::optimise(state, dialogs);

  const auto y = optimise::optimal_per_mille(state);
  for (int g = 0; g < optimise::kGroups; ++g)
    std::printf("y%d=%lld\n", g, static_cast<long long>(y[g]));
  std::printf("G=%.6f\n", state.growth_bits);
  return kOk;
}

}  // namespace

// valmorix-cli optimise FILE.prd [--current P0,P1,P2,P3]
void add_optimise_command(Commands& commands) {
  auto a = std::make_shared<OptimiseArgs>();
  CLI::App& cmd = commands.add(
      "optimise",
      "Loads an optimiser model file, runs the search from the current proportions and prints "
      "y0..y3 (per mille) and G (bits of growth).",
      [a] { return run_optimise(*a); });
  cmd.add_option("FILE.prd", a->file, "the model file")->required();
  cmd.add_option_function<std::string>(
         "--current", [a](const std::string& text) { parse_current(text, a->current); },
         "the current proportions of cash and groups 1-3 in per mille (default 0,0,400,600)")
      ->type_name("P0,P1,P2,P3")
      ->check(value_check([](const std::string& text) {
        std::array<int, optimise::kGroups> ignored;
        return parse_current(text, ignored)
                   ? std::string()
                   : "needs four whole numbers separated by commas, not '" + text + "'";
      }));
}

}  // namespace vmx::cli
