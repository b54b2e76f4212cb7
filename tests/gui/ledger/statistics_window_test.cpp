#include "gui/ledger/statistics_window.h"

#include <QAbstractButton>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QTableView>
#include <QTest>

#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

namespace {

struct NoHelp : platform::Help {
  void open_keyword(const std::string& k) override { keyword = k; }
  void open_contents() override {}
  std::string keyword;
};

QBarSeries* bars(QChart* c) {
  return c->series().isEmpty() ? nullptr : qobject_cast<QBarSeries*>(c->series().front());
}

}  // namespace

// The statistics window on the demo account: the start view with its chart,
// the enabling of the groups, the chart hidden for history, the series of
// profit and loss, the redirect for detail rows.
class StatisticsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    m_form = std::make_unique<ledger::TForm_tj>(*m_demo->ws, [this] {
      ++m_calcs;
      m_demo->ws->ledger().set_valuation_pending(false);
    });
  }
  void cleanup() {
    m_form.reset();
    m_demo.reset();
  }

  void start_view_values_first_and_charts_the_types() {
    m_demo->ws->ledger().set_valuation_pending(true);
    m_form->show();
    QCOMPARE(m_calcs, 1);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("投资组合和盈亏统计"));
    QVERIFY(m_form->content_box()->isEnabled());
    QVERIFY(!m_form->pnl_box()->isEnabled());
    QAbstractItemModel* model = m_form->grid()->model();
    QVERIFY(model->rowCount() > 3);
    QCOMPARE(m_form->grid()->currentIndex().row(), model->rowCount() - 1);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("类型"));

    QChart* c = m_form->chart();
    QVERIFY(m_form->chart_view()->isVisible());
    QCOMPARE(c->title(), QStringLiteral("投资比例条形图"));
    QBarSeries* s = bars(c);
    QVERIFY(s);
    QCOMPARE(s->barSets().at(0)->label(), QStringLiteral("市值百分比"));
    QCOMPARE(s->barSets().at(1)->label(), QStringLiteral("折扣百分比"));
    auto* x = qobject_cast<QBarCategoryAxis*>(c->axes(Qt::Horizontal).front());
    QCOMPARE(x->labelsAngle(), -90);
    // The grid lists the two total rows, the chart leaves them out.
    QCOMPARE(x->categories().size(), model->rowCount() - 2);
    QVERIFY(!x->categories().contains(QStringLiteral("市价总")));
    m_form->hide();
    m_form->show();
    QCOMPARE(m_calcs, 1);  // valued once
  }

  void choices_enable_the_groups_and_set_up_the_chart() {
    m_form->show();
    m_form->kind_group()->button(2)->click();
    QVERIFY(!m_form->content_box()->isEnabled());
    QVERIFY(!m_form->pnl_box()->isEnabled());
    QVERIFY(!m_form->chart_view()->isVisible());
    QCOMPARE(m_form->grid_box()->minimumHeight(), 466);
    QCOMPARE(m_form->grid()->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("成交日期"));

    m_form->kind_group()->button(1)->click();
    m_form->pnl_group()->button(3)->click();
    QVERIFY(m_form->pnl_box()->isEnabled());
    QVERIFY(m_form->chart_view()->isVisible());
    QCOMPARE(m_form->chart()->title(), QStringLiteral("投资成本和现值条形图"));
    QCOMPARE(bars(m_form->chart())->barSets().at(0)->label(), QStringLiteral("成 本"));
    QCOMPARE(bars(m_form->chart())->barSets().at(1)->label(), QStringLiteral("折扣价值"));

    m_form->content_group()->button(0)->click();
    m_form->print_report();
    QCOMPARE(m_demo->dialogs.texts().back(), std::string("打印详细记录请进入手工编辑窗口！"));
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0}};
  NoHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
  std::unique_ptr<ledger::TForm_tj> m_form;
  int m_calcs = 0;
};

QTEST_MAIN(StatisticsWindowTest)
#include "statistics_window_test.moc"
