#pragma once

#include <string>

namespace vmx::test {

struct CliRun {
  int code = -1;
  std::string out;  // standard output
};

// Runs valmorix-cli with the given arguments (already quoted for the shell);
// standard error is dropped.
CliRun run_cli(const std::string& args);

// Runs a shell command and returns its standard output and exit code.
CliRun run_shell(const std::string& command);

}  // namespace vmx::test
