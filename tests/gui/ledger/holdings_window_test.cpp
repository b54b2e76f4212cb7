#include "gui/ledger/holdings_window.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "core/install/installation.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/app/login_window.h"
#include "gui/app/main_window.h"
#include "gui/ledger/new_account_window.h"
#include "gui/reference/settings_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/query_model.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

class HoldingsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo =
        std::make_unique<test::DemoInstallation>(vmx::Date::from_ymd(2026, 12, 6), m_clock, m_help);
    m_demo->dialogs.set_default_answer(true);  // zero prices become buy prices
    m_demo->login->BitBtn1Click();             // 示范帐户 without a password
    QVERIFY(m_demo->login->main_window());
    QVERIFY(m_demo->login->holdings_window());
  }
  void cleanup() { m_demo.reset(); }

  void created_hidden_with_its_columns() {
    ledger::TForm2* w = m_demo->login->holdings_window();
    QVERIFY(!w->isVisible());
    QCOMPARE(w->windowTitle(), QString::fromUtf8(ledger::kHoldingsWindowCaption));
    const QStringList captions = {"委托号",   "券商码",   "券商",   "资金帐号", "股东代码",
                                  "类型码",   "代码",     "名称",   "多/空",    "数量",
                                  "货币比率", "价格1",    "日期1",  "价格2",    "日期2",
                                  "价值1",    "价值2",    "手续费", "印花税",   "增值",
                                  "增值率",   "投资比例", "折扣率", "类型名",   "注释"};
    QAbstractItemModel* m = w->grid()->model();
    QCOMPARE(m->columnCount(), captions.size());
    for (int c = 0; c < captions.size(); ++c)
      QCOMPARE(m->headerData(c, Qt::Horizontal).toString(), captions[c]);
    QVERIFY(m->rowCount() > 0);
    auto align = [&](int column) {
      return Qt::Alignment(m->data(m->index(0, column), Qt::TextAlignmentRole).toInt()) &
             Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(align(9), Qt::AlignRight);   // 数量
    QCOMPARE(align(12), Qt::AlignRight);  // 日期1
    QCOMPARE(align(6), Qt::AlignLeft);    // 代码
    // Totals of the demo's last run, before any run in this login.
    QVERIFY(w->market_label()->text().startsWith(QStringLiteral("市价总值=")));
    for (const char* caption : {"删除", "复制记录", "插入空白", "补充汉字", "拷贝数据", "打印报告",
                                "新建资金帐户", "更新计算", "手工改价", "帮助", "关闭"})
      QVERIFY2(w->button(QString::fromUtf8(caption)), caption);
  }

  // The main window's button reopens the ledger on the detail list's row.
  void edit_button_positions_the_ledger_on_the_selected_row() {
    app::TForm7* main = m_demo->login->main_window();
    ui::QueryModel* up = main->upper_model();
    ui::QueryModel* low = main->lower_model();
    // A summary row with several detail rows; the last of them is picked.
    for (int row = 0; row < up->rowCount() && low->rowCount() < 2; ++row)
      main->upper_grid()->setCurrentIndex(up->index(row, 0));
    QVERIFY(low->rowCount() > 1);
    const int pick = low->rowCount() - 1;
    main->lower_grid()->setCurrentIndex(low->index(pick, 0));
    store::Query& detail = main->views().lower();
    const std::string code = detail.get_string("代码");
    const double amt = detail.get_double("数量");
    const std::string zjzh = detail.get_string("资金帐号");
    // A new price behind the lists' back: the valuation the window runs on
    // showing must reach the main window's lists at once.
    {
      store::Cursor& c = m_demo->login->workspace()->ledger().cursor();
      QVERIFY(c.locate("qsdm;zjzh;gddm;code;amt",
                       {detail.value("券商代码"), detail.value("资金帐号"),
                        detail.value("股东代码"), detail.value("代码"), detail.value("数量")}));
      c.edit();
      c.set_double("PRICE2", c.get_double("PRICE2") * 1.5 + 1);
      c.post();
    }

    QPushButton* edit = main->button(QStringLiteral("持仓编辑"));
    QVERIFY(edit);
    QCOMPARE(edit->toolTip(), QStringLiteral("手工建立或修改股票和现金余额文件"));
    QTest::mouseClick(edit, Qt::LeftButton);
    ledger::TForm2* w = m_demo->login->holdings_window();
    QVERIFY(w->isVisible());
    store::Cursor& c = m_demo->login->workspace()->ledger().cursor();
    QCOMPARE(c.get_string("CODE"), code);
    QCOMPARE(c.get_string("ZJZH"), zjzh);
    QCOMPARE(c.get_double("AMT"), amt);
    // ... and the grid stands there too, after the valuation the show ran.
    QCOMPARE(w->grid()->currentIndex().row(), int(c.position()));
    QVERIFY(w->market_label()->text().startsWith(QStringLiteral("市值=")));
    bool listed = false;
    for (size_t r = 0; r < detail.count(); ++r) {
      detail.go_to_position(static_cast<long>(r));
      if (detail.get_string("代码") != code || detail.get_string("资金帐号") != zjzh ||
          detail.get_double("数量") != amt)
        continue;
      QCOMPARE(detail.get_double("价格2"), c.get_double("PRICE2"));
      QCOMPARE(detail.get_double("增值率"), c.get_double("INC"));
      listed = true;
    }
    QVERIFY(listed);
  }

  void view_choice_switches_rows_caption_and_buttons() {
    ledger::TForm2* w = m_demo->login->holdings_window();
    w->show();
    ledger::Ledger& ledger = m_demo->login->workspace()->ledger();
    const size_t open_rows = ledger.cursor().count();
    QTest::mouseClick(w->view_choice()->button(1), Qt::LeftButton);
    QCOMPARE(ledger.view(), ledger::Ledger::View::Closed);
    QCOMPARE(w->grid_box()->title(), QStringLiteral("平仓文件"));
    QVERIFY(!w->button(QStringLiteral("更新计算"))->isEnabled());
    QVERIFY(!w->button(QStringLiteral("手工改价"))->isEnabled());
    store::Cursor& c = ledger.cursor();
    QVERIFY(c.count() > 0);
    QCOMPARE(c.position(), long(c.count()) - 1);  // the newest closing
    QCOMPARE(w->grid()->currentIndex().row(), int(c.count()) - 1);

    QTest::mouseClick(w->view_choice()->button(0), Qt::LeftButton);
    QCOMPARE(ledger.view(), ledger::Ledger::View::Holdings);
    QCOMPARE(w->grid_box()->title(), QStringLiteral("持仓文件"));
    QVERIFY(w->button(QStringLiteral("更新计算"))->isEnabled());
    QCOMPARE(ledger.cursor().count(), open_rows);

    // A valuation run from elsewhere switches the ledger back: the window follows.
    QTest::mouseClick(w->view_choice()->button(1), Qt::LeftButton);
    ledger.set_valuation_pending(true);
    m_demo->login->settings_window()->show();
    m_demo->login->settings_window()->close();  // the pending valuation runs on close
    QCOMPARE(ledger.view(), ledger::Ledger::View::Holdings);
    QVERIFY(w->view_choice()->button(0)->isChecked());
    QVERIFY(w->button(QStringLiteral("更新计算"))->isEnabled());
  }

  void valuation_buttons_help_and_close() {
    ledger::TForm2* w = m_demo->login->holdings_window();
    w->show();
    ledger::Ledger& ledger = m_demo->login->workspace()->ledger();
    QVERIFY(!ledger.valuation_pending());  // the show ran it
    QTest::mouseClick(w->button(QStringLiteral("更新计算")), Qt::LeftButton);
    QVERIFY(w->market_label()->text().startsWith(QStringLiteral("市值=")));
    QVERIFY(w->market_label()->text().endsWith(QStringLiteral("万")));
    QVERIFY(w->discount_label()->text().startsWith(QStringLiteral("折扣总值=")));

    QTest::mouseClick(w->button(QStringLiteral("帮助")), Qt::LeftButton);
    QCOMPARE(m_help.keywords.back(), std::string("mystocks"));

    // 手工改价: the settings window, modal, on its second page.
    store::reference::TForm_set* settings = m_demo->login->settings_window();
    int page = -1;
    bool modal = false;
    QTimer::singleShot(0, [&] {
      page = settings->current_page();
      modal = settings->isModal();
      settings->close();
    });
    QTest::mouseClick(w->button(QStringLiteral("手工改价")), Qt::LeftButton);
    QCOMPARE(page, int(store::reference::TForm_set::Codes));
    QVERIFY(modal);

    // Closing from the closed view goes back to the holdings view.
    QTest::mouseClick(w->view_choice()->button(1), Qt::LeftButton);
    QTest::mouseClick(w->button(QStringLiteral("关闭")), Qt::LeftButton);
    QVERIFY(!w->isVisible());
    QCOMPARE(ledger.view(), ledger::Ledger::View::Holdings);
    QVERIFY(w->view_choice()->button(0)->isChecked());
  }

  void new_account_button_opens_its_window() {
    ledger::TForm2* w = m_demo->login->holdings_window();
    w->show();
    QPushButton* b = w->button(QStringLiteral("新建资金帐户"));
    QCOMPARE(b->toolTip(), QStringLiteral("新建资金帐户操作"));
    QTest::mouseClick(b, Qt::LeftButton);
    auto* opened = w->findChild<ledger::TForm_newacc*>();
    QVERIFY(opened && opened->isVisible());
    opened->close();
  }

  void copy_and_delete_through_the_buttons() {
    ledger::TForm2* w = m_demo->login->holdings_window();
    w->show();
    store::Cursor& c = m_demo->login->workspace()->ledger().cursor();
    QVERIFY(c.locate("CODE", {store::Value::text("600000")}) ||
            c.locate("LX", {store::Value::text("a")}));
    const std::string code = c.get_string("CODE");
    const double price = c.get_double("PRICE2");
    const size_t rows = c.count();
    QTest::mouseClick(w->button(QStringLiteral("复制记录")), Qt::LeftButton);
    QCOMPARE(c.count(), rows + 1);
    QCOMPARE(c.get_string("CODE"), code);
    QCOMPARE(c.get_double("PRICE1"), price);
    QCOMPARE(w->grid()->currentIndex().column(), 0);  // WTH
    QCOMPARE(w->grid()->currentIndex().row(), int(c.position()));
    const size_t shown = m_demo->dialogs.shown().size();
    QTest::mouseClick(w->button(QStringLiteral("删除")), Qt::LeftButton);
    QCOMPARE(c.count(), rows);
    QCOMPARE(m_demo->dialogs.shown().size(), shown);  // no question

    // Ctrl+Delete from the keyboard asks first, also inside the open editor.
    w->activateWindow();
    w->grid()->setFocus();
    w->grid()->setCurrentIndex(w->grid()->model()->index(int(c.position()), 7));
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : w->grid()->viewport()->findChildren<QLineEdit*>())
      if (e->isVisible()) editor = e;
    QVERIFY(editor);  // the editor stands open in the current cell
    m_demo->dialogs.answer_no();
    QTest::keyClick(editor, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(c.count(), rows);
    QCOMPARE(m_demo->dialogs.texts().back(), std::string(ui::DbGrid::kDeleteQuestion));
    m_demo->dialogs.answer_yes();
    QTest::keyClick(editor, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(c.count(), rows - 1);
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{vmx::Date::from_ymd(2026, 12, 6), 10, 0}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoInstallation> m_demo;
};

QTEST_MAIN(HoldingsWindowTest)
#include "holdings_window_test.moc"
