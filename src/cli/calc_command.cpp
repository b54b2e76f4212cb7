#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/account_login.h"
#include "cli/commands.h"
#include "cli/today_option.h"
#include "core/ledger/valuation.h"
#include "core/login/account_list.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/error_boundary.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/session.h"

namespace vmx::cli {

namespace {

const char* const kCalcUsage =
    "usage: valmorix-cli calc PROGRAM_DIR ACCOUNT_NAME [--answer yes|no] [--today YYYY-MM-DD]\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "calc: %s\n%s", problem.c_str(), kCalcUsage);
  return kUsageError;
}

}  // namespace

int cmd_calc(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  bool answer = false;
  TodayOption today;
  std::string problem;
  for (size_t i = 0; i < args.size(); ++i) {
    if (today.take(args, i, problem)) {
      if (!problem.empty()) return usage(problem);
    } else if (args[i] == "--answer") {
      if (i + 1 >= args.size()) return usage("--answer needs yes or no");
      const std::string& a = args[++i];
      if (a != "yes" && a != "no") return usage("--answer needs yes or no, not '" + a + "'");
      answer = a == "yes";
    } else if (args[i].starts_with("--")) {
      return usage("unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return usage("give a program directory and an account name");
  const std::filesystem::path dir = positional[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "calc: %s is not a directory\n", dir.string().c_str());
    return kUsageError;
  }

  platform::ScriptedDialogs dialogs;
  dialogs.set_default_answer(answer);
  // Every text the run shows, as it is shown, so a run that fails half-way
  // still leaves its messages on the terminal.
  dialogs.on_show([](const platform::ScriptedDialogs::Shown& s) {
    std::fputs((s.text + "\n").c_str(), stdout);
    std::fflush(stdout);
  });
  store::Session session;
  session.set_dialogs(&dialogs);
  platform::LoggingHelp help;
  std::unique_ptr<app::Workspace> workspace;
  try {
    app::LoginState login = login_without_password(session, dir, positional[1]);
    workspace =
        std::make_unique<app::Workspace>(session, dialogs, today.clock(), help, std::move(login));
  } catch (const store::Error& e) {
    std::fprintf(stderr, "calc: %s\n", vmx::platform::describe(e).c_str());
    return kUsageError;
  }
  ledger::Valuation valuation(workspace->ledger(), workspace->lookups(), dialogs,
                              workspace->clock());
  return valuation.up_calc() ? kOk : kStopped;
}

}  // namespace vmx::cli
