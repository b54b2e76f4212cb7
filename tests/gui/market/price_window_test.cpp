#include "gui/market/price_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/market/define_window.h"
#include "gui/market/security_list_window.h"
#include "gui/widgets/db_grid.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

// The quote import window over a demo installation: the source picker and
// what it shows, the display choice, a command with its progress list and
// closing message, the path picker, the format window, the security list's
// table closed while the window is open.
class PriceWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help); }
  void cleanup() { m_demo.reset(); }

  void pickAndRun() {
    market::TForm_stock list(*m_demo->ws);
    bool refreshed = false;
    {
      market::Tform_price2 w(*m_demo->ws, [&] { refreshed = true; });
      w.show();
      QCOMPARE(w.windowTitle(), QStringLiteral("更新行情数据"));
      QVERIFY(!m_demo->ws->securities().cursor_as_is().active());
      QCOMPARE(w.name_box()->text(), QStringLiteral("汇金"));
      QCOMPARE(w.path_box()->text(), QStringLiteral("sample-quotes/hjin"));
      QCOMPARE(w.height(), 475);

      w.DBLookupComboBox1CloseUp("dbf");
      QCOMPARE(w.display_group()->checkedId(), 0);
      QVERIFY(!w.display_group()->button(1)->isEnabled());
      QVERIFY(w.dbf_note()->isVisibleTo(&w));
      QCOMPARE(w.height(), 310);

      // Picked in the picker as a user picks it.
      emit w.picker()->activated(w.picker()->findData(QStringLiteral("csv")));
      QCOMPARE(w.path_box()->text(), QStringLiteral("sample-quotes/csv"));
      QVERIFY(w.display_group()->button(1)->isEnabled());
      QCOMPARE(w.sources().current().hqcode, std::string("csv"));
      w.RadioGroup1Click(2);
      w.Button3Click();
      QVERIFY(refreshed);
      QCOMPARE(m_demo->dialogs.texts().back(), std::string("持仓价格更新完毕,更新了18行."));
      QVERIFY(w.progress()->places()[0].contains(':'));

      // The path picker stores the chosen directory, relative inside the installation.
      w.run_path_picker = [&](market::TForm_hqpath& p) {
        p.choose(QString::fromStdString((m_demo->dir.path() / "sample-quotes" / "slon").string()));
        return true;
      };
      w.Button1Click();
      QCOMPARE(w.path_box()->text(), QStringLiteral("sample-quotes/slon"));

      w.BitBtn6Click();
      QCOMPARE(m_help.keywords.back(), std::string("fordata"));
      w.close();
    }
    QVERIFY(m_demo->ws->securities().cursor_as_is().active());
    QVERIFY(list.grid()->model()->rowCount() > 20);
  }

  void defineWindow() {
    market::Tform_price2 w(*m_demo->ws, {});
    w.show();
    w.Button8Click();
    auto* d = w.findChild<market::TForm_define*>();
    QVERIFY(d);
    QCOMPARE(d->edit("HQCODE")->text(), QStringLiteral("hjin"));
    QCOMPARE(d->edit("LENGTH")->text(), QStringLiteral("32"));
    d->new_row();
    QCOMPARE(d->edit("HQCODE")->text(), QString());
    d->edit("HQCODE")->setText("mine");
    d->edit("HQNAME")->setText("我的");
    d->edit("LENGTH")->setText("3x");
    d->confirm();  // refused: not a number
    QCOMPARE(m_demo->dialogs.texts().back(), std::string("3x不是合适的整数."));
    d->edit("LENGTH")->setText("30");
    d->confirm();
    QCOMPARE(w.name_box()->text(), QStringLiteral("我的"));
    QCOMPARE(w.sources().current().length, 30);
    w.Button8Click();
    d->delete_row();
    QVERIFY(w.sources().all().size() == 7u);
    w.close();
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
};

QTEST_MAIN(PriceWindowTest)
#include "price_window_test.moc"
