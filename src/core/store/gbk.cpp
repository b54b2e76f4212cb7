#include "core/store/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

#include "core/store/error.h"

namespace vmx::store {
namespace {

// One converter per direction and thread; iconv_open is slow enough to matter
// when a table of 100,000 rows is decoded.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
    if (m_cd == reinterpret_cast<iconv_t>(-1))
      throw Error(std::string("the C library cannot convert from ") + from + " to " + to);
  }
  ~Converter() { iconv_close(m_cd); }
  iconv_t get() {
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    return m_cd;
  }

 private:
  iconv_t m_cd;
};

// Converts, handing each unconvertible input sequence to `on_bad`, which returns
// how many input bytes to skip and what to emit instead.
template <typename OnBad>
std::string convert(iconv_t cd, std::string_view in, OnBad on_bad) {
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char buf[512];
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end).
      const auto [skip, replacement] = on_bad(std::string_view(src, left), errno);
      out += replacement;
      src += skip;
      left -= skip;
    }
  }
  return out;
}

size_t utf8_sequence_length(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

bool is_ascii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::string utf8_to_gbk(std::string_view utf8) {
  if (is_ascii(utf8)) return std::string(utf8);
  thread_local Converter conv("GBK", "UTF-8");
  return convert(conv.get(), utf8, [&](std::string_view rest, int err) {
    const size_t n = utf8_sequence_length(static_cast<unsigned char>(rest[0]));
    if (err == EINVAL || n == 0 || n > rest.size())
      throw ConversionError("the text is not valid UTF-8: " + std::string(utf8.substr(0, 40)));
    // A valid character that GBK lacks.
    return std::pair<size_t, std::string>(n, "?");
  });
}

std::string gbk_to_utf8(std::string_view gbk) {
  if (is_ascii(gbk)) return std::string(gbk);
  thread_local Converter conv("UTF-8", "GBK");
  return convert(conv.get(), gbk, [](std::string_view rest, int) {
    // Skip a whole double-byte code when the lead byte says there is one.
    const auto c = static_cast<unsigned char>(rest[0]);
    const size_t n = (c >= 0x81 && c <= 0xFE && rest.size() >= 2) ? 2 : 1;
    return std::pair<size_t, std::string>(n, "\xEF\xBF\xBD");
  });
}

std::string_view gbk_cut(std::string_view gbk, size_t max_bytes) {
  if (gbk.size() <= max_bytes) return gbk;
  // Walk from the start: a lead byte 0x81..0xFE opens a two-byte character.
  size_t i = 0;
  while (i < max_bytes) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    const size_t n = (c >= 0x81 && c <= 0xFE) ? 2 : 1;
    if (i + n > max_bytes) break;
    i += n;
  }
  return gbk.substr(0, i);
}

int compare_ordinal(std::string_view a, std::string_view b) {
  if (is_ascii(a) && is_ascii(b)) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  const std::string ga = utf8_to_gbk(a), gb = utf8_to_gbk(b);
  const int c = std::string_view(ga).compare(gb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool fits_gbk_field(std::string_view utf8, size_t width) {
  if (is_ascii(utf8)) return utf8.size() <= width;
  try {
    const std::string gbk = utf8_to_gbk(utf8);
    return gbk.size() <= width && gbk_to_utf8(gbk) == utf8;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vmx::store
