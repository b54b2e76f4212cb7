#pragma once

#include <filesystem>
#include <string>

#include "core/login/file_copy.h"
#include "core/login/workspace.h"
#include "core/platform/dialogs.h"
#include "core/store/session.h"

// Copies of the data to and from a backup directory the user chooses:
//   <root>/valmorix/           the program directory's table files
//   <root>/valmorix/<Subdir>/  every file of one account's directory
// The chosen root is remembered in bak_path.DBF of the program directory.
namespace vmx::app {

inline constexpr const char* kBackupFolder = "valmorix";
inline constexpr const char* kBackupTable = "bak_path.DBF";

inline constexpr const char* kCopyDone = "复制结束，自动退出系统。";
inline constexpr const char* kCopyOnlyMyAccount = "(进我的帐户方可拷贝)";
// Between kOverwriteAsk and kOverwriteAskEnd: the account name.
inline constexpr const char* kOverwriteAsk = "这将覆盖硬盘中";
inline constexpr const char* kOverwriteAskEnd = "的文件，继续吗?";
inline constexpr const char* kNoCommonBackup = "备份目录上共用文件子目录不存在，退出操作!";
inline constexpr const char* kNoAccountBackup = "备份目录上管理帐户文件子目录不存在，退出操作!";
inline constexpr const char* kNoBackupRoot = "没有选定备份目录，请选择后再拷贝。";
inline constexpr const char* kBackupIsInstallation =
    "备份目录中的valmorix就是安装目录本身，不能备份到这里或从这里恢复，请换一个备份目录。";
// Followed by the directory and the reason.
inline constexpr const char* kCannotMake = "建立不了目录";
// Followed by the directory.
inline constexpr const char* kNoTablesToRestore = "这里没有可以恢复的表文件：";

// ~/valmorix-backup ($HOME; the working directory when HOME is not set).
std::filesystem::path default_backup_root();
// The root remembered in bak_path.DBF of the program directory (alias curr),
// or default_backup_root() when none is. Never throws.
std::filesystem::path remembered_backup_root(store::Session& session);
// Remembers `root` (bak_path.DBF is created when missing). A root the field
// cannot hold whole is not remembered: cut, it would name another directory.
// Throws store::Error when the table cannot be written.
void remember_backup_root(store::Session& session, const std::filesystem::path& root);

enum class CopyDirection {
  ToBackup,    // 从硬盘拷贝到备份目录
  FromBackup,  // 从备份目录拷贝到硬盘
};

// What the copy window holds when "拷贝文件" is pressed.
struct CopyRequest {
  CopyDirection direction = CopyDirection::ToBackup;
  bool account_files = false;  // 拷贝本管理帐户文件
  bool common_files = false;   // 拷贝公用文件
  std::filesystem::path root;  // the backup directory
};

struct CopyOutcome {
  bool performed = false;  // false: refused or not confirmed; nothing copied
  CopyReport report;
};

// The copy of the window: refused (kBackupIsInstallation) when the backup's
// "valmorix" is the program directory itself; from the backup directory only after the user
// confirmed kOverwriteAsk + name + kOverwriteAskEnd, and only when the chosen
// directories exist there; into the account's directory only while no running
// program has it open (the account lock). The backup directory and its
// "valmorix" are made when missing (also with neither box ticked). Shows the
// report (what was copied, every file that failed) and then kCopyDone;
// remembers the root. Uses alias curr (the program directory).
CopyOutcome copy_between(store::Session& session, platform::Dialogs& dialogs,
                         const LoginState& login, const CopyRequest& request);

// valmorix-cli backup: the program directory's tables and every account of
// z.db whose directory is in place, into `root`. Accounts whose directory
// is refused are listed as failures. Throws store::Error when z.db cannot
// be read, the backup directory cannot be made or is the program directory.
CopyReport back_up_installation(store::Session& session, const std::filesystem::path& root);

// valmorix-cli restore: every file of `from` (a snapshot or a backup's
// account directory) into the account's directory, under the account lock.
// Throws store::Error, copying nothing, when the account is open in a
// running program, `from` holds no table file, or `from` is the account's
// own directory.
CopyReport restore_account(const LoginState& login, const std::filesystem::path& from);

}  // namespace vmx::app
