#pragma once

#include <memory>

#include "core/login/workspace.h"
#include "core/store/session.h"
#include "support/checked_dialogs.h"
#include "support/temp_dir.h"

namespace vmx::test {

// Lays out a demo installation in `dir` (its "today" fixed at 2024-03-15),
// binds curr to it and logs in as 示范帐户, as the login window would.
std::unique_ptr<app::Workspace> demo_login(const TempDir& dir, store::Session& session,
                                           platform::Dialogs& dialogs, platform::Clock& clock,
                                           platform::Help& help);

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
