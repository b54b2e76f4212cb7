#include "gui/fund/fund_print.h"

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/platform/qt_printer.h"

namespace vmx::fund {

void print_in_preview(QWidget* parent, app::Workspace& ws, platform::Printer* printer,
                      const std::function<void(platform::Printer&)>& report) {
  platform::run_guarded(ws.dialogs(), [&] {
    platform::QtPrinter preview(platform::QtPrinter::Mode::Preview, parent);
    report(printer ? *printer : preview);
  });
}

}  // namespace vmx::fund
