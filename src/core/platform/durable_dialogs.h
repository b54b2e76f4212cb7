#pragma once

#include "core/platform/dialogs.h"

namespace vmx::platform {

// Dialogs that make every file written so far durable before a box shows, so
// a success message never stands in front of changes a power cut could still
// take away. A failure to do so stops the operation with that error instead
// (an error box in hand shows both texts).
class DurableDialogs : public Dialogs {
 public:
  explicit DurableDialogs(Dialogs& boxes) : m_boxes(boxes) {}

  void inform(const std::string& text) override;
  void warn(const std::string& text) override;
  void error(const std::string& text) override;
  bool ask(const std::string& text) override;
  void acknowledge_at(const std::string& text, int x, int y) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;
  std::optional<std::string> pick_file(const std::string& caption, const std::string& directory,
                                       const std::string& filter) override;
  std::optional<std::string> pick_save_file(const std::string& caption,
                                            const std::string& directory,
                                            const std::string& filter) override;

 private:
  Dialogs& m_boxes;
};

}  // namespace vmx::platform
