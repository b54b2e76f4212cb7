#include "gui/reference/settings_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/install/installation.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/scripted_dialogs.h"
#include "core/reference/reference_ops.h"
#include "gui/widgets/db_grid.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
using store::Value;

namespace {

QPushButton* button(QWidget* page, const QString& caption) {
  for (QPushButton* b : page->findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

QStringList captions(ui::DbGrid* g) {
  QStringList out;
  for (int i = 0; i < g->model()->columnCount(); ++i)
    out << g->model()->headerData(i, Qt::Horizontal).toString();
  return out;
}

}  // namespace

// The settings window over a demo installation: pages and columns, buttons
// running their operations, the grids' editing and the valuation on close.
class SettingsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    m_calls.clear();
    m_form = std::make_unique<store::reference::TForm_set>(
        *m_demo->ws, [this] { m_calls << "valuation"; }, [this] { m_calls << "refresh"; });
  }
  void cleanup() {
    m_form.reset();
    m_demo.reset();
  }

  void pages_and_columns() {
    using F = store::reference::TForm_set;
    QCOMPARE(m_form->windowTitle(), QStringLiteral("设置证券类型和代码等窗口"));
    QVERIFY(m_form->windowFlags() & Qt::WindowStaysOnTopHint);
    QTabWidget* tabs = m_form->pages();
    const QStringList titles = {"类型名表", "代码价格表", "券商代码表", "代码->类型表", "货币定义"};
    QCOMPARE(tabs->count(), 5);
    for (int i = 0; i < 5; ++i) QCOMPARE(tabs->tabText(i), titles[i]);
    QCOMPARE(captions(m_form->grid(F::Types)), QStringList({"类型码", "类型名", "折扣率", "手续费",
                                                            "印花税", "保证金比率", "可卖空"}));
    QCOMPARE(captions(m_form->grid(F::Codes)), QStringList({"代码", "名称", "最近价"}));
    QCOMPARE(captions(m_form->grid(F::Brokers)), QStringList({"券商代码", "券商"}));
    QCOMPARE(captions(m_form->grid(F::Ranges)),
             QStringList({"匹配序号", "起始代码", "终止代码", "类型代码", "类型名"}));
    QCOMPARE(captions(m_form->grid(F::Currencies)),
             QStringList({"代码", "货币名", "相对比例", "结算货币"}));
    QCOMPARE(captions(m_form->account_currency_grid()),
             QStringList({"券商代码", "资金帐号", "货币代码"}));
    QCOMPARE(m_form->settlement_label()->text(), QStringLiteral("当前结算货币为:rmb 人民币"));
    // The total rows' types are filtered out of the types grid.
    QCOMPARE(m_form->grid(F::Types)->model()->rowCount(), 7);
    const QStringList buttons[] = {
        {"补充和更新", "从持仓文件追加", "帮助", "关闭"},
        {"改持仓文件价格", "从持仓文件追加", "从持仓文件再生", "据总表更新价格", "帮助", "关闭"},
        {"从持仓文件追加", "补充券商名", "从持仓文件再生", "帮助", "关闭"},
        {"从持仓追加类型", "补持仓纪录类型", "帮助", "关闭"},
        {"更改结算货币为光标所指", "从持仓文件追加帐户", "更新持仓文件货币比率", "从持仓文件再生",
         "帮助", "关闭"}};
    const char* help[] = {"setform", "set_stock", "set_qs", "set_code_lx", "bi"};
    for (int i = 0; i < 5; ++i) {
      for (const QString& b : buttons[i]) QVERIFY2(button(tabs->widget(i), b), qPrintable(b));
      QCOMPARE(button(tabs->widget(i), "计算保证金比率") != nullptr, i == F::Types);
      button(tabs->widget(i), "帮助")->click();
      QCOMPARE(m_help.keywords.back(), std::string(help[i]));
    }
    m_form->show_page(F::Codes);
    QCOMPARE(m_form->current_page(), 1);
    m_form->show_page(9);
    QCOMPARE(m_form->current_page(), 1);
  }

