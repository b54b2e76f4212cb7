#include "gui/platform/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/platform/qt_translations.h"

using namespace vmx;

// Every box belongs to the window that caused it: above it (also when it stays
// on top), modal, with Qt's Chinese buttons, and the window is active again
// afterwards; the login window (the fallback) never comes forward.
class QtDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QVERIFY(platform::install_chinese_translations(*qApp)); }

  void boxes_belong_to_the_window_that_caused_them() {
    struct Case {
      const char* name;
      std::function<void(platform::Dialogs&)> open;
      QStringList buttons;  // as shown, without accelerators
      QPoint at;            // (0, 0): wherever Qt puts it
    };
    const std::vector<Case> cases = {
        {"inform", [](platform::Dialogs& d) { d.inform("完成"); }, {"确定"}, {}},
        {"warn", [](platform::Dialogs& d) { d.warn("“abc”不是有效的数值"); }, {"确定"}, {}},
        {"error", [](platform::Dialogs& d) { d.error("tr2.DBF: 写不进去"); }, {"确定"}, {}},
        {"ask", [](platform::Dialogs& d) { d.ask("删除记录吗?"); }, {"是", "否"}, {}},
        {"acknowledge Yes",
         [](platform::Dialogs& d) { d.acknowledge_at("买进处理成功,按Yes继续！", 300, 200); },
         {"是"},
         {300, 200}},
        {"acknowledge OK",
         [](platform::Dialogs& d) { d.acknowledge_at("确认成交处理成功,按OK继续！", 300, 200); },
         {"确定"},
         {300, 200}},
    };
    QWidget login;
    login.setWindowTitle("login");
    login.show();
    QWidget trading(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    trading.show();
    platform::QtDialogs dialogs(&login);
    for (const Case& c : cases) {
      trading.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&trading));
      QWidget* seen_parent = nullptr;
      bool on_top = false;
      QString title;
      QStringList buttons;
      QPoint pos;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen_parent = box->parentWidget();
        on_top = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        title = box->windowTitle();
        pos = box->pos();
        for (QAbstractButton* b : box->buttons())
          buttons << b->text().remove('&').section('(', 0, 0);
        box->buttons().first()->click();
      });
      c.open(dialogs);
      QVERIFY2(seen_parent == &trading, c.name);
      QVERIFY2(on_top, c.name);
      QCOMPARE(title, QString("Valmorix"));
      buttons.sort();
      QStringList want = c.buttons;
      want.sort();
      QCOMPARE(buttons, want);
      if (!c.at.isNull()) QCOMPARE(pos, c.at);
      QVERIFY2(QTest::qWaitForWindowActive(&trading), c.name);
    }
  }

  // The second box of one operation opens before the desktop has given the
  // window back its focus: it still belongs to that window, not the login.
  void a_second_box_at_once_stays_with_the_same_window() {
    QWidget login;
    login.show();
    QWidget trading(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    trading.show();
    trading.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&trading));
    platform::QtDialogs dialogs(&login);
    QList<QWidget*> parents;
    auto close_next = [&] {
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        parents << box->parentWidget();
        box->buttons().first()->click();
      });
    };
    close_next();
    dialogs.inform("股票价格更新完毕");
    QApplication::setActiveWindow(nullptr);
    close_next();
    dialogs.inform("代码表和价格已一同更新");
    QCOMPARE(parents, (QList<QWidget*>{&trading, &trading}));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QtDialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_dialogs_test.moc"
