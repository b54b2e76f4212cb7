#include "gui/optimise/game_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "core/optimise/optimiser.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/optimise/game_chart_widget.h"
#include "support/checked_dialogs.h"

using namespace vmx;
using optimise::GameChart;
using optimise::TForm_yh2;

namespace {

GameChart::Series series(std::vector<double> values) { return {Qt::black, std::move(values)}; }

QStringList lines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace

// The game window: its controls, a replayed game shown in full, the delay
// waited for without blocking, the target that nobody reaches, and the
// charts' rescaling.
class GameWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_state = optimise::State{};
    m_dialogs = std::make_unique<test::CheckedDialogs>();
    optimise::optimise(m_state, *m_dialogs);
    m_dialogs->clear();
  }
  void cleanup() { m_dialogs.reset(); }

  void controls_and_help() {
    optimise::SequenceRandom random({0, 1});
    TForm_yh2 w(m_state, random, *m_dialogs);
    QCOMPARE(w.turns_box()->value(), 100);
    QCOMPARE(w.turns_box()->minimum(), 10);
    QCOMPARE(w.turns_box()->maximum(), 1000);
    QCOMPARE(w.turns_box()->singleStep(), 10);
    QCOMPARE(w.target_box()->currentText(), QStringLiteral("10000"));
    QCOMPARE(w.target_box()->count(), 4);
    QCOMPARE(w.delay_box()->currentText(), QStringLiteral("0"));
    QCOMPARE(w.delay_box()->count(), 6);
    QCOMPARE(w.plot_group()->checkedId(), 0);
    QCOMPARE(w.settings().end, optimise::GameSettings::End::Turns);
    QCOMPARE(w.settings().turns, 100);
    // The value counts once its end condition is clicked.
    w.target_box()->setCurrentText("100000");
    QCOMPARE(w.settings().end, optimise::GameSettings::End::Turns);
    w.end_group()->button(1)->click();
    QCOMPARE(w.settings().end, optimise::GameSettings::End::Target);
    QCOMPARE(w.settings().target, 100000.0);
    for (QPushButton* b : w.findChildren<QPushButton*>())
      if (b->text() == "帮助") b->click();
    QCOMPARE(m_dialogs->texts(), std::vector<std::string>{optimise::kGameHelp});
  }

  // Ten turns: the charts show points 0..10 of every series taking part, the
  // ranking matches the game's own, and the same coins give the same game.
  void replayed_game() {
    m_state.player_count = 2;
    std::vector<std::string> first_ranking;
    std::vector<double> first_wealth;
    for (int round = 0; round < 2; ++round) {
      optimise::SequenceRandom random({1, 0, 0, 1, 1, 1, 0, 0, 1, 0, 1, 0, 0});
      TForm_yh2 w(m_state, random, *m_dialogs);
      w.turns_box()->setValue(10);
      w.rg1Click(0);
      w.BitBtn1Click();
      QVERIFY(w.showing());
      QTRY_VERIFY(!w.showing());
      QCOMPARE(w.game()->turns(), 10);
      QCOMPARE(w.wealth_chart()->shown_turns(), 10);
      QCOMPARE(w.price_chart()->shown_turns(), 10);
      const QStringList shown = lines(w.ranking());
      QStringList expected;
      for (const std::string& l : w.game()->ranking()) expected << QString::fromStdString(l);
      QCOMPARE(shown, expected);
      QVERIFY(shown.size() <= 3);  // two players and the computer
      std::vector<double> wealth;
      for (int p : w.game()->participants()) wealth.push_back(w.game()->wealth(p));
      if (round == 0) {
        first_ranking = w.game()->ranking();
        first_wealth = wealth;
      } else {
        QCOMPARE(w.game()->ranking(), first_ranking);
        QCOMPARE(wealth, first_wealth);
      }
    }
  }

  // With a delay the turns come one by one while events keep being served;
  // "模拟开始" again starts afresh and "返回" during the showing is safe.
  void delay_keeps_window_responsive() {
    optimise::SequenceRandom random({0, 1, 1, 0, 1});
    auto* w = new TForm_yh2(m_state, random, *m_dialogs);
    w->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<TForm_yh2> guard(w);
    w->show();
    w->turns_box()->setValue(10);
    w->rg1Click(0);
    w->delay_box()->setCurrentText("0.1");
    QElapsedTimer clock;
    clock.start();
    w->BitBtn1Click();
    QVERIFY(clock.elapsed() < 90);  // the click returned before the first wait ended
    bool served = false;
    QTimer::singleShot(30, [&] { served = true; });
    QTRY_VERIFY_WITH_TIMEOUT(w->wealth_chart()->shown_turns() >= 2, 3000);
    QVERIFY(served);
    QVERIFY(w->showing());
    QVERIFY(w->ranking()->count() == 0);
    QTRY_VERIFY_WITH_TIMEOUT(!w->showing(), 5000);
    QVERIFY(clock.elapsed() >= 900);  // ten turns of 0.1 s
    QVERIFY(w->ranking()->count() > 0);

    w->BitBtn1Click();
    QVERIFY(w->showing());
    QCOMPARE(w->ranking()->count(), 0);
    w->close();  // while showing
    QTRY_VERIFY(!guard);
  }

  // Target mode where nothing ever moves: 1000 turns, the message, then the
  // ranking (all equal: no lines).
  void target_missed() {
    for (int g = 1; g < 4; ++g) {
      m_state.model.deviation[g] = 0;
      m_state.model.expected[g] = m_state.model.initial[g];
    }
    m_state.model.expected[0] = 1;
    m_state.current = m_state.proportions[0];
    for (auto& row : m_state.proportions) row = m_state.current;
    m_state.optimal = m_state.current;
    optimise::SequenceRandom random({0, 1});
    TForm_yh2 w(m_state, random, *m_dialogs);
    w.end_group()->button(1)->click();
    w.BitBtn1Click();
    w.finish_showing();
    QCOMPARE(w.game()->turns(), optimise::kMaxTurns);
    QCOMPARE(m_dialogs->texts(), std::vector<std::string>{optimise::kTargetMissedMessage});
    QCOMPARE(w.ranking()->count(), 0);
    QCOMPARE(w.wealth_chart()->shown_turns(), optimise::kMaxTurns);
    QCOMPARE(w.wealth_chart()->turn_scale(), 1280);
  }

  // Scales double until the shown points fit, in either plotting; a value
  // that cannot be drawn stops the showing there.
  void chart_rescaling() {
    struct Case {
      GameChart::Plot plot;
      std::vector<double> values;
      int turn_scale;
      double low, high;
    } cases[] = {
        {GameChart::Plot::Log, {std::log(100.0), std::log(100.0)}, 10, -5, 10},
        {GameChart::Plot::Log, {std::log(100.0), 30, -12}, 10, -20, 40},
        {GameChart::Plot::Linear, {std::log(100.0), std::log(1000.0)}, 10, 0, 1600},
        {GameChart::Plot::Log, std::vector<double>(26, 1.0), 40, -5, 10},
        {GameChart::Plot::Linear, std::vector<double>(11, 0.0), 10, 0, 100},
    };
    for (const Case& c : cases) {
      GameChart chart("t", "元");
      chart.reset(c.plot);
      chart.set_series({series(c.values)});
      QVERIFY(chart.show_through(static_cast<int>(c.values.size()) - 1));
      QCOMPARE(chart.turn_scale(), c.turn_scale);
      QCOMPARE(chart.low(), c.low);
      QCOMPARE(chart.high(), c.high);
      chart.reset(c.plot);  // back to the initial scales
      QCOMPARE(chart.turn_scale(), 10);
      QCOMPARE(chart.shown_turns(), -1);
    }
    GameChart chart("t", "元");
    chart.reset(GameChart::Plot::Linear);
    chart.set_series({series({std::log(100.0), 5, 800, 6})});
    QVERIFY(chart.show_through(1));
    QVERIFY(!chart.show_through(3));  // e^800 is no finite number
    QCOMPARE(chart.shown_turns(), 1);
    chart.set_series({series({std::log(100.0), std::nan("")})});
    QVERIFY(!chart.show_through(1));
  }

  // One form of number on each axis, never "1000000" beside "1e8".
  void axis_labels_keep_one_form() {
    const struct {
      std::vector<double> ticks;
      QStringList labels;
    } cases[] = {
        {{0, 20, 40, 100}, {"0", "20", "40", "100"}},
        {{0.01, 1, 100, 1e4, 1e6}, {"0.01", "1", "100", "10000", "1000000"}},
        {{1e4, 1e6, 1e8}, {"1e4", "1e6", "1e8"}},
        {{0, 2.5e7, 1.05e8}, {"0", "2.5e7", "1.05e8"}},
        {{1e-4, 1, 1e3}, {"1e-4", "1e0", "1e3"}},
        {{-1.6e9, 0, 9.999e7}, {"-1.6e9", "0", "1e8"}},
    };
    for (const auto& c : cases) QCOMPARE(optimise::axis_labels(c.ticks), c.labels);
  }

 private:
  optimise::State m_state;
  std::unique_ptr<test::CheckedDialogs> m_dialogs;
};

QTEST_MAIN(GameWindowTest)
#include "game_window_test.moc"
