#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/account_login.h"
#include "cli/commands.h"
#include "cli/today_option.h"
#include "core/login/workspace.h"
#include "core/market/price_update.h"
#include "core/market/quote_source.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "core/store/session.h"

namespace vmx::cli {

namespace {

const char* const kPricesUsage =
    "usage: valmorix-cli prices all|mine|codes PROGRAM_DIR ACCOUNT_NAME [--source HQCODE]\n"
    "                           [--path DIR] [--answer yes|no] [--today YYYY-MM-DD]\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "prices: %s\n%s", problem.c_str(), kPricesUsage);
  return kUsageError;
}

}  // namespace

// all = 更新所有股票价, mine = 更新我的股票价, codes = 更新(补充)代码表, each
// with the display choice 只更新不显示.
int cmd_prices(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string source, path;
  bool answer = false, have_path = false;
  TodayOption today;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string problem;
    if (today.take(args, i, problem)) {
      if (!problem.empty()) return usage(problem);
    } else if (args[i] == "--answer") {
      if (i + 1 >= args.size()) return usage("--answer needs yes or no");
      const std::string& a = args[++i];
      if (a != "yes" && a != "no") return usage("--answer needs yes or no, not '" + a + "'");
      answer = a == "yes";
    } else if (args[i] == "--source") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--source needs a source code");
      source = args[++i];
    } else if (args[i] == "--path") {
      if (i + 1 >= args.size()) return usage("--path needs a directory");
      path = args[++i];
      have_path = true;
    } else if (args[i].starts_with("--")) {
      return usage("unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3)
    return usage("give all, mine or codes, a program directory and an account name");
  const std::string& kind = positional[0];
  if (kind != "all" && kind != "mine" && kind != "codes")
    return usage("the command is all, mine or codes, not '" + kind + "'");
  const std::filesystem::path dir = positional[1];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "prices: %s is not a directory\n", dir.string().c_str());
    return kUsageError;
  }

  platform::ScriptedDialogs dialogs;
  dialogs.set_default_answer(answer);
  dialogs.on_show([](const platform::ScriptedDialogs::Shown& s) {
    std::fputs((s.text + "\n").c_str(), stdout);
    std::fflush(stdout);
  });
  store::Session session;
  platform::LoggingHelp help;
  try {
    app::LoginState login = login_without_password(session, dir, positional[2]);
    app::Workspace workspace(session, dialogs, today.clock(), help, std::move(login));
    market::QuoteSources sources(session);
    if (!sources.locate_current()) {
      std::fputs("prices: hq_path.DBF has no quote source\n", stderr);
      return kUsageError;
    }
    if (!source.empty() && !sources.pick(source)) {
      std::fprintf(stderr, "prices: hq_path.DBF has no source '%s'\n", source.c_str());
      return kUsageError;
    }
    if (have_path && !sources.set_path(path, dialogs)) return kStopped;
    market::PriceUpdate update(session, dialogs, workspace.clock());
    update.set_display(market::Display::UpdateOnly);
    const market::QuoteSource current = sources.current();
    const market::Outcome outcome = kind == "all"    ? update.Button4Click(current)
                                    : kind == "mine" ? update.Button3Click(current)
                                                     : update.Button7Click(current);
    return outcome == market::Outcome::Done ? kOk : kStopped;
  } catch (const store::Error& e) {
    std::fprintf(stderr, "prices: %s\n", e.what());
    return kUsageError;
  }
}

}  // namespace vmx::cli
