#include "gui/market/security_list_window.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "core/install/installation.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/app/login_window.h"
#include "gui/app/main_window.h"
#include "gui/widgets/db_grid.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

namespace {

QStringList column(ui::DbGrid* g, int col) {
  QStringList out;
  for (int r = 0; r < g->model()->rowCount(); ++r)
    out << g->model()->index(r, col).data().toString();
  return out;
}

}  // namespace

// The security list window over a demo installation: grid and filter box, the
// lookups under the filter, inserting and deleting rows, help, close.
class SecurityListWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    m_form = std::make_unique<market::TForm_stock>(*m_demo->ws);
  }
  void cleanup() {
    m_form.reset();
    m_demo.reset();
  }

  void layout() {
    QCOMPARE(m_form->windowTitle(), QStringLiteral("股票代码窗口"));
    ui::DbGrid* g = m_form->grid();
    QCOMPARE(g->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("代码"));
    QCOMPARE(g->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("名称"));
    QCOMPARE(g->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("价格"));
    const QStringList codes = column(g, 0);
    QVERIFY(codes.size() > 20);
    QStringList sorted = codes;
    sorted.sort();
    QCOMPARE(codes, sorted);
    QComboBox* box = m_form->filter_box();
    QCOMPARE(box->currentText(), QStringLiteral("*"));
    QCOMPARE(box->toolTip(), QStringLiteral("(*表示任意字符串)"));
    QCOMPARE(box->count(), 18);
    QCOMPARE(box->itemText(box->count() - 1), QString());
    QVERIFY(box->findText("60*") >= 0);
    // "确定退出" copies into the trading window (tested there).
    QCOMPARE(m_form->confirm_button()->text(), QStringLiteral("确定退出"));
  }

  // Typing a pattern narrows the grid and the lookups; closing clears it.
  void filter_and_close() {
    m_form->show();
    market::SecurityList& sl = m_demo->ws->securities();
    const int all = m_form->grid()->model()->rowCount();
    m_form->filter_box()->setEditText("60*");
    for (const QString& code : column(m_form->grid(), 0)) QVERIFY(code.startsWith("60"));
    QVERIFY(m_form->grid()->model()->rowCount() < all);
    QCOMPARE(sl.code_to_name("0002"), std::string());
    QCOMPARE(sl.code_to_name("600036"), std::string("招商银行"));
    // The lookup moved the shared cursor; the grid follows it.
    QCOMPARE(m_form->grid()->currentIndex().data().toString(), QStringLiteral("600036"));
    m_form->filter_box()->setEditText("");
    QCOMPARE(m_form->grid()->model()->rowCount(), 0);

    m_form->close();
    QCOMPARE(sl.code_to_name("0002"), std::string("万科A"));
    QCOMPARE(m_form->filter_box()->currentText(), QStringLiteral("*"));
    QCOMPARE(m_form->grid()->model()->rowCount(), all);
    QVERIFY(m_demo->dialogs.texts().empty());
  }

  // "插一行" starts a row the grid posts; "删一行" deletes without asking.
  void insert_and_delete() {
    m_form->show();
    ui::DbGrid* g = m_form->grid();
    const int all = g->model()->rowCount();
    m_form->insert_button()->click();
    QCOMPARE(g->model()->rowCount(), all + 1);
    const int row = g->table_model()->insert_row();
    QVERIFY(row >= 0);
    QVERIFY(g->model()->setData(g->model()->index(row, 0), "000777"));
    QVERIFY(g->model()->setData(g->model()->index(row, 1), "新股"));
    QVERIFY(g->model()->setData(g->model()->index(row, 2), "7.5"));
    QVERIFY(g->post());
    QCOMPARE(m_demo->ws->securities().code_to_price("000777"), 7.5f);
    // The posted row takes its place in code order and stays current.
    QCOMPARE(g->currentIndex().siblingAtColumn(0).data().toString(), QStringLiteral("000777"));

    m_form->delete_button()->click();
    QCOMPARE(m_demo->ws->securities().code_to_name("000777"), std::string());
    QCOMPARE(g->model()->rowCount(), all);
    QVERIFY(m_demo->dialogs.texts().empty());  // no question asked

    m_form->help_button()->click();
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{market::TForm_stock::kHelpText});
  }

  // Opened from the trading window, which stays on top: above it, not under it.
  void shown_beside_trading() {
    QWidget trading(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    trading.show();
    m_form->show_beside_trading(&trading);
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isModal());
    QVERIFY(m_form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(m_form->pos(), QPoint(200, 30));
  }

  // A login creates the window hidden.
  void created_at_login() {
    m_form.reset();
    m_demo.reset();  // its session holds the account
    test::TempDir dir;
    store::init_installation(dir.path(), true, Date::from_ymd(2024, 3, 15));
    test::CheckedDialogs dialogs;
    store::Session session;
    app::TForm1 login(session, dialogs, m_clock, m_help, dir.path());
    login.user_box()->setEditText(QString::fromUtf8(store::kDemoAccountName));
    login.BitBtn1Click();
    QVERIFY(login.workspace());
    QVERIFY(login.security_window());
    QVERIFY(!login.security_window()->isVisible());
    QVERIFY(login.security_window()->grid()->model()->rowCount() > 20);
    login.close();
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0}};
  platform::LoggingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
  std::unique_ptr<market::TForm_stock> m_form;
};

QTEST_MAIN(SecurityListWindowTest)
#include "security_list_window_test.moc"
