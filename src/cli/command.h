#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/clock.h"
#include "core/platform/scripted_dialogs.h"

namespace vmx::cli {

// Exit codes of valmorix-cli; scripts rely on them.
inline constexpr int kOk = 0;
inline constexpr int kStopped = 1;     // an operation stopped with a message
inline constexpr int kUsageError = 2;  // bad usage or a file that cannot be read

// What a command does once its arguments are parsed; returns its exit code.
using Run = std::function<int()>;

// The commands of valmorix-cli, each a subcommand of the program or of a group
// of commands ("report holdings"). A command is one file with a function
// `void add_NAME_command(Commands&)` that declares its arguments on the
// subcommand `add` returns and hands over what runs; main.cpp calls it.
class Commands {
 public:
  explicit Commands(CLI::App& root) : m_root(root) {}
  // A group of commands, such as "report"; its commands are named
  // "report KIND". Adding a group twice returns the first one.
  CLI::App& group(const std::string& name, const std::string& description);
  // The command `name` ("init", or "report holdings" in a group added before).
  CLI::App& add(const std::string& name, const std::string& description, Run run);

  // Parses argv and runs the command it names: its exit code, or kUsageError
  // (said on standard error) for arguments it does not take; --help prints
  // the command's usage on standard output.
  int run(int argc, char** argv);

 private:
  CLI::App& m_root;
  std::vector<std::pair<CLI::App*, Run>> m_runs;
};

// An error in plain words on standard error, "valmorix-cli COMMAND: text";
// returns `code`.
int fail(const std::string& command, const std::string& text, int code = kUsageError);

// A message the user is shown (a message box in the windows) on standard
// output, one line each, at once, so a run that stops half-way leaves every
// message it showed.
void say(const std::string& text);

// A check of an option's value: `problem` says what is wrong with the text
// ("needs a file name"), or nothing when it is right.
CLI::Validator value_check(std::function<std::string(const std::string& text)> problem);
// Refuses an empty value: "needs " + `what`.
CLI::Validator not_empty(const std::string& what);

// --today YYYY-MM-DD, for every command that reads today's date: a clock
// standing at noon of that day; without it the machine's clock.
class TodayOption {
 public:
  void add_to(CLI::App& command);
  platform::Clock& clock();
  Date today() { return clock().today(); }

 private:
  std::optional<platform::FixedClock> m_fixed;
};

// --answer yes|no (default no): the answer to every question the run asks.
void add_answer_option(CLI::App& command, bool& answer);
// --pdf FILE: write the report as a PDF file instead of printing its lines.
void add_pdf_option(CLI::App& command, std::filesystem::path& pdf);
// PROGRAM_DIR ACCOUNT_NAME: an installation and one of its accounts.
struct AccountArgs {
  std::filesystem::path program_dir;
  std::string name;
};
void add_account_arguments(CLI::App& command, AccountArgs& account);

// Dialogs for a batch run: every text shown is said on standard output, every
// question answered with `answer`.
class PrintingDialogs : public platform::ScriptedDialogs {
 public:
  explicit PrintingDialogs(bool answer = false);
};

}  // namespace vmx::cli
