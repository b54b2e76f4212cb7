#include <gtest/gtest.h>

#include <string>

#include "support/cli_run.h"
#include "support/temp_dir.h"

using namespace vmx::test;

namespace {

// A month of the demo fund driven from the command line, as a nightly script
// would: the recompute on the first start changes nothing, money in and out
// and a transfer go through with their messages, the exit codes tell a script
// what happened.
TEST(FundCommand, ScriptedDaysOfTheDemoFund) {
  TempDir dir;
  const auto inst = dir / "demo";
  ASSERT_EQ(run_cli("init " + quoted(inst) + " --demo").code, 0);
  const std::string acc = quoted(inst) + " 示范帐户";
  const std::string dump =
      "dump " + quoted(inst / "demo" / "fund2.DB") + " --order 'DT;PYCODE;Num;CZXH;XABC;B1'";
  const std::string before = run_cli(dump).out;
  EXPECT_EQ(run_cli("fund recompute " + acc).code, 0);
  EXPECT_EQ(run_cli(dump).out, before);

  struct Step {
    std::string args;
    int code;
    std::string out;
  };
  const Step steps[] = {
      {"invest --code zs --name 张三 --amount 5000 --type a --qsdm htzq --zjzh 20018866", 1,
       "本操作将增加一个投资或撤资记录,并改变持仓文件相应帐户资金数目,继续吗?\n"},
      {"invest --code zs --name 张三 --amount 5000 --type a --qsdm htzq --zjzh 20018866 "
       "--answer yes",
       0,
       "本操作将增加一个投资或撤资记录,并改变持仓文件相应帐户资金数目,继续吗?\n"
       "一个投资记录已经追加! 如要修改请退回到基金管理窗口。\n"},
      {"invest --code zs --name 张三 --amount 12x --type a --qsdm htzq --zjzh 20018866", 1,
       "“12x”不是有效的数值\n"},
      {"transfer --from 20018866 --to 30007721 --amount 1000 --note 调仓", 0,
       "资金进出文件添加记录成功.\n持仓文件相应资金帐户金额已经改变.\n"},
      {"recompute", 0, ""},
      {"value", 0, ""},
      {"fees", 2, ""},
  };
  for (const Step& s : steps) {
    const size_t space = s.args.find(' ');
    const std::string action = s.args.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : s.args.substr(space);
    const CliRun r = run_cli("fund " + action + " " + acc + rest);
    EXPECT_EQ(r.code, s.code) << s.args << "\n" << r.out;
    if (s.code != 2) {
      EXPECT_EQ(r.out, s.out) << s.args;
    }
  }
}

}  // namespace
