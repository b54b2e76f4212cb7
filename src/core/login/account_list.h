#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/login/workspace.h"
#include "core/platform/dialogs.h"
#include "core/store/cursor.h"
#include "core/store/session.h"

namespace vmx::app {

// Shown when the account list is not in the working directory: the program was
// started somewhere other than its installation directory.
inline constexpr const char* kMissingAccountList =
    "找不到管理帐户清单文件。注意：1)执行程序需放在安装目录；2)执行程序快捷键不能直接送到桌面上，"
    "应先产生于安装目录，再送到桌面上。";
// A wrong password and an unknown name get the same answer, so the login
// does not tell which names exist.
inline constexpr const char* kWrongPassword = "对不起,密码错误,请重试!";

// Where an account's tables live. Its Subdir must name a directory directly
// inside the program directory: a plain name, found without regard to case,
// that is neither "." nor "..", holds no separator and is not a link out of
// the program directory. An older installation's ".\name" is read as "name".
struct AccountDirectory {
  std::filesystem::path dir;  // curr_dir / the directory's name on disk, when accepted
  std::string refusal;        // the message to show, when refused
  bool accepted() const { return refusal.empty(); }
};
AccountDirectory account_directory(const std::filesystem::path& curr_dir,
                                   const std::string& account, const std::string& subdir);

// Where a Subdir leads, by the rule above, for callers that word the refusal
// for their own purpose (deleting an account, restoring it).
enum class SubdirProblem {
  None,       // `dir` is the directory, directly inside the program directory
  Empty,      // no name
  NotAName,   // ".", "..", or a path
  Missing,    // nothing of that name in the program directory
  NotInside,  // a file, or a link to somewhere else
};
struct SubdirPlace {
  std::filesystem::path dir;  // curr_dir / the name on disk (also when Missing)
  SubdirProblem problem = SubdirProblem::None;
};
SubdirPlace locate_subdir(const std::filesystem::path& curr_dir, const std::string& subdir);

// Binds alias curr to the program directory and gives the engine the table
// password: what the login window does first, before any table is opened.
void bind_program_directory(store::Session& session, const std::filesystem::path& curr_dir);

// The managed accounts of z.db (alias curr), as the login window uses them.
class AccountList {
 public:
  // Opens z.db through alias curr, which must be bound. When the file is
  // missing, shows kMissingAccountList and stays closed: the list is empty
  // and login() fails with the engine's error. Throws store::Error when z.db
  // exists but cannot be read.
  AccountList(store::Session& session, platform::Dialogs& dialogs);
  ~AccountList();

  bool available() const { return m_accounts.active(); }
  // User names in table order (the primary key's order).
  std::vector<std::string> names();
  // The name the login window starts with: the first row whose Now is true,
  // else the first row; "" when there are no rows.
  std::string initial_name();
  // The user picked `name` from the list: every row's Now becomes false, then
  // the first row with that name gets Now true, each row posted at once.
  // A name not in the list leaves every flag false.
  void pick(const std::string& name);
  // Looks the account up by name and password, both exactly (an account stored
  // without a password is entered with an empty one). No row: shows
  // kWrongPassword and returns nullopt; nothing changes. A Subdir that
  // account_directory refuses: shows its refusal and returns nullopt. Throws
  // store::Error when the list is not open.
  std::optional<LoginState> login(const std::string& name, const std::string& password);

 private:
  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  store::Cursor m_accounts;
};

}  // namespace vmx::app
