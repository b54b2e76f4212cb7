#include "core/login/managed_accounts.h"

#include <cctype>
#include <string_view>
#include <system_error>

#include "core/install/installation.h"
#include "core/login/account_list.h"
#include "core/login/file_copy.h"
#include "core/login/snapshots.h"
#include "core/platform/error_boundary.h"
#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/gbk.h"
#include "core/store/table_file.h"
#include "core/store/text.h"

namespace vmx::app {

namespace fs = std::filesystem;

namespace {

constexpr size_t kFieldBytes = 8;  // User_name, User_password, Subdir

bool fits(const std::string& s) { return store::fits_gbk_field(s, kFieldBytes); }

// The Subdir of a row as a name, without the ".\" older lists wrote.
std::string subdir_name(std::string s) {
  if (s.rfind(".\\", 0) == 0 || s.rfind("./", 0) == 0) s.erase(0, 2);
  return s;
}

bool reserved(const std::string& name) {
  const std::string l = store::ascii_lower(name);
  return l == store::kTemplateDir || l == kSnapshotFolder;
}

struct AccountsTable {
  explicit AccountsTable(store::Session& session) : c(session, "curr", "z.db") { c.open(); }
  bool find(const std::string& name) { return c.locate("User_name", {store::Value::text(name)}); }
  store::Cursor c;
};

}  // namespace

std::string new_subdir_refusal(const fs::path& curr_dir, const std::string& subdir) {
  if (subdir.empty()) return kSubdirEmpty;
  if (subdir.find_first_of("/\\") != std::string::npos ||
      (subdir.size() >= 2 && subdir[1] == ':' &&
       std::isalpha(static_cast<unsigned char>(subdir[0]))))
    return kSubdirPath;
  if (subdir == "." || subdir == "..") return kSubdirDots;
  // Whether GBK holds each character at all (it never takes more bytes than UTF-8).
  bool bad = !store::fits_gbk_field(subdir, subdir.size());
  for (unsigned char c : subdir)
    if (c < 0x20 || c == 0x7f || std::string_view("<>:\"|?*").find(char(c)) != std::string::npos)
      bad = true;
  if (bad) return kSubdirBadCharacters;
  if (!fits(subdir)) return kSubdirTooLong;
  if (reserved(subdir)) return kSubdirReserved;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(store::resolve_case_insensitive(curr_dir, subdir), ec)))
    return kSubdirExists + subdir + kSubdirExistsEnd;
  return {};
}

std::vector<AccountEntry> managed_accounts(store::Session& session) {
  AccountsTable z(session);
  std::vector<AccountEntry> out;
  for (z.c.first(); !z.c.eof(); z.c.next())
    out.push_back({z.c.get_string("User_name"), z.c.get_string("Subdir")});
  return out;
}

bool add_managed_account(store::Session& session, platform::Dialogs& dialogs,
                         const NewManagedAccount& account) {
  const std::string name(store::trim_blanks(account.name)),
      subdir(store::trim_blanks(account.subdir));
  AccountsTable z(session);
  const auto refuse = [&](const std::string& text) {
    dialogs.inform(text);
    return false;
  };
  if (z.c.count() >= kMaxAccounts) return refuse(kTooManyAccounts);
  if (name.empty()) return refuse(kNameEmpty);
  if (!fits(name)) return refuse(kNameTooLong);
  if (z.find(name)) return refuse(kNameTaken);
  for (const AccountEntry& e : managed_accounts(session))
    if (store::ascii_lower(subdir_name(e.subdir)) == store::ascii_lower(subdir))
      return refuse(kSubdirTaken);
  const fs::path curr_dir = session.alias_dir("curr");
  const std::string refusal = new_subdir_refusal(curr_dir, subdir);
  if (!refusal.empty()) return refuse(refusal);
  if (!fits(account.password)) return refuse(kPasswordTooLong);

  const fs::path dir = curr_dir / subdir;
  std::error_code ec;
  if (!fs::create_directory(dir, ec))
    return refuse(kAccountNotAdded + dir.string() + " 建立不了：" + ec.message());
  const auto undo = [&] { fs::remove_all(dir, ec); };
  CopyReport report;
  copy_files(store::resolve_case_insensitive(curr_dir, store::kTemplateDir), dir, FileSet::All,
             report);
  if (!report.ok() || report.copied.empty()) {
    undo();
    return refuse(kAccountNotAdded + (report.copied.empty() && report.ok()
                                          ? std::string("模板目录empty里没有文件。")
                                          : report.text(dir)));
  }
  try {
    z.c.append();
    z.c.set_string("User_name", name);
    z.c.set_string("Subdir", subdir);
    z.c.set_string("User_password", account.password);
    z.c.set_bool("Now", false);
    z.c.post();
  } catch (...) {
    z.c.cancel();
    undo();
    throw;
  }
  dialogs.inform(kAccountAdded);
  return true;
}