  // "更改结算货币为光标所指" acts on the grid's current row and shows the new
  // settlement currency; a zero rate is refused with its message.
  void settlement_currency_button() {
    using F = store::reference::TForm_set;
    m_form->show();
    m_form->show_page(F::Currencies);
    ui::DbGrid* bi = m_form->grid(F::Currencies);
    bi->setFocus();
    bi->setCurrentIndex(bi->model()->index(1, 0));
    const QString code = bi->model()->index(1, 0).data().toString();
    QWidget* page = m_form->pages()->widget(F::Currencies);
    button(page, "更改结算货币为光标所指")->click();
    QVERIFY(
        m_form->settlement_label()->text().startsWith(QStringLiteral("当前结算货币为:") + code));
    QCOMPARE(QString::fromStdString(m_demo->ws->lookups().settlement_code()), code);

    // Type a zero rate into the current row, then press the button: the
    // edit is posted first, and the change refused.
    const QModelIndex rate = bi->model()->index(0, 2);
    QVERIFY(bi->model()->setData(rate, "0"));
    bi->setCurrentIndex(rate);
    m_demo->dialogs.clear();
    button(page, "更改结算货币为光标所指")->click();
    QCOMPARE(m_demo->dialogs.texts(),
             std::vector<std::string>{store::reference::ReferenceOps::kZeroRateMessage});
    QCOMPARE(QString::fromStdString(m_demo->ws->lookups().settlement_code()), code);
  }

  void append_accounts_button() {
    using F = store::reference::TForm_set;
    store::Cursor& zh = m_demo->ws->lookups().account_currencies();
    QVERIFY(zh.locate("Qsdm", {Value::text("zxzq")}));
    zh.remove();
    const int before = m_form->account_currency_grid()->model()->rowCount();
    button(m_form->pages()->widget(F::Currencies), "从持仓文件追加帐户")->click();
    QCOMPARE(m_form->account_currency_grid()->model()->rowCount(), before + 1);
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{"请填上货币代码(大小写不分)！"});
    QVERIFY(!QApplication::overrideCursor());  // the hourglass is gone again
  }

  // The grid: typing fills the buffer, leaving the row posts it, Escape
  // drops it, a bad number is reported and kept out, Down on the last row
  // starts a new one, Ctrl+Delete asks first.
  void grid_editing() {
    using F = store::reference::TForm_set;
    m_form->show();
    m_form->show_page(F::Brokers);
    ui::DbGrid* g = m_form->grid(F::Brokers);
    store::Cursor& qs = m_demo->ws->lookups().brokers();
    g->setFocus();
    g->setCurrentIndex(g->model()->index(0, 1));
    const QString old = g->model()->index(0, 1).data().toString();
    QVERIFY(g->model()->setData(g->model()->index(0, 1), "新名"));
    QCOMPARE(g->model()->index(0, 1).data().toString(), QStringLiteral("新名"));
    QVERIFY(qs.state() == store::Cursor::State::Edit);
    QTest::keyClick(g, Qt::Key_Escape);
    QCOMPARE(g->model()->index(0, 1).data().toString(), old);
    QVERIFY(m_form->isVisible());

    QVERIFY(g->model()->setData(g->model()->index(0, 1), "新名"));
    QTest::keyClick(g, Qt::Key_Down);  // leaving the row posts it
    QVERIFY(qs.state() == store::Cursor::State::Browse);
    QCOMPARE(g->model()->index(0, 1).data().toString(), QStringLiteral("新名"));

    const int rows = g->model()->rowCount();
    g->setCurrentIndex(g->model()->index(rows - 1, 0));
    QTest::keyClick(g, Qt::Key_Down);
    QCOMPARE(g->model()->rowCount(), rows + 1);
    QCOMPARE(g->currentIndex().row(), rows);
    QVERIFY(g->model()->setData(g->model()->index(rows, 0), "abzq"));
    QVERIFY(g->post());
    QVERIFY(qs.locate("Qsdm", {Value::text("abzq")}));

    // Letters in a number column: reported, nothing written.
    ui::DbGrid* codes = m_form->grid(F::Codes);
    QVERIFY(!codes->model()->setData(codes->model()->index(0, 2), "abc"));
    QVERIFY(codes->table_model()->last_error().contains("abc"));

    const int now = g->model()->rowCount();
    g->setCurrentIndex(g->model()->index(0, 0));
    m_demo->dialogs.answer_no();
    QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(g->model()->rowCount(), now);
    m_demo->dialogs.answer_yes();
    QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(g->model()->rowCount(), now - 1);
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>(2, ui::DbGrid::kDeleteQuestion));
  }

  void close_runs_valuation_when_pending() {
    m_form->show();
    QVERIFY(m_demo->ws->ledger().valuation_pending());
    m_form->close();
    QCOMPARE(m_calls, QStringList({"valuation", "refresh"}));
    m_calls.clear();
    m_demo->ws->ledger().set_valuation_pending(false);
    m_form->show();
    m_form->close();
    QVERIFY(m_calls.isEmpty());
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15)}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
  std::unique_ptr<store::reference::TForm_set> m_form;
  QStringList m_calls;
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
