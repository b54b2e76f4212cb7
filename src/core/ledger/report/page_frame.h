#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/clock.h"
#include "core/platform/printer.h"
#include "core/store/cursor.h"

// The page frame every printed report shares: a title line, a line of two
// spaces, the page line with the print time, a separator, the header, a
// separator, up to 50 data lines; a full page closes with a separator, the
// report's footer and blank padding lines, the last page with a separator.
namespace vmx::ledger::report {

inline constexpr int kLinesPerPage = 50;

// "—" 49 times.
const std::string& separator();

// Width of a text as the printer counts it: its GBK bytes, a Chinese
// character taking two. Never fails (malformed UTF-8 counts a byte each).
size_t print_width(std::string_view text);

// Which side of the text the column padding goes: after it (left-aligned
// columns, most reports) or before it (right-aligned, the fund management
// window's reports).
enum class Pad { After, Before };

// The column padding of the reports: (width - width of the text without
// leading and trailing blanks) spaces after (or before) `text`; the text
// unchanged when that is not positive. Blanks of the text stay and so widen
// the column.
std::string s10(std::string_view text, int width, Pad side = Pad::After);

// Holds a cursor's bound views still and returns the cursor to its row when
// it goes, also when a report fails half-way.
class RowKept {
 public:
  explicit RowKept(store::Cursor& c);
  ~RowKept();
  RowKept(const RowKept&) = delete;
  RowKept& operator=(const RowKept&) = delete;

 private:
  store::Cursor& m_c;
  store::Cursor::Bookmark m_mark;
  long m_pos;
};

// A number in general format: up to 15 significant digits, no trailing zeros,
// no exponent below 1e15 ("12.5", "0.1", "-3").
std::string general_number(double d);

// The print time of the page line: "yyyy-mm-dd hh:mm:ss".
std::string print_time_text(const platform::DateTime& t);

// The page line: "                         第" k "页， 共" P "页   打印时间:" time.
std::string page_line(size_t page, size_t pages, const std::string& time_text);

// Pages for n data lines: n / 50 rounded up (0 for none).
size_t page_count(size_t lines, size_t per_page = kLinesPerPage);

struct PageFrame {
  std::string job;                  // the print job's name
  std::string title;                // the whole title line, leading spaces included
  std::vector<std::string> header;  // the header line(s) between the separators
  std::vector<std::string> footer;  // after the separator of a full page; may be empty
  int padding_lines = 8;            // lines of three spaces after a full page's footer
  size_t lines_per_page = kLinesPerPage;
  // When not 0: the font height of the first page's title line; the lines
  // after it (from the line of two spaces on) go back to the grid's height.
  int title_font_height = 0;
};

// Prints a whole report: begins the document, writes a line of two spaces,
// then the pages of `lines` in the frame, and ends the document. With no
// lines the job holds the one line of two spaces. Printer errors
// (store::Error) pass to the caller.
void print_framed(platform::Printer& printer, const PageFrame& frame,
                  const std::vector<std::string>& lines, const platform::DateTime& when);

// The first row of a report that prints history from the cursor's row: the
// current row, except when it is the last row: then step back from the last
// row, counting each row for which `counts` is true before stepping past it,
// until lines_per_page - 1 rows are counted or the first row is reached, so
// that the bottom row prints one page of the newest rows. Positions are
// 0-based among `count` rows; 0 when there are none.
size_t start_row(size_t current, size_t count, const std::function<bool(size_t)>& counts,
                 size_t lines_per_page = kLinesPerPage);

// The same over a cursor: the position of the start row among its visible
// rows. `counts` reads the cursor's current row; the cursor walks the rows and
// is put back on its row (a caller with bound views disables their controls
// around it). 0 when the cursor has no rows.
size_t start_row(store::Cursor& cursor, const std::function<bool(store::Cursor&)>& counts,
                 size_t lines_per_page = kLinesPerPage);

}  // namespace vmx::ledger::report
