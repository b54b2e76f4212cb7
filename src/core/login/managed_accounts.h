#pragma once

#include <filesystem>
#include <string>

#include "core/login/workspace.h"
#include "core/platform/dialogs.h"
#include "core/store/session.h"

// Adding and deleting managed accounts (rows of z.db with their data
// directories) and changing an account's password. The file operations are
// done here directly; nothing the user types reaches a shell.
namespace vmx::app {

inline constexpr int kMaxAccounts = 10;

inline constexpr const char* kOnlyMyAccount = "只有进入'我的帐户'才有权限添加和删除管理帐户.";
inline constexpr const char* kProgramEnds = "退出程序，要运行请重新登录。";

inline constexpr const char* kTooManyAccounts = "已有10个管理帐户，不能再添加！";
inline constexpr const char* kNameTaken = "此帐户名已经登记，请修改后再添加";
inline constexpr const char* kSubdirTaken = "此子目录已经登记，请修改后再添加";
inline constexpr const char* kAccountAdded = "建立帐户成功.";
inline constexpr const char* kNameEmpty = "帐户名不能是空的，请填写后再添加";
inline constexpr const char* kNameTooLong = "帐户名最长8个字节(一个汉字占2个)，请修改后再添加";
inline constexpr const char* kPasswordTooLong = "口令最长8个字节(一个汉字占2个)，请修改后再添加";
inline constexpr const char* kSubdirEmpty = "子目录不能是空的，请填写后再添加";
inline constexpr const char* kSubdirTooLong = "子目录名最长8个字节(一个汉字占2个)，请修改后再添加";
inline constexpr const char* kSubdirPath =
    "子目录只能是一个名字，不能含有路径分隔符(/或\\)或盘符(如C:)，请修改后再添加";
inline constexpr const char* kSubdirDots = "子目录名不能是“.”或“..”，请修改后再添加";
inline constexpr const char* kSubdirBadCharacters =
    "子目录名不能含有 < > : \" | ? * 、控制字符或不能保存的字符，请修改后再添加";
inline constexpr const char* kSubdirReserved = "子目录名“empty”和“backup”是程序自己用的，请换一个";
// Followed by the name and kSubdirExistsEnd.
inline constexpr const char* kSubdirExists = "安装目录里已经有名为“";
inline constexpr const char* kSubdirExistsEnd = "”的目录或文件，请换一个子目录名";
// Followed by what went wrong.
inline constexpr const char* kAccountNotAdded = "帐户没有建立：";

inline constexpr const char* kFixedAccounts = "'示范帐户'和'我的帐户'不能删除!";
inline constexpr const char* kAccountNotFound = "帐户名没找到，退出重来!";
inline constexpr const char* kOwnerPasswordWrong = "口令不对(需要该帐户管理人的口令)；退出重来!";
inline constexpr const char* kAccountDeleted = "已经删除。";
// Followed by the reason; the account stays registered and its files stay.
inline constexpr const char* kNotDeleted = "帐户没有删除：";
inline constexpr const char* kDirectoryOutside =
    "它的子目录不在安装目录里(或就是安装目录)，不能删除其中的文件。";
inline constexpr const char* kDirectoryShared = "另一个帐户也用这个子目录，不能删除其中的文件。";
inline constexpr const char* kDirectoryReserved =
    "它的子目录是程序自己用的目录(empty或backup)，不能删除其中的文件。";

inline constexpr const char* kOldPasswordWrong = "旧口令不对，请重新输入！";
inline constexpr const char* kNewPasswordsDiffer = "新口令不一致，请重新输入！";
inline constexpr const char* kNewPasswordTooLong = "新口令最长8个字节(一个汉字占2个)，请重新输入！";
inline constexpr const char* kPasswordUnchanged = "口令未改!";
inline constexpr const char* kPasswordChanged = "口令已改，重新登录!";

// Why a subdirectory typed for a new account cannot be used; "" when it can.
// Refused: empty, longer than the 8 bytes Subdir holds, a path (a separator
// or a drive letter), "." or "..", characters a file name on either system
// cannot hold (or GBK cannot store), the program's own "empty" and "backup",
// and a name that already exists in `curr_dir` (found without regard to case).
std::string new_subdir_refusal(const std::filesystem::path& curr_dir, const std::string& subdir);

// What the page "添加管理帐户" holds when "确认" is pressed.
struct NewManagedAccount {
  std::string name;      // 帐户名
  std::string subdir;    // 子目录
  std::string password;  // 口令; empty for none
};

// Adds a managed account: checks, in this order, the number of accounts
// (at most kMaxAccounts), the name (not empty, at most 8 bytes, not yet
// registered), the subdirectory (not registered, compared without regard to
// case, then new_subdir_refusal) and the password (at most 8 bytes); names
// and subdirectory are taken without surrounding spaces. Then creates the
// directory, copies every file of the template directory "empty" into it and
// appends the z.db row. A failure on the way removes the new directory again
// and registers nothing. Every refusal and the result are shown through
// `dialogs`; true when the account was added. Uses alias curr (the program
// directory). Throws store::Error when z.db cannot be read.
bool add_managed_account(store::Session& session, platform::Dialogs& dialogs,
                         const NewManagedAccount& account);

// Deletes a managed account whose owner's password is given: never 我的帐户
// or 示范帐户; the name must be registered and the password be its own. Only
// the account's table files (*.db, *.dbf, *.px, *.mdx, any case) are removed,
// then its directory when nothing else is left in it. Refused, changing
// nothing, when its Subdir does not name a directory directly inside the
// program directory (a path, "..", a link out) or names the program's own
// directories, when another account uses the same directory, and while a
// running program has the account open (the account lock). A directory that
// is already gone just has its row removed. The row goes only after its files
// did. Shows every message through `dialogs`; true when deleted.
bool delete_managed_account(store::Session& session, platform::Dialogs& dialogs,
                            const std::string& name, const std::string& password);

enum class PasswordChange { OldWrong, NewDiffer, NewTooLong, Unchanged, Changed, NoAccount };

// Changes the password of the logged-in account `acc_name` in z.db: the old
// password must be the stored one, the two new ones equal and at most 8 bytes.
// The same password again reports kPasswordUnchanged (the login goes on);
// another one kPasswordChanged (the caller ends the login).
PasswordChange change_password(store::Session& session, platform::Dialogs& dialogs,
                               const std::string& acc_name, const std::string& old_password,
                               const std::string& new_password, const std::string& repeated);

// The account names of z.db with their Subdir, in table order (for the
// delete page's list).
struct AccountEntry {
  std::string name, subdir;
};
std::vector<AccountEntry> managed_accounts(store::Session& session);

}  // namespace vmx::app
