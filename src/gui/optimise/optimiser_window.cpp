#include "gui/optimise/optimiser_window.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <filesystem>

#include "core/login/workspace.h"
#include "core/optimise/game.h"
#include "core/optimise/optimiser.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"
#include "gui/optimise/game_window.h"
#include "gui/optimise/grouping_window.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::optimise {

namespace fs = std::filesystem;

namespace {

// The model files' filter ("prd|*.prd") in the file dialogs' own notation.
const char* const kFileFilter = "prd (*.prd)";

const char* const kDefaultGroupNames[kGroups] = {"证券0(现金)", "证券1", "证券2", "证券3"};

QSpinBox* spin(const QString& name, int low, int high) {
  auto* s = new QSpinBox;
  s->setObjectName(name);
  s->setRange(low, high);
  s->setMinimumWidth(70);
  return s;
}

template <size_t N>
QComboBox* combo(const QString& name, const std::array<const char*, N>& items) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  for (const char* item : items) c->addItem(QString::fromUtf8(item));
  return c;
}

QLineEdit* result_box(const QString& name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  e->setReadOnly(true);
  e->setAlignment(Qt::AlignRight);
  e->setMinimumWidth(70);
  return e;
}

QLabel* fixed(const QString& text) {
  auto* l = new QLabel(text);
  l->setAlignment(Qt::AlignCenter);
  return l;
}

void select_text(QComboBox* c, const std::string& text) {
  const int i = c->findText(QString::fromStdString(text));
  if (i >= 0) c->setCurrentIndex(i);
}

std::string text_of(const QComboBox* c) { return c->currentText().toStdString(); }

// What the clock says, to the millisecond, as the generator's seed: two
// windows opened in the same second still draw different games.
uint64_t clock_seed(const platform::Clock& clock) {
  const platform::DateTime t = clock.now();
  return ((static_cast<uint64_t>(t.date.serial()) * 24 + t.hour) * 60 + t.minute) * 60000 +
         static_cast<uint64_t>(t.second) * 1000 + static_cast<uint64_t>(t.millisecond);
}

}  // namespace

TForm_yh1::TForm_yh1(app::Workspace& workspace, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ws(workspace), m_state(program_state()) {
  setObjectName("TForm_yh1");
  setWindowTitle("投资组合优化和模拟");
  setAttribute(Qt::WA_DeleteOnClose);

  // FormCreate, in its order.
  m_devide = new TForm_devide(
      m_ws, [this] { putlx(); }, this);
  program_random().seed(clock_seed(m_ws.clock()));
  build();
  platform::run_guarded(m_ws.dialogs(), [this] {
    read_correlations(m_state);
    read_controls(m_state);
  });
  const fs::path default_file = m_ws.login().curr_dir / kDefaultPrd;
  if (fs::exists(default_file)) loadcs(QString::fromStdString(default_file.string()));
  read_rows(m_state);
  show_rows();
  ComboBox4Change();
  show_outcomes();
  putlx();
  if (parent) parent->installEventFilter(this);
}

bool TForm_yh1::eventFilter(QObject* watched, QEvent* event) {
  // A minimised parent hides spontaneously; only a closed one takes us along.
  if (watched == parentWidget() && event->type() == QEvent::Hide && !event->spontaneous()) close();
  return QWidget::eventFilter(watched, event);
}

TForm_yh1::~TForm_yh1() = default;

void TForm_yh1::build() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(build_parameters());
  left->addWidget(build_players());
  left->addWidget(build_results());
  top->addLayout(left, 1);
  top->addWidget(build_side());
  layout->addLayout(top, 1);
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  show_parameters();
  show_results();
}

