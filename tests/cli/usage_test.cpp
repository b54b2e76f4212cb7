#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"

using vmx::test::CliRun;

namespace {

// Standard output and standard error of a run, together.
CliRun errors_of(const std::string& args) {
  return vmx::test::run_shell(std::string(VMX_CLI) + " " + args + " 2>&1");
}

// The names listed under "Subcommands:" in a help text.
std::vector<std::string> listed_commands(const std::string& help) {
  std::vector<std::string> names;
  std::istringstream in(help.substr(help.find("Subcommands:") + 1));
  std::string line;
  while (std::getline(in, line))
    if (line.starts_with("  ") && line[2] != ' ')
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
  return names;
}

// Every command, groups opened ("init", ..., "report holdings", ...), with its help.
std::vector<std::pair<std::string, CliRun>> every_command(const std::string& prefix = "") {
  std::vector<std::pair<std::string, CliRun>> out;
  for (const auto& name : listed_commands(vmx::test::run_cli(prefix + " --help").out)) {
    const std::string path = prefix.empty() ? name : prefix + " " + name;
    CliRun help = vmx::test::run_cli(path + " --help");
    if (help.out.find("Subcommands:") == std::string::npos) {
      out.emplace_back(path, std::move(help));
    } else {
      for (auto& sub : every_command(path)) out.push_back(std::move(sub));
    }
  }
  return out;
}

// Every command has its usage under --help, and refuses what it does not take
// in the same words with exit 2, the error alone on standard error.
TEST(Usage, EveryCommandHelpsAndRefusesTheSameWay) {
  const auto commands = every_command();
  ASSERT_GE(commands.size(), 14u);
  for (const auto& [c, help] : commands) {
    SCOPED_TRACE(c);
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Usage: valmorix-cli " + c + " "), std::string::npos) << help.out;
    const CliRun refused = errors_of(c + " --no-such-option");
    EXPECT_EQ(refused.code, 2);
    // "valmorix-cli COMMAND: what is wrong", then where to read the usage.
    const std::string& e = refused.out;
    EXPECT_TRUE(e.starts_with("valmorix-cli " + c + ": ")) << e;
    EXPECT_TRUE(e.ends_with("\nRun 'valmorix-cli " + c + " --help' for its usage.\n")) << e;
    EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 2) << e;
  }
}

TEST(Usage, UsageErrorsNameTheCommandAndExitTwo) {
  struct Case {
    std::string args, error;
  };
  const Case cases[] = {
      {"", "Usage: valmorix-cli [OPTIONS] SUBCOMMAND\n"},
      {"frobnicate", "valmorix-cli: unknown command 'frobnicate'\n"},
      {"report weekly . x", "valmorix-cli report: unknown command 'weekly'\n"},
      {"calc . x --answer maybe", "valmorix-cli calc: --answer: maybe not in {yes,no}\n"},
      {"calc . x --today 2024-3-1",
       "valmorix-cli calc: --today: needs a date YYYY-MM-DD, not '2024-3-1'\n"},
      {"init", "valmorix-cli init: DIR is required\n"},
      {"fund fees . x", "valmorix-cli fund fees: Exactly 1 option from [--search,--extract-all]"},
  };
  for (const Case& c : cases) {
    const CliRun r = errors_of(c.args);
    EXPECT_EQ(r.code, 2) << c.args;
    EXPECT_NE(r.out.find(c.error), std::string::npos) << c.args << "\n" << r.out;
  }
  EXPECT_EQ(vmx::test::run_cli("help").code, 0);
}

}  // namespace
