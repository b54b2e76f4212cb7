// The optimiser window: the four-group model, its search and its files (投资组合优化和模拟).
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

#include "core/optimise/model.h"
#include "gui/optimise/game_window.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vmx::app {
class Workspace;
}

namespace vmx::optimise {

class TForm_devide;

// The explanation texts of the "说明" buttons, by button.
inline constexpr const char* kCorrelationNote =
    "可以通过下拉改变相关系数。两证券同涨同跌为1，不相关为0，完全相反为-1; "
    "改上面两个后，下面一个可能变化。同时投资不相关，特别是反相关品种可以降低风险并提高累积收益。"
    "这里假设证券0和其他证券不相关.";
inline constexpr const char* kPlayersNote =
    "本模块可以当做游戏供几个人玩－－类似于玩登山棋。不同玩家投资比例不同，看谁增值最快。";
inline constexpr const char* kGroupsNote =
    "这里把所有资产简化为四组,每一组同涨同跌。可通过分组操作按钮改变分组; "
    "再根据主观预测改变期望，偏差，和相关系数。电脑可据此提供优化比例。"
    "进入'投资模拟'界面可以观察业绩比较。几个人玩游戏可以选择多个玩家。";
inline constexpr const char* kCostNote = "包括手续费和确保成交让价损失。";
inline constexpr const char* kPricesNote =
    "假设每一类证券价格有三种可能：低，中，高；中就是期望或平均值，"
    "偏差=高－中＝中－低(不是均方误差).";
inline constexpr const char* kMarginNote =
    "股票,国债等在不透支时为1或100％，透支一倍则保证金为50％。期货通常在3％到10％之间。"
    "'1/保证金比例'便是盈亏放大倍数。";
inline constexpr const char* kOptimiserHint =
    "提示: 本模块教你在不能准确预见未来时如何优化投资比例, 以控制风险. "
    "对能完全准确预测行情的人, 或完全不能预测的人, 它都没有用处; 只对介于两者之间的人有用. "
    "请先看各\"说明\"按钮和\"帮助\".";
inline constexpr const char* kNormaliseHint = "除以四个数之和，使四个比例之和为1";

// "投资组合优化和模拟": the optimiser's boxes over the program's one model
// state (program_state()), the computer's search, the comparison with the
// current holdings by group, the model files and the start of the game.
// Every change of a box goes into the state at once; what the search uses is
// read from the state when it runs. Closing frees the window and its
// grouping window.
class TForm_yh1 : public QWidget {
  Q_OBJECT
 public:
  // FormCreate: creates the grouping window, seeds the program's random
  // generator from the workspace clock, reads the boxes into the model,
  // loads "default.prd" from the program directory when it is there (a
  // missing file says nothing; a broken one shows its message and changes
  // nothing), takes the player rows, and reads the holdings by group. Errors
  // reading the holdings end in the error box; the window opens anyway.
  explicit TForm_yh1(app::Workspace& workspace, QWidget* parent = nullptr);
  ~TForm_yh1() override;

  // The handlers, callable from tests as the buttons call them.
  void Button_normalise(int row);  // "归一化" of row 0..2 (Button1Click..Button3Click)
  void BitBtn4Click();             // "电脑优化"
  void BitBtn1Click();             // "投资模拟"
  void BitBtn5Click();             // "分组操作"
  void BitBtn8Click();             // "参数存盘"
  void BitBtn6Click();             // "取出参数"
  void ComboBox4Change();          // player count
  // loadcs: a model file into the boxes; its message in the error box when
  // the file is short, unreadable or holds a value that does not convert.
  void loadcs(const QString& file);
  // putlx: the holdings by group into row 1 and the group labels.
  void putlx();

  State& state() { return m_state; }
  TForm_devide* grouping_window() const { return m_devide; }
  // The last game window "投资模拟" opened (null when none is open).
  TForm_yh2* game_window() const { return m_game; }
  QPushButton* button(const QString& caption) const;

 protected:
  // The parent window closing (a logout) closes this window too: what it
  // works on goes with the login.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  QWidget* build_parameters();
  QWidget* build_players();
  QWidget* build_results();
  QWidget* build_side();
  void show_parameters();  // every parameter box from the state
  void show_rows();
  void show_results();
  void show_outcomes();
  void show_optimum();  // the optimal, row 1 and suggestion boxes after a search
  void refill_b13();
  void run(const std::function<void()>& operation);

  app::Workspace& m_ws;
  State& m_state;
  TForm_devide* m_devide = nullptr;
  QPointer<TForm_yh2> m_game;
  bool m_filling = false;  // boxes being set from the state: no change handlers

  std::array<QLabel*, kGroups> m_group_labels{};
  std::array<QSpinBox*, kGroups> m_ini{}, m_e{}, m_d{};  // m_ini[0], m_d[0]: none
  std::array<QLabel*, kGroups> m_outcomes{}, m_probabilities{};
  std::array<QComboBox*, kGroups> m_cost{}, m_margin{};  // [0]: none
  QComboBox *m_b12 = nullptr, *m_b23 = nullptr, *m_b13 = nullptr;
  std::array<std::array<QSpinBox*, kGroups>, kPlayers> m_rows{};
  std::array<QPushButton*, kPlayers> m_normalise{};
  std::array<QWidget*, kPlayers> m_row_titles{};
  std::array<QLineEdit*, kGroups> m_y{}, m_z{}, m_j{};
  QComboBox* m_players = nullptr;
};

// The main window's "组合优化模拟": the optimiser window of `parent` in front
// (created and shown when it has none; closing frees it), and a game window
// created with it but not shown. Returns the optimiser window. Throws
// store::Error when the grouping tables cannot be read.
TForm_yh1* show_optimiser(app::Workspace& workspace, QWidget* parent);

}  // namespace vmx::optimise
