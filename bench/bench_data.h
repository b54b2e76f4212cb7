#pragma once

#include <filesystem>

namespace vmx::bench {

// Writes a holdings ledger of `rows` rows with the catalogue's fields: a
// realistic mix of cash rows, open positions, pending orders with their
// frozen cash, and closed rows, over 30 cash accounts and 800 securities.
void make_ledger(const std::filesystem::path& path, int rows);
// Writes a fund ledger of `rows` rows: daily market rows and investors' rows.
void make_fund(const std::filesystem::path& path, int rows);

// The process's resident memory in MiB.
double resident_mib();

}  // namespace vmx::bench
