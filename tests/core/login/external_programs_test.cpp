#include "core/login/external_programs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/fund/report/word_processor.h"
#include "core/install/installation.h"
#include "core/platform/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace vmx::app {
namespace {

namespace fs = std::filesystem;
using platform::Shell;

TEST(PathFileTest, FirstTwoLinesRewrittenLaterLinesKept) {
  const struct {
    std::optional<std::string> existing;
    std::string written;
  } cases[] = {
      {std::nullopt, "/inst\n/inst/demo\n2024-03-15\n"},
      {"/old\n/old/a\n2001-01-01\nline 4 of the order program\n",
       "/inst\n/inst/demo\n2001-01-01\nline 4 of the order program\n"},
      {"c:\\old\r\nc:\\old\\a\r\n2001-01-01\r\nmore\r\n",
       "/inst\r\n/inst/demo\r\n2001-01-01\r\nmore\r\n"},
      {"/old\n/old/a\n2001-01-01", "/inst\n/inst/demo\n2001-01-01"},  // no last line end
      {"/only-one", "/inst\n/inst/demo\n"},
      {"", "/inst\n/inst/demo\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(path_file_text(c.existing, "/inst", "/inst/demo", "2024-03-15"), c.written)
        << c.existing.value_or("(none)");
}

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class OrderProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store::init_installation(dir.path(), true, Date::from_ymd(2024, 3, 15));
    session.set_alias("curr", dir.path());
    session.set_password(kTablePassword);
    fs::create_directory(dir / "wt");
    std::ofstream(dir / "wt" / "order") << "#!/bin/sh\n";
  }
  std::vector<bool> marks() {
    std::vector<bool> out;
    store::Cursor& t = programs->table();
    for (store::RowId id : t.rows())
      out.push_back(t.table().get(id, t.field_index("Now")).as_bool());
    return out;
  }
  test::TempDir dir;
  store::Session session;
  platform::ScriptedDialogs dialogs;
  std::optional<OrderPrograms> programs;
  LoginState login{dir.path(), "示范帐户", dir.path() / "demo"};
};

TEST_F(OrderProgramsTest, ListOpenClearsEveryMarkAndCloseMarksTheChosenRow) {
  programs.emplace(session);
  EXPECT_EQ(programs->name(), "qlwt");  // the row marked Now
  programs->list_opened();
  EXPECT_EQ(marks(), (std::vector<bool>{false, false}));
  EXPECT_EQ(programs->name(), "qlwt");
  programs->table().locate("Name", {store::Value::text("htwt")});
  programs->list_closed();
  EXPECT_EQ(marks(), (std::vector<bool>{true, false}));  // in key order: htwt first
  programs.emplace(session);                             // a new login starts on it
  EXPECT_EQ(programs->name(), "htwt");
}

TEST_F(OrderProgramsTest, ClosingChecksTheProgramThenWritesPathFile) {
  programs.emplace(session);
  const fs::path path_file = dir / "wt" / "path.txt";
  const struct {
    std::string path, name;
    const char* message;  // nullptr: written
  } cases[] = {
      {"", "order", kPathNotSet},
      {(dir / "wt").string() + "/", "", kPathNotSet},
      {(dir / "wt").string() + "/", "missing", kOrderProgramMissing},
      {(dir / "nowhere").string() + "/", "order", kOrderProgramMissing},
      {(dir / "wt").string() + "/", "order", nullptr},
  };
  for (const auto& c : cases) {
    dialogs.clear();
    programs->table().edit();
    programs->table().set_string("Path", c.path);
    programs->table().set_string("Name", c.name);
    programs->table().post();
    const bool wrote = programs->write_path_file(dialogs, login, Date::from_ymd(2024, 3, 15));
    EXPECT_EQ(wrote, c.message == nullptr) << c.path << c.name;
    EXPECT_EQ(dialogs.texts(),
              c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_EQ(fs::exists(path_file), wrote);
  }
  const std::string inst = dir.path().string();
  EXPECT_EQ(read(path_file), inst + "\n" + inst + "/demo\n2024-03-15\n");
  // The order program added a line; a later login elsewhere keeps it.
  std::ofstream(path_file, std::ios::app) << "server=1\n";
  login.acc_dir = dir.path() / "other";
  EXPECT_TRUE(programs->write_path_file(dialogs, login, Date::from_ymd(2025, 1, 2)));
  EXPECT_EQ(read(path_file), inst + "\n" + inst + "/other\n2024-03-15\nserver=1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "wt"), fs::directory_iterator()), 2);
}

TEST_F(OrderProgramsTest, ChangingTheProgramStoresDirectoryAndNameOrRefuses) {
  programs.emplace(session);
  EXPECT_EQ(programs->set_program(dir / "wt" / "order"), "");
  EXPECT_EQ(programs->path(), (dir / "wt").string() + "/");
  EXPECT_EQ(programs->name(), "order");
  const std::string refused = programs->set_program("/a/" + std::string(130, 'x') + "/order");
  EXPECT_NE(refused.find("太长"), std::string::npos) << refused;
  EXPECT_EQ(programs->name(), "order");
  // A path typed into its box is refused the same way, not cut to the field.
  EXPECT_EQ(programs->set_text("Path", "/b/" + std::string(130, 'y') + "/").rfind("路径“", 0), 0u);
  EXPECT_EQ(programs->path(), (dir / "wt").string() + "/");
  EXPECT_EQ(programs->set_text("Name", "order2"), "");
  EXPECT_EQ(programs->name(), "order2");
}

TEST_F(OrderProgramsTest, StartResultsGiveTheirMessages) {
  programs.emplace(session);
  const struct {
    int result;
    bool settings_stay_closed;
    std::vector<std::string> texts;
  } cases[] = {
      {Shell::kStarted, true, {}},
      {Shell::kFileNotFound, false, {kOrderProgramNotFound}},
      {Shell::kAccessDenied, true, {kOrderProgramFailed}},
      {Shell::kOutOfResources, true, {kOrderProgramFailed}},
  };
  for (const auto& c : cases) {
    platform::ScriptedShell shell;
    shell.set_result(c.result);
    dialogs.clear();
    EXPECT_EQ(start_order_program(*programs, shell, dialogs), c.settings_stay_closed);
    EXPECT_EQ(dialogs.texts(), c.texts);
    EXPECT_EQ(shell.calls(), (std::vector<platform::ScriptedShell::Call>{
                                 {"/opt/qlwt/qlwt", "", "/opt/qlwt/", Shell::kShow}}));
  }
}

// The main window's report editor keeps the report text as it is (created
// empty the first time) and says what a failed start means.
TEST(WordProcessorTest, OpensTheReportTextAsItIsAndSaysWhatFailed) {
  namespace wp = fund::report;
  test::TempDir dir;
  const fs::path file = dir / wp::kReportTextFile;
  const struct {
    int result;
    std::vector<std::string> texts;
  } cases[] = {
      {Shell::kStarted, {wp::kWordProcessorNotice}},
      {Shell::kFileNotFound, {wp::kWordProcessorNotice, wp::kWordProcessorMissing}},
      {Shell::kNoAssociation, {wp::kWordProcessorNotice, wp::kWordProcessorFailed}},
  };
  for (const auto& c : cases) {
    platform::ScriptedShell shell;
    shell.set_result(c.result);
    platform::ScriptedDialogs dialogs;
    EXPECT_EQ(wp::edit_in_word_processor(shell, dialogs, file, std::nullopt),
              Shell::started(c.result));
    EXPECT_EQ(dialogs.texts(), c.texts);
    EXPECT_EQ(shell.calls().at(0).file, file.string());
    EXPECT_EQ(read(file), "");
  }
  std::ofstream(file) << "季度报告";
  platform::ScriptedShell shell;
  platform::ScriptedDialogs dialogs;
  wp::edit_in_word_processor(shell, dialogs, file, std::nullopt);
  EXPECT_EQ(read(file), "季度报告");
}

}  // namespace
}  // namespace vmx::app
