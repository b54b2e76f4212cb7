#include "core/platform/scripted_printer.h"

#include <stdexcept>

namespace vmx::platform {

void ScriptedPrinter::require_open() const {
  if (!m_open) throw std::logic_error("printer: no document begun");
}

void ScriptedPrinter::begin_document(const std::string& title) {
  if (m_open) throw std::logic_error("printer: a document is already begun");
  m_current = PrintedDocument{};
  m_current.title = title;
  m_current.pages.emplace_back();
  m_open = true;
}

void ScriptedPrinter::write_line(const std::string& text) {
  require_open();
  m_current.pages.back().push_back(text);
}

void ScriptedPrinter::new_page() {
  require_open();
  m_current.pages.emplace_back();
}

void ScriptedPrinter::set_font_height(int height) {
  require_open();
  m_current.font_changes.push_back(
      {m_current.pages.size() - 1, m_current.pages.back().size(), height});
}

void ScriptedPrinter::end_document() {
  require_open();
  m_open = false;
  m_done.push_back(std::move(m_current));
  m_current = PrintedDocument{};
}

const PrintedDocument& ScriptedPrinter::last() const {
  if (m_done.empty()) throw std::logic_error("printer: nothing printed");
  return m_done.back();
}

std::string document_text(const PrintedDocument& doc) {
  std::string out;
  for (size_t p = 0; p < doc.pages.size(); ++p) {
    if (p > 0) out += '\f';
    for (const std::string& line : doc.pages[p]) out += line + "\n";
  }
  return out;
}

}  // namespace vmx::platform
