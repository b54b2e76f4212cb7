#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/dialogs.h"
#include "core/store/session.h"

namespace vmx::market {

// The exchanges' own quote tables in dBase form, as the source dbf finds them
// in its directory: z_hq.dbf (Shenzhen quotes fzqdm, fzjcj), z_zs.dbf
// (Shenzhen indices fzsmc, fzjzs), z_zqxx.dbf (Shenzhen names fzqdm, fzqjc)
// and show128.dbf (Shanghai quotes s1, s2, s8). Read afresh for each command,
// since the outside program rewrites them during the day.
struct ExchangeQuotes {
  struct Row {
    std::string code, name;
    double price = 0;
  };
  std::vector<Row> sz;                          // z_hq.dbf in file order (name from z_zqxx)
  std::map<std::string, std::string> sz_names;  // z_zqxx.dbf
  std::map<std::string, double> sz_indices;     // z_zs.dbf, by index name
  std::vector<Row> sh;                          // show128.dbf in file order

  const Row* find_sz(const std::string& code) const;
  const Row* find_sh(const std::string& code) const;

  std::map<std::string, size_t> sz_at, sh_at;
};

// createtabs: reads the four tables from `dir`. A table that is missing or
// not of its layout is named in a message and nothing is returned.
std::optional<ExchangeQuotes> createtabs(store::Session& session, const std::filesystem::path& dir,
                                         platform::Dialogs& dialogs);

}  // namespace vmx::market
