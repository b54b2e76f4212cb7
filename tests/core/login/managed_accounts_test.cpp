#include "core/login/managed_accounts.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/install/installation.h"
#include "core/login/account_list.h"
#include "core/login/file_copy.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/cursor.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::app;
namespace fs = std::filesystem;

namespace {

class ManagedAccounts : public ::testing::Test {
 protected:
  void SetUp() override {
    store::init_installation(root(), false, Date::from_ymd(2001, 5, 8));
    bind_program_directory(session, root());
  }
  fs::path root() const { return dir / "inst"; }
  size_t accounts() { return managed_accounts(session).size(); }
  void register_row(const std::string& name, const std::string& subdir,
                    const std::string& password = "") {
    store::Cursor z(session, "curr", "z.db");
    z.open();
    z.append();
    z.set_string("User_name", name);
    z.set_string("User_password", password);
    z.set_string("Subdir", subdir);
    z.post();
  }
  bool add(const std::string& name, const std::string& subdir, const std::string& password = "") {
    dialogs.clear();
    return add_managed_account(session, dialogs, {name, subdir, password});
  }
  std::string shown() const { return dialogs.texts().empty() ? "" : dialogs.texts().back(); }

  vmx::test::TempDir dir;
  store::Session session;
  platform::ScriptedDialogs dialogs;
};

TEST_F(ManagedAccounts, AddingChecksTheNameAndTheSubdirectory) {
  fs::create_directory(root() / "old");
  std::ofstream(root() / "notes") << "x";
  struct Case {
    const char* name;
    const char* subdir;
    const char* password;
    std::string message;
  };
  const Case cases[] = {
      {"我的帐户", "x1", "", kNameTaken},
      {"李四", "user", "", kSubdirTaken},
      {"李四", "DEMO", "", kSubdirTaken},
      {"李四", "", "", kSubdirEmpty},
      {"李四", "..", "", kSubdirDots},
      {"李四", ".", "", kSubdirDots},
      {"李四", "a/b", "", kSubdirPath},
      {"李四", "a\\b", "", kSubdirPath},
      {"李四", "C:ls", "", kSubdirPath},
      {"李四", "a*b", "", kSubdirBadCharacters},
      {"李四", "a\tb", "", kSubdirBadCharacters},
      {"李四", "abcdefghi", "", kSubdirTooLong},
      {"李四", "张三李四王", "", kSubdirTooLong},
      {"李四", "Empty", "", kSubdirReserved},
      {"李四", "backup", "", kSubdirReserved},
      {"李四", "OLD", "", std::string(kSubdirExists) + "OLD" + kSubdirExistsEnd},
      {"李四", "notes", "", std::string(kSubdirExists) + "notes" + kSubdirExistsEnd},
      {"", "ls", "", kNameEmpty},
      {"张三李四王五", "ls", "", kNameTooLong},
      {"李四", "ls", "123456789", kPasswordTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.subdir);
    EXPECT_FALSE(add(c.name, c.subdir, c.password));
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(accounts(), 2u);
  }
  EXPECT_FALSE(fs::exists(root() / "ls"));

  // A good one: its directory holds a copy of every template file.
  EXPECT_TRUE(add(" 张三 ", "zs", "k9"));
  EXPECT_EQ(shown(), kAccountAdded);
  EXPECT_EQ(files_in(root() / "zs", FileSet::All), files_in(root() / "empty", FileSet::All));
  AccountList list(session, dialogs);
  const auto state = list.login("张三", "k9");
  ASSERT_TRUE(state.has_value());
  EXPECT_EQ(state->acc_dir, root() / "zs");
}

TEST_F(ManagedAccounts, AnEleventhAccountIsRefusedBeforeAnyNameCheck) {
  for (int i = 3; i <= kMaxAccounts; ++i)
    ASSERT_TRUE(add("acc" + std::to_string(i), "d" + std::to_string(i))) << shown();
  EXPECT_FALSE(add("我的帐户", "user"));
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{kTooManyAccounts});
  EXPECT_FALSE(add("acc11", "d11"));
  EXPECT_FALSE(fs::exists(root() / "d11"));
  EXPECT_EQ(accounts(), size_t(kMaxAccounts));
}

