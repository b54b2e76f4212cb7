#include "core/login/backup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/install/installation.h"
#include "core/login/account_list.h"
#include "core/login/snapshots.h"
#include "core/platform/faulty_file_system.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::app;
namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void write(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

class Backup : public ::testing::Test {
 protected:
  void SetUp() override {
    store::init_installation(inst(), false, Date::from_ymd(2001, 5, 8));
    bind_program_directory(session, inst());
    login = {inst(), store::kMyAccountName, inst() / store::kMyAccountDir};
  }
  fs::path inst() const { return dir / "inst"; }
  fs::path root() const { return dir / "usb"; }
  fs::path common() const { return root() / kBackupFolder; }
  fs::path mine() const { return common() / store::kMyAccountDir; }
  CopyOutcome copy(CopyDirection direction, bool account, bool common_files) {
    dialogs.clear();
    return copy_between(session, dialogs, login, {direction, account, common_files, root()});
  }

  vmx::test::TempDir dir;
  store::Session session;
  platform::ScriptedDialogs dialogs;
  LoginState login;
};

TEST_F(Backup, CopiesBothWaysAndRefusesMissingBackupDirectories) {
  using D = CopyDirection;
  // Restoring asks first and needs what it restores from.
  dialogs.answer_no();
  EXPECT_FALSE(copy(D::FromBackup, true, true).performed);
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"这将覆盖硬盘中我的帐户的文件，继续吗?"});
  dialogs.answer_yes();
  EXPECT_FALSE(copy(D::FromBackup, false, true).performed);
  EXPECT_EQ(dialogs.texts().back(), kNoCommonBackup);
  fs::create_directories(common());
  dialogs.answer_yes();
  EXPECT_FALSE(copy(D::FromBackup, true, false).performed);
  EXPECT_EQ(dialogs.texts().back(), kNoAccountBackup);

  // With neither box ticked only the backup directory is made.
  fs::remove_all(root());
  EXPECT_TRUE(copy(D::ToBackup, false, false).performed);
  EXPECT_TRUE(fs::is_directory(common()));
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{kCopyDone});

  const auto program_tables = files_in(inst(), FileSet::Tables);
  const auto account_files = files_in(login.acc_dir, FileSet::All);
  EXPECT_TRUE(copy(D::ToBackup, true, true).performed);
  EXPECT_EQ(files_in(common(), FileSet::All), program_tables);
  EXPECT_EQ(files_in(mine(), FileSet::All), account_files);
  ASSERT_EQ(dialogs.texts().size(), 2u);
  EXPECT_EQ(dialogs.texts()[0].rfind("已拷贝" + std::to_string(program_tables.size()) + "个文件到" +
                                         common().string() + "。\n已拷贝",
                                     0),
            0u)
      << dialogs.texts()[0];
  EXPECT_EQ(dialogs.texts()[1], kCopyDone);
  EXPECT_EQ(remembered_backup_root(session), root());
  // A root too long for the table is used but not remembered cut short.
  remember_backup_root(session, dir / std::string(300, 'r'));
  EXPECT_EQ(remembered_backup_root(session), root());

  // The way back puts the saved files in place of changed ones.
  const std::string saved = read(login.acc_dir / "tr2.DBF");
  write(login.acc_dir / "tr2.DBF", "changed");
  dialogs.answer_yes();
  EXPECT_TRUE(copy(D::FromBackup, true, false).performed);
  EXPECT_EQ(read(login.acc_dir / "tr2.DBF"), saved);
}

// A file that cannot be written is reported; the good copy already in the
// backup stays whole, and no temporary is left behind.
TEST_F(Backup, AFailedFileLeavesTheEarlierCopyInPlace) {
  ASSERT_TRUE(copy(CopyDirection::ToBackup, true, false).performed);
  const std::string earlier = read(mine() / "tr2.DBF");
  write(login.acc_dir / "tr2.DBF", earlier + "more rows");
  platform::FaultyFileSystem faulty;
  const platform::ScopedFileSystem use(faulty);
  faulty.arm({.file = copy_temporary_name("tr2.DBF"), .written_first = 10});
  const CopyOutcome out = copy(CopyDirection::ToBackup, true, false);
  EXPECT_TRUE(faulty.fired());
  EXPECT_TRUE(out.performed);
  ASSERT_EQ(out.report.failed.size(), 1u);
  EXPECT_EQ(out.report.failed[0].rfind("tr2.DBF: ", 0), 0u);
  EXPECT_EQ(out.report.copied.size(), files_in(login.acc_dir, FileSet::All).size() - 1);
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].kind, platform::ScriptedDialogs::Kind::Warn);
  EXPECT_NE(dialogs.texts()[0].find("\n以下1个文件没有拷贝成功"), std::string::npos);
  EXPECT_NE(dialogs.texts()[0].find("\ntr2.DBF: "), std::string::npos);
  EXPECT_EQ(dialogs.texts()[1], kCopyDone);
  EXPECT_EQ(read(mine() / "tr2.DBF"), earlier);
  EXPECT_FALSE(fs::exists(mine() / copy_temporary_name("tr2.DBF")));
}

