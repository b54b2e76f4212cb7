#include <cstdio>
#include <exception>

#include "cli/command.h"
#include "core/platform/error_boundary.h"
#include "core/platform/file_system.h"

namespace vmx::cli {
#define VMX_COMMAND(name) void add_##name##_command(Commands& commands);
#include "cli/commands.def"
#undef VMX_COMMAND
}  // namespace vmx::cli

namespace {

int dispatch(int argc, char** argv) {
  CLI::App root(
      "Valmorix on the command line: the program's operations for scripts and "
      "nightly jobs. Exit status 0 done, 1 stopped with a message, 2 a usage or "
      "file error.",
      "valmorix-cli");
  vmx::cli::Commands commands(root);
#define VMX_COMMAND(name) vmx::cli::add_##name##_command(commands);
#include "cli/commands.def"
#undef VMX_COMMAND
  try {
    return commands.run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "valmorix-cli: %s\n", vmx::platform::describe(e).c_str());
    return vmx::cli::kUsageError;
  }
}

}  // namespace

// Whatever a command wrote is on disk before it reports done.
int main(int argc, char** argv) {
  const int rc = dispatch(argc, argv);
  try {
    vmx::platform::flush_written_files();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "valmorix-cli: %s\n", e.what());
    return vmx::cli::kUsageError;
  }
  return rc;
}
