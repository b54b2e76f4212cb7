#pragma once

#include <string>
#include <vector>

#include "core/fund/fund_ledger.h"
#include "core/ledger/report/page_frame.h"
#include "core/platform/printer.h"

// The fund window's printed ledger "资金进出报告": the fund ledger from the
// cursor's row to the end (the bottom row prints one page of the newest rows).
namespace vmx::fund::report {

inline constexpr const char* kLedgerReportQuestion =
    "本操作自选定记录往下打印资金进出记录,唯选最下面的记录将打印一页最新内容。继续吗？";

ledger::report::PageFrame fund_ledger_frame();
// The line of the cursor's current row.
std::string fund_ledger_line(store::Cursor& c);
// The lines from the start row on; the cursor returns to its row.
std::vector<std::string> fund_ledger_lines(FundLedger& f);

// "打印报告": the question (unless `ask` is false), then the report with the
// clock's time. False when declined. Printer errors (store::Error) pass to the caller.
bool print_fund_ledger(FundLedger& f, platform::Printer& printer, bool ask = true);

}  // namespace vmx::fund::report
