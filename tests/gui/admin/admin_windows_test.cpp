#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "core/install/installation.h"
#include "core/ledger/corporate_actions.h"
#include "core/login/backup.h"
#include "core/login/managed_accounts.h"
#include "gui/admin/account_window.h"
#include "gui/admin/copy_window.h"
#include "gui/admin/password_window.h"
#include "gui/app/login_window.h"
#include "gui/app/main_window.h"
#include "gui/ledger/dividend_window.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

namespace {

template <class W>
W* open_window() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<W*>(w); found && found->isVisible()) return found;
  return nullptr;
}

}  // namespace

// The account administration windows and the dividend window as the main
// window of the demo installation opens them.
class AdminWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoInstallation>(Date::from_ymd(2026, 12, 6), m_clock, m_help);
  }
  void cleanup() {
    // The closed windows free themselves, and the program's end they asked
    // for closes the login window.
    QApplication::processEvents();
    m_demo.reset();
  }

  // 示范帐户 may change its password and book dividends, but neither manage
  // accounts nor copy files; the login took a snapshot of it.
  void demo_account_menus() {
    log_in(store::kDemoAccountName);
    app::TForm7* main = m_demo->login->main_window();
    QVERIFY(QDir(QString::fromStdString(
                     (m_demo->dir.path() / "backup" / "demo" / "2026-12-06").string()))
                .exists());
    main->action("添加删除管理帐户")->trigger();
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{app::kOnlyMyAccount});
    QVERIFY(!open_window<admin::TForm_acc>());

    main->action("分红配股处理")->trigger();
    auto* sp = open_window<ledger::TForm_sp>();
    QVERIFY(sp);
    QVERIFY(sp->fetch_button()->isEnabled());
    QVERIFY(sp->cash_box()->isChecked());
    sp->close();

    main->action("改口令")->trigger();
    auto* pass = open_window<admin::TForm_pass>();
    QVERIFY(pass);
    pass->old_box()->setText("x");
    pass->BitBtn16Click();
    QCOMPARE(m_demo->dialogs.texts().back(), std::string(app::kOldPasswordWrong));
    QVERIFY(pass->old_box()->text().isEmpty());
    pass->new_box()->setText("k1");
    pass->repeat_box()->setText("k1");
    pass->BitBtn16Click();
    QCOMPARE(m_demo->dialogs.texts().back(), std::string(app::kPasswordChanged));
    QApplication::processEvents();
    QVERIFY(!main->isVisible());  // back at the login window

    m_demo->login->password_box()->setText("k1");
    m_demo->login->BitBtn1Click();
    m_demo->login->main_window()->action("拷贝文件")->trigger();
    auto* copy = open_window<admin::TForm_copy>();
    QVERIFY(copy);
    QVERIFY(!copy->copy_button()->isEnabled());
    QVERIFY(!m_demo->login->main_window()->isVisible());
    for (QPushButton* b : copy->findChildren<QPushButton*>())
      if (b->text() == "帮助") b->click();
    QCOMPARE(m_help.keywords, std::vector<std::string>{"copy"});
    QSignalSpy ends(copy, &admin::TForm_copy::program_end_requested);
    copy->close();
    QCOMPARE(ends.count(), 1);
  }

  // 我的帐户 adds an account (which first ends the login) and the window's
  // closing ends the program; 我的帐户 cannot fetch from itself.
  void my_account_adds_and_ends() {
    log_in(store::kMyAccountName);
    app::TForm7* main = m_demo->login->main_window();
    main->action("分红配股处理")->trigger();
    auto* sp = open_window<ledger::TForm_sp>();
    QVERIFY(sp && !sp->fetch_button()->isEnabled());
    sp->close();

    main->action("添加删除管理帐户")->trigger();
    auto* acc = open_window<admin::TForm_acc>();
    QVERIFY(acc);
    QCOMPARE(acc->name_box()->text(), QStringLiteral("张三"));
    acc->BitBtn5Click();
    QVERIFY(!main->isVisible());
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{app::kAccountAdded});
    QVERIFY(acc->account_list()->findText("张三") >= 0);
    QSignalSpy ends(acc, &admin::TForm_acc::program_end_requested);
    acc->close();
    QCOMPARE(m_demo->dialogs.texts().back(), std::string(app::kProgramEnds));
    QCOMPARE(ends.count(), 1);
  }

 private:
  void log_in(const char* name) {
    m_demo->login->user_box()->setEditText(name);
    m_demo->login->BitBtn1Click();
    QVERIFY(m_demo->login->main_window());
    QVERIFY(m_demo->login->main_window()->isVisible());
  }

  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2026, 12, 6), 9, 30}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoInstallation> m_demo;
};

QTEST_MAIN(AdminWindowsTest)
#include "admin_windows_test.moc"
