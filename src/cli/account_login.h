#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "cli/command.h"
#include "core/login/workspace.h"
#include "core/platform/help.h"
#include "core/store/session.h"

namespace vmx::cli {

// What a login of the account named `name` in the installation `program_dir`
// would bind, without asking for its password (the batch commands run for the
// user at the machine): curr bound to the program directory, the account's
// directory found from its z.db row as the login window finds it. Throws
// store::Error naming what is missing or refused: the account list, the
// account, or its data directory.
app::LoginState login_without_password(store::Session& session,
                                       const std::filesystem::path& program_dir,
                                       const std::string& name);

// An account opened for a batch command as such a login opens it, every
// message said on standard output and every question answered with `answer`.
// Throws store::Error as login_without_password does.
class AccountRun {
 public:
  AccountRun(const AccountArgs& account, bool answer, platform::Clock& clock);

  PrintingDialogs dialogs;
  store::Session session;
  platform::LoggingHelp help;
  app::Workspace& workspace() { return *m_workspace; }

 private:
  std::unique_ptr<app::Workspace> m_workspace;
};

}  // namespace vmx::cli
