#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/market/quote_source.h"

namespace vmx::market {

// Finds files under a source directory without regard to case: a directory
// copied from another system says SZ0001.PSD where the layout says
// sz0001.psd. Each directory is listed once and remembered, so a run over
// thousands of codes costs one listing per directory.
class FileFinder {
 public:
  // `relative` uses '/' (a leading '/' or '\' is ignored; '\' counts as '/').
  // The existing path, or nullopt.
  std::optional<std::filesystem::path> find(const std::filesystem::path& root,
                                            std::string_view relative);

 private:
  // Lower-cased entry name -> entry name, per directory.
  const std::map<std::string, std::string>& listing(const std::filesystem::path& dir);
  std::map<std::filesystem::path, std::map<std::string, std::string>> m_listings;
};

// The day file of `code` under a source, relative to its PATH ('/'-separated).
std::string day_file_name(const QuoteSource& source, std::string_view code);

// The price of four stored bytes (little-endian) under the encoding `type`
// ('0' single float, '1' complemented integer x 0.001, '2' integer x 0.01,
// '3' integer x 0.001; any other letter is '0'), held in single precision and
// then rounded to cents. kNotFound for a value that is no price (not finite
// or beyond what the security list can hold).
float decode_price(const uint8_t bytes[4], char type);

// The close of the last record of a day file held in memory: the four bytes
// at size - length + 16. kNotFound when the file is too short for that.
float price_from_day_data(const uint8_t* data, size_t size, int length, char type);

// readprice on a file: opens it read-only, reads the four bytes and decodes
// them. kNotFound when it is missing, unreadable or too short.
float read_day_price(const std::filesystem::path& file, int length, char type);

// The day-file reader of one source for one run.
class DayFiles {
 public:
  DayFiles(QuoteSource source, std::filesystem::path root)
      : m_source(std::move(source)), m_root(std::move(root)) {}
  // readprice(code, record length, type).
  float readprice(std::string_view code, int length, char type);
  FileFinder& finder() { return m_finder; }

 private:
  QuoteSource m_source;
  std::filesystem::path m_root;
  FileFinder m_finder;
};

}  // namespace vmx::market
