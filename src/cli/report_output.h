#pragma once

#include <filesystem>
#include <string>

#include "core/platform/scripted_printer.h"

// Where a printed report of the command line goes: its pages into a PDF file
// when --pdf names one, else its lines on standard output.
namespace vmx::cli {

// kOk when --pdf can be honoured; otherwise says why not and returns the
// usage exit code (a valmorix-cli built without QtGui writes no PDF).
int check_pdf_option(const std::string& command, const std::filesystem::path& pdf);

// Writes the last document `printer` received: to `pdf`, or as text.
void deliver_report(const platform::ScriptedPrinter& printer, const std::filesystem::path& pdf);

}  // namespace vmx::cli
