#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/install/installation.h"
#include "core/ledger/report/page_frame.h"
#include "core/store/cursor.h"
#include "core/store/session.h"
#include "support/cli_run.h"
#include "support/other_readers.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::test;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(run_cli("init " + quoted(m_inst) + " --demo").code, 0); }
  std::string report(const std::string& kind, const std::string& extra = "") {
    const CliRun r =
        run_cli("report " + kind + " " + quoted(m_inst) + " " + store::kDemoAccountName + extra);
    EXPECT_EQ(r.code, 0);
    return r.out;
  }
  // The demo ledger's rows in a view: how many, and how many of them a
  // closing report prints (quantity not negative).
  std::pair<size_t, size_t> rows_in(const char* index) {
    store::Session session;
    store::Cursor c(session, (m_inst / store::kDemoAccountDir).string(), "tr2.DBF");
    c.set_index_name(index);
    c.open();
    size_t all = 0, bought = 0;
    for (c.first(); !c.eof(); c.next()) ++all, bought += c.get_double("AMT") >= 0;
    return {all, bought};
  }

  TempDir m_dir;
  std::filesystem::path m_inst = m_dir / "demo";
};

size_t data_lines(const std::vector<std::string>& lines) {
  // Each page has three separators: the data lines follow its second.
  size_t seps = 0, n = 0;
  for (const std::string& l : lines) {
    if (l == ledger::report::separator())
      ++seps;
    else if (seps % 3 == 2)
      ++n;
  }
  return n;
}

TEST_F(ReportCommand, PrintsTheDemoReportsAsPrinterLines) {
  const std::vector<std::string> holdings = lines_of(report("holdings"));
  ASSERT_GT(holdings.size(), 7u);
  EXPECT_EQ(holdings[0], "  ");
  EXPECT_EQ(holdings[1], std::string(38, ' ') + "持仓报告");
  EXPECT_TRUE(holdings[3].starts_with("                         第1页， 共1页   打印时间:"));
  EXPECT_NE(holdings[5].find("当前价"), std::string::npos);
  EXPECT_EQ(holdings.back(), ledger::report::separator());
  EXPECT_EQ(data_lines(holdings), rows_in("NO_PC").first);

  const std::vector<std::string> closed = lines_of(report("closed"));
  EXPECT_EQ(closed[1], std::string(38, ' ') + "平仓报告");
  EXPECT_NE(closed[5].find("卖出价"), std::string::npos);
  EXPECT_EQ(data_lines(closed), rows_in("For_PC").second);
}

TEST_F(ReportCommand, WritesAPdfWithAPageForEachReportPage) {
  // 120 more open rows: three report pages, three sheets.
  {
    store::Session session;
    store::Cursor c(session, (m_inst / store::kDemoAccountDir).string(), "tr2.DBF");
    c.open();
    const int more = 120 - static_cast<int>(rows_in("NO_PC").first);
    for (int i = 0; i < more; ++i) {
      c.append();
      c.set_string("QSDM", "htzq");
      c.set_string("QS", "华泰");
      c.set_string("CODE", std::to_string(600100 + i));
      c.set_string("NAME", "测试股票");
      c.set_double("AMT", 100 + i);
      c.post();
    }
  }
  ASSERT_EQ(rows_in("NO_PC").first, 120u);
  EXPECT_EQ(data_lines(lines_of(report("holdings"))), 120u);

  const std::filesystem::path pdf = m_dir / "持仓.pdf";
  EXPECT_EQ(report("holdings", " --pdf " + quoted(pdf)), "");
  std::ifstream in(pdf, std::ios::binary);
  char head[5] = {};
  in.read(head, 4);
  EXPECT_EQ(std::string(head), "%PDF");
  if (!test::have_program("pdfinfo") || !test::have_program("pdftotext"))
    GTEST_SKIP() << "poppler-utils is not installed: pages and text not checked";
  const std::string info = run_shell("pdfinfo " + quoted(pdf)).out;
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           持仓报告"), std::string::npos) << info;
  const std::string text = run_shell("pdftotext -f 3 -l 3 " + quoted(pdf) + " -").out;
  EXPECT_NE(text.find("第3页"), std::string::npos) << text;
}

TEST_F(ReportCommand, RefusesBadUsageAndUnwritableFiles) {
  const std::string acc = std::string(" ") + store::kDemoAccountName;
  struct Case {
    std::string args;
    int code;
  };
  const Case cases[] = {
      {"report weekly " + quoted(m_inst) + acc, 2},
      {"report holdings " + quoted(m_inst), 2},
      {"report holdings " + quoted(m_inst) + " 无此帐户", 2},
      {"report holdings " + quoted(m_dir / "none") + acc, 2},
      {"report holdings " + quoted(m_inst) + acc + " --pdf", 2},
      {"report holdings " + quoted(m_inst) + acc + " --pdf " + quoted(m_dir / "no" / "x.pdf"), 2},
      {"report holdings " + quoted(m_inst) + acc + " --colour", 2},
  };
  for (const Case& c : cases) {
    const CliRun r = run_cli(c.args);
    EXPECT_EQ(r.code, c.code) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir / "no"));
}

}  // namespace
