#pragma once

#include <string>
#include <vector>

#include "core/store/value.h"

namespace vmx::cli {

// Exit codes of valmorix-cli; scripts rely on them.
inline constexpr int kOk = 0;
inline constexpr int kStopped = 1;     // an operation stopped with a message
inline constexpr int kUsageError = 2;  // bad usage or a file that cannot be read

// Each command gets the arguments after its name; it prints its result to
// standard output and its errors, in plain words, to standard error.
int cmd_init(const std::vector<std::string>& args);
int cmd_dump(const std::vector<std::string>& args);
// Lists every fault of table files, one per line: a header that disagrees with
// the file, a field the program needs missing or unfit, a cell that cannot be
// read. Exit 1 when it finds any, 0 when clean, 2 for a file it cannot read.
int cmd_check(const std::vector<std::string>& args);
int cmd_query(const std::vector<std::string>& args);
// Values an account's holdings as a login of it would, printing every message.
int cmd_calc(const std::vector<std::string>& args);
// Prints the holdings or closing report of an account as the printer would
// receive its lines, or writes it as a PDF file.
int cmd_report(const std::vector<std::string>& args);
// Loads a model file and prints the optimiser's proportions (per mille) and growth.
int cmd_optimise(const std::vector<std::string>& args);
// The fund's batch operations (recompute, value, match, invest, transfer, fees).
int cmd_fund(const std::vector<std::string>& args);
// Updates prices, holdings prices or the code list from the current quote
// source, printing every message.
int cmd_prices(const std::vector<std::string>& args);

// A value as CSV prints it: dates yyyy-mm-dd, logicals true/false, numbers in
// their shortest exact form, blanks empty.
std::string csv_text(const store::Value& v);
// RFC 4180 field quoting for CSV output.
std::string csv_field(const std::string& s);

}  // namespace vmx::cli
