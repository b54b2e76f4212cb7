#include <memory>
#include <optional>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "core/market/price_update.h"
#include "core/market/quote_source.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

struct PricesArgs {
  std::string kind;
  AccountArgs account;
  std::string source;
  std::optional<std::string> path;
  bool answer = false;
  TodayOption today;
};

int run_prices(PricesArgs& a) {
  try {
    AccountRun run(a.account, a.answer, a.today.clock());
    market::QuoteSources sources(run.session);
    if (!sources.locate_current()) return fail("prices", "hq_path.DBF has no quote source");
    if (!a.source.empty() && !sources.pick(a.source))
      return fail("prices", "hq_path.DBF has no source '" + a.source + "'");
    if (a.path && !sources.set_path(*a.path, run.dialogs)) return kStopped;
    market::PriceUpdate update(run.session, run.dialogs, run.workspace().clock());
    update.set_display(market::Display::UpdateOnly);
    const market::QuoteSource current = sources.current();
    const market::Outcome outcome = a.kind == "all"    ? update.Button4Click(current)
                                    : a.kind == "mine" ? update.Button3Click(current)
                                                       : update.Button7Click(current);
    return outcome == market::Outcome::Done ? kOk : kStopped;
  } catch (const store::Error& e) {
    return fail("prices", platform::describe(e));
  }
}

}  // namespace

// valmorix-cli prices all|mine|codes PROGRAM_DIR ACCOUNT_NAME [--source HQCODE] [--path DIR]
//   [--answer yes|no] [--today YYYY-MM-DD]
// all = 更新所有股票价, mine = 更新我的股票价, codes = 更新(补充)代码表, each
// with the display choice 只更新不显示.
void add_prices_command(Commands& commands) {
  auto a = std::make_shared<PricesArgs>();
  CLI::App& cmd = commands.add(
      "prices",
      "Runs one command of the quote import window on the current quote source, updating "
      "without display: all = 更新所有股票价, mine = 更新我的股票价, codes = 更新(补充)代码表.",
      [a] { return run_prices(*a); });
  cmd.add_option("KIND", a->kind, "all, mine or codes")
      ->required()
      ->check(CLI::IsMember({"all", "mine", "codes"}));
  add_account_arguments(cmd, a->account);
  cmd.add_option("--source", a->source, "make this source current first")
      ->type_name("HQCODE")
      ->check(not_empty("a source code"));
  cmd.add_option("--path", a->path, "store this directory as the source's")->type_name("DIR");
  add_answer_option(cmd, a->answer);
  a->today.add_to(cmd);
}

}  // namespace vmx::cli
