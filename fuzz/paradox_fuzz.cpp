// Feeds arbitrary bytes to the Paradox reader: open, load, decode every field,
// then write through the damaged file (insert a decoded row, update and erase
// one) and read it again. Bad bytes must end in store::Error, never in a crash
// or a sanitizer report.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/store/error.h"
#include "core/store/table_file.h"

namespace {

void write_file(const std::filesystem::path& p, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

std::vector<vmx::store::RowId> read_all(vmx::store::TableFile& t,
                                        std::vector<std::vector<uint8_t>>* rows) {
  std::vector<vmx::store::RowId> ids;
  const int n = static_cast<int>(t.schema().fields.size());
  t.load([&](vmx::store::RowId id, const uint8_t* rec) {
    ids.push_back(id);
    for (int f = 0; f < n; ++f) {
      (void)t.get(rec, f).as_string();
      (void)t.raw_text(rec, f);
      (void)t.is_blank(rec, f);
    }
    if (rows && rows->size() < 3) rows->emplace_back(rec, rec + t.record_size());
  });
  return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vmx::store;
  const auto db = std::filesystem::temp_directory_path() /
                  ("vmx_px_fuzz_" + std::to_string(::getpid()) + ".db");
  write_file(db, data, size);
  try {
    auto t = open_paradox(db, {});
    std::vector<std::vector<uint8_t>> rows;
    const auto ids = read_all(*t, &rows);
    std::vector<uint8_t> rec(t->record_size());
    for (const auto& row : rows) {
      t->blank_record(rec.data());
      for (int f = 0; f < static_cast<int>(t->schema().fields.size()); ++f) {
        try {
          t->set(rec.data(), f, t->get(row.data(), f));
        } catch (const Error&) {
        }
      }
      try {
        t->insert(rec.data());
      } catch (const Error&) {
      }
    }
    if (!ids.empty()) {
      try {
        t->update(ids.back(), rec.data());
      } catch (const Error&) {
      }
      try {
        t->erase(ids.front());
      } catch (const Error&) {
      }
    }
    t.reset();
    auto again = open_paradox(db, {});
    read_all(*again, nullptr);
  } catch (const Error&) {
  }
  std::error_code ec;
  std::filesystem::remove(db, ec);
  return 0;
}
