#pragma once

#include <string>

namespace vmx::platform {

// The printer as the reports see it: a text device that takes whole lines
// (UTF-8) one after the other. Columns are laid out with spaces and counted in
// GBK bytes, a Chinese character taking two, so an implementation must give a
// Chinese character exactly twice the width of a Latin one.
//
// A document is begin_document, lines and new_page calls, end_document. A
// line that does not fit on the sheet any more continues on a new sheet, as a
// text device does; new_page starts a new page of the report explicitly.
class Printer {
 public:
  virtual ~Printer() = default;

  // Starts a print job; `title` names the job (the report's name). Throws
  // store::Error when the printer cannot be opened.
  virtual void begin_document(const std::string& title) = 0;
  // Writes one line (no line break in `text`).
  virtual void write_line(const std::string& text) = 0;
  // Starts the next page.
  virtual void new_page() = 0;
  // Sets the font height of the lines that follow (the reports' grid font is
  // 12; a statistics title is 14). Every document starts at kDefaultHeight.
  virtual void set_font_height(int height) = 0;
  // Ends the job: the document is printed (or written, or shown). Throws
  // store::Error when that fails.
  virtual void end_document() = 0;

  static constexpr int kDefaultHeight = 12;
};

}  // namespace vmx::platform
