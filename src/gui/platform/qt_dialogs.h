#pragma once

#include "core/platform/dialogs.h"

#include <QPointer>
#include <QWidget>

namespace vmx::platform {

// The title of every box: short enough to fit the narrowest box.
inline constexpr const char* kBoxTitle = "Valmorix";

// Real message boxes. Each box belongs to the window that caused it: the
// active modal dialog, else the active window, else the window the previous
// box belonged to (right after a box closes the desktop has not yet given its
// window back the focus, and a second box of the same operation would go to
// the login window and bring it to the front), else the fallback window given
// here. It stands above that window (also above one that stays on top), is
// modal, and the window has the focus again when it closes. The core never
// names a window: the box finds it when it opens.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* fallback = nullptr) : m_fallback(fallback) {}
  void set_parent(QWidget* fallback) { m_fallback = fallback; }

  // The window a box opened now belongs to (may be null).
  QWidget* owner() const;

  void inform(const std::string& text) override;
  void warn(const std::string& text) override;
  void error(const std::string& text) override;
  bool ask(const std::string& text) override;
  // The single button is the one the text names: "Yes" ("是") when the text
  // says to press Yes, otherwise OK ("确定").
  void acknowledge_at(const std::string& text, int x, int y) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;
  std::optional<std::string> pick_file(const std::string& caption, const std::string& directory,
                                       const std::string& filter) override;
  std::optional<std::string> pick_save_file(const std::string& caption,
                                            const std::string& directory,
                                            const std::string& filter) override;

 private:
  QWidget* m_fallback;
  mutable QPointer<QWidget> m_last;
};

// Shows `window` (a window of its own) above `cause`: when `cause` stays on top
// of the others, `window` does too, so that it does not open underneath.
void show_above(QWidget& window, const QWidget* cause);

}  // namespace vmx::platform
