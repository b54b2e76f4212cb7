#include "ledger/report/report_dialog.h"

namespace vmx::ledger::report {

void print_holdings_report(QWidget*, app::Workspace&) {}

}  // namespace vmx::ledger::report
