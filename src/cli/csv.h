#pragma once

#include <string>

#include "core/store/value.h"

namespace vmx::cli {

// A value as CSV prints it: dates yyyy-mm-dd, logicals true/false, numbers in
// their shortest exact form, blanks empty.
std::string csv_text(const store::Value& v);
// RFC 4180 field quoting for CSV output.
std::string csv_field(const std::string& s);

}  // namespace vmx::cli
