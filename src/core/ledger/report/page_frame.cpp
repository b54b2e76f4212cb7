#include "core/ledger/report/page_frame.h"

#include <cstdio>

#include "core/store/cursor.h"
#include "core/store/gbk.h"

namespace vmx::ledger::report {

namespace {

bool is_blank_char(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Trim as the reports always did: every control character and space goes.
std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_blank_char(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank_char(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

const std::string& separator() {
  static const std::string line = [] {
    std::string s;
    for (int i = 0; i < 49; ++i) s += "—";
    return s;
  }();
  return line;
}

size_t print_width(std::string_view text) {
  if (store::is_ascii(text)) return text.size();
  try {
    return store::utf8_to_gbk(text).size();
  } catch (const std::exception&) {
    return text.size();
  }
}

std::string s10(std::string_view text, int width, Pad side) {
  const long pad = static_cast<long>(width) - static_cast<long>(print_width(trimmed(text)));
  if (pad <= 0) return std::string(text);
  const std::string spaces(static_cast<size_t>(pad), ' ');
  return side == Pad::After ? std::string(text) + spaces : spaces + std::string(text);
}

RowKept::RowKept(store::Cursor& c) : m_c(c), m_mark(c.bookmark()), m_pos(c.position()) {
  m_c.disable_controls();
}

RowKept::~RowKept() {
  if (!m_c.go_to_bookmark(m_mark) && m_pos >= 0) m_c.go_to_position(m_pos);
  m_c.enable_controls();
}

std::string general_number(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  std::string s = buf;
  return s == "-0" ? "0" : s;
}

std::string print_time_text(const platform::DateTime& t) {
  char buf[16];
  std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t.hour, t.minute, t.second);
  return t.date.to_string() + buf;
}

std::string page_line(size_t page, size_t pages, const std::string& time_text) {
  return "                         第" + std::to_string(page) + "页， 共" + std::to_string(pages) +
         "页   打印时间:" + time_text;
}

size_t page_count(size_t lines, size_t per_page) {
  return per_page == 0 ? 0 : (lines + per_page - 1) / per_page;
}

void print_framed(platform::Printer& printer, const PageFrame& frame,
                  const std::vector<std::string>& lines, const platform::DateTime& when) {
  const size_t per_page = frame.lines_per_page == 0 ? kLinesPerPage : frame.lines_per_page;
  const size_t pages = page_count(lines.size(), per_page);
  const std::string time_text = print_time_text(when);

  printer.begin_document(frame.job);
  printer.write_line("  ");
  if (frame.title_font_height != 0) printer.set_font_height(frame.title_font_height);
  size_t next = 0;
  for (size_t k = 1; k <= pages; ++k) {
    printer.write_line(frame.title);
    printer.write_line("  ");
    if (k == 1 && frame.title_font_height != 0)
      printer.set_font_height(platform::Printer::kDefaultHeight);
    printer.write_line(page_line(k, pages, time_text));
    printer.write_line(separator());
    for (const std::string& h : frame.header) printer.write_line(h);
    printer.write_line(separator());
    for (size_t j = 0; j < per_page && next < lines.size(); ++j) printer.write_line(lines[next++]);
    printer.write_line(separator());
    // A page that used up the rows ends the report, even when it is full:
    // the footer and padding only lead on to a next page.
    if (next >= lines.size()) break;
    for (const std::string& f : frame.footer) printer.write_line(f);
    for (int i = 0; i < frame.padding_lines; ++i) printer.write_line("   ");
    printer.new_page();
  }
  printer.end_document();
}

size_t start_row(size_t current, size_t count, const std::function<bool(size_t)>& counts,
                 size_t lines_per_page) {
  if (count == 0) return 0;
  if (current + 1 < count) return current;
  const size_t want = lines_per_page == 0 ? 0 : lines_per_page - 1;
  size_t row = count - 1, counted = 0;
  while (counted < want && row > 0) {
    if (counts(row)) ++counted;
    --row;
  }
  return row;
}

size_t start_row(store::Cursor& cursor, const std::function<bool(store::Cursor&)>& counts,
                 size_t lines_per_page) {
  const size_t count = cursor.count();
  if (count == 0) return 0;
  const long here = cursor.position();
  const store::Cursor::Bookmark mark = cursor.bookmark();
  const size_t start = start_row(
      here < 0 ? 0 : static_cast<size_t>(here), count,
      [&](size_t pos) {
        cursor.go_to_position(static_cast<long>(pos));
        return counts(cursor);
      },
      lines_per_page);
  if (!cursor.go_to_bookmark(mark)) cursor.go_to_position(here);
  return start;
}

}  // namespace vmx::ledger::report
