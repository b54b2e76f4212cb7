// Feeds arbitrary bytes to the dBase reader: open, load, decode every field,
// and write a decoded row back as a new row, then read the file again. Bad
// bytes must end in store::Error, never in a crash or a sanitizer report.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/store/error.h"
#include "core/store/table_file.h"

namespace {

std::filesystem::path scratch(const char* ext) {
  return std::filesystem::temp_directory_path() /
         ("vmx_dbf_fuzz_" + std::to_string(::getpid()) + ext);
}

void write_file(const std::filesystem::path& p, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void read_all(vmx::store::TableFile& t, std::vector<std::vector<uint8_t>>* rows) {
  const int n = static_cast<int>(t.schema().fields.size());
  t.load([&](vmx::store::RowId, const uint8_t* rec) {
    for (int f = 0; f < n; ++f) {
      (void)t.get(rec, f);
      (void)t.raw_text(rec, f);
      (void)t.is_blank(rec, f);
    }
    if (rows && rows->size() < 4) rows->emplace_back(rec, rec + t.record_size());
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vmx::store;
  const auto dbf = scratch(".dbf");
  const auto dbt = scratch(".dbt");
  write_file(dbf, data, size);
  // The same bytes as the memo file, so memo block parsing sees hostile input too.
  write_file(dbt, data, size);
  try {
    auto t = open_table_file(dbf);
    std::vector<std::vector<uint8_t>> rows;
    read_all(*t, &rows);
    // Re-encode what was decoded into a fresh row and append it.
    std::vector<uint8_t> rec(t->record_size());
    for (const auto& row : rows) {
      t->blank_record(rec.data());
      for (int f = 0; f < static_cast<int>(t->schema().fields.size()); ++f) {
        if (t->schema().fields[size_t(f)].type == FieldType::Memo) continue;
        try {
          t->set(rec.data(), f, t->get(row.data(), f));
        } catch (const Error&) {
        }
      }
      t->insert(rec.data());
    }
    if (!rows.empty()) {
      auto again = open_table_file(dbf);
      read_all(*again, nullptr);
    }
  } catch (const Error&) {
  }
  std::filesystem::remove(dbf);
  std::filesystem::remove(dbt);
  return 0;
}
