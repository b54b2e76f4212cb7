#include "cli/account_login.h"

#include "core/login/account_list.h"
#include "core/store/cursor.h"
#include "core/store/error.h"

namespace vmx::cli {

app::LoginState login_without_password(store::Session& session,
                                       const std::filesystem::path& program_dir,
                                       const std::string& name) {
  app::LoginState login;
  login.curr_dir = std::filesystem::absolute(program_dir);
  login.acc_name = name;
  app::bind_program_directory(session, login.curr_dir);
  store::Cursor accounts(session, "curr", "z.db");
  accounts.open();
  if (!accounts.locate("User_name", {store::Value::text(name)}))
    throw store::Error("no account named '" + name + "' in " +
                       session.resolve("curr", "z.db").string());
  const std::string subdir = accounts.get_string("Subdir");
  if (subdir.empty()) throw store::Error("account '" + name + "' has no data directory in z.db");
  login.acc_dir = login.curr_dir / subdir;
  std::error_code ec;
  if (!std::filesystem::is_directory(login.acc_dir, ec))
    throw store::Error("the data directory " + login.acc_dir.string() + " of account '" + name +
                       "' does not exist");
  return login;
}

}  // namespace vmx::cli
