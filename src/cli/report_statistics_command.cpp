#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "cli/report_output.h"
#include "core/ledger/valuation.h"
#include "core/platform/error_boundary.h"
#include "core/platform/scripted_printer.h"
#include "core/stats/statistics_report.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

struct StatisticsArgs {
  AccountArgs account;
  stats::Choices choices;
  long from_row = 0;  // 1-based; 0: the bottom row, the newest page
  std::filesystem::path pdf;
  TodayOption today;
};

int run_statistics(StatisticsArgs& a) {
  const std::string command = "report statistics";
  if (const int code = check_pdf_option(command, a.pdf); code != kOk) return code;
  if (const auto refusal = stats::report_refusal(a.choices)) {
    say(*refusal);
    return kStopped;
  }
  platform::ScriptedPrinter printer;
  try {
    AccountRun run(a.account, false, a.today.clock());
    app::Workspace& ws = run.workspace();
    // As the window does on showing: the holdings valued first.
    ledger::Valuation valuation(ws.ledger(), ws.lookups(), ws.dialogs(), ws.clock());
    if (!valuation.up_calc()) return kStopped;
    stats::Statistics st(ws.session());
    st.re_tj(a.choices);
    if (a.from_row > 0) st.grid().go_to_position(a.from_row - 1);
    stats::print_statistics_report(st, ws.clock().now(), printer);
    deliver_report(printer, a.pdf);
  } catch (const store::Error& e) {
    return fail(command, platform::describe(e));
  }
  return kOk;
}

template <typename E>
void add_choice(CLI::App& cmd, const std::string& name, E& value,
                const std::map<std::string, E>& names, const std::string& help) {
  cmd.add_option(name, value, help)->transform(CLI::CheckedTransformer(names, CLI::ignore_case));
}

}  // namespace

// valmorix-cli report statistics PROGRAM_DIR ACCOUNT_NAME [--kind K] [--content C] [--pnl P]
//                                [--from-row N] [--pdf FILE] [--today YYYY-MM-DD]
void add_report_statistics_command(Commands& commands) {
  auto a = std::make_shared<StatisticsArgs>();
  CLI::App& cmd = commands.add(
      "report statistics",
      "The statistics report of an account (投资组合和盈亏统计) for the choices given; "
      "history and closed pairs print from --from-row, else their newest page.",
      [a] { return run_statistics(*a); });
  add_account_arguments(cmd, a->account);
  using K = stats::Kind;
  using C = stats::Content;
  using P = stats::PnlType;
  add_choice<K>(cmd, "--kind", a->choices.kind,
                {{"proportions", K::Proportions},
                 {"pnl", K::ProfitLoss},
                 {"history", K::History},
                 {"closed", K::ClosedPairs}},
                "选显示种类: proportions (default), pnl, history or closed");
  add_choice<C>(cmd, "--content", a->choices.content,
                {{"detail", C::Detail},
                 {"security", C::BySecurity},
                 {"type", C::ByType},
                 {"account", C::ByAccount}},
                "选显示内容和方式: detail, security, type (default) or account");
  add_choice<P>(cmd, "--pnl", a->choices.pnl,
                {{"total", P::Total},
                 {"closed", P::Closed},
                 {"floating", P::FloatingLessFees},
                 {"discount", P::FloatingAtDiscount}},
                "选盈亏类型: total, closed, floating (default) or discount");
  cmd.add_option("--from-row", a->from_row,
                 "history and closed pairs: the grid row to print from (1 is the first)")
      ->check(CLI::PositiveNumber);
  add_pdf_option(cmd, a->pdf);
  a->today.add_to(cmd);
}

}  // namespace vmx::cli
