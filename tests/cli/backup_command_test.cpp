#include <gtest/gtest.h>

#include <filesystem>

#include "core/install/installation.h"
#include "core/login/backup.h"
#include "core/store/session.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

using namespace vmx;
using test::quoted;
namespace fs = std::filesystem;

namespace {

// A backup of the whole installation, and a restore of one account that a
// running program's lock refuses.
TEST(BackupCommand, BacksUpAndRestoresUnderTheAccountLock) {
  test::TempDir dir;
  const fs::path inst = dir / "inst", to = dir / "usb";
  store::init_installation(inst, false, Date::from_ymd(2026, 12, 6));
  test::CliRun r = test::run_cli("backup " + quoted(inst) + " --to " + quoted(to));
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out.rfind("已拷贝", 0), 0u) << r.out;
  for (const char* sub : {"", "user", "demo"})
    EXPECT_TRUE(fs::exists(to / app::kBackupFolder / sub / (*sub ? "tr2.DBF" : "z.db"))) << sub;

  const std::string restore =
      "restore " + quoted(inst) + " 示范帐户 --from " + quoted(to / app::kBackupFolder / "demo");
  {
    store::Session running;
    running.set_alias("ubx", inst / "demo");
    r = test::run_cli(restore);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("正被另一个运行中的Valmorix使用"), std::string::npos) << r.out;
  }
  r = test::run_cli(restore);
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(
      test::run_cli("restore " + quoted(inst) + " 示范帐户 --from " + quoted(dir / "no")).code, 1);
  EXPECT_EQ(test::run_cli("restore " + quoted(inst) + " 李四 --from " + quoted(to)).code, 2);
}

}  // namespace
