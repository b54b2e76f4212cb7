#pragma once

#include <string>
#include <vector>

#include "core/platform/printer.h"

namespace vmx::platform {

// A finished print job as a list of pages of lines.
struct PrintedDocument {
  struct FontChange {
    size_t page, line;  // the change applies from this line of this page on
    int height;
    bool operator==(const FontChange&) const = default;
  };
  std::string title;
  std::vector<std::vector<std::string>> pages;  // at least one page once begun
  std::vector<FontChange> font_changes;
};

// Records what a report prints, page by page, so tests compare whole pages and
// valmorix-cli prints the lines; the Qt printers replay a recorded document.
// Misuse (a line before begin_document, a second begin) throws
// std::logic_error: that is a fault of the report, not of the printer.
class ScriptedPrinter : public Printer {
 public:
  void begin_document(const std::string& title) override;
  void write_line(const std::string& text) override;
  void new_page() override;
  void set_font_height(int height) override;
  void end_document() override;

  // Every document ended so far, in order.
  const std::vector<PrintedDocument>& documents() const { return m_done; }
  // The last document ended; throws std::logic_error when there is none.
  const PrintedDocument& last() const;
  bool in_document() const { return m_open; }

 private:
  void require_open() const;
  PrintedDocument m_current;
  std::vector<PrintedDocument> m_done;
  bool m_open = false;
};

// The lines of a document as a text printer receives them: lines end with
// "\n", and each page after the first begins with a form feed.
std::string document_text(const PrintedDocument& doc);

}  // namespace vmx::platform
