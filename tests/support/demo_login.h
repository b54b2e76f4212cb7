#pragma once

#include <memory>

#include "core/login/workspace.h"
#include "core/store/session.h"
#include "support/temp_dir.h"

namespace vmx::test {

// Lays out a demo installation in `dir` (its "today" fixed at 2024-03-15),
// binds curr to it and logs in as 示范帐户, as the login window would.
std::unique_ptr<app::Workspace> demo_login(const TempDir& dir, store::Session& session,
                                           platform::Dialogs& dialogs, platform::Clock& clock,
                                           platform::Help& help);

}  // namespace vmx::test
