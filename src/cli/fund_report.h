#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "core/fund/investor_lists.h"
#include "core/platform/printer.h"

// The shared part of the fund management window's reports on the command
// line: `valmorix-cli report KIND PROGRAM_DIR ACCOUNT_NAME [--pdf FILE]
// [--today YYYY-MM-DD] [--answer yes|no] ...`, the printed lines on standard
// output or the pages in a PDF file.
namespace vmx::cli {

struct FundReportArgs {
  AccountArgs account;
  std::filesystem::path pdf;
  TodayOption today;
  bool answer = false;
};

// Prints what `report` sends to the printer. `report` returns the exit code
// when it printed nothing (kStopped after its message), kOk when it printed.
using FundReport = std::function<int(AccountRun&, platform::Printer&)>;

// Puts the lists on the investor's totals row (of `type`, or the investor's
// first) with the record filter of `all`; false, with its message, when the
// investor is not listed.
bool select_investor(fund::InvestorLists& lists, const std::string& code, const std::string& type,
                     bool all);

// Adds "report KIND" with the account arguments, --pdf, --today and --answer;
// returns the command for the kind's own options.
CLI::App& add_fund_report(Commands& commands, const std::string& kind,
                          const std::string& description, std::shared_ptr<FundReportArgs> args,
                          FundReport report);

}  // namespace vmx::cli
