#pragma once

#include <filesystem>
#include <string>

#include "core/platform/date.h"

namespace vmx::store::seed {

// Writes hq_path.DBF: the built-in quote sources (exchange tables, 汇金, 钱龙,
// 胜龙, 慧眼) with their record lengths and price encodings, one source
// described by parameters (建功) and the CSV source. With `demo` every source
// points into sample-quotes/ of the installation, which is written too, and
// 汇金 is the current source; without it they point where such programs are
// usually mounted.
void write_quote_sources(const std::filesystem::path& dir, bool demo, Date today);

// The close the sample files give a security whose list price is `price`:
// the price moved by a few percent, the way decided by the code, in cents.
double sample_close(const std::string& code, double price);

// The directory of the sample files, inside the installation.
inline constexpr const char* kSampleQuotesDir = "sample-quotes";

}  // namespace vmx::store::seed
