#include "cli/report_output.h"

#include <cstdio>

#include "cli/command.h"
#ifdef VMX_CLI_PDF
#include "gui/platform/qt_page_painter.h"
#endif

namespace vmx::cli {

int check_pdf_option(const std::string& command, const std::filesystem::path& pdf) {
#ifndef VMX_CLI_PDF
  if (!pdf.empty())
    return fail(command, "this valmorix-cli was built without QtGui and writes no PDF");
#else
  (void)command;
  (void)pdf;
#endif
  return kOk;
}

void deliver_report(const platform::ScriptedPrinter& printer, const std::filesystem::path& pdf) {
#ifdef VMX_CLI_PDF
  if (!pdf.empty()) {
    platform::write_pdf(printer.last(), pdf);
    return;
  }
#else
  (void)pdf;
#endif
  std::fputs(platform::document_text(printer.last()).c_str(), stdout);
}

}  // namespace vmx::cli
