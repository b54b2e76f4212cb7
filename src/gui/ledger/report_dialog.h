// The holdings and closing reports in a print preview (打印报告).
#pragma once

class QWidget;

namespace vmx::app {
class Workspace;
}

namespace vmx::ledger::report {

// "打印报告" of the holdings editing window: asks the question of the ledger's
// current view, then shows the holdings report (holdings view) or the closing
// report (closed-positions view, from the ledger cursor's row; the bottom row
// means the newest page) in a print preview owned by `parent`, from which the
// user prints to the default printer or a PDF file. The ledger's cursor
// returns to the row it was on. Does nothing when the user answers No. A
// printer that cannot be opened is reported with an error box; nothing in the
// ledger is written either way.
void print_holdings_report(QWidget* parent, app::Workspace& workspace);

}  // namespace vmx::ledger::report
