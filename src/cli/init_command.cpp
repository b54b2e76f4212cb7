#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/today_option.h"
#include "core/install/installation.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

// valmorix-cli init DIR [--demo]
int cmd_init(const std::vector<std::string>& args) {
  std::string dir;
  bool demo = false;
  TodayOption today;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string problem;
    if (today.take(args, i, problem)) {
      if (problem.empty()) continue;
      std::fprintf(stderr, "valmorix-cli init: %s\n", problem.c_str());
      return kUsageError;
    }
    if (a == "--demo") {
      demo = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr,
                   "valmorix-cli init: unknown option '%s'\nusage: valmorix-cli init DIR [--demo] "
                   "[--today YYYY-MM-DD]\n",
                   a.c_str());
      return kUsageError;
    } else if (dir.empty()) {
      dir = a;
    } else {
      std::fprintf(stderr, "valmorix-cli init: only one directory can be given ('%s' and '%s')\n",
                   dir.c_str(), a.c_str());
      return kUsageError;
    }
  }
  if (dir.empty()) {
    std::fputs(
        "valmorix-cli init: no directory given\nusage: valmorix-cli init DIR [--demo] [--today "
        "YYYY-MM-DD]\n",
        stderr);
    return kUsageError;
  }
  try {
    store::init_installation(dir, demo, today.today());
  } catch (const store::Error& e) {
    std::fprintf(stderr, "valmorix-cli init: %s\n", vmx::platform::describe(e).c_str());
    return kStopped;
  }
  std::printf("%s: installation laid out%s\n", dir.c_str(),
              demo ? ", with the demo account's portfolio and fund" : "");
  return kOk;
}

}  // namespace vmx::cli
