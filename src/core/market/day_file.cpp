#include "core/market/day_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <system_error>

#include "core/store/rounding.h"

namespace vmx::market {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& ch : out)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return out;
}

std::string with_slashes(std::string_view s) {
  std::string out(s);
  for (char& ch : out)
    if (ch == '\\') ch = '/';
  return out;
}

int32_t le32(const uint8_t b[4]) {
  const uint32_t u =
      uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  int32_t i;
  std::memcpy(&i, &u, 4);
  return i;
}

}  // namespace

const std::map<std::string, std::string>& FileFinder::listing(const fs::path& dir) {
  auto it = m_listings.find(dir);
  if (it != m_listings.end()) return it->second;
  std::map<std::string, std::string> names;
  std::error_code ec;
  for (fs::directory_iterator d(dir, ec), end; !ec && d != end; d.increment(ec)) {
    const std::string name = d->path().filename().string();
    names.emplace(lower(name), name);  // of two names differing in case, the first listed wins
  }
  return m_listings.emplace(dir, std::move(names)).first->second;
}

std::optional<fs::path> FileFinder::find(const fs::path& root, std::string_view relative) {
  const std::string rel = with_slashes(relative);
  std::error_code ec;
  const fs::path direct = root / fs::path(rel).relative_path();
  if (fs::exists(direct, ec)) return direct;
  fs::path at = root;
  size_t pos = 0;
  while (pos <= rel.size()) {
    size_t slash = rel.find('/', pos);
    if (slash == std::string::npos) slash = rel.size();
    const std::string part = rel.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      at /= part;
      continue;
    }
    const auto& names = listing(at);
    auto hit = names.find(lower(part));
    if (hit == names.end()) return std::nullopt;
    at /= hit->second;
  }
  if (!fs::exists(at, ec)) return std::nullopt;
  return at;
}

std::string day_file_name(const QuoteSource& s, std::string_view code) {
  const bool sz = is_shenzhen(code);
  const std::string c(code);
  switch (s.layout()) {
    case Layout::Hjin:
      return sz ? "exe/lineday/sz/sz" + c + ".psd" : "exe/lineday/sh/sh" + c + ".psd";
    case Layout::Ml30:
      return sz ? "data/sznse/day/" + c + ".day" : "data/shase/day/" + c + ".day";
    case Layout::Slon:
      return sz ? "data/sz/day/" + c + ".day" : "data/sh/day/" + c + ".day";
    case Layout::Eye98:
      return sz ? "stkdt/za" + c + ".dat" : "stkdt/ha" + c + ".dat";
    default:
      break;
  }
  const std::string sub = with_slashes(sz ? s.szsubpath : s.shsubpath);
  const std::string head = sz ? s.szhead : s.shhead;
  return sub + "/" + head + c + "." + s.tail;
}

float decode_price(const uint8_t bytes[4], char type) {
  const int32_t i = le32(bytes);
  float p;
  switch (type) {
    case '1':
      p = static_cast<float>(static_cast<long double>(~i) * 0.001L);
      break;
    case '2':
      p = static_cast<float>(static_cast<long double>(i) * 0.01L);
      break;
    case '3':
      p = static_cast<float>(static_cast<long double>(i) * 0.001L);
      break;
    default:
      std::memcpy(&p, bytes, 4);
      break;
  }
  // Beyond 10^8 the security list's price field cannot hold it, and no
  // security costs that much: such bytes are not a price.
  if (!std::isfinite(p) || std::fabs(p) >= 1e8f) return kNotFound;
  const long double cents = store::round_half_even(static_cast<long double>(p) * 100);
  return static_cast<float>(cents * 0.01L);
}

float price_from_day_data(const uint8_t* data, size_t size, int length, char type) {
  if (length < 20 || static_cast<size_t>(length) > size) return kNotFound;
  return decode_price(data + (size - length + 16), type);
}

float read_day_price(const fs::path& file, int length, char type) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kNotFound;
  float price = kNotFound;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && length >= 20 && st.st_size >= length) {
    uint8_t b[4];
    if (::pread(fd, b, 4, st.st_size - length + 16) == 4) price = decode_price(b, type);
  }
  ::close(fd);
  return price;
}

float DayFiles::readprice(std::string_view code, int length, char type) {
  const auto file = m_finder.find(m_root, day_file_name(m_source, code));
  if (!file) return kNotFound;
  return read_day_price(*file, length, type);
}

}  // namespace vmx::market