TEST_F(ManagedAccounts, DeletingRemovesOnlyTheAccountsTablesAndRefusesForeignDirectories) {
  const fs::path outside = dir / "outside";
  fs::create_directory(outside);
  std::ofstream(outside / "keep.db") << "x";
  fs::create_directory_symlink(outside, root() / "lnk");
  ASSERT_TRUE(add("张三", "zs", "pw"));
  std::ofstream(root() / "zs" / "letter.txt") << "mine";
  ASSERT_TRUE(add("王五", "ww"));
  register_row("坏1", "..");
  register_row("坏2", "a/b");
  register_row("坏3", "lnk");
  register_row("坏4", "empty");
  register_row("同1", "ww");
  register_row("没了", "gone");
  const std::string outside_text = std::string(kNotDeleted) + kDirectoryOutside;
  struct Case {
    const char* name;
    const char* password;
    std::string message;
    bool deleted;
  };
  const Case cases[] = {
      {"我的帐户", "", kFixedAccounts, false},
      {"示范帐户", "x", kFixedAccounts, false},
      {"李四", "", kAccountNotFound, false},
      {"张三", "p", kOwnerPasswordWrong, false},
      {"坏1", "", outside_text, false},
      {"坏2", "", outside_text, false},
      {"坏3", "", outside_text, false},
      {"坏4", "", std::string(kNotDeleted) + kDirectoryReserved, false},
      {"王五", "", std::string(kNotDeleted) + kDirectoryShared, false},
      {"没了", "", kAccountDeleted, true},
      {"张三", "pw",
       std::string(kAccountDeleted) + "\n子目录" + (root() / "zs").string() +
           "里还有别的文件，目录保留。",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.clear();
    const size_t before = accounts();
    EXPECT_EQ(delete_managed_account(session, dialogs, c.name, c.password), c.deleted);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(accounts(), before - (c.deleted ? 1 : 0));
  }
  EXPECT_EQ(files_in(root() / "zs", FileSet::All), std::vector<std::string>{"letter.txt"});
  EXPECT_TRUE(fs::exists(outside / "keep.db"));
  EXPECT_FALSE(files_in(root() / "ww", FileSet::Tables).empty());
  EXPECT_FALSE(files_in(root() / "empty", FileSet::Tables).empty());

  // While a running program has the account open, nothing of it goes.
  store::Session running;
  running.set_alias("ubx", root() / "ww");
  store::Cursor z(session, "curr", "z.db");
  z.open();
  ASSERT_TRUE(z.locate("User_name", {store::Value::text("同1")}));
  z.remove();
  dialogs.clear();
  EXPECT_FALSE(delete_managed_account(session, dialogs, "王五", ""));
  ASSERT_EQ(dialogs.texts().size(), 1u);
  EXPECT_NE(dialogs.texts()[0].find("正被另一个运行中的Valmorix使用"), std::string::npos);
  EXPECT_FALSE(files_in(root() / "ww", FileSet::Tables).empty());
  running.unbind_alias("ubx");
  EXPECT_TRUE(delete_managed_account(session, dialogs, "王五", ""));
  EXPECT_FALSE(fs::exists(root() / "ww"));
}

TEST_F(ManagedAccounts, PasswordChanges) {
  register_row("张三", "user", "old");
  struct Case {
    const char* old_password;
    const char* fresh;
    const char* repeated;
    PasswordChange result;
    const char* message;
    const char* stored;  // the password that logs in afterwards
  };
  const Case cases[] = {
      {"wrong", "new", "new", PasswordChange::OldWrong, kOldPasswordWrong, "old"},
      {"", "new", "new", PasswordChange::OldWrong, kOldPasswordWrong, "old"},
      {"old", "new", "neW", PasswordChange::NewDiffer, kNewPasswordsDiffer, "old"},
      {"old", "123456789", "123456789", PasswordChange::NewTooLong, kNewPasswordTooLong, "old"},
      {"old", "old", "old", PasswordChange::Unchanged, kPasswordUnchanged, "old"},
      {"old", "新口令", "新口令", PasswordChange::Changed, kPasswordChanged, "新口令"},
      {"新口令", "", "", PasswordChange::Changed, kPasswordChanged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.old_password) + " -> " + c.fresh);
    dialogs.clear();
    EXPECT_EQ(change_password(session, dialogs, "张三", c.old_password, c.fresh, c.repeated),
              c.result);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{c.message});
    AccountList list(session, dialogs);
    EXPECT_TRUE(list.login("张三", c.stored).has_value());
  }
}

}  // namespace
