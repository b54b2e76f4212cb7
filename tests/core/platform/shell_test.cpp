#include "core/platform/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/temp_dir.h"

namespace vmx::platform {
namespace {

namespace fs = std::filesystem;

TEST(ShellTest, ParameterStringsSplitWithoutInterpretation) {
  const struct {
    const char* parameters;
    std::vector<std::string> args;
  } cases[] = {
      {"", {}},
      {" ", {}},
      {"a  b\tc", {"a", "b", "c"}},
      {"\"two words\" x", {"two words", "x"}},
      {"$(rm -rf ~);`id` |x", {"$(rm", "-rf", "~);`id`", "|x"}},
      {"\"\"", {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_parameters(c.parameters), c.args) << c.parameters;
}

void write_script(const fs::path& p, const std::string& body, bool executable = true) {
  std::ofstream(p) << body;
  ::chmod(p.c_str(), executable ? 0755 : 0644);
}

// What a started child wrote, once it is there (the shell does not wait).
std::string wait_for(const fs::path& p) {
  for (int i = 0; i < 500 && !fs::exists(p); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ShellTest, ProgramsStartInTheirDirectoryWithLiteralArguments) {
  test::TempDir dir;
  fs::create_directory(dir / "wt");
  const fs::path out = dir / "out.txt";
  write_script(dir / "wt" / "order.sh",
               "#!/bin/sh\npwd > '" + out.string() + ".tmp'\nprintf '%s\\n' \"$@\" >> '" +
                   out.string() + ".tmp'\nmv '" + out.string() + ".tmp' '" + out.string() + "'\n");
  PosixShell shell;
  const int rc =
      shell.execute("order.sh", "a;b \"$(touch x)\"", (dir / "wt").string(), Shell::kShow);
  EXPECT_TRUE(Shell::started(rc)) << rc;
  EXPECT_EQ(wait_for(out), (dir / "wt").string() + "\na;b\n$(touch x)\n");
  EXPECT_FALSE(fs::exists(dir / "wt" / "x"));
}

TEST(ShellTest, FailuresGiveTheirResultCodes) {
  test::TempDir dir;
  write_script(dir / "garbage", "\x7f\x01 not a program", true);
  write_script(dir / "notes.txt", "text", false);
  const fs::path opened = dir / "opened.txt";
  write_script(dir / "opener.sh", "#!/bin/sh\necho \"$1\" > '" + opened.string() + "'\n");
  const struct {
    std::string file;
    std::string directory;
    std::string opener;
    int result;
  } cases[] = {
      {"missing.exe", dir.path().string(), "", Shell::kFileNotFound},
      {"", dir.path().string(), "", Shell::kFileNotFound},
      {"order.exe", (dir / "no-such-dir").string(), "", Shell::kFileNotFound},
      {(dir / "notes.txt").string(), (dir / "no-such-dir").string(), "", Shell::kPathNotFound},
      {"garbage", dir.path().string(), "", Shell::kBadFormat},
      {"notes.txt", dir.path().string(), (dir / "no-opener").string(), Shell::kNoAssociation},
      {"notes.txt", dir.path().string(), (dir / "opener.sh").string(), Shell::kStarted},
  };
  for (const auto& c : cases) {
    PosixShell shell;
    if (!c.opener.empty()) shell.set_opener(c.opener);
    EXPECT_EQ(shell.execute(c.file, "", c.directory, Shell::kShow), c.result) << c.file;
  }
  // A document reaches the opener as one full path.
  EXPECT_EQ(wait_for(opened), (dir / "notes.txt").string() + "\n");
}

}  // namespace
}  // namespace vmx::platform
