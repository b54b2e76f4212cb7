#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/csv.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"
#include "core/store/query.h"
#include "core/store/session.h"

namespace vmx::cli {

namespace {

struct QueryArgs {
  std::filesystem::path dir;
  std::string sql;
  std::vector<std::string> params;  // NAME=VALUE
};

int run_query(const QueryArgs& a) {
  const auto& dir = a.dir;
  try {
    store::Session session;
    session.set_alias("curr", dir);
    session.set_alias("ubx", dir);
    store::Query q(session, "ubx");
    q.set_text(a.sql);
    // Values arrive as text; SQLite's column affinity compares them as numbers
    // or dates where the field is one.
    for (const std::string& p : a.params) {
      const size_t eq = p.find('=');
      q.set_param(p.substr(0, eq), store::Value::text(p.substr(eq + 1)));
    }
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
    return fail("query", platform::describe(e), kStopped);
  } catch (const store::Error& e) {
    return fail("query", platform::describe(e));
  }
  return kOk;
}

}  // namespace

// valmorix-cli query DIR 'SQL' [--param NAME=VALUE]...
void add_query_command(Commands& commands) {
  auto a = std::make_shared<QueryArgs>();
  CLI::App& cmd = commands.add(
      "query",
      "Runs a read-only query over the tables of DIR and prints CSV with the result's column "
      "names as header. Table names are quoted file names (\"tr2.dbf\"); parameters are written "
      ":\"Name\".",
      [a] { return run_query(*a); });
  cmd.add_option("DIR", a->dir, "the directory of the tables")
      ->required()
      ->check(CLI::ExistingDirectory);
  cmd.add_option("SQL", a->sql, "the query")->required();
  cmd.add_option("--param", a->params, "a parameter's value; may be given again")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false)
      ->check(value_check([](const std::string& p) {
        const size_t eq = p.find('=');
        return eq == std::string::npos || eq == 0 ? "needs NAME=VALUE" : std::string();
      }));
}

}  // namespace vmx::cli
