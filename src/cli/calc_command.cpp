#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/account_list.h"
#include "app/workspace.h"
#include "cli/commands.h"
#include "ledger/valuation.h"
#include "platform/clock.h"
#include "platform/help.h"
#include "platform/scripted_dialogs.h"
#include "store/cursor.h"
#include "store/error.h"
#include "store/session.h"

namespace vmx::cli {

namespace {

const char* const kCalcUsage =
    "usage: valmorix-cli calc PROGRAM_DIR ACCOUNT_NAME [--answer yes|no]\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "calc: %s\n%s", problem.c_str(), kCalcUsage);
  return kUsageError;
}

// The account's data directory, as the login finds it: the z.db row with this
// user name, exactly. No password is asked.
std::filesystem::path account_dir(store::Session& session, const std::string& name) {
  store::Cursor accounts(session, "curr", "z.db");
  accounts.open();
  if (!accounts.locate("User_name", {store::Value::text(name)}))
    throw store::Error("no account named '" + name + "' in " +
                       session.resolve("curr", "z.db").string());
  const std::string subdir = accounts.get_string("Subdir");
  if (subdir.empty()) throw store::Error("account '" + name + "' has no data directory in z.db");
  return session.alias_dir("curr") / subdir;
}

}  // namespace

int cmd_calc(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  bool answer = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--answer") {
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
  platform::LoggingHelp help;
  std::unique_ptr<app::Workspace> workspace;
  try {
    app::LoginState login;
    login.curr_dir = std::filesystem::absolute(dir);
    login.acc_name = positional[1];
    app::bind_program_directory(session, login.curr_dir);
    login.acc_dir = account_dir(session, login.acc_name);
    if (!std::filesystem::is_directory(login.acc_dir, ec))
      throw store::Error("the data directory " + login.acc_dir.string() + " of account '" +
                         login.acc_name + "' does not exist");
    workspace = std::make_unique<app::Workspace>(session, dialogs, platform::system_clock(), help,
                                                 std::move(login));
  } catch (const store::Error& e) {
    std::fprintf(stderr, "calc: %s\n", e.what());
    return kUsageError;
  }
  ledger::Valuation valuation(workspace->ledger(), workspace->lookups(), dialogs,
                              workspace->clock());
  return valuation.up_calc() ? kOk : kStopped;
}

}  // namespace vmx::cli
