#include "support/cli_run.h"

#include <sys/wait.h>

#include <cstdio>

namespace vmx::test {

CliRun run_shell(const std::string& command) {
  CliRun r;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

CliRun run_cli(const std::string& args) {
  return run_shell(std::string(VMX_CLI) + " " + args + " 2>/dev/null");
}

}  // namespace vmx::test
