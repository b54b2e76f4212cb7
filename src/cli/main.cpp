#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/platform/error_boundary.h"
#include "core/platform/file_system.h"

namespace {

const char* const kUsage =
    "usage:\n"
    "  valmorix-cli init DIR [--demo] [--today YYYY-MM-DD]\n"
    "  valmorix-cli check FILE...\n"
    "  valmorix-cli dump FILE [--index TAG | --order 'F1;F2'] [--format csv|json]\n"
    "  valmorix-cli query DIR 'SQL' [--param NAME=VALUE]...\n"
    "  valmorix-cli calc PROGRAM_DIR ACCOUNT_NAME [--answer yes|no] [--today YYYY-MM-DD]\n"
    "  valmorix-cli optimise FILE.prd [--current P0,P1,P2,P3]\n"
    "  valmorix-cli report holdings|closed PROGRAM_DIR ACCOUNT_NAME [--pdf FILE] [--today "
    "YYYY-MM-DD]\n"
    "  valmorix-cli fund recompute|value|match|invest|transfer|fees PROGRAM_DIR ACCOUNT_NAME "
    "[--answer yes|no] [--today YYYY-MM-DD] [options]\n"
    "  valmorix-cli prices all|mine|codes PROGRAM_DIR ACCOUNT_NAME [--source HQCODE] [--path DIR]\n"
    "                     [--answer yes|no] [--today YYYY-MM-DD]\n";

}  // namespace

namespace {

int dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return vmx::cli::kUsageError;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "init") return vmx::cli::cmd_init(args);
    if (command == "dump") return vmx::cli::cmd_dump(args);
    if (command == "check") return vmx::cli::cmd_check(args);
    if (command == "query") return vmx::cli::cmd_query(args);
    if (command == "calc") return vmx::cli::cmd_calc(args);
    if (command == "report") return vmx::cli::cmd_report(args);
    if (command == "optimise") return vmx::cli::cmd_optimise(args);
    if (command == "fund") return vmx::cli::cmd_fund(args);
    if (command == "prices") return vmx::cli::cmd_prices(args);
    if (command == "--help" || command == "help") {
      std::fputs(kUsage, stdout);
      return vmx::cli::kOk;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "valmorix-cli: %s\n", vmx::platform::describe(e).c_str());
    return vmx::cli::kUsageError;
  }
  std::fprintf(stderr, "valmorix-cli: unknown command '%s'\n%s", command.c_str(), kUsage);
  return vmx::cli::kUsageError;
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
