#pragma once

#include "core/platform/dialogs.h"

class QWidget;

namespace vmx::platform {

// Real message boxes, owned by a parent window (or none).
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
  void set_parent(QWidget* parent) { m_parent = parent; }

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
  QWidget* m_parent;
};

}  // namespace vmx::platform
