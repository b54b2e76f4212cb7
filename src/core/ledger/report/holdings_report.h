#pragma once

#include <string>
#include <vector>

#include "core/ledger/ledger.h"
#include "core/ledger/report/page_frame.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/printer.h"

namespace vmx::store {
class Cursor;
}

// The two reports of the holdings editing window, over the ledger in its
// current view: the holdings report "持仓报告" (holdings view, every row) and
// the closing report "平仓报告" (closed-positions view, rows of non-negative
// quantity from the cursor's row on; the bottom row prints the newest page).
namespace vmx::ledger::report {

// The Yes/No question asked before printing in the view.
std::string ledger_report_question(Ledger::View view);
// The frame of the view's report: title, header, footer "带*的是委托号字段非空的记录",
// 8 padding lines.
PageFrame ledger_report_frame(Ledger::View view);
// The data line of the cursor's current row: "*" when WTH is not empty, else
// a space, then QS, ZJZH, GDDM, CODE, NAME, AMT (whole), PRICE1, DATE1,
// PRICE2, COST2 (whole), INC, each padded by s10.
std::string ledger_report_line(store::Cursor& cursor);
// The data lines the view's report prints, in order. Moves the ledger's
// cursor while it reads and returns it to its row; bound views are told once.
std::vector<std::string> ledger_report_lines(Ledger& ledger);

// Prints the report of the ledger's current view without asking; the
// printer's errors (store::Error) pass to the caller, the cursor returns to
// its row either way.
void print_ledger_report(Ledger& ledger, const platform::DateTime& when,
                         platform::Printer& printer);

// The print button of the holdings window: asks the view's question; on Yes
// prints the report with the clock's time. False when the user declined.
bool ledger_report_click(Ledger& ledger, platform::Dialogs& dialogs, const platform::Clock& clock,
                         platform::Printer& printer);

}  // namespace vmx::ledger::report
