#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/account_login.h"
#include "cli/commands.h"
#include "cli/today_option.h"
#include "core/ledger/report/holdings_report.h"
#include "core/login/account_list.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/error_boundary.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "core/platform/scripted_printer.h"
#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/session.h"
#ifdef VMX_CLI_PDF
#include "gui/platform/qt_page_painter.h"
#endif

namespace vmx::cli {

namespace {

const char* const kReportUsage =
    "usage: valmorix-cli report holdings|closed PROGRAM_DIR ACCOUNT_NAME [--pdf FILE] [--today "
    "YYYY-MM-DD]\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "report: %s\n%s", problem.c_str(), kReportUsage);
  return kUsageError;
}

}  // namespace

int cmd_report(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::filesystem::path pdf;
  TodayOption today;
  std::string problem;
  for (size_t i = 0; i < args.size(); ++i) {
    if (today.take(args, i, problem)) {
      if (!problem.empty()) return usage(problem);
    } else if (args[i] == "--pdf") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--pdf needs a file name");
      pdf = args[++i];
    } else if (args[i].starts_with("--")) {
      return usage("unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3)
    return usage("give the report, a program directory and an account name");
  const std::string& kind = positional[0];
  if (kind != "holdings" && kind != "closed")
    return usage("the report is holdings or closed, not '" + kind + "'");
#ifndef VMX_CLI_PDF
  if (!pdf.empty()) {
    std::fputs("report: this valmorix-cli was built without QtGui and writes no PDF\n", stderr);
    return kUsageError;
  }
#endif
  const std::filesystem::path dir = positional[1];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "report: %s is not a directory\n", dir.string().c_str());
    return kUsageError;
  }

  platform::ScriptedDialogs dialogs;
  dialogs.on_show([](const platform::ScriptedDialogs::Shown& s) {
    std::fputs((s.text + "\n").c_str(), stderr);
  });
  store::Session session;
  session.set_dialogs(&dialogs);
  platform::LoggingHelp help;
  platform::ScriptedPrinter printer;
  try {
    app::LoginState login = login_without_password(session, dir, positional[2]);
    app::Workspace workspace(session, dialogs, today.clock(), help, std::move(login));
    ledger::Ledger& ledger = workspace.ledger();
    if (kind == "holdings") {
      ledger.set_view(ledger::Ledger::View::Holdings);
    } else {
      // The cursor on the bottom row: one page of the newest closings.
      ledger.set_view(ledger::Ledger::View::Closed);
      ledger.cursor().last();
    }
    ledger::report::print_ledger_report(ledger, workspace.clock().now(), printer);
#ifdef VMX_CLI_PDF
    if (!pdf.empty()) {
      platform::write_pdf(printer.last(), pdf);
      return kOk;
    }
#endif
  } catch (const store::Error& e) {
    std::fprintf(stderr, "report: %s\n", vmx::platform::describe(e).c_str());
    return kUsageError;
  }
  std::fputs(platform::document_text(printer.last()).c_str(), stdout);
  return kOk;
}

}  // namespace vmx::cli
