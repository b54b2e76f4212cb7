#include <functional>
#include <map>
#include <memory>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "core/fund/fees.h"
#include "core/fund/matching.h"
#include "core/fund/movements.h"
#include "core/fund/unit_price.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

struct FundArgs {
  AccountArgs account;
  bool answer = false;
  TodayOption today;
  std::map<std::string, std::string> options;  // by name without "--"
  bool search = false, extract_all = false;
};

// What one action does with the fund ledger: its exit code.
using FundAction = std::function<int(fund::FundLedger&, fund::TypeBook&, FundArgs&)>;

int run_fund(const std::string& action, FundArgs& a, const FundAction& act) {
  const std::string command = "fund " + action;
  std::unique_ptr<AccountRun> run;
  try {
    run = std::make_unique<AccountRun>(a.account, a.answer, a.today.clock());
  } catch (const store::Error& e) {
    return fail(command, platform::describe(e));
  }
  fund::FundLedger& f = run->workspace().fund();
  fund::TypeBook types(run->session);
  try {
    // As at login: the fund window is created with the manager row ensured.
    fund::ensure_manager_row(f);
    return act(f, types, a);
  } catch (const store::ConversionError& e) {
    say(platform::describe(e));
    return kStopped;
  }
}

// One action of the fund: PROGRAM_DIR ACCOUNT_NAME [--answer yes|no] [--today
// YYYY-MM-DD]; the options `required` and `optional` take a value each.
CLI::App& add_action(Commands& commands, const std::string& action, const std::string& description,
                     std::vector<std::string> required, std::vector<std::string> optional,
                     FundAction act, std::shared_ptr<FundArgs> a = std::make_shared<FundArgs>()) {
  CLI::App& cmd = commands.add("fund " + action, description,
                               [action, a, act] { return run_fund(action, *a, act); });
  add_account_arguments(cmd, a->account);
  add_answer_option(cmd, a->answer);
  a->today.add_to(cmd);
  for (const auto& name : required) cmd.add_option("--" + name, a->options[name])->required();
  for (const auto& name : optional) cmd.add_option("--" + name, a->options[name]);
  return cmd;
}

int done_or_stopped(bool done) { return done ? kOk : kStopped; }

}  // namespace

// valmorix-cli fund recompute|value|match|invest|transfer|fees PROGRAM_DIR ACCOUNT_NAME
//   [--answer yes|no] [--today YYYY-MM-DD] [options]
void add_fund_command(Commands& commands) {
  commands.group("fund", "The fund's batch operations on an account.");
  add_action(commands, "recompute",
             "重算基金价格 on the last row, as the fund window does when it opens.", {}, {},
             [](fund::FundLedger& f, fund::TypeBook&, FundArgs&) {
               return done_or_stopped(fund::show_fund(f));
             });
  add_action(commands, "value",
             "Values every open investment at the price and date of the last row.", {}, {},
             [](fund::FundLedger& f, fund::TypeBook& types, FundArgs&) {
               fund::calc(f, types);
               return kOk;
             });
  add_action(commands, "match", "Matches the open withdrawals with the investments they consume.",
             {}, {}, [](fund::FundLedger& f, fund::TypeBook& types, FundArgs&) {
               fund::match_withdrawals(f, types);
               return kOk;
             });
  add_action(commands, "invest",
             "Books an investment or a withdrawal and its cash (--date default today).",
             {"code", "name", "amount", "type", "qsdm", "zjzh"}, {"date"},
             [](fund::FundLedger& f, fund::TypeBook& types, FundArgs& a) {
               auto& o = a.options;
               const std::string date = o["date"].empty() ? a.today.today().to_string() : o["date"];
               fund::InOutEntry e{o["code"], o["name"],   o["qsdm"], o["zjzh"],
                                  o["type"], o["amount"], date};
               return done_or_stopped(fund::in_out_confirm(f, types, e) == fund::InOutResult::Done);
             });
  add_action(commands, "transfer", "Moves money between two cash accounts.",
             {"from", "to", "amount"}, {"note"},
             [](fund::FundLedger& f, fund::TypeBook&, FundArgs& a) {
               auto& o = a.options;
               return done_or_stopped(fund::transfer_accounts(
                   f, fund::AccountTransfer{o["from"], o["to"], o["amount"], o["note"]}));
             });
  auto fees = std::make_shared<FundArgs>();
  CLI::App& cmd = add_action(
      commands, "fees", "Searches for the performance fees due, or extracts them all.", {}, {},
      [](fund::FundLedger& f, fund::TypeBook& types, FundArgs& a) {
        if (a.search) return done_or_stopped(fund::fee_search(f, types) > 0);
        return done_or_stopped(fund::extract_all(f, types));
      },
      fees);
  CLI::Option_group* which = cmd.add_option_group("what", "one of");
  which->add_flag("--search", fees->search, "搜索可提记录: find the fees due today");
  which->add_flag("--extract-all", fees->extract_all, "所有记录提存: extract every fee due");
  which->require_option(1);
}

}  // namespace vmx::cli
