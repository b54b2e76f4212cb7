#include "core/platform/durable_dialogs.h"

#include "core/platform/file_system.h"

namespace vmx::platform {

void DurableDialogs::inform(const std::string& text) {
  flush_written_files();
  m_boxes.inform(text);
}

void DurableDialogs::warn(const std::string& text) {
  flush_written_files();
  m_boxes.warn(text);
}

void DurableDialogs::error(const std::string& text) {
  try {
    flush_written_files();
  } catch (const FileError& e) {
    m_boxes.error(text + "\n" + e.what());
    return;
  }
  m_boxes.error(text);
}

bool DurableDialogs::ask(const std::string& text) {
  flush_written_files();
  return m_boxes.ask(text);
}

void DurableDialogs::acknowledge_at(const std::string& text, int x, int y) {
  flush_written_files();
  m_boxes.acknowledge_at(text, x, y);
}

std::optional<std::string> DurableDialogs::input(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
  flush_written_files();
  return m_boxes.input(caption, prompt, initial);
}

std::optional<std::string> DurableDialogs::pick_file(const std::string& caption,
                                                     const std::string& directory,
                                                     const std::string& filter) {
  return m_boxes.pick_file(caption, directory, filter);
}

std::optional<std::string> DurableDialogs::pick_save_file(const std::string& caption,
                                                          const std::string& directory,
                                                          const std::string& filter) {
  return m_boxes.pick_save_file(caption, directory, filter);
}

}  // namespace vmx::platform
