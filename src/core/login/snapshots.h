#pragma once

#include <filesystem>
#include <string>

#include "core/login/workspace.h"
#include "core/platform/date.h"
#include "core/platform/dialogs.h"

// The dated copies kept at each login: the account's files and the program
// directory's tables as they were when the user came in, so a day's work
// that went wrong can be undone from the day before.
//
// Layout under the program directory:
//   backup/<Subdir>/YYYY-MM-DD/         every file of the account's directory
//   backup/<Subdir>/YYYY-MM-DD/common/  the program directory's table files
// A snapshot is written as backup/<Subdir>/.YYYY-MM-DD.part and renamed
// when complete, so a dated directory is always a whole one.
namespace vmx::app {

inline constexpr const char* kSnapshotFolder = "backup";
inline constexpr const char* kSnapshotCommon = "common";
inline constexpr int kSnapshotsKept = 10;
// Followed by what went wrong; the login goes on.
inline constexpr const char* kSnapshotFailed = "登录时的自动备份没有做成(不影响使用)：";

struct SnapshotOutcome {
  enum Kind {
    Taken,      // a new snapshot `dir`
    Today,      // today's snapshot was there already
    Unchanged,  // nothing changed since the newest snapshot
    Failed,     // `problem` says why; nothing of it was left
  };
  Kind kind = Failed;
  std::filesystem::path dir;
  std::string problem;
};

// backup/<the account directory's name> under the program directory.
std::filesystem::path snapshot_root(const LoginState& login);

// Takes today's snapshot of the login's account unless one of today exists
// or the newest one holds the same files (names, sizes, modification
// times); after taking one, the oldest dated directories beyond
// kSnapshotsKept are removed. Never throws.
SnapshotOutcome take_snapshot(const LoginState& login, Date today);

// What the login does: take_snapshot, a failure said through `dialogs`.
void snapshot_at_login(const LoginState& login, Date today, platform::Dialogs& dialogs);

}  // namespace vmx::app
