#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/dialogs.h"
#include "core/store/cursor.h"

namespace vmx::market {

// What the probe of a day file found.
struct ProbeResult {
  std::optional<int> length;  // record length, when a date was recognised
  bool complemented = false;  // found among the complemented dates
  std::optional<int> type;    // price encoding 0..3, when a reading was recognised
};

// The record lengths the probe tries, shortest first.
inline constexpr int kProbeShortest = 24;
inline constexpr int kProbeLongest = 45;

// Finds a day file's record length and price encoding by asking the user:
// each candidate length's last-record date (plain, then complemented), then
// the four readings of the close at offset 16. Reads `data` only. A file
// shorter than the shortest length is said in words and nothing is asked.
ProbeResult probe_day_file(const std::vector<uint8_t>& data, const std::string& file_name,
                           platform::Dialogs& dialogs);

// "K线文件格式测试": picks a day file (starting in `start_dir`), probes it and
// stores LENGTH (as soon as it is known) and TYPE into the current row of
// `sources` (hq_path.DBF), posting each. A cancelled pick ends it quietly.
ProbeResult run_probe(store::Cursor& sources, platform::Dialogs& dialogs,
                      const std::filesystem::path& start_dir);

// A number as the price question shows a single float: at most two decimals,
// no trailing zeros, no zero before the point (12.3, .5, 3).
std::string format_hash_2(double v);

}  // namespace vmx::market
