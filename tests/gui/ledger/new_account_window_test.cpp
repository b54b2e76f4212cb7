#include "gui/ledger/new_account_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "core/install/installation.h"
#include "core/ledger/margin_ratio.h"
#include "core/ledger/new_account.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/reference/margin_window.h"
#include "gui/reference/settings_window.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
using store::Value;

namespace {

QPushButton* button(QWidget* w, const QString& caption) {
  for (QPushButton* b : w->findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

}  // namespace

// The new cash account window and the margin window over a demo installation.
class NewAccountWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    m_settings = std::make_unique<store::reference::TForm_set>(*m_demo->ws, nullptr, nullptr);
  }
  void cleanup() {
    m_settings.reset();
    m_demo.reset();
  }

  void layout_and_broker_pick() {
    ledger::TForm_newacc w(*m_demo->ws, m_settings.get());
    QCOMPARE(w.windowTitle(), QStringLiteral("新建资金帐户"));
    QCOMPARE(w.amount_box()->text(), QStringLiteral("0"));
    QCOMPARE(w.currency_list()->currentIndex(), -1);
    QVERIFY(w.currency_list()->findData("usd") >= 0);
    const int gx = w.broker_list()->findText("gxzq");
    QVERIFY(gx >= 0);
    w.DBLookupComboBox1CloseUp(gx);
    QCOMPARE(w.broker_code_box()->text(), QStringLiteral("gxzq"));
    QCOMPARE(w.broker_name_box()->text(), QStringLiteral("国信"));
    QVERIFY(m_demo->dialogs.texts().empty());

    w.Button1Click();  // 新定义
    QVERIFY(m_settings->isVisible());
    QCOMPARE(m_settings->current_page(), int(store::reference::TForm_set::Brokers));
  }

  // OK runs the checks; a bad amount writes nothing, the corrected retry
  // creates one account; the window stays open.
  void create_account() {
    QPointer<ledger::TForm_newacc> w = ledger::TForm_newacc::launch(*m_demo->ws, nullptr);
    QVERIFY(w->isVisible());
    QVERIFY(!w->define_button()->isEnabled());
    w->broker_code_box()->setText("hazq");
    w->broker_name_box()->setText("海通");
    w->account_box()->setText("5550001");
    w->ok_button()->click();
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{ledger::kNoCurrency});

    m_demo->dialogs.clear();
    w->currency_list()->setCurrentIndex(w->currency_list()->findData("hkd"));
    w->amount_box()->setText("8千");
    m_demo->dialogs.expect_errors();
    w->ok_button()->click();
    QCOMPARE(m_demo->dialogs.shown().size(), size_t(1));
    QCOMPARE(m_demo->dialogs.shown()[0].kind, platform::ScriptedDialogs::Kind::Error);
    QCOMPARE(m_demo->ws->lookups().zjzh_to_bi("hazq", "5550001"), std::string("rmb"));

    m_demo->dialogs.clear();
    w->amount_box()->setText("8000");
    w->ok_button()->click();
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{ledger::kAccountCreated});
    QVERIFY(w->isVisible());
    QCOMPARE(m_demo->ws->ledger().zjzhxj1("hazq", "5550001"), int64_t(8000));
    QCOMPARE(m_demo->ws->lookups().zjzh_to_bi("hazq", "5550001"), std::string("hkd"));
    store::Cursor zh(m_demo->session, "ubx", "zh_bi.db");
    zh.open();
    int n = 0;
    for (zh.first(); !zh.eof(); zh.next()) n += zh.get_string("Zjzh") == "5550001";
    QCOMPARE(n, 1);

    w->close_button()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(w.isNull());
  }

  // "计算保证金比率" on the types page opens the margin window on the current
  // type: compute, zero guard, a bad text refused, storing.
  void margin_window() {
    store::Cursor& types = m_demo->ws->lookups().types();
    QVERIFY(types.locate("Lx", {Value::text("qh")}));
    m_settings->show();
    QWidget* page = m_settings->pages()->widget(store::reference::TForm_set::Types);
    QPushButton* open = button(page, "计算保证金比率");
    QVERIFY(open);
    open->click();
    QPointer<ledger::TForm_bzj> w = m_settings->findChild<ledger::TForm_bzj*>();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("期货保证金计算"));
    QCOMPARE(w->type_box()->text(), QStringLiteral("股指期货qh"));
    QCOMPARE(w->margin_box()->value(), 1500);
    QCOMPARE(w->margin_box()->singleStep(), 10);
    QCOMPARE(w->units_box()->value(), 10);
    QCOMPARE(w->price_box()->value(), 3000);
    QCOMPARE(w->result_box()->text(), QStringLiteral("0.05"));

    w->margin_box()->setValue(1000);
    w->compute_button()->click();
    QCOMPARE(w->result_box()->text(), QStringLiteral("0.033"));
    w->units_box()->setValue(0);
    m_demo->dialogs.expect_errors();
    w->compute_button()->click();
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{ledger::kZeroUnits});
    QCOMPARE(w->result_box()->text(), QStringLiteral("0.033"));

    m_demo->dialogs.clear();
    w->result_box()->setText("0,05");
    m_demo->dialogs.expect_errors();
    w->store_button()->click();
    QCOMPARE(m_demo->dialogs.shown().size(), size_t(1));
    QCOMPARE(m_demo->dialogs.shown()[0].kind, platform::ScriptedDialogs::Kind::Error);
    QVERIFY(w->isVisible());
    QCOMPARE(m_demo->ws->lookups().lx_bzj_rate("qh"), 0.1f);

    w->result_box()->setText("0.05");
    w->store_button()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(w.isNull());
    QCOMPARE(m_demo->ws->lookups().lx_bzj_rate("qh"), 0.05f);

    // Giving up writes nothing.
    QVERIFY(types.locate("Lx", {Value::text("qh")}));
    open->click();
    w = m_settings->findChild<ledger::TForm_bzj*>();
    QVERIFY(w);
    w->result_box()->setText("0.2");
    w->give_up_button()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(w.isNull());
    QCOMPARE(m_demo->ws->lookups().lx_bzj_rate("qh"), 0.05f);
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0}};
  platform::LoggingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
  std::unique_ptr<store::reference::TForm_set> m_settings;
};

QTEST_MAIN(NewAccountWindowTest)
#include "new_account_window_test.moc"
