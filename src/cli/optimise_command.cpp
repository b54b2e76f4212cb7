#include <array>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/optimise/model.h"
#include "core/optimise/optimiser.h"
#include "core/platform/error_boundary.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

const char* const kOptimiseUsage =
    "usage: valmorix-cli optimise FILE.prd [--current P0,P1,P2,P3]\n"
    "  P0..P3: the current proportions of cash and groups 1-3 in per mille "
    "(default 0,0,400,600)\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "optimise: %s\n%s", problem.c_str(), kOptimiseUsage);
  return kUsageError;
}

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

}  // namespace

int cmd_optimise(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::array<int, optimise::kGroups> current{0, 0, 400, 600};
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--current") {
      if (i + 1 >= args.size()) return usage("--current needs four numbers, like 0,0,400,600");
      if (!parse_current(args[++i], current))
        return usage("--current needs four whole numbers separated by commas, not '" + args[i] +
                     "'");
    } else if (args[i].starts_with("--")) {
      return usage("unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 1) return usage("give one model file");

  // As the optimiser window: its defaults, the file loaded over them, row 1
  // holding the current proportions, then "电脑优化".
  optimise::State state;
  platform::ScriptedDialogs dialogs;
  dialogs.on_show([](const platform::ScriptedDialogs::Shown& s) {
    if (!s.text.empty()) std::fprintf(stderr, "%s\n", s.text.c_str());
  });
  try {
    optimise::read_controls(state);
    optimise::load_prd(state, positional[0]);
  } catch (const store::Error& e) {
    std::fprintf(stderr, "optimise: %s\n", vmx::platform::describe(e).c_str());
    return kUsageError;
  }
  state.rows[0] = current;
  optimise::read_rows(state);
  optimise::optimise(state, dialogs);

  const auto y = optimise::optimal_per_mille(state);
  for (int g = 0; g < optimise::kGroups; ++g)
    std::printf("y%d=%lld\n", g, static_cast<long long>(y[g]));
  std::printf("G=%.6f\n", state.growth_bits);
  return kOk;
}

}  // namespace vmx::cli
