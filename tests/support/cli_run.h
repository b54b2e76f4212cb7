#pragma once

#include <filesystem>
#include <string>

namespace vmx::test {

struct CliRun {
  int code = -1;
  std::string out;  // standard output
};

// Runs valmorix-cli with the given arguments (already quoted for the shell);
// standard error is dropped.
CliRun run_cli(const std::string& args);

// A path in single quotes, for the shell.
inline std::string quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// Runs a shell command and returns its standard output and exit code.
CliRun run_shell(const std::string& command);

}  // namespace vmx::test
