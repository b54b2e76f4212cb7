#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/platform/dialogs.h"

namespace vmx::bench {

// Writes a holdings ledger of `rows` rows with the catalogue's fields: a
// realistic mix of cash rows, open positions, pending orders with their
// frozen cash, and closed rows, over 30 cash accounts and 800 securities.
void make_ledger(const std::filesystem::path& path, int rows);
// Writes a fund ledger of `rows` rows: daily market rows and investors' rows.
void make_fund(const std::filesystem::path& path, int rows);

// Answers every question No and counts what was shown, without keeping texts.
class CountingDialogs : public platform::Dialogs {
 public:
  void inform(const std::string&) override { ++shown; }
  void warn(const std::string&) override { ++shown; }
  void error(const std::string&) override { ++shown; }
  bool ask(const std::string&) override {
    ++shown;
    return false;
  }
  void acknowledge_at(const std::string&, int, int) override { ++shown; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> pick_file(const std::string&, const std::string&,
                                       const std::string&) override {
    return std::nullopt;
  }
  long shown = 0;
};

// The statistics window's choices as benchmark arguments (kind, content, P&L
// type): every combination it can show.
inline void every_statistics_choice(benchmark::internal::Benchmark* b) {
  for (int content = 0; content < 4; ++content) b->Args({0, content, 2});
  for (int content = 0; content < 4; ++content)
    for (int pnl = 0; pnl < 4; ++pnl) b->Args({1, content, pnl});
  b->Args({2, 2, 2});
  b->Args({3, 2, 2});
}

// The process's resident memory in MiB.
double resident_mib();

}  // namespace vmx::bench
