#include <filesystem>
#include <memory>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "core/chart/performance.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"
#ifdef VMX_CLI_PDF
#include "gui/platform/performance_painter.h"
#endif

namespace vmx::cli {

namespace {

struct ChartArgs {
  AccountArgs account;
  std::filesystem::path png;
  std::string from;
  bool weekly = false;
  TodayOption today;
};

int run_chart(ChartArgs& a) {
  const std::string command = "chart";
#ifndef VMX_CLI_PDF
  return fail(command, "this valmorix-cli was built without QtGui and draws no picture");
#else
  try {
    AccountRun run(a.account, false, a.today.clock());
    app::Workspace& ws = run.workspace();
    const chart::Series data = chart::readdata(ws.session());
    // As the window opens: the stored start, else 30 days back; --from as
    // the date box checks a typed date.
    std::string from = a.from;
    if (from.empty()) {
      from = chart::opening_date_text(ws.session(), ws.clock().today());
    } else if (const auto problem = chart::check_date(data, from)) {
      say(*problem);
      return kStopped;
    }
    const chart::View view = chart::choose_start(data, chart::Start::FromDate, *Date::parse(from));
    const chart::Picture pic = chart::picture(data, view, a.weekly);
    const chart::Panel& panel = pic.panel;
    if (!panel.message.empty()) say(panel.message);
    if (data.n() > 0) {
      say("起点 " + panel.start_date + "  终点 " + panel.end_date);
      for (const chart::Panel::Row& r : panel.rows)
        say(r.name + " " + r.start + " " + r.end + " " + r.gain + "%");
    }
    platform::write_performance_png(pic, QSize(1280, 800), a.png);
  } catch (const store::Error& e) {
    return fail(command, platform::describe(e));
  }
  return kOk;
#endif
}

}  // namespace

// valmorix-cli chart PROGRAM_DIR ACCOUNT_NAME --png FILE [--from YYYY-MM-DD] [--weekly]
//                    [--today YYYY-MM-DD]
void add_chart_command(Commands& commands) {
  auto a = std::make_shared<ChartArgs>();
  CLI::App& cmd = commands.add(
      "chart",
      "Draws the chart window's picture (业绩统计和比较) of an account's fund as a PNG file; "
      "says the statistics panel's lines.",
      [a] { return run_chart(*a); });
  add_account_arguments(cmd, a->account);
  cmd.add_option("--png", a->png, "the picture's file")->required()->type_name("FILE");
  cmd.add_option("--from", a->from, "the comparison start (default: the one the window keeps)")
      ->type_name("YYYY-MM-DD");
  cmd.add_flag("--weekly", a->weekly, "the unit price as weekly K-lines");
  a->today.add_to(cmd);
}

}  // namespace vmx::cli
