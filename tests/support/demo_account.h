#pragma once

#include <memory>

#include "support/checked_dialogs.h"
#include "support/demo_login.h"

namespace vmx::test {

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

}  // namespace vmx::test
