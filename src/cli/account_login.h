#pragma once

#include <filesystem>
#include <string>

#include "core/login/workspace.h"
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

}  // namespace vmx::cli
