#include "gui/ledger/trading_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "core/install/installation.h"
#include "core/ledger/settlement.h"
#include "core/ledger/trading.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/app/login_window.h"
#include "gui/app/main_window.h"
#include "gui/market/security_list_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/query_model.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
using Kind = platform::ScriptedDialogs::Kind;

namespace {

struct LedgerRow {
  std::string wth, code, cj_dh;
  double amt = 0;
};

}  // namespace

// The trading window of a demo login: its controls and modes, the labels of
// FormShow, the main window's hand-over, and whole buy, cancel and settle
// round trips through the buttons.
class TradingWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoInstallation>(Date::from_ymd(2026, 12, 6), m_clock, m_help);
    m_demo->login->BitBtn1Click();
    QVERIFY(m_demo->login->main_window());
    m_form = m_demo->login->main_window()->findChild<ledger::TForm_chuli*>();
    QVERIFY(m_form);
    m_demo->dialogs.clear();
  }
  void cleanup() { m_demo.reset(); }

  void controls_and_modes() {
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("手工委托处理窗口"));
    QVERIFY(m_form->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(m_form->isWindow());
    QVERIFY(!m_form->isModal());
    for (const char* caption : {"买入或做多开仓", "卖出或做多平仓", "卖空开仓", "卖空平仓",
                                "取消委托", "确认结算", "帮助", "关闭", "查询"})
      QVERIFY2(m_form->button(caption), caption);
    QCOMPARE(m_form->button(">")->toolTip(), QStringLiteral("改变缺省的记录操作选择"));
    // The brokers in the holdings view's order, total rows left out.
    QStringList brokers;
    for (int i = 0; i < m_form->broker_box()->count(); ++i)
      brokers << m_form->broker_box()->itemText(i);
    QCOMPARE(brokers, (QStringList{"gxzq", "htzq", "zgqh", "zxzq"}));
    QCOMPARE(m_form->type_list()->maxVisibleItems(), 20);
    QVERIFY(m_form->type_list()->findData("qh") >= 0);
    QCOMPARE(m_form->order_counter(), 1);

    // Entry mode with the long buttons at creation; the switch toggles.
    auto enabled = [&](const char* caption) { return m_form->button(caption)->isEnabled(); };
    QVERIFY(enabled("买入或做多开仓") && !enabled("卖空开仓") && !enabled("取消委托"));
    QCOMPARE(m_form->date_box()->text(), QStringLiteral("2026-12-06"));
    m_form->Button1Click();
    QVERIFY(m_form->button("<"));
    QVERIFY(!enabled("买入或做多开仓") && !enabled("卖空平仓") && enabled("取消委托") &&
            enabled("确认结算"));
    QVERIFY(!m_form->code_box()->isEnabled() && m_form->price_box()->isEnabled() &&
            m_form->quantity_box()->isEnabled());
    m_form->Button1Click();
    QVERIFY(enabled("买入或做多开仓") && !enabled("确认结算") && m_form->code_box()->isEnabled());

    QTest::mouseClick(m_form->button("帮助"), Qt::LeftButton);
    QCOMPARE(m_help.keywords.back(), std::string("buysell"));
  }

  // FormShow's balances and quantities, the price and code handlers, the
  // type list, the short-selling check and the security list's "确定退出".
  void labels_and_choices() {
    m_form->take_order_row(position_row());
    m_form->show();
    // htzq 20018866: cash 386420.5, a pending buy reserves 45800.
    QCOMPARE(m_form->funds_label()->text(), QStringLiteral("可用资金：34.06万元"));
    QCOMPARE(m_form->quantity_label()->text(), QStringLiteral("可买股票：37226股"));
    QCOMPARE(m_form->currency_label()->text(), QStringLiteral("RMB"));
    QCOMPARE(m_form->margin_label()->text(), QStringLiteral("保证金:1倍"));
    QCOMPARE(m_form->holder_box()->currentText(), QStringLiteral("A186620031"));

    m_form->price_box()->setText("1");  // too short: nothing changes
    QCOMPARE(m_form->quantity_label()->text(), QStringLiteral("可买股票：37226股"));
    m_form->price_box()->setText("100");
    QCOMPARE(m_form->quantity_label()->text(), QStringLiteral("可买股票：3406股"));
    m_form->price_box()->setText("abc");
    QCOMPARE(m_form->quantity_label()->text(), QStringLiteral("???"));
    m_form->price_box()->clear();
    m_form->FormShow();
    QCOMPARE(m_form->quantity_label()->text(), QStringLiteral("可买股票：?????股"));

    m_form->code_box()->setText("600519");
    QCOMPARE(m_form->name_label()->text(), QStringLiteral("贵州茅台"));
    QCOMPARE(m_form->price_box()->text(), QStringLiteral("1688"));
    QCOMPARE(m_form->type_box()->text(), QStringLiteral("a"));
    QCOMPARE(m_form->type_list()->currentData().toString(), QStringLiteral("a"));

    // Type "a" may not be sold short: back to 做多 after the message.
    m_form->RadioGroup1Click(1);
    QCOMPARE(m_demo->dialogs.texts().back(),
             std::string("该类型不许卖空；你需要改变类型或进入类型设置窗口把该类型的可卖空字段由"
                         "False改为True"));
    QCOMPARE(m_form->direction()->checkedId(), 0);
    QVERIFY(m_form->button("买入或做多开仓")->isEnabled());
    // The futures type may: the short buttons take over; its margin shows.
    m_form->type_chosen("qh");
    QCOMPARE(m_form->margin_label()->text(), QStringLiteral("保证金:0.100倍"));
    m_form->direction()->button(1)->setChecked(true);
    m_form->RadioGroup1Click(1);
    QVERIFY(m_form->button("卖空开仓")->isEnabled() &&
            !m_form->button("买入或做多开仓")->isEnabled());

    // The security list copies its current row in and closes.
    market::TForm_stock* list = m_demo->login->security_window();
    QTest::mouseClick(m_form->button("查询"), Qt::LeftButton);
    QVERIFY(list->isVisible());
    QCOMPARE(list->pos(), QPoint(200, 30));
    list->grid()->cursor().locate("CODE", {store::Value::text("0651")});
    QTest::mouseClick(list->confirm_button(), Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QCOMPARE(m_form->code_box()->text(), QStringLiteral("0651"));
    QCOMPARE(m_form->name_label()->text(), QStringLiteral("格力电器"));
    QCOMPARE(m_form->price_box()->text(), QStringLiteral("38.4"));
  }

  // A buy through the button, then the same order handed back in follow-up
  // mode and cancelled.
  void buy_then_cancel() {
    m_form->take_order_row(position_row());
    m_form->show();
    m_form->price_box()->setText("10.5");
    m_form->quantity_box()->setText("1000");
    QTest::mouseClick(m_form->button("买入或做多开仓"), Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_demo->dialogs.shown().back(),
             (platform::ScriptedDialogs::Shown{Kind::Acknowledge, ledger::kBuyDone, 300, 200}));
    QCOMPARE(m_form->order_counter(), 2);
    const std::string number = "26120610001";  // yymmddhhnn + the first counter
    std::vector<LedgerRow> rows = rows_of(number);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].code + "/" + rows[1].code, std::string("600000/xj"));
    QCOMPARE(rows[0].amt, 1000.0);
    QCOMPARE(rows[1].amt, -10500.0);
    QCOMPARE(rows[1].cj_dh, std::string("冻结资金"));
    // The main window shows the new order in its detail list.
    ui::QueryModel* low = m_demo->login->main_window()->lower_model();
    store::Query& detail = m_demo->login->main_window()->views().lower();
    QCOMPARE(detail.get_string("委托号"), number);
    QVERIFY(low->rowCount() > 0);

    ledger::OrderListRow order = position_row();
    order.wth = number;
    order.amt = 1000;
    order.price1 = 10.5f;
    order.date1 = Date::from_ymd(2026, 12, 6);
    m_form->take_order_row(order);
    QCOMPARE(m_form->order_box()->text(), QString::fromStdString(number));
    QCOMPARE(m_form->price_box()->text(), QStringLiteral("10.5"));
    QVERIFY(m_form->button("取消委托")->isEnabled() &&
            !m_form->button("卖出或做多平仓")->isEnabled());
    m_form->show();
    QTest::mouseClick(m_form->button("取消委托"), Qt::LeftButton);
    QCOMPARE(m_demo->dialogs.shown().back(),
             (platform::ScriptedDialogs::Shown{Kind::Acknowledge, ledger::kCancelDone, 300, 200}));
    QVERIFY(rows_of(number).empty());
    QVERIFY(!m_form->isVisible());
  }

  // The main window hands a pending sell over; settling it closes positions
  // and moves the cash. With no pending order left the hand-over says so.
  void hand_over_and_settle() {
    app::TForm7* main = m_demo->login->main_window();
    main->RadioGroup1Click(2);  // 下面显示委托未确认记录: gxzq's sell comes first
    QTest::mouseClick(main->button("委托记录处理"), Qt::LeftButton);
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->pos(), QPoint(120, 30));
    QCOMPARE(m_form->order_box()->text(), QStringLiteral("1206100217"));
    QCOMPARE(m_form->quantity_box()->text(), QStringLiteral("-500"));
    QCOMPARE(m_form->price_box()->text(), QStringLiteral("38.6"));
    QVERIFY(m_form->button("确认结算")->isEnabled());
    const double before = cash("gxzq");

    QTest::mouseClick(m_form->button("确认结算"), Qt::LeftButton);
    QCOMPARE(m_demo->dialogs.shown().back(),
             (platform::ScriptedDialogs::Shown{Kind::Acknowledge, ledger::kSettleDone, 300, 200}));
    QVERIFY(!m_form->isVisible());
    const double moved = ledger::settlement_cash(-500, 38.6f, 1, 0.003f, 0.004f);
    QVERIFY(std::fabs(cash("gxzq") - (before - moved)) < 0.01);
    int closed = 0;
    for (const LedgerRow& r : all_rows())
      if (r.cj_dh == "1206100217" && r.wth.rfind("P2026120600", 0) == 0) ++closed;
    QCOMPARE(closed, 2);  // the split position and the sell row

    // The other pending order, cancelled; then the list is empty.
    QTest::mouseClick(main->button("委托记录处理"), Qt::LeftButton);
    QCOMPARE(m_form->order_box()->text(), QStringLiteral("26120609351"));
    QTest::mouseClick(m_form->button("取消委托"), Qt::LeftButton);
    QVERIFY(rows_of("26120609351").empty());
    QTest::mouseClick(main->button("委托记录处理"), Qt::LeftButton);
    QCOMPARE(m_demo->dialogs.texts().back(),
             std::string("明细表是空的，没有成交待确认记录；下面将按股票代码显示。"));
    QCOMPARE(main->listing_group()->checkedId(), 0);
    QVERIFY(!m_form->isVisible());
  }

 private:
  static ledger::OrderListRow position_row() {
    ledger::OrderListRow r;
    r.qsdm = "htzq";
    r.qs = "华泰";
    r.zjzh = "20018866";
    r.gddm = "A186620031";
    r.lx = "a";
    r.code = "600000";
    r.name = "浦发银行";
    r.amt = 5000;
    r.price1 = 8.62;
    r.price2 = 9.15;
    r.date1 = Date::from_ymd(2026, 5, 20);
    return r;
  }
  std::vector<LedgerRow> all_rows() {
    store::Cursor c(m_demo->session, (m_demo->dir.path() / "demo").string(), "tr2.DBF");
    c.open();
    std::vector<LedgerRow> rows;
    for (c.first(); !c.eof(); c.next())
      rows.push_back(
          {c.get_string("WTH"), c.get_string("CODE"), c.get_string("CJ_DH"), c.get_double("AMT")});
    return rows;
  }
  std::vector<LedgerRow> rows_of(const std::string& wth) {
    std::vector<LedgerRow> out;
    for (const LedgerRow& r : all_rows())
      if (r.wth == wth) out.push_back(r);
    return out;
  }
  double cash(const std::string& qsdm) {
    store::Cursor c(m_demo->session, (m_demo->dir.path() / "demo").string(), "tr2.DBF");
    c.open();
    for (c.first(); !c.eof(); c.next())
      if (c.get_string("QSDM") == qsdm && c.get_string("CODE") == "xj" &&
          c.get_string("WTH").empty())
        return c.get_double("AMT");
    return NAN;
  }

  ledger::TForm_chuli* m_form = nullptr;
  platform::FixedClock m_clock{{Date::from_ymd(2026, 12, 6), 10, 0, 0, 0}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoInstallation> m_demo;
};

QTEST_MAIN(TradingWindowTest)
#include "trading_window_test.moc"
