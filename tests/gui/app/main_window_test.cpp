#include "gui/app/main_window.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <map>

#include "core/fund/report/word_processor.h"
#include "core/install/installation.h"
#include "core/login/external_programs.h"
#include "core/platform/scripted_dialogs.h"
#include "core/platform/shell.h"
#include "gui/app/login_window.h"
#include "gui/app/order_settings_window.h"
#include "gui/reference/settings_window.h"
#include "gui/widgets/query_model.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
namespace fs = std::filesystem;

namespace {

struct Row {
  std::string wth, qsdm, zjzh, code, name;
};

// The demo ledger walked row by row, markers compared as bytes: the hand
// computation the lists are checked against.
std::vector<Row> ledger_rows(const fs::path& dir) {
  store::Session s;
  store::Cursor c(s, dir.string(), "tr2.DBF");
  c.open();
  std::vector<Row> rows;
  for (c.first(); !c.eof(); c.next())
    rows.push_back({c.get_string("WTH"), c.get_string("QSDM"), c.get_string("ZJZH"),
                    c.get_string("CODE"), c.get_string("NAME")});
  return rows;
}
bool open_row(const Row& r) { return r.wth > "PA" || r.wth < "P" || r.wth.empty(); }
bool detail_row(const Row& r) { return r.wth < "P" || r.wth >= "P999999" || r.wth.empty(); }
bool pending_order(const Row& r) { return r.wth < "999999" && r.wth > "0" && r.code != "xj"; }

QString cell(QAbstractItemModel* m, int row, int column) {
  return m->data(m->index(row, column)).toString();
}
QString title(QAbstractItemModel* m, int column) {
  return m->headerData(column, Qt::Horizontal).toString();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo =
        std::make_unique<test::DemoInstallation>(vmx::Date::from_ymd(2026, 12, 6), m_clock, m_help);
    m_rows = ledger_rows(m_demo->dir.path() / "demo");
    m_demo->login->BitBtn1Click();  // 示范帐户 without a password
    QVERIFY(m_demo->login->main_window());
  }
  void cleanup() { m_demo.reset(); }

