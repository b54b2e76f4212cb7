#include "gui/ledger/report_dialog.h"

#include "core/ledger/report/holdings_report.h"
#include "core/login/workspace.h"
#include "core/store/error.h"
#include "gui/platform/qt_printer.h"

namespace vmx::ledger::report {

void print_holdings_report(QWidget* parent, app::Workspace& workspace) {
  platform::QtPrinter printer(platform::QtPrinter::Mode::Preview, parent);
  try {
    ledger_report_click(workspace.ledger(), workspace.dialogs(), workspace.clock(), printer);
  } catch (const store::Error& e) {
    // The rows are untouched and the cursor is back on its row; only the
    // printing failed.
    workspace.dialogs().error(store::user_message(e));
  }
}

}  // namespace vmx::ledger::report
