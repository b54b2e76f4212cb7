#include "core/platform/help.h"

#include <cstdio>

namespace vmx::platform {

void LoggingHelp::open_keyword(const std::string& keyword) {
  std::fprintf(stderr, "help: keyword %s\n", keyword.c_str());
}

void LoggingHelp::open_contents() { std::fputs("help: contents\n", stderr); }

}  // namespace vmx::platform
