#include "gui/app/login_window.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <fstream>

#include "core/install/installation.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "gui/app/main_window.h"
#include "gui/reference/settings_window.h"
#include "gui/widgets/query_model.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> picked(const fs::path& dir) {
  store::Session s;
  store::Cursor z(s, dir.string(), "z.db");
  z.open();
  std::vector<std::string> names;
  for (z.first(); !z.eof(); z.next())
    if (z.get_bool("Now")) names.push_back(z.get_string("User_name"));
  return names;
}

std::vector<std::string> texts(const platform::ScriptedDialogs& d) { return d.texts(); }

}  // namespace

class LoginWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_dir = std::make_unique<test::TempDir>();
    store::init_installation(m_dir->path(), true, vmx::Date::from_ymd(2026, 12, 6));
    m_dialogs = std::make_unique<test::CheckedDialogs>();
    m_session = std::make_unique<store::Session>();
  }
  void cleanup() {
    m_session.reset();
    m_dialogs.reset();
    m_dir.reset();
  }

  void layout_and_start() {
    app::TForm1 w(*m_session, *m_dialogs, m_clock, m_help, m_dir->path());
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Valmorix登录窗口"));
    QVERIFY(texts(*m_dialogs).empty());
    QCOMPARE(m_session->alias_dir("curr"), m_dir->path());
    QCOMPARE(m_session->password(), std::string("k47"));
    // The demo account was the last picked; the list is in key order.
    QCOMPARE(w.user_box()->currentText(), QStringLiteral("示范帐户"));
    QCOMPARE(w.user_box()->count(), 2);
    QCOMPARE(w.user_box()->itemText(1), QStringLiteral("我的帐户"));
    QCOMPARE(w.user_box()->maxVisibleItems(), 2);
    QVERIFY(w.user_box()->isEditable());
    QVERIFY(w.user_box()->font().bold());
    QCOMPARE(w.password_box()->echoMode(), QLineEdit::Password);
    QCOMPARE(w.password_box()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                  w.password_box()),
             int('#'));
    QCOMPARE(w.enter_button()->text(), QStringLiteral("进入"));
    QCOMPARE(w.give_up_button()->text(), QStringLiteral("放弃"));
    QCOMPARE(w.help_button()->toolTip(), QStringLiteral("请习惯使用帮助按钮"));
  }

  void wrong_password_then_pick_and_log_in() {
    // 我的帐户 gets a password so that a wrong one can be tried.
    {
      store::Session s;
      store::Cursor z(s, m_dir->path().string(), "z.db");
      z.open();
      QVERIFY(z.locate("User_name", {store::Value::text("我的帐户")}));
      z.set_string("User_password", "k9x");
      z.post();
    }
    app::TForm1 w(*m_session, *m_dialogs, m_clock, m_help, m_dir->path());
    w.show();
    w.user_box()->setEditText(QStringLiteral("我的帐户"));
    QTest::keyClicks(w.password_box(), "k9");
    QTest::mouseClick(w.enter_button(), Qt::LeftButton);
    QCOMPARE(texts(*m_dialogs), std::vector<std::string>{app::kWrongPassword});
    QVERIFY(!w.workspace());
    QCOMPARE(w.password_box()->text(), QStringLiteral("k9"));  // both boxes keep their text
    QCOMPARE(w.user_box()->currentText(), QStringLiteral("我的帐户"));
    // A typed name changed no flag.
    QCOMPARE(picked(m_dir->path()), std::vector<std::string>{"示范帐户"});

    // Picking from the list moves the flag and clears the password.
    w.user_box()->setCurrentIndex(1);
    emit w.user_box()->activated(1);  // what the drop-down list sends on a pick
    QCOMPARE(picked(m_dir->path()), std::vector<std::string>{"我的帐户"});
    QVERIFY(w.password_box()->text().isEmpty());

    QTest::keyClicks(w.password_box(), "k9x");
    QTest::keyClick(w.password_box(), Qt::Key_Return);
    QCOMPARE(texts(*m_dialogs).size(), size_t(1));
    QVERIFY(w.workspace());
    QCOMPARE(w.workspace()->login().acc_name, std::string("我的帐户"));
    QCOMPARE(m_session->alias_dir("ubx"), m_dir->path() / "user");
    QVERIFY(w.main_window()->isVisible());
    QVERIFY(w.main_window()->windowState() & Qt::WindowMaximized);
    QVERIFY(w.settings_window());
    QVERIFY(!w.settings_window()->isVisible());
    QVERIFY(w.isVisible());  // the login window stays behind
  }

  // Logging out and in as the other account binds ubx to its directory; the
  // new main window sees only that account's ledger.
  void log_out_and_in_as_another_account() {
    app::TForm1 w(*m_session, *m_dialogs, m_clock, m_help, m_dir->path());
    w.show();
    w.BitBtn1Click();  // 示范帐户, no password
    QCOMPARE(m_session->alias_dir("ubx"), m_dir->path() / "demo");
    app::TForm7* first = w.main_window();
    QVERIFY(first->upper_model()->rowCount() > 0);
    // Another running copy is kept out of the account while it is logged in
    // and may open it as soon as it is logged out.
    store::Session other;
    QVERIFY_THROWS_EXCEPTION(store::Error, other.set_alias("ubx", m_dir->path() / "demo"));

    first->Button_exitClick();
    QVERIFY(!first->isVisible());
    QVERIFY(w.isVisible());
    QVERIFY(!first->views().upper().active());  // ubx closed
    other.set_alias("ubx", m_dir->path() / "demo");
    other.unbind_alias("ubx");

    // Enter in the user-name box logs in; a typed name is not a pick.
    w.user_box()->setEditText(QStringLiteral("我的帐户"));
    QTest::keyClick(w.user_box()->lineEdit(), Qt::Key_Return);
    QVERIFY(texts(*m_dialogs).empty());
    QCOMPARE(picked(m_dir->path()), std::vector<std::string>{"示范帐户"});
    QCOMPARE(m_session->alias_dir("ubx"), m_dir->path() / "user");
    QVERIFY_THROWS_EXCEPTION(store::Error, other.set_alias("ubx", m_dir->path() / "user"));
    app::TForm7* second = w.main_window();
    // Closing the main window by its frame logs out as the button does.
    QSignalSpy out(second, &app::TForm7::logged_out);
    second->close();
    QCOMPARE(out.count(), 1);
    other.set_alias("ubx", m_dir->path() / "user");
    other.unbind_alias("ubx");
    w.BitBtn1Click();
    second = w.main_window();
    QVERIFY(second->isVisible());
    QCOMPARE(second->windowTitle(), QStringLiteral("资产管理主窗口，管理帐户名：我的帐户"));
    QCOMPARE(second->upper_model()->rowCount(), 0);  // the new account has an empty ledger
    QCOMPARE(w.workspace()->ledger().cursor().count(), size_t(0));
  }

  void help_button() {
    app::TForm1 w(*m_session, *m_dialogs, m_clock, m_help, m_dir->path());
    w.BitBtn3Click();
    QCOMPARE(texts(*m_dialogs), std::vector<std::string>{app::kMissingHelpFile});
    QVERIFY(QString::fromUtf8(app::kMissingHelpFile).startsWith("缺少valmorix.hlp文件"));
    QVERIFY(m_help.keywords.empty());
    std::ofstream(m_dir->path() / "VALMORIX.HLP") << "help";
    m_dialogs->clear();
    w.BitBtn3Click();
    QVERIFY(texts(*m_dialogs).empty());
    QCOMPARE(m_help.keywords, std::vector<std::string>{"login"});
  }

  void missing_account_list() {
    test::TempDir elsewhere;
    app::TForm1 w(*m_session, *m_dialogs, m_clock, m_help, elsewhere.path());
    w.show();
    QCOMPARE(texts(*m_dialogs), std::vector<std::string>{app::kMissingAccountList});
    QCOMPARE(w.user_box()->count(), 0);
    QVERIFY(w.user_box()->currentText().isEmpty());
    // "进入" logs nobody in: the engine's error is shown, nothing else.
    m_dialogs->expect_errors();
    w.BitBtn1Click();
    QCOMPARE(m_dialogs->shown().size(), size_t(2));
    QCOMPARE(m_dialogs->shown()[1].kind, platform::ScriptedDialogs::Kind::Error);
    QVERIFY(!w.workspace());
  }

  void give_up_and_quit() {
    app::TForm1 w(*m_session, *m_dialogs, m_clock, m_help, m_dir->path());
    w.show();
    QSignalSpy closed(&w, &app::TForm1::closed);
    w.BitBtn1Click();
    // The main window's menu item ends the program: ubx closed, both windows gone.
    w.main_window()->action(QStringLiteral("退出系统"))->trigger();
    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.main_window());

    app::TForm1 again(*m_session, *m_dialogs, m_clock, m_help, m_dir->path());
    again.show();
    QSignalSpy closed_again(&again, &app::TForm1::closed);
    QTest::mouseClick(again.give_up_button(), Qt::LeftButton);
    QCOMPARE(closed_again.count(), 1);
    QVERIFY(!again.isVisible());
  }

 private:
  std::unique_ptr<test::TempDir> m_dir;
  std::unique_ptr<test::CheckedDialogs> m_dialogs;
  std::unique_ptr<store::Session> m_session;
  platform::FixedClock m_clock{{vmx::Date::from_ymd(2026, 12, 6), 10, 0, 0, 0}};
  test::RecordingHelp m_help;
};

QTEST_MAIN(LoginWindowTest)
#include "login_window_test.moc"
