#include "gui/widgets/guarded_application.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "support/checked_dialogs.h"

using namespace vmx;

// An error that leaves an event handler ends that operation in the error box;
// the program, and the next click, go on.
class GuardedApplicationTest : public QObject {
  Q_OBJECT
 public:
  explicit GuardedApplicationTest(ui::GuardedApplication& app) : m_app(app) {}

 private slots:
  void engine_error_stops_the_operation_only() {
    test::CheckedDialogs dialogs;
    dialogs.expect_errors();
    m_app.set_dialogs(&dialogs);
    QPushButton button;
    int runs = 0, finished = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
      ++runs;
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
      if (runs == 1) throw store::Error("tr2.DBF: 写不进去");
      QGuiApplication::restoreOverrideCursor();
      ++finished;
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(dialogs.shown().size(), size_t(1));
    QCOMPARE(dialogs.shown()[0].kind, platform::ScriptedDialogs::Kind::Error);
    QVERIFY(QString::fromStdString(dialogs.shown()[0].text).contains("tr2.DBF: 写不进去"));
    QVERIFY(!QGuiApplication::overrideCursor());  // no hourglass left behind
    QCOMPARE(finished, 0);

    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(runs, 2);
    QCOMPARE(finished, 1);
    QCOMPARE(dialogs.shown().size(), size_t(1));
    m_app.set_dialogs(nullptr);
  }

 private:
  ui::GuardedApplication& m_app;
};

int main(int argc, char** argv) {
  ui::GuardedApplication app(argc, argv);
  GuardedApplicationTest test(app);
  return QTest::qExec(&test, argc, argv);
}

#include "guarded_application_test.moc"
