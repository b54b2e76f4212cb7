#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/account_login.h"
#include "cli/commands.h"
#include "core/fund/fees.h"
#include "core/fund/matching.h"
#include "core/fund/movements.h"
#include "core/fund/unit_price.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/error_boundary.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "core/store/session.h"

namespace vmx::cli {

namespace {

const char* const kFundUsage =
    "usage: valmorix-cli fund ACTION PROGRAM_DIR ACCOUNT_NAME [--answer yes|no] "
    "[--today YYYY-MM-DD] [options]\n"
    "  recompute\n"
    "  value\n"
    "  match\n"
    "  invest --code C --name N --amount A --type X --qsdm Q --zjzh Z [--date D]\n"
    "  transfer --from ZJZH --to ZJZH --amount A [--note T]\n"
    "  fees --search | --extract-all\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "fund: %s\n%s", problem.c_str(), kFundUsage);
  return kUsageError;
}

// Options that take a value, and the flags, of each action.
const std::map<std::string, std::vector<std::string>> kValueOptions = {
    {"recompute", {}},
    {"value", {}},
    {"match", {}},
    {"invest", {"--code", "--name", "--amount", "--type", "--qsdm", "--zjzh", "--date"}},
    {"transfer", {"--from", "--to", "--amount", "--note"}},
    {"fees", {}},
};

}  // namespace

int cmd_fund(const std::vector<std::string>& args) {
  if (args.empty()) return usage("give an action");
  const std::string action = args[0];
  const auto known = kValueOptions.find(action);
  if (known == kValueOptions.end()) return usage("unknown action '" + action + "'");
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  bool answer = false, search = false, extract_all = false;
  std::optional<Date> today;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takes_value =
        a == "--answer" || a == "--today" ||
        std::find(known->second.begin(), known->second.end(), a) != known->second.end();
    if (takes_value) {
      if (i + 1 >= args.size()) return usage(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--answer") {
        if (v != "yes" && v != "no") return usage("--answer needs yes or no, not '" + v + "'");
        answer = v == "yes";
      } else if (a == "--today") {
        today = Date::parse(v);
        if (!today) return usage("--today needs a date YYYY-MM-DD, not '" + v + "'");
      } else {
        options[a] = v;
      }
    } else if (action == "fees" && a == "--search") {
      search = true;
    } else if (action == "fees" && a == "--extract-all") {
      extract_all = true;
    } else if (a.starts_with("--")) {
      return usage("unknown option " + a + " for " + action);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return usage("give a program directory and an account name");
  if (action == "fees" && search == extract_all)
    return usage("fees needs --search or --extract-all");
  auto need = [&](std::initializer_list<const char*> names) -> std::optional<std::string> {
    for (const char* n : names)
      if (!options.count(n)) return std::string(n);
    return std::nullopt;
  };
  if (action == "invest")
    if (auto missing = need({"--code", "--name", "--amount", "--type", "--qsdm", "--zjzh"}))
      return usage("invest needs " + *missing);
  if (action == "transfer")
    if (auto missing = need({"--from", "--to", "--amount"}))
      return usage("transfer needs " + *missing);

  const std::filesystem::path dir = positional[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "fund: %s is not a directory\n", dir.string().c_str());
    return kUsageError;
  }
  platform::ScriptedDialogs dialogs;
  dialogs.set_default_answer(answer);
  dialogs.on_show([](const platform::ScriptedDialogs::Shown& s) {
    std::fputs((s.text + "\n").c_str(), stdout);
    std::fflush(stdout);
  });
  std::unique_ptr<platform::FixedClock> fixed;
  if (today)
    fixed = std::make_unique<platform::FixedClock>(platform::DateTime{*today, 12, 0, 0, 0});
  platform::Clock& clock = fixed ? static_cast<platform::Clock&>(*fixed) : platform::system_clock();
  store::Session session;
  platform::LoggingHelp help;
  std::unique_ptr<app::Workspace> ws;
  try {
    app::LoginState login = login_without_password(session, dir, positional[1]);
    ws = std::make_unique<app::Workspace>(session, dialogs, clock, help, std::move(login));
  } catch (const store::Error& e) {
    std::fprintf(stderr, "fund: %s\n", platform::describe(e).c_str());
    return kUsageError;
  }
  fund::FundLedger& f = ws->fund();
  fund::TypeBook types(session);
  const std::string date = (today ? *today : clock.today()).to_string();
  try {
    // As at login: the fund window is created with the manager row ensured.
    fund::ensure_manager_row(f);
    if (action == "recompute") return fund::show_fund(f) ? kOk : kStopped;
    if (action == "value") {
      fund::calc(f, types);
      return kOk;
    }
    if (action == "match") {
      fund::match_withdrawals(f, types);
      return kOk;
    }
    if (action == "invest") {
      fund::InOutEntry e{options["--code"],
                         options["--name"],
                         options["--qsdm"],
                         options["--zjzh"],
                         options["--type"],
                         options["--amount"],
                         options.count("--date") ? options["--date"] : date};
      return fund::in_out_confirm(f, types, e) == fund::InOutResult::Done ? kOk : kStopped;
    }
    if (action == "transfer") {
      fund::AccountTransfer t{options["--from"], options["--to"], options["--amount"],
                              options["--note"]};
      return fund::transfer_accounts(f, t) ? kOk : kStopped;
    }
    if (search) return fund::fee_search(f, types) > 0 ? kOk : kStopped;
    return fund::extract_all(f, types) ? kOk : kStopped;
  } catch (const store::ConversionError& e) {
    std::fputs((platform::describe(e) + "\n").c_str(), stdout);
    return kStopped;
  }
}

}  // namespace vmx::cli
