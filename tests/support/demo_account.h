#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/install/installation.h"
#include "gui/app/login_window.h"
#include "support/checked_dialogs.h"
#include "support/demo_login.h"

namespace vmx::test {

// Notes each help page a window opens; the contents page as "(contents)".
struct RecordingHelp : platform::Help {
  void open_keyword(const std::string& keyword) override { keywords.push_back(keyword); }
  void open_contents() override { keywords.push_back("(contents)"); }
  std::vector<std::string> keywords;
};

// A window test's demo login, made in init() and dropped in cleanup(): the
// workspace goes first, then the dialogs (which check that every scripted
// answer was used), the session and the installation's files.
struct DemoAccount {
  DemoAccount(platform::Clock& clock, platform::Help& help)
      : ws(demo_login(dir, session, dialogs, clock, help)) {}
  TempDir dir;
  store::Session session;
  CheckedDialogs dialogs;
  std::unique_ptr<app::Workspace> ws;
};

// A demo installation laid out on `today` with the login window shown on it,
// for the tests that log in as the user does. Dropped in the reverse order:
// the login window (and the windows it owns), the session, the dialogs, the
// files.
struct DemoInstallation {
  DemoInstallation(Date today, platform::Clock& clock, platform::Help& help) {
    store::init_installation(dir.path(), true, today);
    login = std::make_unique<app::TForm1>(session, dialogs, clock, help, dir.path());
    login->show();
  }
  TempDir dir;
  CheckedDialogs dialogs;
  store::Session session;
  std::unique_ptr<app::TForm1> login;
};

}  // namespace vmx::test
