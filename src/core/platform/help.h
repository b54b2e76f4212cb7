#pragma once

#include <array>
#include <string>

namespace vmx::platform {

// The keywords the help buttons and menus jump to, with the window they
// explain; the help file has a topic for each.
struct HelpKeyword {
  const char* keyword;
  const char* window;
};
inline constexpr std::array<HelpKeyword, 27> kHelpKeywords = {{
    {"login", "登录窗口"},
    {"mainform", "资产管理主窗口"},
    {"mathproblem", "漫谈风险投资的数学问题"},
    {"novel", "戏说股市和人生哲学"},
    {"ask", "用户意见和问题解答"},
    {"mystocks", "持仓编辑窗口"},
    {"buysell", "委托记录处理窗口"},
    {"send", "分红配股处理窗口"},
    {"setform", "设置窗口：类型名表"},
    {"set_stock", "设置窗口：代码价格表"},
    {"set_code_lx", "设置窗口：代码->类型表"},
    {"set_qs", "设置窗口：券商代码表"},
    {"bi", "设置窗口：货币定义"},
    {"forwt", "委托程序设置窗口"},
    {"copy", "拷贝文件窗口"},
    {"fordata", "更新行情数据窗口"},
    {"threelines", "业绩比较图"},
    {"lookportfolio", "组合和盈亏统计窗口"},
    {"fund", "基金计算管理窗口"},
    {"fund_in_out", "资金进出窗口"},
    {"fundreport", "基金管理窗口：投资人报告"},
    {"accountreport", "基金管理窗口：资金帐户报告"},
    {"typedefine", "基金管理窗口：投资类型定义"},
    {"communication", "基金管理窗口：通讯录"},
    {"reportformat", "基金管理窗口：报告格式"},
    {"tich", "基金管理窗口：提成"},
    {"yhmn", "组合优化模拟窗口"},
}};

// Opens the help file at a keyword or at its contents.
class Help {
 public:
  virtual ~Help() = default;
  virtual void open_keyword(const std::string& keyword) = 0;
  virtual void open_contents() = 0;
};

// Logs each request to standard error ("help: keyword login"): for the
// command line and tests, which have no viewer.
class LoggingHelp : public Help {
 public:
  void open_keyword(const std::string& keyword) override;
  void open_contents() override;
};

}  // namespace vmx::platform
