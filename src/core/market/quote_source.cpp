#include "core/market/quote_source.h"

#include <algorithm>

#include "core/store/gbk.h"

namespace vmx::market {

namespace {
constexpr const char* kFile = "hq_path.DBF";

int get_small(store::Cursor& c, const char* field) {
  const double d = c.get_double(field);
  // A record length or position far outside any file is as good as none.
  if (!(d > -1e6 && d < 1e6)) return 0;
  return static_cast<int>(d);
}
}  // namespace

Layout layout_of(std::string_view hqcode) {
  if (hqcode == "dbf") return Layout::Dbf;
  if (hqcode == "hjin") return Layout::Hjin;
  if (hqcode == "ml30") return Layout::Ml30;
  if (hqcode == "slon") return Layout::Slon;
  if (hqcode == "eye98") return Layout::Eye98;
  if (hqcode == "csv") return Layout::Csv;
  return Layout::Parameterised;
}

QuoteSource read_source(store::Cursor& c) {
  QuoteSource s;
  s.hqcode = c.get_string("HQCODE");
  s.hqname = c.get_string("HQNAME");
  s.path = c.get_string("PATH");
  s.shsubpath = c.get_string("SHSUBPATH");
  s.szsubpath = c.get_string("SZSUBPATH");
  s.note = c.get_string("NOTE");
  s.now = c.get_bool("NOW");
  s.szhead = c.get_string("SZHEAD");
  s.shhead = c.get_string("SHHEAD");
  s.tail = c.get_string("TAIL");
  s.length = get_small(c, "LENGTH");
  s.type = c.get_string("TYPE");
  s.szsubtab = c.get_string("SZSUBTAB");
  s.szc1 = get_small(c, "SZC1");
  s.szclen = get_small(c, "SZCLEN");
  s.szn1 = get_small(c, "SZN1");
  s.sznlen = get_small(c, "SZNLEN");
  s.szlen = get_small(c, "SZLEN");
  s.shsubtab = c.get_string("SHSUBTAB");
  s.shc1 = get_small(c, "SHC1");
  s.shclen = get_small(c, "SHCLEN");
  s.shn1 = get_small(c, "SHN1");
  s.shnlen = get_small(c, "SHNLEN");
  s.shlen = get_small(c, "SHLEN");
  s.szcodefile = c.get_string("SZCODEFILE");
  s.shcodefile = c.get_string("SHCODEFILE");
  return s;
}

std::filesystem::path source_directory(std::string_view stored,
                                       const std::filesystem::path& program_dir) {
  std::string s(stored);
  std::replace(s.begin(), s.end(), '\\', '/');
  std::filesystem::path p(s);
  if (p.is_relative()) p = program_dir / p;
  return p;
}

QuoteSources::QuoteSources(store::Session& session)
    : m_session(session), m_cursor(session, "curr", kFile) {}

QuoteSources::~QuoteSources() = default;

store::Cursor& QuoteSources::cursor() {
  m_cursor.open();
  return m_cursor;
}

bool QuoteSources::locate_current() {
  store::Cursor& c = cursor();
  if (c.locate("NOW", {store::Value::boolean(true)})) return true;
  c.first();
  return !c.empty();
}

QuoteSource QuoteSources::current() { return read_source(cursor()); }

std::vector<QuoteSource> QuoteSources::all() {
  store::Cursor& c = cursor();
  const auto here = c.bookmark();
  std::vector<QuoteSource> out;
  for (c.first(); !c.eof(); c.next()) out.push_back(read_source(c));
  c.go_to_bookmark(here);
  return out;
}

bool QuoteSources::pick(const std::string& hqcode) {
  store::Cursor& c = cursor();
  if (c.state() != store::Cursor::State::Browse) c.post();
  if (!c.locate("HQCODE", {store::Value::text(hqcode)})) return false;
  for (c.first(); !c.eof(); c.next()) {
    if (!c.get_bool("NOW")) continue;
    c.set_bool("NOW", false);
    c.post();
  }
  c.locate("HQCODE", {store::Value::text(hqcode)});
  c.set_bool("NOW", true);
  c.post();
  return true;
}

bool QuoteSources::set_path(const std::string& dir, platform::Dialogs& dialogs) {
  store::Cursor& c = cursor();
  const int width = c.schema().fields[c.field_index("PATH")].width;
  if (static_cast<int>(store::utf8_to_gbk(dir).size()) > width) {
    dialogs.warn("路径" + dir + "太长,行情源表的路径栏只能放" + std::to_string(width) +
                 "个字节,请选短一些的路径.");
    return false;
  }
  c.set_string("PATH", dir);
  c.post();
  return true;
}

std::filesystem::path QuoteSources::program_dir() const { return m_session.alias_dir("curr"); }

}  // namespace vmx::market