bool delete_managed_account(store::Session& session, platform::Dialogs& dialogs,
                            const std::string& name, const std::string& password) {
  const auto refuse = [&](const std::string& text) {
    dialogs.inform(text);
    return false;
  };
  if (name == store::kDemoAccountName || name == store::kMyAccountName)
    return refuse(kFixedAccounts);
  AccountsTable z(session);
  if (!z.find(name)) return refuse(kAccountNotFound);
  if (z.c.get_string("User_password") != password) return refuse(kOwnerPasswordWrong);
  const std::string subdir = subdir_name(z.c.get_string("Subdir"));
  const store::RowId row = z.c.current_row();

  const fs::path curr_dir = session.alias_dir("curr");
  const SubdirPlace place = locate_subdir(curr_dir, subdir);
  if (place.problem == SubdirProblem::Empty || place.problem == SubdirProblem::NotAName ||
      place.problem == SubdirProblem::NotInside)
    return refuse(kNotDeleted + std::string(kDirectoryOutside));
  if (reserved(subdir)) return refuse(kNotDeleted + std::string(kDirectoryReserved));
  int users = 0;
  for (const AccountEntry& e : managed_accounts(session))
    users += store::ascii_lower(subdir_name(e.subdir)) == store::ascii_lower(subdir);
  if (users > 1) return refuse(kNotDeleted + std::string(kDirectoryShared));

  std::string left_over;
  if (place.problem == SubdirProblem::None) {
    // The account's lock: a running program that has it open keeps it.
    store::Session owner;
    try {
      owner.set_alias("ubx", place.dir);
    } catch (const std::exception& e) {
      return refuse(kNotDeleted + platform::describe(e));
    }
    std::vector<std::string> failed;
    for (const std::string& file : files_in(place.dir, FileSet::Tables)) {
      std::error_code ec;
      if (!fs::remove(place.dir / file, ec) && ec) failed.push_back(file + ": " + ec.message());
    }
    if (!failed.empty()) {
      std::string text = kNotDeleted + std::string("以下文件删除不了：");
      for (const std::string& f : failed) text += "\n" + f;
      return refuse(text);
    }
    owner.unbind_alias("ubx");
    std::error_code ec;
    if (!fs::remove(place.dir, ec))
      left_over = "\n子目录" + place.dir.string() + "里还有别的文件，目录保留。";
  }
  z.c.go_to_bookmark(row);
  z.c.remove();
  dialogs.inform(kAccountDeleted + left_over);
  return true;
}

PasswordChange change_password(store::Session& session, platform::Dialogs& dialogs,
                               const std::string& acc_name, const std::string& old_password,
                               const std::string& new_password, const std::string& repeated) {
  AccountsTable z(session);
  if (!z.find(acc_name)) {
    dialogs.inform(kAccountNotFound);
    return PasswordChange::NoAccount;
  }
  if (z.c.get_string("User_password") != old_password) {
    dialogs.inform(kOldPasswordWrong);
    return PasswordChange::OldWrong;
  }
  if (new_password != repeated) {
    dialogs.inform(kNewPasswordsDiffer);
    return PasswordChange::NewDiffer;
  }
  if (!fits(new_password)) {
    dialogs.inform(kNewPasswordTooLong);
    return PasswordChange::NewTooLong;
  }
  z.c.edit();
  z.c.set_string("User_password", new_password);
  z.c.post();
  if (new_password == old_password) {
    dialogs.inform(kPasswordUnchanged);
    return PasswordChange::Unchanged;
  }
  dialogs.inform(kPasswordChanged);
  return PasswordChange::Changed;
}

}  // namespace vmx::app
