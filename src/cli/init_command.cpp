#include <cstdio>
#include <memory>
#include <string>

#include "cli/command.h"
#include "core/install/installation.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

struct InitArgs {
  std::string dir;
  bool demo = false;
  TodayOption today;
};

int run_init(InitArgs& a) {
  try {
    store::init_installation(a.dir, a.demo, a.today.today());
  } catch (const store::Error& e) {
    return fail("init", platform::describe(e), kStopped);
  }
  std::printf("%s: installation laid out%s\n", a.dir.c_str(),
              a.demo ? ", with the demo account's portfolio and fund" : "");
  return kOk;
}

}  // namespace

// valmorix-cli init DIR [--demo] [--today YYYY-MM-DD]
void add_init_command(Commands& commands) {
  auto a = std::make_shared<InitArgs>();
  CLI::App& cmd = commands.add(
      "init",
      "Lays out a new installation in DIR (empty or not existing): the shared tables, the "
      "template directory empty/ and the accounts 我的帐户 (user/) and 示范帐户 (demo/).",
      [a] { return run_init(*a); });
  cmd.add_option("DIR", a->dir, "the new installation's directory")->required();
  cmd.add_flag("--demo", a->demo,
               "give the demo account a portfolio and a year of fund history, and lay out "
               "sample quote files");
  a->today.add_to(cmd);
}

}  // namespace vmx::cli
