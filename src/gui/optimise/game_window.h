// The simulation game window: plays the optimiser against history and ranks the results (投资模拟).
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

#include "core/optimise/game.h"
#include "gui/optimise/game_chart_widget.h"

class QButtonGroup;
class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTimer;

namespace vmx::platform {
class Dialogs;
}

namespace vmx::optimise {

// The result window of the simulation game: the end condition, the plotting,
// the delay, the two charts and the ranking. Each "模拟开始" plays a whole
// game at once from the state as it stands, then shows it turn by turn; the
// delay between turns is waited for on a timer, so the window stays
// responsive (another "模拟开始" or "返回" interrupts the showing). The
// ranking appears when the last turn has been shown.
class TForm_yh2 : public QWidget {
  Q_OBJECT
 public:
  // `state` and `random` must outlive the window.
  TForm_yh2(const State& state, RandomSource& random, platform::Dialogs& dialogs,
            QWidget* parent = nullptr);
  ~TForm_yh2() override;

  // "模拟开始": plays one game and starts showing it.
  void BitBtn1Click();
  // The end condition was chosen: takes over the turn count or the target
  // amount from its box (item 0 turns, 1 target).
  void rg1Click(int item);
  // The plotting was chosen: the charts drawn again in that form.
  void rg2Click();
  // Shows every remaining turn at once, then the ranking (tests, and
  // "模拟开始" pressed while a game is still being shown).
  void finish_showing();
  bool showing() const;

  const GameSettings& settings() const { return m_settings; }
  // The last game played (null before the first).
  const Game* game() const { return m_game.get(); }
  GameChart* wealth_chart() const { return m_wealth_chart; }
  GameChart* price_chart() const { return m_price_chart; }
  QListWidget* ranking() const { return m_ranking; }
  QSpinBox* turns_box() const { return m_turns; }
  QComboBox* target_box() const { return m_target; }
  QComboBox* delay_box() const { return m_delay; }
  QButtonGroup* end_group() const { return m_end; }
  QButtonGroup* plot_group() const { return m_plot; }

 private:
  void load_charts();  // the last game's history into the charts, nothing shown
  void show_next_turn();
  void end_showing();  // the message of a missed target, then the ranking
  double delay_seconds() const;

  const State& m_state;
  RandomSource& m_random;
  platform::Dialogs& m_dialogs;
  GameSettings m_settings;
  std::unique_ptr<Game> m_game;
  int m_next_turn = 0;
  bool m_showing = false;
  bool m_target_missed = false;
  QTimer* m_timer = nullptr;
  QElapsedTimer m_turn_clock;

  QButtonGroup* m_end = nullptr;
  QButtonGroup* m_plot = nullptr;
  QSpinBox* m_turns = nullptr;
  QComboBox* m_target = nullptr;
  QComboBox* m_delay = nullptr;
  QListWidget* m_ranking = nullptr;
  GameChart* m_wealth_chart = nullptr;
  GameChart* m_price_chart = nullptr;
};

}  // namespace vmx::optimise