  void listing_choices() {
    app::TForm7* w = m_demo->login->main_window();
    QCOMPARE(w->windowTitle(), QStringLiteral("资产管理主窗口，管理帐户名：示范帐户"));
    ui::QueryModel* up = w->upper_model();
    ui::QueryModel* low = w->lower_model();
    QAbstractItemModelTester t1(up, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester t2(low, QAbstractItemModelTester::FailureReportingMode::QtTest);

    // Choice 0: one row per security of the open rows, in code order.
    std::map<std::string, int> by_code;  // code -> detail rows
    for (const Row& r : m_rows)
      if (open_row(r)) by_code[r.code] += 0;
    for (const Row& r : m_rows)
      if (detail_row(r) && by_code.count(r.code)) ++by_code[r.code];
    QCOMPARE(up->rowCount(), int(by_code.size()));
    QCOMPARE(up->columnCount(), 8);
    QCOMPARE(title(up, 0), QStringLiteral("代码"));
    QCOMPARE(title(up, 1), QStringLiteral("名称"));
    QCOMPARE(title(up, 3), QStringLiteral("成本价"));
    for (int c : {2, 3, 4, 5, 6})  // 数量, 成本价, 当前价, 成本, 市值: numbers at the right edge
      QCOMPARE(up->data(up->index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                   Qt::AlignHorizontal_Mask,
               Qt::AlignRight);
    QCOMPARE(title(low, 0), QStringLiteral("委托号"));
    QCOMPARE(low->columnCount(), 16);
    // The detail list follows the row chosen in the summary grid.
    int row = 0;
    for (const auto& [code, details] : by_code) {
      w->upper_grid()->setCurrentIndex(up->index(row, 1));
      QCOMPARE(cell(up, row, 0), QString::fromStdString(code));
      QCOMPARE(low->rowCount(), details);
      for (int i = 0; i < low->rowCount(); ++i)
        QCOMPARE(cell(low, i, 7), QString::fromStdString(code));
      ++row;
    }

    // Choice 1: one row per cash account.
    std::map<std::string, int> by_account;
    for (const Row& r : m_rows)
      if (open_row(r)) by_account[r.qsdm + "|" + r.zjzh] += 0;
    QTest::mouseClick(w->listing_group()->button(1), Qt::LeftButton);
    QCOMPARE(up->rowCount(), int(by_account.size()));
    QCOMPARE(up->columnCount(), 3);
    QCOMPARE(title(up, 0), QStringLiteral("券商代码"));
    QCOMPARE(title(up, 1), QStringLiteral("资金账号"));
    QCOMPARE(title(up, 2), QStringLiteral("市值"));
    w->upper_grid()->setCurrentIndex(up->index(1, 0));
    const std::string account = cell(up, 1, 0).toStdString() + "|" + cell(up, 1, 1).toStdString();
    QCOMPARE(account, std::next(by_account.begin())->first);
    int expected = 0;
    for (const Row& r : m_rows)
      if (detail_row(r) && r.qsdm + "|" + r.zjzh == account) ++expected;
    QCOMPARE(low->rowCount(), expected);

    // Choice 2: the summary stays as it was, titles too; the detail list holds
    // every pending order, whatever the summary's row.
    int pending = 0;
    for (const Row& r : m_rows) pending += pending_order(r);
    QCOMPARE(pending, 2);
    QTest::mouseClick(w->listing_group()->button(2), Qt::LeftButton);
    QCOMPARE(up->rowCount(), int(by_account.size()));
    QCOMPARE(title(up, 1), QStringLiteral("资金账号"));
    QCOMPARE(low->rowCount(), pending);
    w->upper_grid()->setCurrentIndex(up->index(0, 0));
    QCOMPARE(low->rowCount(), pending);

    // Back to securities, then pending orders: the security titles are kept.
    QTest::mouseClick(w->listing_group()->button(0), Qt::LeftButton);
    QCOMPARE(up->rowCount(), int(by_code.size()));
    QTest::mouseClick(w->listing_group()->button(2), Qt::LeftButton);
    QCOMPARE(title(up, 0), QStringLiteral("代码"));
    QCOMPARE(title(up, 1), QStringLiteral("名称"));
    QCOMPARE(up->rowCount(), int(by_code.size()));
    QCOMPARE(low->rowCount(), pending);
    QVERIFY(m_demo->dialogs.texts().empty());
  }

  void buttons_and_menus() {
    app::TForm7* w = m_demo->login->main_window();
    QTest::mouseClick(w->tool_button(QStringLiteral("按钮说明")), Qt::LeftButton);
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{app::kButtonNotes});
    QCOMPARE(std::string(app::kButtonNotes),
             "本软件研制者不喜欢过多重复的按钮和菜单选项; "
             "右边两排大按钮所示操作不在菜单中重复列入；本行快捷键重复的也只是菜单中常用选项。");
    QTest::mouseClick(w->button(QStringLiteral("帮助")), Qt::LeftButton);
    w->action(QStringLiteral("漫谈风险投资的数学问题"))->trigger();
    w->action(QStringLiteral("戏说股市和人生哲学"))->trigger();
    w->action(QStringLiteral("用户意见和问题解答"))->trigger();
    w->action(QStringLiteral("帮助系统目录"))->trigger();
    QCOMPARE(m_help.keywords,
             (std::vector<std::string>{"mainform", "mathproblem", "novel", "ask", "(contents)"}));
    QCOMPARE(w->action(QStringLiteral("设置证券类型和代码等"))->shortcut(),
             QKeySequence(Qt::Key_F5));
    QCOMPARE(w->action(QStringLiteral("退出系统"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCOMPARE(w->button(QStringLiteral("委托记录处理"))->toolTip(),
             QStringLiteral("手工记录交易记录,并自动结算资金"));
    QCOMPARE(w->action(QStringLiteral("改口令"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(w->action(QStringLiteral("拷贝文件"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    QVERIFY(w->tool_button(QStringLiteral("拷贝文件，和Ctrl+C相同")));
    QVERIFY(w->tool_button(QStringLiteral("管理帐户中各资金帐户之间转帐, 及投资人资金出入帐")));

    QVERIFY(!m_demo->login->settings_window()->isVisible());
    QTest::mouseClick(w->tool_button(QStringLiteral("设置证券类型和代码等，和F5相同")),
                      Qt::LeftButton);
    QVERIFY(m_demo->login->settings_window()->isVisible());
  }

  // Closing the settings window values the ledger while a valuation is
  // pending, then refreshes both lists.
  void settings_close_values_and_refreshes() {
    app::TForm7* w = m_demo->login->main_window();
    QVERIFY(m_demo->login->workspace()->ledger().valuation_pending());
    w->show_settings();
    m_demo->login->settings_window()->close();
    QVERIFY(!m_demo->login->workspace()->ledger().valuation_pending());
    QVERIFY(w->views().upper().active());
    QVERIFY(w->upper_model()->rowCount() > 0);
  }

  // F8: the security list's price reaches the code list, the holdings and
  // both lists.
  void price_update_chain() {
    app::TForm7* w = m_demo->login->main_window();
    {
      // The price import writes the security list through the program's own
      // engine, so every open cursor on it sees the new price at once.
      store::Cursor list(m_demo->session, "curr", "allstocks.DBF");
      list.open();
      QVERIFY(list.locate("CODE", {store::Value::text("600000")}));
      list.set_double("PRICE", 9.87);
      list.post();
    }
    w->action(QStringLiteral("根据下载价格文件更新"))->trigger();
    QVERIFY(m_demo->dialogs.texts().empty());
    ui::QueryModel* up = w->upper_model();
    int row = 0;
    while (row < up->rowCount() && cell(up, row, 0) != QStringLiteral("600000")) ++row;
    QVERIFY(row < up->rowCount());
    QCOMPARE(cell(up, row, 4), QStringLiteral("9.87"));  // 当前价
  }

  // 软件链接 and the report editor through the shell, with the messages of
  // their results; the order-program settings and path.txt on closing them.
  void outside_programs() {
    app::TForm7* w = m_demo->login->main_window();
    platform::ScriptedShell shell;
    m_demo->login->workspace()->set_shell(shell);
    const struct {
      int result;
      std::vector<std::string> texts;
      bool settings_shown;
    } cases[] = {
        {platform::Shell::kStarted, {}, false},
        {platform::Shell::kFileNotFound, {app::kOrderProgramNotFound}, true},
        {platform::Shell::kAccessDenied, {app::kOrderProgramFailed}, false},
    };
    for (const auto& c : cases) {
      shell.set_result(c.result);
      m_demo->dialogs.clear();
      QTest::mouseClick(w->button(QStringLiteral("软件链接")), Qt::LeftButton);
      QCOMPARE(m_demo->dialogs.texts(), c.texts);
      QCOMPARE(w->order_settings()->isVisible(), c.settings_shown);
      w->order_settings()->hide();
    }
    QCOMPARE(shell.calls().back().file, std::string("/opt/qlwt/qlwt"));
    m_demo->dialogs.clear();
    shell.set_result(platform::Shell::kNoAssociation);
    w->action(QStringLiteral("用写字板编辑业绩报告"))->trigger();
    QCOMPARE(m_demo->dialogs.texts(),
             (std::vector<std::string>{fund::report::kWordProcessorNotice,
                                       fund::report::kWordProcessorFailed}));
    QCOMPARE(shell.calls().back().file, (m_demo->dir.path() / "demo" / "report.txt").string());

    // F6: a program picked, the window closed: path.txt beside the program.
    w->action(QStringLiteral("设置链接程序名和路径"))->trigger();
    app::Tform_wtset* settings = w->order_settings();
    QVERIFY(settings->isVisible());
    fs::create_directory(m_demo->dir.path() / "wt");
    std::ofstream(m_demo->dir.path() / "wt" / "order") << "#!/bin/sh\n";
    m_demo->dialogs.clear();
    m_demo->dialogs.answer_input((m_demo->dir.path() / "wt" / "order").string());
    settings->Button1Click();
    QCOMPARE(settings->program_box()->text(), QStringLiteral("order"));
    m_demo->dialogs.clear();
    settings->close();
    QVERIFY(m_demo->dialogs.texts().empty());
    QVERIFY(fs::exists(m_demo->dir.path() / "wt" / "path.txt"));
    QVERIFY(!settings->isVisible());
  }

  void logout_keeps_the_program_running() {
    app::TForm7* w = m_demo->login->main_window();
    QTest::mouseClick(w->button(QStringLiteral("退出系统")), Qt::LeftButton);
    QVERIFY(!w->isVisible());
    QVERIFY(m_demo->login->isVisible());
    QCOMPARE(w->upper_model()->rowCount(), 0);
    QCOMPARE(w->lower_model()->rowCount(), 0);
  }

 private:
  std::vector<Row> m_rows;
  platform::FixedClock m_clock{{vmx::Date::from_ymd(2026, 12, 6), 10, 0, 0, 0}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoInstallation> m_demo;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