QWidget* TForm_yh1::build_parameters() {
  auto* box = new QGroupBox("各组证券的价格预测和交易条件");
  auto* grid = new QGridLayout(box);
  for (int g = 0; g < kGroups; ++g) {
    m_group_labels[g] = fixed(kDefaultGroupNames[g]);
    grid->addWidget(m_group_labels[g], 0, g + 1);
  }
  auto row_title = [&](int row, const char* text) { grid->addWidget(new QLabel(text), row, 0); };
  auto note_button = [&](int row, const QString& name, const char* text) {
    auto* b = new QPushButton("说明");
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, text] { m_ws.dialogs().inform(text); });
    grid->addWidget(b, row, kGroups + 1);
  };

  row_title(1, "假定初始价(%)");
  grid->addWidget(fixed("100"), 1, 1);
  row_title(2, "预测期望价(%)");
  row_title(3, "上下偏差(%)");
  grid->addWidget(fixed("0"), 3, 1);
  row_title(4, "低/中/高价(%)");
  row_title(5, "概率");
  row_title(6, "交易成本%");
  grid->addWidget(fixed("0"), 6, 1);
  row_title(7, "保证金比例%");
  grid->addWidget(fixed("100"), 7, 1);
  note_button(3, "Button9", kPricesNote);
  note_button(6, "Button8", kCostNote);
  note_button(7, "Button10", kMarginNote);

  for (int g = 0; g < kGroups; ++g) {
    const QString n = QString::number(g);
    m_e[g] = spin("SpinEdit_e" + n, 0, 100000);
    grid->addWidget(m_e[g], 2, g + 1);
    connect(m_e[g], &QSpinBox::valueChanged, this, [this, g](int v) {
      if (m_filling) return;
      change_expected(m_state, g, v);
      show_outcomes();
    });
    m_outcomes[g] = fixed("");
    m_outcomes[g]->setObjectName("Label_price" + n);
    grid->addWidget(m_outcomes[g], 4, g + 1);
    m_probabilities[g] = fixed(g == 0 ? kCashProbabilities : kRiskyProbabilities);
    grid->addWidget(m_probabilities[g], 5, g + 1);
    if (g == 0) continue;

    m_ini[g] = spin("SpinEdit_ini" + n, 0, 100000);
    grid->addWidget(m_ini[g], 1, g + 1);
    connect(m_ini[g], &QSpinBox::valueChanged, this, [this, g](int v) {
      if (m_filling) return;
      change_initial(m_state, g, v);
      show_outcomes();
    });
    m_d[g] = spin("SpinEdit_d" + n, 0, 100000);
    grid->addWidget(m_d[g], 3, g + 1);
    connect(m_d[g], &QSpinBox::valueChanged, this, [this, g](int v) {
      if (m_filling) return;
      if (!change_deviation(m_state, g, v, m_ws.dialogs())) {
        m_filling = true;
        m_d[g]->setValue(m_state.controls.deviation[g]);
        m_filling = false;
      }
      show_outcomes();
    });
    m_cost[g] = combo("ComboBox_jc" + n, kCostChoices);
    grid->addWidget(m_cost[g], 6, g + 1);
    connect(m_cost[g], &QComboBox::currentTextChanged, this, [this, g](const QString& t) {
      if (!m_filling) m_state.controls.cost[g] = t.toStdString();
    });
    m_margin[g] = combo("ComboBox_bzj" + n, kMarginChoices);
    grid->addWidget(m_margin[g], 7, g + 1);
    connect(m_margin[g], &QComboBox::currentTextChanged, this, [this, g](const QString& t) {
      if (!m_filling) m_state.controls.margin[g] = t.toStdString();
    });
  }
  auto* groups_note = new QPushButton("说明");
  groups_note->setObjectName("Button7");
  connect(groups_note, &QPushButton::clicked, this, [this] { m_ws.dialogs().inform(kGroupsNote); });
  grid->addWidget(groups_note, 0, kGroups + 1);
  return box;
}

QWidget* TForm_yh1::build_players() {
  auto* box = new QGroupBox("各玩家下注比例(*/1000)");
  auto* grid = new QGridLayout(box);
  const char* titles[kPlayers] = {"玩家1(当前投资比例)", "玩家2", "玩家3"};
  for (int r = 0; r < kPlayers; ++r) {
    auto* title = new QLabel(titles[r]);
    m_row_titles[r] = title;
    grid->addWidget(title, r, 0);
    for (int g = 0; g < kGroups; ++g) {
      // Row 1 holds money amounts until it is normalised.
      auto* s = spin(QStringLiteral("SpinEdit%1").arg(r * kGroups + g + 1), -999999999, 999999999);
      m_rows[r][g] = s;
      grid->addWidget(s, r, g + 1);
      connect(s, &QSpinBox::valueChanged, this, [this, r, g](int v) {
        if (!m_filling) m_state.rows[r][g] = v;
      });
    }
    auto* b = new QPushButton("归一化");
    b->setObjectName(QStringLiteral("Button%1").arg(r + 1));
    b->setToolTip(kNormaliseHint);
    connect(b, &QPushButton::clicked, this, [this, r] { Button_normalise(r); });
    m_normalise[r] = b;
    grid->addWidget(b, r, kGroups + 1);
  }
  auto* note = new QPushButton("说明");
  note->setObjectName("Button6");
  connect(note, &QPushButton::clicked, this, [this] { m_ws.dialogs().inform(kPlayersNote); });
  grid->addWidget(note, kPlayers, kGroups + 1);
  m_players = combo("ComboBox4", kPlayerChoices);
  grid->addWidget(m_players, kPlayers, 1, 1, 2);
  connect(m_players, &QComboBox::currentIndexChanged, this, [this] {
    if (!m_filling) ComboBox4Change();
  });
  return box;
}

