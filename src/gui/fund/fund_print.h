// Printing of the fund windows' reports through the print preview.
#pragma once

#include <functional>

#include "core/platform/printer.h"

class QWidget;

namespace vmx::app {
class Workspace;
}

namespace vmx::fund {

// Runs `report` on the print preview owned by `parent` (from which the user
// prints to the default printer or a PDF file), or on `printer` when one is
// given (window tests). A printer that fails is reported with an error box.
void print_in_preview(QWidget* parent, app::Workspace& ws, platform::Printer* printer,
                      const std::function<void(platform::Printer&)>& report);

}  // namespace vmx::fund
