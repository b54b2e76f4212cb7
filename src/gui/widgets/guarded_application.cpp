#include "gui/widgets/guarded_application.h"

#include <QGuiApplication>
#include <cstdio>

#include "core/platform/error_boundary.h"
#include "core/platform/file_system.h"

namespace vmx::ui {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  ++m_depth;
  bool handled = false;
  try {
    handled = QApplication::notify(receiver, event);
  } catch (...) {
    // A long operation that stopped early must not leave the hourglass behind.
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    show_error(platform::describe_current_exception());
  }
  // The end of what one event set off (a click, a key): what it wrote goes
  // to disk now, once, rather than row by row.
  if (--m_depth == 0) {
    try {
      platform::flush_written_files();
    } catch (...) {
      show_error(platform::describe_current_exception());
    }
  }
  return handled;
}

void GuardedApplication::show_error(const std::string& text) {
  if (m_dialogs) {
    try {
      m_dialogs->error(text);
      return;
    } catch (...) {
    }
  }
  std::fprintf(stderr, "valmorix: %s\n", text.c_str());
}

}  // namespace vmx::ui