QWidget* TForm_yh1::build_results() {
  auto* box = new QGroupBox("电脑优化结果");
  auto* grid = new QGridLayout(box);
  const char* titles[3] = {"电脑优化比例", "建议增减比例", "建议增减金额"};
  for (int i = 0; i < 3; ++i) grid->addWidget(new QLabel(titles[i]), i, 0);
  for (int g = 0; g < kGroups; ++g) {
    const QString n = QString::number(g);
    m_y[g] = result_box((g == 0 ? "edit_y" : "Edit_y") + n);
    m_z[g] = result_box("Edit_z" + n);
    m_j[g] = result_box("Edit_j" + n);
    grid->addWidget(m_y[g], 0, g + 1);
    grid->addWidget(m_z[g], 1, g + 1);
    grid->addWidget(m_j[g], 2, g + 1);
  }
  return box;
}

QWidget* TForm_yh1::build_side() {
  auto* side = new QWidget;
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);

  // The three correlations stand at the corners of a triangle of the groups.
  auto* box = new QGroupBox("相关系数");
  auto* grid = new QGridLayout(box);
  m_b12 = combo("ComboBox_b12", kCorrelationChoices);
  m_b23 = combo("ComboBox_b23", kCorrelationChoices);
  m_b13 = new QComboBox;
  m_b13->setObjectName("ComboBox_b13");
  grid->addWidget(new QLabel("证券1-证券2"), 0, 0);
  grid->addWidget(m_b12, 0, 1);
  grid->addWidget(new QLabel("证券2-证券3"), 1, 0);
  grid->addWidget(m_b23, 1, 1);
  grid->addWidget(new QLabel("证券1-证券3"), 2, 0);
  grid->addWidget(m_b13, 2, 1);
  auto* note = new QPushButton("说明");
  note->setObjectName("Button5");
  connect(note, &QPushButton::clicked, this, [this] { m_ws.dialogs().inform(kCorrelationNote); });
  grid->addWidget(note, 3, 1);
  auto on_pair = [this](QComboBox* box, std::string Parameters::*field) {
    connect(box, &QComboBox::currentTextChanged, this, [this, field](const QString& t) {
      if (m_filling) return;
      m_state.controls.*field = t.toStdString();
      refill_b13();
    });
  };
  on_pair(m_b12, &Parameters::b12);
  on_pair(m_b23, &Parameters::b23);
  connect(m_b13, &QComboBox::currentTextChanged, this, [this](const QString& t) {
    if (!m_filling && !t.isEmpty()) m_state.controls.b13 = t.toStdString();
  });
  column->addWidget(box);

  auto* buttons = new QGridLayout;
  auto add = [&](const char* caption, const QString& name, int row, int col, auto handler) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setMinimumHeight(32);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b, row, col);
    return b;
  };
  add("电脑优化", "BitBtn4", 0, 0, [this] { BitBtn4Click(); });
  add("投资模拟", "BitBtn1", 0, 1, [this] { BitBtn1Click(); });
  add("分组操作", "BitBtn5", 1, 0, [this] { BitBtn5Click(); });
  add("参数存盘", "BitBtn8", 2, 0, [this] { BitBtn8Click(); });
  add("取出参数", "BitBtn6", 2, 1, [this] { BitBtn6Click(); });
  add("帮助", "BitBtn7", 3, 0, [this] { m_ws.help().open_keyword("yhmn"); });
  add("退出", "BitBtn2", 3, 1, [this] { close(); });
  column->addLayout(buttons);

  auto* hint = new QGroupBox("提示");
  auto* hint_text = new QLabel(kOptimiserHint);
  hint_text->setWordWrap(true);
  (new QVBoxLayout(hint))->addWidget(hint_text);
  column->addWidget(hint);
  column->addStretch(1);
  side->setMaximumWidth(300);
  return side;
}

void TForm_yh1::show_parameters() {
  m_filling = true;
  const Parameters& p = m_state.controls;
  for (int g = 0; g < kGroups; ++g) {
    m_e[g]->setValue(p.expected[g]);
    if (g == 0) continue;
    m_ini[g]->setValue(p.initial[g]);
    m_d[g]->setValue(p.deviation[g]);
    select_text(m_cost[g], p.cost[g]);
    select_text(m_margin[g], p.margin[g]);
  }
  select_text(m_b12, p.b12);
  select_text(m_b23, p.b23);
  // b13 offers what b12 and b23 admit; the value held is selected when it is
  // one of them (a model file's b13 was checked against its own b12 and b23).
  m_b13->clear();
  for (int t : b13_range(correlation_tenths(p.b12), correlation_tenths(p.b23)))
    m_b13->addItem(QString::fromStdString(correlation_text(t)));
  if (m_b13->findText(QString::fromStdString(p.b13)) < 0 && m_b13->count() > 0)
    m_state.controls.b13 = text_of(m_b13);
  select_text(m_b13, p.b13);
  m_players->setCurrentIndex(std::clamp(m_state.player_count, 1, kPlayers) - 1);
  m_filling = false;
  show_outcomes();
}

