#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"
#include "core/store/query.h"
#include "core/store/session.h"

namespace vmx::cli {

namespace {

const char* const kQueryUsage = "usage: valmorix-cli query DIR 'SQL' [--param NAME=VALUE]...\n";

int usage(const char* problem) {
  std::fprintf(stderr, "query: %s\n%s", problem, kQueryUsage);
  return kUsageError;
}

}  // namespace

int cmd_query(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> params;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--param") {
      if (i + 1 >= args.size()) return usage("--param needs NAME=VALUE");
      const std::string& p = args[++i];
      const size_t eq = p.find('=');
      if (eq == std::string::npos || eq == 0) return usage("--param needs NAME=VALUE");
      params.emplace_back(p.substr(0, eq), p.substr(eq + 1));
    } else if (args[i].starts_with("--")) {
      return usage(("unknown option " + args[i]).c_str());
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return usage("give a directory and one SQL text");
  const std::filesystem::path dir = positional[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "query: %s is not a directory\n", dir.string().c_str());
    return kUsageError;
  }

  try {
    store::Session session;
    session.set_alias("curr", dir);
    session.set_alias("ubx", dir);
    store::Query q(session, "ubx");
    q.set_text(positional[1]);
    // Values arrive as text; SQLite's column affinity compares them as numbers
    // or dates where the field is one.
    for (const auto& [name, value] : params) q.set_param(name, store::Value::text(value));
    q.open();
    std::string out;
    const auto& columns = q.columns();
    for (size_t c = 0; c < columns.size(); ++c) out += (c ? "," : "") + csv_field(columns[c]);
    out += "\r\n";
    for (size_t r = 0; r < q.count(); ++r) {
      for (size_t c = 0; c < columns.size(); ++c)
        out += (c ? "," : "") + csv_field(csv_text(q.value_at(r, static_cast<int>(c))));
      out += "\r\n";
      if (out.size() > (1 << 16)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  } catch (const store::QueryError& e) {
    std::fprintf(stderr, "query: %s\n", vmx::platform::describe(e).c_str());
    return kStopped;
  } catch (const store::Error& e) {
    std::fprintf(stderr, "query: %s\n", vmx::platform::describe(e).c_str());
    return kUsageError;
  }
  return kOk;
}

}  // namespace vmx::cli
