#include "core/login/account_list.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/install/installation.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;
namespace fs = std::filesystem;

namespace {

struct Account {
  const char* name;
  const char* password;
  const char* subdir;
  bool now;
};

// An installation whose z.db holds exactly `accounts`.
void write_accounts(const fs::path& dir, const std::vector<Account>& accounts) {
  Session s;
  Cursor z(s, dir.string(), "z.db");
  z.open();
  while (!z.empty()) {
    z.first();
    z.remove();
  }
  for (const Account& a : accounts) {
    z.append();
    z.set_string("User_name", a.name);
    z.set_string("User_password", a.password);
    z.set_string("Subdir", a.subdir);
    z.set_bool("Now", a.now);
    z.post();
  }
}

std::vector<std::string> now_flags(const fs::path& dir) {
  Session s;
  Cursor z(s, dir.string(), "z.db");
  z.open();
  std::vector<std::string> names;
  for (z.first(); !z.eof(); z.next())
    if (z.get_bool("Now")) names.push_back(z.get_string("User_name"));
  return names;
}

class AccountListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    init_installation(dir.path(), false, Date::from_ymd(2001, 5, 8));
    fs::create_directory(dir / "zhang");
  }
  test::TempDir dir;
  platform::ScriptedDialogs dialogs;
};

// Key order puts 示范帐户 (CA BE) before 我的帐户 (CE D2) before 张三 (D5 C5): the list and the
// "first row" follow the primary key, not the order the rows were added in.
const std::vector<Account> kThree = {{"我的帐户", "", "user", false},
                                     {"示范帐户", "", "demo", false},
                                     {"张三", "k9x", "zhang", false}};

}  // namespace

TEST_F(AccountListTest, InitialNameAndLogin) {
  struct Case {
    const char* what;
    std::vector<Account> accounts;
    const char* initial;
    const char* name;
    const char* password;
    const char* subdir;  // nullptr: the login is refused
  };
  const Case cases[] = {
      {"no row picked: the first row", kThree, "示范帐户", "我的帐户", "", "user"},
      {"the picked row",
       {{"我的帐户", "", "user", false}, {"示范帐户", "", "demo", true}},
       "示范帐户",
       "我的帐户",
       "",
       "user"},
      {"empty list", {}, "", "我的帐户", "", nullptr},
      {"password kept", kThree, "示范帐户", "张三", "k9x", "zhang"},
      {"wrong password", kThree, "示范帐户", "张三", "k9", nullptr},
      {"password where none is stored", kThree, "示范帐户", "我的帐户", "x", nullptr},
      {"no password where one is stored", kThree, "示范帐户", "张三", "", nullptr},
      {"unknown name", kThree, "示范帐户", "李四", "", nullptr},
      {"name differs in case", {{"Wang", "", "wang", false}}, "Wang", "wang", "", nullptr},
      {"prefix of a name", kThree, "示范帐户", "示范", "", nullptr},
      {"longer than the field", kThree, "示范帐户", "示范帐户示范帐户", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_accounts(dir.path(), c.accounts);
    dialogs.clear();
    Session session;
    app::bind_program_directory(session, dir.path());
    EXPECT_EQ(session.password(), "k47");
    app::AccountList list(session, dialogs);
    EXPECT_EQ(list.initial_name(), c.initial);
    auto state = list.login(c.name, c.password);
    if (c.subdir) {
      ASSERT_TRUE(state.has_value());
      EXPECT_TRUE(dialogs.texts().empty());
      EXPECT_EQ(state->acc_name, c.name);
      EXPECT_EQ(state->curr_dir, dir.path());
      EXPECT_EQ(state->acc_dir, dir.path() / c.subdir);
    } else {
      EXPECT_FALSE(state.has_value());
      EXPECT_EQ(dialogs.texts(), std::vector<std::string>{app::kWrongPassword});
    }
  }
}

TEST_F(AccountListTest, PickSetsExactlyOneFlagAndTypingNone) {
  write_accounts(dir.path(), {{"我的帐户", "", "user", true},
                              {"示范帐户", "", "demo", true},
                              {"张三", "k9x", "zhang", false}});
  Session session;
  app::bind_program_directory(session, dir.path());
  app::AccountList list(session, dialogs);
  EXPECT_EQ(list.names(), (std::vector<std::string>{"示范帐户", "我的帐户", "张三"}));

  list.pick("张三");
  EXPECT_EQ(now_flags(dir.path()), std::vector<std::string>{"张三"});
  list.pick("我的帐户");
  EXPECT_EQ(now_flags(dir.path()), std::vector<std::string>{"我的帐户"});

  // Logging in with a typed name changes no flag, nor does a refused login.
  ASSERT_TRUE(list.login("示范帐户", ""));
  EXPECT_FALSE(list.login("张三", "nope"));
  EXPECT_EQ(now_flags(dir.path()), std::vector<std::string>{"我的帐户"});
  EXPECT_EQ(list.initial_name(), "我的帐户");
}

TEST_F(AccountListTest, MissingListIsReportedAndNobodyLogsIn) {
  test::TempDir elsewhere;
  Session session;
  app::bind_program_directory(session, elsewhere.path());
  app::AccountList list(session, dialogs);
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{app::kMissingAccountList});
  EXPECT_EQ(std::string(app::kMissingAccountList),
            "找不到管理帐户清单文件。注意：1)执行程序需放在安装目录；2)"
            "执行程序快捷键不能直接送到桌面上，应先产生于安装目录，再送到桌面上。");
  EXPECT_FALSE(list.available());
  EXPECT_TRUE(list.names().empty());
  EXPECT_EQ(list.initial_name(), "");
  EXPECT_THROW(list.login("示范帐户", ""), Error);
  EXPECT_FALSE(fs::exists(elsewhere.path() / "z.db"));
}

