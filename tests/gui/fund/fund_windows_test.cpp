#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "core/fund/fund_record.h"
#include "core/fund/report/ledger_report.h"
#include "core/fund/report/word_processor.h"
#include "core/install/installation.h"
#include "core/platform/scripted_printer.h"
#include "gui/fund/fund_window.h"
#include "gui/fund/fundreport_window.h"
#include "gui/fund/in_out_window.h"
#include "gui/fund/move_window.h"
#include "gui/widgets/db_grid.h"
#include "support/checked_dialogs.h"
#include "support/cli_run.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
using test::quoted;

namespace {

const Date kToday = Date::from_ymd(2024, 3, 15);

std::string dump(const std::filesystem::path& file, const char* order) {
  return test::run_cli("dump " + quoted(file) + " --order '" + order + "'").out;
}

}  // namespace

class FundWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_clock.set({kToday, 12, 0, 0, 0});
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    m_printer = std::make_unique<platform::ScriptedPrinter>();
    m_fund = std::make_unique<fund::Tform_fund>(*m_demo->ws);
    m_fund->set_printer(m_printer.get());
    m_fund->show();
    m_demo->dialogs.clear();
  }
  void cleanup() {
    m_fund.reset();
    m_demo.reset();
  }

  // "打印报告" on the last row prints one page of the newest 50 rows.
  void ledger_report_from_the_bottom_row() {
    store::Cursor& c = m_demo->ws->fund().cursor();
    c.last();
    const long last = c.position();
    m_demo->dialogs.answer_yes();
    m_fund->button("打印报告")->click();
    QCOMPARE(m_printer->documents().size(), size_t(1));
    const auto& pages = m_printer->last().pages;
    QCOMPARE(pages.size(), size_t(1));
    QCOMPARE(m_demo->dialogs.texts(),
             std::vector<std::string>{fund::report::kLedgerReportQuestion});
    QVERIFY(pages[0][1].find("资金进出报告") != std::string::npos);
    QVERIFY(pages[0][3].find("第1页， 共1页") != std::string::npos);
    c.go_to_position(last - 49);
    QCOMPARE(pages[0][7], fund::report::fund_ledger_line(c));
    QCOMPARE(c.position(), last - 49);
  }

  // The investors tab: the code box finds, the record filter shows the
  // matched records too and keeps the investor; "###.##" in the totals.
  void investors_tab_find_and_filter() {
    fund::TForm_fundreport* w = management();
    w->find_box()->setText("lm");
    QCOMPARE(w->lists().pycode(), std::string("lm"));
    const size_t open = w->lists().detail().count();
    w->all_records_button()->setChecked(true);
    QVERIFY(w->lists().all_records());
    QCOMPARE(w->lists().pycode(), std::string("lm"));
    QVERIFY(w->lists().detail().count() > open);
    const QAbstractItemModel* m = w->totals_grid()->model();
    const QString a_price = m->data(m->index(w->lists().totals().position(), 6)).toString();
    QVERIFY2(!a_price.contains('.') || a_price.section('.', 1).size() <= 2, qPrintable(a_price));
  }

  // The in/out window for 张三's open record: the summary lines, the due
  // date following the date and type, a withdrawal matched at once.
  void in_out_withdrawal() {
    fund::TForm_fundreport* w = management();
    w->find_box()->setText("zs");
    w->button("帐户资金进出")->click();
    auto* io = w->findChild<fund::TForm_in_out*>();
    QVERIFY(io);
    QVERIFY(io->units_label()->text().startsWith("所持a类型基金数量(股数):"));
    QVERIFY(io->now_label()->text().startsWith("当前总可取资金(元):"));
    QVERIFY(io->later_label()->text().startsWith("到期总可取资金(元):"));
    io->date_box()->setText("2024-03-01");
    io->date_or_type_changed();
    // Type a is held 180 days at least.
    QCOMPARE(io->due_label()->text(),
             QString::fromStdString(Date::from_ymd(2024, 3, 1).add_days(180).to_string()));
    io->type_box()->setText("b");
    io->date_or_type_changed();
    io->type_box()->setText("a");
    io->date_box()->setText(QString::fromStdString(kToday.to_string()));
    io->amount_box()->setText("-1000");
    m_demo->dialogs.answer_yes();
    m_demo->dialogs.clear();
    io->ok();
    const std::vector<std::string> texts = m_demo->dialogs.texts();
    QVERIFY(texts.size() >= 3);
    QCOMPARE(texts[0],
             std::string("本操作将增加一个投资或撤资记录,并改变持仓文件相应帐户资金数目,继续吗?"));
    QCOMPARE(texts[1], std::string("一个撤资记录已经追加, 将运行撤资处理!"));
    // The pass takes up 陈云's withdrawal of the demo too.
    QCOMPARE(texts.back(), std::string("撤资处理结束,2个撤资记录被处理(和投资记录相冲销)！"));
    QVERIFY(w->lists().all_records());
    QVERIFY(w->all_records_button()->isChecked());
  }

  // The manager's in/out window tells what the fund holds beyond the investors.
  void in_out_manager_summary() {
    fund::TForm_fundreport* w = management();
    w->find_box()->setText("@@@");
    w->button("帐户资金进出")->click();
    auto* io = w->findChild<fund::TForm_in_out*>();
    QVERIFY(io);
    QVERIFY(io->units_label()->text().startsWith("基金经理人所持股数(总股数－投资人持股数):"));
    QVERIFY(!w->lists().all_records());
  }

  // The type tab's option group writes the current type; the editing aids.
  void type_terms_and_aids() {
    fund::TForm_fundreport* w = management();
    w->tabs()->setCurrentIndex(2);
    store::Cursor& t = w->types().cursor();
    QVERIFY(t.locate("Xabc", {store::Value::text("a")}));
    if (w->option_box("C1")->isChecked()) w->option_box("C1")->click();
    w->option_box("C1")->click();  // on
    w->value_box("E1")->setText("0.01");
    emit w->value_box("E1")->editingFinished();
    QCOMPARE(t.get_double("E2"), 3.65);
    w->option_box("C1")->click();  // off: both fees go
    QCOMPARE(t.get_double("E1"), 0.0);
    QCOMPARE(t.get_double("E2"), 0.0);
    if (w->option_box("C5")->isChecked()) w->option_box("C5")->click();
    w->option_box("C6")->setChecked(false);
    w->option_box("C5")->click();
    QVERIFY(t.get_bool("C5"));
    QVERIFY(t.get_bool("C6"));
    QVERIFY(w->option_box("C6")->isChecked());
    w->tabs()->setCurrentIndex(0);  // "y" exists: leaving the tab says nothing
    QVERIFY(m_demo->dialogs.texts().empty());
  }

  // Receipts and statements through the window: the unmatched withdrawal is
  // matched first; a receipt in two copies; the statement and totals titles.
  void receipts_and_statements() {
    fund::TForm_fundreport* w = management();
    w->find_box()->setText("cy");
    w->lists().detail().last();  // the withdrawal taken out without matching
    m_demo->dialogs.set_default_answer(true);
    m_demo->dialogs.clear();
    w->print_receipt();
    QCOMPARE(m_demo->dialogs.texts()[1], std::string("是撤资记录，但未做撤资处理，下面先处理!"));
    QVERIFY(m_printer->documents().empty());
    QVERIFY(w->all_records_button()->isChecked());
    w->two_copies_box()->setChecked(true);
    w->print_receipt();
    QCOMPARE(m_printer->documents().size(), size_t(1));
    QCOMPARE(m_printer->last().pages.size(), size_t(2));
    QVERIFY(m_printer->last().pages[0][0].find("撤资凭证") != std::string::npos);
    w->print_statement();
    QVERIFY(m_printer->last().pages[0][0].find("投资记录报告单") != std::string::npos);
    w->print_totals();
    QVERIFY(m_printer->last().pages[0][1].find("投资人盈亏总报表") != std::string::npos);
    w->tabs()->setCurrentIndex(3);
    w->print_account();
    QVERIFY(m_printer->last().pages[0][0].find("资金帐户报告") != std::string::npos);
    QVERIFY(w->account_rate_label()->text().startsWith("增值率:"));
    w->tabs()->setCurrentIndex(4);
    platform::ScriptedShell shell;
    m_demo->ws->set_shell(shell);
    w->memo_box()->setPlainText("本月收益平稳。");
    m_demo->dialogs.clear();
    w->edit_in_word_processor();
    QCOMPARE(shell.calls().size(), size_t(1));
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{fund::report::kWordProcessorNotice});
    shell.set_result(platform::Shell::kFileNotFound);
    m_demo->dialogs.clear();
    w->edit_in_word_processor();
    QCOMPARE(m_demo->dialogs.texts().back(), std::string(fund::report::kWordProcessorMissing));
    w->tabs()->setCurrentIndex(5);
    w->print_addresses();
    QVERIFY(m_printer->last().pages[0][1].find("投资人通讯录") != std::string::npos);
  }

  // The same month of movements through the windows and through
  // valmorix-cli fund gives the same fund ledger and holdings.
  void month_through_windows_and_cli() {
    const std::filesystem::path cli = m_demo->dir / "cli";
    store::init_installation(cli, true, kToday);
    const std::string acc = quoted(cli) + " 示范帐户";
    auto run = [&](Date day, const std::string& args) {
      const test::CliRun r = test::run_cli(
          "fund " + args.substr(0, args.find(' ')) + " " + acc +
          args.substr(args.find(' ') == std::string::npos ? args.size() : args.find(' ')) +
          " --answer yes --today " + day.to_string());
      QVERIFY2(r.code == 0, (args + "\n" + r.out).c_str());
    };
    m_demo->dialogs.set_default_answer(true);
    for (int i = 1; i <= 30; ++i) {
      const Date day = kToday.add_days(i);
      m_clock.set({day, 12, 0, 0, 0});
      m_fund->hide();
      m_fund->show();  // recompute
      run(day, "recompute");
      if (i == 3 || i == 20) {
        fund::TForm_fundreport* w = management();
        run(day, "recompute");
        run(day, "value");
        w->find_box()->setText("zs");
        w->button("帐户资金进出")->click();
        auto* io = w->findChild<fund::TForm_in_out*>();
        QVERIFY(io);
        const char* amount = i == 3 ? "5000" : "-3000";
        io->type_box()->setText("a");
        io->qsdm_box()->setText("htzq");
        io->account_box()->setCurrentIndex(io->account_box()->findText("20018866"));
        io->amount_box()->setText(amount);
        io->date_box()->setText(QString::fromStdString(day.to_string()));
        io->ok();
        run(day, std::string("invest --code zs --name 张三 --amount ") + amount +
                     " --type a --qsdm htzq --zjzh 20018866 --date " + day.to_string());
        w->close();
      }
      if (i == 10) {
        m_fund->show_transfer();
        fund::TForm_move* t = m_fund->transfer_window();
        t->from_box()->setCurrentIndex(t->from_box()->findText("20018866"));
        t->to_box()->setCurrentIndex(t->to_box()->findText("30007721"));
        t->transfer_amount_box()->setText("1000");
        t->transfer_note_box()->setText("调仓");
        t->transfer_ok();
        t->close();
        run(day, "transfer --from 20018866 --to 30007721 --amount 1000 --note 调仓");
      }
      if (i == 25) {
        fund::TForm_fundreport* w = management();
        run(day, "recompute");
        run(day, "value");
        w->tabs()->setCurrentIndex(1);
        w->search();
        w->extract_all();
        run(day, "fees --search");
        run(day, "fees --extract-all");
        w->close();
      }
    }
    m_demo->ws->fund().cursor().post();
    const char* fund_key = "DT;PYCODE;Num;CZXH;XABC;B1";
    const std::string windows = dump(m_demo->dir / "demo" / "fund2.DB", fund_key);
    QVERIFY(windows.find("zs,张三,htzq,20018866,5000,a") != std::string::npos);
    QVERIFY(windows.find("zs,张三,htzq,20018866,-3000,a") != std::string::npos);
    QVERIFY(windows.find("调仓") != std::string::npos);
    QCOMPARE(windows, dump(cli / "demo" / "fund2.DB", fund_key));
    QCOMPARE(dump(m_demo->dir / "demo" / "tr2.DBF", "QSDM;ZJZH;CODE;AMT"),
             dump(cli / "demo" / "tr2.DBF", "QSDM;ZJZH;CODE;AMT"));
  }

 private:
  fund::TForm_fundreport* management() {
    m_fund->show_management();
    fund::TForm_fundreport* w = m_fund->management_window();
    w->set_printer(m_printer.get());
    return w;
  }

  platform::FixedClock m_clock{platform::DateTime{kToday, 12, 0, 0, 0}};
  platform::LoggingHelp m_help;
  std::unique_ptr<platform::ScriptedPrinter> m_printer;
  std::unique_ptr<test::DemoAccount> m_demo;
  std::unique_ptr<fund::Tform_fund> m_fund;
};

QTEST_MAIN(FundWindowsTest)
#include "fund_windows_test.moc"