void TForm_yh1::show_rows() {
  m_filling = true;
  for (int r = 0; r < kPlayers; ++r)
    for (int g = 0; g < kGroups; ++g) m_rows[r][g]->setValue(m_state.rows[r][g]);
  m_filling = false;
}

void TForm_yh1::show_results() {
  const auto y = optimal_per_mille(m_state);
  for (int g = 0; g < kGroups; ++g) m_y[g]->setText(QString::number(y[g]));
}

void TForm_yh1::show_outcomes() {
  for (int g = 0; g < kGroups; ++g)
    m_outcomes[g]->setText(QString::fromStdString(outcome_label(m_state, g)));
}

void TForm_yh1::refill_b13() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    const auto range = b13_range(correlation_tenths(m_state.controls.b12),
                                 correlation_tenths(m_state.controls.b23));
    m_filling = true;
    m_b13->clear();
    for (int t : range) m_b13->addItem(QString::fromStdString(correlation_text(t)));
    m_b13->setEnabled(true);
    m_filling = false;
    if (!range.empty()) {
      m_b13->setCurrentIndex(0);
      m_state.controls.b13 = correlation_text(range.front());
    }
  });
}

void TForm_yh1::run(const std::function<void()>& operation) {
  ui::run_busy(m_ws.dialogs(), operation);
}

void TForm_yh1::Button_normalise(int row) {
  normalise_row(m_state, row, m_ws.dialogs());
  show_rows();
}

void TForm_yh1::show_optimum() {
  // The search reads b13 as it stands; it stays fixed until b12 or b23 changes.
  m_b13->setEnabled(false);
  show_rows();
  show_results();
  const Suggestions s = suggestions(m_state);
  for (int g = 0; g < kGroups; ++g) {
    m_z[g]->setText(QString::number(s.proportion[g]));
    m_j[g]->setText(QString::number(s.money[g]));
  }
}

void TForm_yh1::BitBtn4Click() {
  run([this] {
    optimise(m_state, m_ws.dialogs());
    show_optimum();
  });
}

void TForm_yh1::BitBtn1Click() {
  bool ready = false;
  run([this, &ready] {
    prepare_simulation(m_state, m_ws.dialogs());
    show_optimum();
    ready = true;
  });
  if (!ready) return;
  auto* game = new TForm_yh2(m_state, program_random(), m_ws.dialogs(), this);
  game->setAttribute(Qt::WA_DeleteOnClose);
  m_game = game;
  game->show();
  game->raise();
  game->activateWindow();
}

void TForm_yh1::BitBtn5Click() {
  m_devide->show();
  m_devide->raise();
  m_devide->activateWindow();
}

void TForm_yh1::BitBtn8Click() {
  const auto picked =
      m_ws.dialogs().pick_save_file("参数存盘", m_ws.login().curr_dir.string(), kFileFilter);
  if (!picked) return;
  fs::path file = *picked;
  if (!file.has_extension()) file.replace_extension(kPrdExtension);
  platform::run_guarded(m_ws.dialogs(), [&] { write_prd(file, m_state.controls); });
}

void TForm_yh1::BitBtn6Click() {
  const auto file =
      m_ws.dialogs().pick_file("取出参数", m_ws.login().curr_dir.string(), kFileFilter);
  if (!file) return;
  loadcs(QString::fromStdString(*file));
}

void TForm_yh1::loadcs(const QString& file) {
  platform::run_guarded(m_ws.dialogs(), [&] {
    load_prd(m_state, file.toStdString());
    show_parameters();
  });
}

void TForm_yh1::ComboBox4Change() {
  m_state.player_count = m_players->currentIndex() + 1;
  for (int r = 1; r < kPlayers; ++r) {
    const bool on = r < m_state.player_count;
    m_row_titles[r]->setVisible(on);
    m_normalise[r]->setVisible(on);
    for (QSpinBox* s : m_rows[r]) s->setVisible(on);
  }
}

void TForm_yh1::putlx() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    const GroupHoldings h = holdings_by_group(m_ws.session());
    take_holdings(m_state, h, m_ws.dialogs());
    show_rows();
    for (int g = 0; g < kGroups; ++g)
      m_group_labels[g]->setText(m_state.labels[g].empty()
                                     ? QString::fromUtf8(kDefaultGroupNames[g])
                                     : QString::fromStdString(m_state.labels[g]));
  });
}

QPushButton* TForm_yh1::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

TForm_yh1* show_optimiser(app::Workspace& workspace, QWidget* parent) {
  auto* window =
      parent ? parent->findChild<TForm_yh1*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
  if (!window) {
    window = new TForm_yh1(workspace, parent);
    new TForm_yh2(window->state(), program_random(), workspace.dialogs(), window);
  }
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace vmx::optimise
