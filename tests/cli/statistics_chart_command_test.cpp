#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/chart/performance.h"
#include "core/install/installation.h"
#include "core/stats/statistics_report.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::test;

namespace {}  // namespace

// report statistics and chart over the demo installation: what prints, what
// stops with the window's message, what the picture file gets.
TEST(StatisticsAndChartCommands, PrintTheReportAndDrawTheChart) {
  TempDir dir;
  const auto inst = dir.path() / "inst";
  ASSERT_EQ(run_cli("init " + quoted(inst) + " --demo --today 2024-03-15").code, 0);
  const std::string account = quoted(inst) + " " + store::kDemoAccountName;
  const std::string today = " --today 2024-03-15";

  CliRun r = run_cli("report statistics " + account +
                     " --kind pnl --content account --pnl discount" + today);
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(
      r.out.find("统计报告--显示种类:盈亏; 盈亏类型:浮动盈亏(按折扣率); 内容和方式:按资金帐户统计"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("券商代码  券商      资金帐户  数量"), std::string::npos);
  r = run_cli("report statistics " + account + " --kind history --from-row 3" + today);
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("历史记录--显示种类:成交历史(按日期)"), std::string::npos);
  r = run_cli("report statistics " + account + " --content detail" + today);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, std::string(stats::kDetailRedirect) + "\n");
  EXPECT_EQ(run_cli("report statistics " + account + " --kind nonsense").code, 2);

  const auto png = dir.path() / "chart.png";
  r = run_cli("chart " + account + " --png " + quoted(png) + " --weekly" + today);
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("价格 "), std::string::npos) << r.out;
  EXPECT_GT(std::filesystem::file_size(png), 10000u);
  r = run_cli("chart " + account + " --png " + quoted(png) + " --from 1999-01-04" + today);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, std::string(chart::kDateOutOfRange) + "\n");
}
