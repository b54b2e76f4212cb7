#pragma once

#include <QApplication>
#include <string>

#include "core/platform/dialogs.h"

namespace vmx::ui {

// The application object of the windowed program. An exception that leaves an
// event handler (a table engine error, a text that is not a number) is shown
// in the standard error box and ends that operation only, as the old
// framework did: the program goes on with whatever was posted before it.
// When the outermost event's handling ends, the files it wrote are made
// durable (a failure to do so is shown like any other error).
class GuardedApplication : public QApplication {
  Q_OBJECT
 public:
  GuardedApplication(int& argc, char** argv);

  // The boxes errors are shown in; without one they go to standard error.
  // The Dialogs must outlive its use here (set nullptr before it goes).
  void set_dialogs(platform::Dialogs* dialogs) { m_dialogs = dialogs; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void show_error(const std::string& text);
  platform::Dialogs* m_dialogs = nullptr;
  int m_depth = 0;  // events being handled, nested ones included
};

}  // namespace vmx::ui
