#pragma once

#include <QApplication>
#include <functional>

#include "core/platform/dialogs.h"
#include "core/platform/error_boundary.h"

namespace vmx::ui {

// The hourglass for the length of an operation, restored on every way out.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// A long operation behind a button: hourglass while it runs, the standard error
// box (with the normal cursor back) when it stops with an error. True when it
// ran to its end.
inline bool run_busy(platform::Dialogs& dialogs, const std::function<void()>& operation) {
  return platform::run_guarded(dialogs, [&] {
    const WaitCursor wait;
    operation();
  });
}

}  // namespace vmx::ui