// A data directory copied from another system may spell its name in capitals.
TEST_F(AccountListTest, AccountDirectoryIsFoundWithoutRegardToCase) {
  fs::rename(dir.path() / "demo", dir.path() / "DEMO");
  Session session;
  app::bind_program_directory(session, dir.path());
  app::AccountList list(session, dialogs);
  auto state = list.login("示范帐户", "");
  ASSERT_TRUE(state);
  EXPECT_EQ(state->acc_dir, dir.path() / "DEMO");
}

// Only a directory directly inside the installation may hold an account: the
// login locks it and opens its tables for writing.
TEST(AccountDirectory, SubdirMustNameADirectoryInsideTheInstallation) {
  test::TempDir root;
  const fs::path prog = root / "prog";
  fs::create_directories(prog / "demo");
  fs::create_directories(prog / "deep" / "x");
  fs::create_directories(root / "o");
  std::ofstream(prog / "afile") << "x";
  fs::create_directory_symlink(root / "o", prog / "out");
  fs::create_directory_symlink("demo", prog / "inner");
  const std::string bad_name = "不是安装目录里的一个子目录名，不能进入。";
  const std::string not_plain = "不是安装目录里的子目录(是文件或指向别处的链接)，不能进入。";
  const std::string empty = "帐户“甲”没有填写数据目录(Subdir是空的)，不能进入。";
  struct Case {
    std::string subdir;
    std::string dir;  // accepted: the directory's name inside prog
    std::string refusal;  // refused: the message, after "帐户“甲”的数据目录“subdir”" but when empty
  };
  const Case cases[] = {
      {"demo", "demo", ""},
      {"DEMO", "demo", ""},
      {".\\demo", "demo", ""},
      {"./demo", "demo", ""},
      {"inner", "inner", ""},  // a link to a directory beside it
      {"", "", empty},
      {".\\", "", empty},
      {".", "", bad_name},
      {"..", "", bad_name},
      {"../..", "", bad_name},
      {"/", "", bad_name},
      {"/etc", "", bad_name},
      {"../o", "", bad_name},
      {"..\\o", "", bad_name},
      {".\\..", "", bad_name},
      {"deep/x", "", bad_name},
      {"demo\\", "", bad_name},
      {"missing", "", "在安装目录里不存在，不能进入。"},
      {"afile", "", not_plain},
      {"out", "", not_plain},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.subdir);
    const app::AccountDirectory got = app::account_directory(prog, "甲", c.subdir);
    if (c.refusal.empty()) {
      EXPECT_TRUE(got.accepted()) << got.refusal;
      EXPECT_EQ(got.dir, prog / c.dir);
    } else {
      const std::string said = "帐户“甲”的数据目录“" + c.subdir + "”";
      EXPECT_EQ(got.refusal, c.refusal == empty ? empty : said + c.refusal);
    }
  }
}

// The login refuses a bad Subdir with its message, as it refuses a wrong password.
TEST_F(AccountListTest, LoginRefusesASubdirOutsideTheInstallation) {
  write_accounts(dir.path(), {{"示范帐户", "", "../o", true}});
  Session session;
  app::bind_program_directory(session, dir.path());
  app::AccountList list(session, dialogs);
  EXPECT_FALSE(list.login("示范帐户", ""));
  EXPECT_EQ(dialogs.texts(),
            std::vector<std::string>{
                "帐户“示范帐户”的数据目录“../o”不是安装目录里的一个子目录名，不能进入。"});
  EXPECT_FALSE(session.has_alias("ubx"));
}
