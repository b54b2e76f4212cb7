#include "support/other_readers.h"

#include <map>

#include "support/cli_run.h"

namespace vmx::test {
namespace {

bool succeeds(const std::string& command) {
  static std::map<std::string, bool> known;
  auto it = known.find(command);
  if (it == known.end()) it = known.emplace(command, run_shell(command).code == 0).first;
  return it->second;
}

}  // namespace

bool python_imports(const std::string& modules) {
  return succeeds("/usr/bin/python3 -c 'import " + modules + "' >/dev/null 2>&1");
}

bool have_program(const std::string& program) {
  return succeeds("command -v '" + program + "' >/dev/null 2>&1");
}

}  // namespace vmx::test
