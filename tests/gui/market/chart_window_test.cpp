#include "gui/market/chart_window.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "core/chart/performance.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/help.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

// The chart window on the demo account's fund year: opening on the stored
// start, the scroll bar, compress, K-lines, the date box's messages, the saved
// picture and the start kept on closing.
class ChartWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    m_form = std::make_unique<market::TForm_draw>(*m_demo->ws);
  }
  void cleanup() {
    m_form.reset();
    m_demo.reset();
  }

  void opens_on_the_stored_start_and_follows_the_controls() {
    m_form->show();
    const chart::Series& d = m_form->series();
    QVERIFY(d.n() > 200);
    const std::string box = m_form->date_box()->text().toStdString();
    QCOMPARE(box, chart::read_startp(m_demo->session).value_or("?"));
    const chart::View v = m_form->view();
    QVERIFY(d.date[size_t(v.s - 1)] >= *Date::parse(box));
    QVERIFY(d.date[size_t(v.s - 2)] < *Date::parse(box));
    QCOMPARE(v.c, v.s);
    QCOMPARE(v.left, chart::left_for(v.s, d.n()));
    QCOMPARE(m_form->panel_cell(1, 0)->text(), QStringLiteral("价格"));
    QCOMPARE(m_form->panel_cell(0, 1)->text(),
             QString::fromStdString("起点 " + d.date[size_t(v.s - 1)].to_string()));
    QVERIFY(m_form->message_label()->text().isEmpty());
    QVERIFY(!m_form->chart_view()->picture().lines[3].points.empty());

    m_form->scroll_bar()->setValue(300);
    QCOMPARE(m_form->view().c, d.n());
    m_form->scroll_bar()->setValue(0);
    QCOMPARE(m_form->view().c, v.left);
    m_form->start_group()->button(0)->click();
    QCOMPARE(m_form->view().left, 1);
    m_form->line_group()->button(1)->click();
    QVERIFY(!m_form->chart_view()->picture().candles.empty());

    m_form->date_box()->setText("2001-02-30");
    m_form->Edit1Exit();
    m_form->date_box()->setText("1999-01-04");
    m_form->Edit1Exit();
    QCOMPARE(m_demo->dialogs.texts(),
             (std::vector<std::string>{chart::kBadDate, chart::kDateOutOfRange}));
    QCOMPARE(m_form->view().left, 1);  // unchanged

    const auto png = m_demo->dir.path() / "chart";
    m_demo->dialogs.answer_input(png.string());
    m_form->save_picture();
    const QImage saved(QString::fromStdString(png.string() + ".png"));
    QVERIFY(!saved.isNull());
    QVERIFY(saved.width() >= 800);

    m_form->date_box()->setText("2024-01-02");
    m_form->close();
    QCOMPARE(chart::read_startp(m_demo->session).value_or(""), std::string("2024-01-02"));
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0}};
  platform::LoggingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
  std::unique_ptr<market::TForm_draw> m_form;
};

QTEST_MAIN(ChartWindowTest)
#include "chart_window_test.moc"
