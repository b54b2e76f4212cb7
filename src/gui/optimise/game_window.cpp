#include "gui/optimise/game_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/platform/dialogs.h"

namespace vmx::optimise {

namespace {

// Series colours: players 1..3, the computer, groups 1..3.
const QColor kParticipantColours[kParticipants] = {QColor(220, 30, 30), QColor(20, 150, 40),
                                                   QColor(30, 60, 220), Qt::black};
const QColor kGroupColours[3] = {QColor(200, 0, 200), QColor(0, 150, 160), QColor(190, 120, 0)};
const char* const kLegendNames[kParticipants] = {"玩家 1", "玩家 2", "玩家 3", "电 脑"};

QWidget* swatch(const QColor& colour, const QString& name) {
  auto* w = new QWidget;
  auto* row = new QHBoxLayout(w);
  row->setContentsMargins(0, 0, 0, 0);
  auto* box = new QLabel;
  box->setFixedSize(22, 10);
  box->setStyleSheet(
      QStringLiteral("background-color: %1; border: 1px solid gray;").arg(colour.name()));
  row->addWidget(box);
  row->addWidget(new QLabel(name));
  row->addStretch(1);
  return w;
}

}  // namespace

TForm_yh2::TForm_yh2(const State& state, RandomSource& random, platform::Dialogs& dialogs,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_random(random), m_dialogs(dialogs) {
  setObjectName("TForm_yh2");
  setWindowTitle("投资模拟");
  resize(960, 640);
  m_timer = new QTimer(this);
  m_timer->setSingleShot(true);
  connect(m_timer, &QTimer::timeout, this, [this] { show_next_turn(); });

  auto* layout = new QHBoxLayout(this);
  auto* charts = new QVBoxLayout;
  m_wealth_chart = new GameChart("总 资 金 变 化 图", "元");
  m_wealth_chart->setObjectName("Image_money");
  m_price_chart = new GameChart(" 价 格 变 化 图", "%");
  m_price_chart->setObjectName("Image_price");
  charts->addWidget(m_wealth_chart, 1);
  charts->addWidget(m_price_chart, 1);
  layout->addLayout(charts, 1);

  auto* side = new QVBoxLayout;
  auto* legend = new QGroupBox;
  auto* legend_grid = new QGridLayout(legend);
  for (int p = 0; p < kParticipants; ++p)
    legend_grid->addWidget(swatch(kParticipantColours[p], kLegendNames[p]), p, 0);
  for (int g = 0; g < 3; ++g)
    legend_grid->addWidget(swatch(kGroupColours[g], QStringLiteral("证券 %1").arg(g + 1)), g, 1);
  side->addWidget(legend);

  auto* end_box = new QGroupBox(" 游戏结束条件 ");
  end_box->setToolTip("请先选择结束具体值，再确定结束条件");
  auto* end_grid = new QGridLayout(end_box);
  m_end = new QButtonGroup(this);
  auto* by_turns = new QRadioButton("较量回合次数 (10-1000)");
  auto* by_target = new QRadioButton("终级总金额(超过停止)");
  m_end->addButton(by_turns, 0);
  m_end->addButton(by_target, 1);
  m_turns = new QSpinBox;
  m_turns->setObjectName("Edit1");
  m_turns->setRange(10, kMaxTurns);
  m_turns->setSingleStep(10);
  m_turns->setValue(100);
  m_target = new QComboBox;
  m_target->setObjectName("ComboBox1");
  for (const char* t : kTargetChoices) m_target->addItem(t);
  end_grid->addWidget(by_turns, 0, 0);
  end_grid->addWidget(m_turns, 0, 1);
  end_grid->addWidget(by_target, 1, 0);
  end_grid->addWidget(m_target, 1, 1);
  side->addWidget(end_box);
  by_turns->setChecked(true);
  rg1Click(0);
  connect(m_end, &QButtonGroup::idClicked, this, [this](int id) { rg1Click(id); });

  auto* plot_box = new QGroupBox(" 绘图方式 ");
  auto* plot_row = new QHBoxLayout(plot_box);
  m_plot = new QButtonGroup(this);
  auto* log_plot = new QRadioButton("对数绘图logy");
  auto* linear_plot = new QRadioButton("线性绘图 y");
  m_plot->addButton(log_plot, 0);
  m_plot->addButton(linear_plot, 1);
  log_plot->setChecked(true);
  plot_row->addWidget(log_plot);
  plot_row->addWidget(linear_plot);
  connect(m_plot, &QButtonGroup::idClicked, this, [this] { rg2Click(); });
  side->addWidget(plot_box);

  auto* delay_row = new QHBoxLayout;
  delay_row->addWidget(new QLabel("延迟时间是"));
  m_delay = new QComboBox;
  m_delay->setObjectName("ComboBox2");
  for (const char* d : kDelayChoices) m_delay->addItem(d);
  delay_row->addWidget(m_delay);
  delay_row->addWidget(new QLabel("秒 "));
  delay_row->addStretch(1);
  side->addLayout(delay_row);

  auto* buttons = new QHBoxLayout;
  auto* start = new QPushButton("模拟开始");
  start->setObjectName("BitBtn1");
  connect(start, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  auto* back = new QPushButton("返回");
  back->setToolTip("重新设置参数");
  connect(back, &QPushButton::clicked, this, [this] { close(); });
  auto* help = new QPushButton("帮助");
  connect(help, &QPushButton::clicked, this, [this] { m_dialogs.inform(kGameHelp); });
  buttons->addWidget(start);
  buttons->addWidget(back);
  buttons->addWidget(help);
  side->addLayout(buttons);

  side->addWidget(new QLabel("排行版"));
  m_ranking = new QListWidget;
  m_ranking->setObjectName("ListBox1");
  side->addWidget(m_ranking, 1);
  layout->addLayout(side);

  m_wealth_chart->reset(GameChart::Plot::Log);
  m_price_chart->reset(GameChart::Plot::Log);
}

TForm_yh2::~TForm_yh2() = default;

void TForm_yh2::load_charts() {
  const auto plot = m_plot->checkedId() == 1 ? GameChart::Plot::Linear : GameChart::Plot::Log;
  m_wealth_chart->reset(plot);
  m_price_chart->reset(plot);
  if (!m_game) return;
  const int points = m_game->turns() + 1;
  std::vector<GameChart::Series> wealth, prices;
  for (int p : m_game->participants()) {
    GameChart::Series s{kParticipantColours[p], {}};
    for (int t = 0; t < points; ++t) s.ln_values.push_back(m_game->wealth_log(p, t));
    wealth.push_back(std::move(s));
  }
  for (int g = 1; g <= 3; ++g) {
    GameChart::Series s{kGroupColours[g - 1], {}};
    for (int t = 0; t < points; ++t) s.ln_values.push_back(m_game->price_log(g, t));
    prices.push_back(std::move(s));
  }
  m_wealth_chart->set_series(std::move(wealth));
  m_price_chart->set_series(std::move(prices));
}

void TForm_yh2::rg2Click() {
  // The game shown so far, drawn again in the other form from its start scales.
  const int shown = m_wealth_chart->shown_turns();
  load_charts();
  if (shown < 0) return;
  if (!m_wealth_chart->show_through(shown) || !m_price_chart->show_through(shown)) {
    m_dialogs.inform(kDrawFailedMessage);
    if (m_showing) end_showing();
  }
}

void TForm_yh2::rg1Click(int item) {
  if (item == 0) {
    m_settings.end = GameSettings::End::Turns;
    m_settings.turns = m_turns->value();
  } else {
    m_settings.end = GameSettings::End::Target;
    m_settings.target = m_target->currentText().toDouble();
  }
}

bool TForm_yh2::showing() const { return m_showing; }

double TForm_yh2::delay_seconds() const { return m_delay->currentText().toDouble(); }

void TForm_yh2::BitBtn1Click() {
  m_timer->stop();
  m_showing = false;
  m_ranking->clear();
  m_game = std::make_unique<Game>(m_state, m_random);
  m_target_missed = !m_game->play(m_settings);

  load_charts();
  m_wealth_chart->show_through(0);
  m_price_chart->show_through(0);

  m_next_turn = 1;
  m_showing = true;
  m_timer->start(0);
}

void TForm_yh2::show_next_turn() {
  if (!m_showing) return;
  if (m_next_turn > m_game->turns()) {
    end_showing();
    return;
  }
  m_turn_clock.start();
  if (!m_wealth_chart->show_through(m_next_turn) || !m_price_chart->show_through(m_next_turn)) {
    m_dialogs.inform(kDrawFailedMessage);
    end_showing();
    return;
  }
  m_wealth_chart->repaint();
  m_price_chart->repaint();
  ++m_next_turn;
  // The delay runs from when this turn's drawing began; the event loop keeps
  // the window alive meanwhile.
  const qint64 wait = static_cast<qint64>(delay_seconds() * 1000) - m_turn_clock.elapsed();
  m_timer->start(static_cast<int>(std::max<qint64>(0, wait)));
}

void TForm_yh2::finish_showing() {
  if (!m_showing) return;
  m_timer->stop();
  if (!m_wealth_chart->show_through(m_game->turns()) ||
      !m_price_chart->show_through(m_game->turns()))
    m_dialogs.inform(kDrawFailedMessage);
  end_showing();
}

void TForm_yh2::end_showing() {
  m_showing = false;
  m_timer->stop();
  if (m_target_missed) m_dialogs.inform(kTargetMissedMessage);
  for (const std::string& line : m_game->ranking())
    m_ranking->addItem(QString::fromStdString(line));
}

}  // namespace vmx::optimise