// A backup directory whose valmorix is the installation itself would copy
// every file over itself and report a backup that does not exist.
TEST_F(Backup, RefusesTheInstallationAsItsOwnBackup) {
  const fs::path home = dir / "home";
  fs::create_directories(home);
  fs::create_directory_symlink(inst(), home / kBackupFolder);
  for (CopyDirection d : {CopyDirection::ToBackup, CopyDirection::FromBackup}) {
    dialogs.clear();
    dialogs.answer_yes();
    EXPECT_FALSE(copy_between(session, dialogs, login, {d, true, true, home}).performed);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{kBackupIsInstallation});
  }
  EXPECT_THROW(back_up_installation(session, home), store::Error);
}

TEST_F(Backup, RestoreNeedsTablesAndTheAccountLock) {
  ASSERT_TRUE(copy(CopyDirection::ToBackup, true, false).performed);
  write(login.acc_dir / "sph.db", "damaged");
  EXPECT_THROW(restore_account(login, dir / "nothing"), store::Error);
  EXPECT_THROW(restore_account(login, login.acc_dir), store::Error);
  {
    store::Session running;
    running.set_alias("ubx", login.acc_dir);
    EXPECT_THROW(restore_account(login, mine()), store::Error);
    EXPECT_EQ(read(login.acc_dir / "sph.db"), "damaged");
  }
  const CopyReport report = restore_account(login, mine());
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(read(login.acc_dir / "sph.db"), read(mine() / "sph.db"));
}

// One a day, none when nothing changed, the newest ten kept.
TEST_F(Backup, SnapshotsRotate) {
  using K = SnapshotOutcome;
  const Date day1 = Date::from_ymd(2001, 5, 8);
  const fs::path snaps = inst() / kSnapshotFolder / store::kMyAccountDir;
  struct Step {
    int day;
    const char* change;  // a file of the account written before the login
    K::Kind kind;
  };
  const Step steps[] = {
      {0, nullptr, K::Taken},     {0, "a.txt", K::Today}, {1, nullptr, K::Taken},
      {2, nullptr, K::Unchanged}, {3, "b.txt", K::Taken}, {4, "tr2.DBF", K::Taken},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.day);
    if (s.change) write(login.acc_dir / s.change, std::to_string(s.day));
    EXPECT_EQ(take_snapshot(login, day1.add_days(s.day)).kind, s.kind);
  }
  const fs::path day4 = snaps / day1.add_days(4).to_string();
  EXPECT_EQ(read(day4 / "tr2.DBF"), "4");
  EXPECT_EQ(files_in(day4 / kSnapshotCommon, FileSet::All), files_in(inst(), FileSet::Tables));

  // A program table changed is a change too.
  write(inst() / "qs.db", "x");
  EXPECT_EQ(take_snapshot(login, day1.add_days(5)).kind, K::Taken);
  for (int d = 6; d < 16; ++d) {
    // Another size each time: two writes within one tick of a coarse clock
    // may leave the same modification time.
    write(login.acc_dir / "a.txt", std::string(size_t(d), 'x'));
    ASSERT_EQ(take_snapshot(login, day1.add_days(d)).kind, K::Taken);
  }
  std::vector<std::string> kept;
  for (const auto& e : fs::directory_iterator(snaps)) kept.push_back(e.path().filename().string());
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), size_t(kSnapshotsKept));
  EXPECT_EQ(kept.front(), day1.add_days(6).to_string());

  // A snapshot that fails is said, leaves nothing half made, and the login goes on.
  platform::FaultyFileSystem faulty;
  const platform::ScopedFileSystem use(faulty);
  faulty.arm({.file = copy_temporary_name("tr2.DBF")});
  write(login.acc_dir / "a.txt", "16");
  snapshot_at_login(login, day1.add_days(16), dialogs);
  ASSERT_EQ(dialogs.texts().size(), 1u);
  EXPECT_EQ(dialogs.texts()[0].rfind(kSnapshotFailed, 0), 0u);
  EXPECT_FALSE(fs::exists(snaps / day1.add_days(16).to_string()));
  EXPECT_FALSE(fs::exists(snaps / ("." + day1.add_days(16).to_string() + ".part")));
}

}  // namespace
