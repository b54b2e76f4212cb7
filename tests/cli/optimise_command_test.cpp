#include <gtest/gtest.h>

#include <fstream>

#include "core/optimise/model.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace vmx::test {
namespace {

TEST(OptimiseCommand, PrintsTheSearchOfAModelFile) {
  TempDir dir;
  const std::string file = (dir / "m.prd").string();
  optimise::write_prd(file, optimise::Parameters{});
  struct Case {
    std::string args;
    int code;
    std::string out;
  };
  const Case cases[] = {
      {"'" + file + "'", 0, "y0=0\ny1=886\ny2=113\ny3=0\nG=0.191454\n"},
      {"'" + file + "' --current 0,0,400,600", 0, "y0=0\ny1=886\ny2=113\ny3=0\nG=0.191454\n"},
      {"'" + file + "' --current 1,2,3", 2, ""},
      {"'" + file + "' --current 1,2,x,4", 2, ""},
      {"'" + file + "' --what", 2, ""},
      {"", 2, ""},
      {"'" + (dir / "none.prd").string() + "'", 2, ""},
  };
  for (const Case& c : cases) {
    const CliRun r = run_cli("optimise " + c.args);
    EXPECT_EQ(r.code, c.code) << c.args;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
}

TEST(OptimiseCommand, CostsMakeTheCurrentProportionsMatter) {
  TempDir dir;
  optimise::Parameters p;
  p.cost = {"0", "5", "5", "5"};
  const std::string file = (dir / "c.prd").string();
  optimise::write_prd(file, p);
  // Moving costs 5% a unit, so where the holdings stand changes the answer.
  const CliRun from_cash = run_cli("optimise '" + file + "' --current 1000,0,0,0");
  const CliRun from_group3 = run_cli("optimise '" + file + "' --current 0,0,0,1000");
  EXPECT_EQ(from_cash.code, 0);
  EXPECT_EQ(from_group3.code, 0);
  EXPECT_NE(from_cash.out, from_group3.out);
}

}  // namespace
}  // namespace vmx::test
