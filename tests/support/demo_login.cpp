#include "support/demo_login.h"

#include "core/install/installation.h"

namespace vmx::test {

std::unique_ptr<app::Workspace> demo_login(const TempDir& dir, store::Session& session,
                                           platform::Dialogs& dialogs, platform::Clock& clock,
                                           platform::Help& help) {
  store::init_installation(dir.path(), true, Date::from_ymd(2024, 3, 15));
  session.set_alias("curr", dir.path());
  return std::make_unique<app::Workspace>(
      session, dialogs, clock, help,
      app::LoginState{dir.path(), store::kDemoAccountName, dir.path() / "demo"});
}

}  // namespace vmx::test
