#include "gui/widgets/guarded_application.h"

#include <QGuiApplication>
#include <cstdio>

#include "core/platform/error_boundary.h"

namespace vmx::ui {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    const std::string text = platform::describe_current_exception();
    // A long operation that stopped early must not leave the hourglass behind.
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    if (m_dialogs) {
      try {
        m_dialogs->error(text);
      } catch (...) {
        std::fprintf(stderr, "valmorix: %s\n", text.c_str());
      }
    } else {
      std::fprintf(stderr, "valmorix: %s\n", text.c_str());
    }
    return false;
  }
}

}  // namespace vmx::ui
