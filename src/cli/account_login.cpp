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
  const app::AccountDirectory dir =
      app::account_directory(login.curr_dir, name, accounts.get_string("Subdir"));
  if (!dir.accepted()) throw store::Error(dir.refusal);
  login.acc_dir = dir.dir;
  return login;
}

}  // namespace vmx::cli

namespace vmx::cli {

AccountRun::AccountRun(const AccountArgs& account, bool answer, platform::Clock& clock)
    : dialogs(answer) {
  session.set_dialogs(&dialogs);
  app::LoginState login = login_without_password(session, account.program_dir, account.name);
  m_workspace = std::make_unique<app::Workspace>(session, dialogs, clock, help, std::move(login));
}

}  // namespace vmx::cli
