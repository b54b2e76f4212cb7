#include "gui/app/main_window.h"

#include "gui/fund/fund_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "core/fund/report/word_processor.h"
#include "core/install/installation.h"
#include "core/ledger/order_entry.h"
#include "core/ledger/valuation.h"
#include "core/login/external_programs.h"
#include "core/login/managed_accounts.h"
#include "core/platform/error_boundary.h"
#include "core/reference/reference_ops.h"
#include "gui/admin/account_window.h"
#include "gui/admin/copy_window.h"
#include "gui/admin/password_window.h"
#include "gui/app/about_box.h"
#include "gui/app/order_settings_window.h"
#include "gui/ledger/dividend_window.h"
#include "gui/ledger/holdings_window.h"
#include "gui/ledger/statistics_window.h"
#include "gui/ledger/trading_window.h"
#include "gui/market/chart_window.h"
#include "gui/market/price_window.h"
#include "gui/optimise/optimiser_window.h"
#include "gui/reference/settings_window.h"
#include "gui/widgets/query_model.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::app {

namespace {

// The grids' side labels stand upright, one character a line.
QLabel* vertical_label(const QString& text, QWidget* parent) {
  QString stacked;
  for (const QChar ch : text) {
    if (!stacked.isEmpty()) stacked += '\n';
    stacked += ch;
  }
  auto* label = new QLabel(stacked, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QTableView* make_grid(QWidget* parent) {
  auto* grid = new QTableView(parent);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setAlternatingRowColors(false);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // Sizing columns to their contents looks at the first rows only: a ledger of
  // a hundred thousand rows must not be measured row by row.
  grid->horizontalHeader()->setResizeContentsPrecision(60);
  grid->horizontalHeader()->setHighlightSections(false);
  return grid;
}

}  // namespace

TForm7::TForm7(Workspace& workspace, QWidget* parent)
    : QMainWindow(parent), m_ws(workspace), m_views(workspace.session()) {
  setWindowTitle(QStringLiteral("资产管理主窗口，管理帐户名："));
  m_upper_model = std::make_unique<ui::QueryModel>(m_views.upper());
  m_lower_model = std::make_unique<ui::QueryModel>(m_views.lower());
  auto* central = new QWidget(this);
  build_grids(central);
  build_menus();
  setCentralWidget(central);
  resize(1000, 700);
}

// The grids let go of the models before the models and the queries go.
TForm7::~TForm7() {
  m_upper_grid->setModel(nullptr);
  m_lower_grid->setModel(nullptr);
  m_upper_model.reset();
  m_lower_model.reset();
}

void TForm7::build_grids(QWidget* central) {
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(6, 6, 6, 6);

  auto* top = new QHBoxLayout;
  top->addWidget(vertical_label(QStringLiteral("目录"), central));
  m_upper_grid = make_grid(central);
  m_upper_grid->setObjectName(QStringLiteral("DBGrid1"));
  m_upper_grid->setModel(m_upper_model.get());
  ui::follow_current_row(*m_upper_grid, *m_upper_model);
  top->addWidget(m_upper_grid, 1);
  top->addWidget(build_controls());
  layout->addLayout(top, 2);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(vertical_label(QStringLiteral("明细"), central));
  m_lower_grid = make_grid(central);
  m_lower_grid->setObjectName(QStringLiteral("DBGrid2"));
  m_lower_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_lower_grid->setModel(m_lower_model.get());
  ui::follow_current_row(*m_lower_grid, *m_lower_model);
  bottom->addWidget(m_lower_grid, 1);
  layout->addLayout(bottom, 3);

  connect(m_upper_model.get(), &QAbstractItemModel::modelReset, this,
          [this] { fit_columns(m_upper_grid); });
  connect(m_lower_model.get(), &QAbstractItemModel::modelReset, this,
          [this] { fit_columns(m_lower_grid); });
}

QWidget* TForm7::build_controls() {
  auto* panel = new QWidget(this);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(6, 0, 0, 0);

  auto* tools = new QHBoxLayout;
  auto tool = [&](QStyle::StandardPixmap icon, const QString& hint, auto handler) {
    auto* b = new QToolButton(panel);
    b->setIcon(style()->standardIcon(icon));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, handler);
    tools->addWidget(b);
  };
  tool(QStyle::SP_BrowserReload, QStringLiteral("更新价格，和F8相同"), [this] { update_prices(); });
  tool(QStyle::SP_FileDialogDetailedView, QStringLiteral("设置证券类型和代码等，和F5相同"),
       [this] { show_settings(); });
  tool(QStyle::SP_DriveFDIcon, QStringLiteral("拷贝文件，和Ctrl+C相同"),
       [this] { open_copy_window(); });
  tool(QStyle::SP_ArrowRight, QStringLiteral("管理帐户中各资金帐户之间转帐, 及投资人资金出入帐"),
       [this] {
         if (m_fund) m_fund->show_transfer();
       });
  tool(QStyle::SP_DirOpenIcon, QStringLiteral("一步进入基金管理窗口"), [this] {
    show_fund_window();
    if (m_fund) m_fund->show_management();
  });
  tool(QStyle::SP_MessageBoxQuestion, QStringLiteral("按钮说明"),
       [this] { m_ws.dialogs().inform(kButtonNotes); });
  tools->addStretch();
  layout->addLayout(tools);

  auto* big = new QGridLayout;
  auto button = [&](const QString& caption, int row, int column, auto handler) {
    auto* b = new QPushButton(caption, panel);
    b->setMinimumSize(120, 36);
    connect(b, &QPushButton::clicked, this, handler);
    big->addWidget(b, row, column);
    return b;
  };
  button(QStringLiteral("退出系统"), 0, 0, [this] { Button_exitClick(); });
  button(QStringLiteral("帮助"), 0, 1, [this] { open_help("mainform"); });
  button(QStringLiteral("组合优化模拟"), 2, 0, [this] {
    platform::run_guarded(m_ws.dialogs(), [this] { optimise::show_optimiser(m_ws, this); });
  })->setToolTip(QStringLiteral("根据概率预测优化投资组合，可以做风险投资模拟游戏"));
  button(QStringLiteral("基金计算管理"), 2, 1, [this] {
    show_fund_window();
  })->setToolTip(QStringLiteral("进入资金进出,业绩变化窗口,可进而进入基金管理模块"));
  button(QStringLiteral("委托记录处理"), 1, 0, [this] {
    hand_over_order();
  })->setToolTip(QStringLiteral("手工记录交易记录,并自动结算资金"));
  button(QStringLiteral("更新价格"), 1, 1, [this] {
    open_price_window();
  })->setToolTip(QStringLiteral("可读取行情软件K线数据,要先设置路径"));
  button(QStringLiteral("看组合和盈亏"), 3, 0, [this] {
    show_statistics();
  })->setToolTip(QStringLiteral("看各种投资比例,盈亏统计;便于控制风险,总结教训"));
  button(QStringLiteral("看业绩比较"), 3, 1, [this] {
    show_chart();
  })->setToolTip(QStringLiteral("看基金价格走势,并和深沪指数比较"));
  button(QStringLiteral("持仓编辑"), 4, 0, [this] {
    edit_holdings();
  })->setToolTip(QStringLiteral("手工建立或修改股票和现金余额文件"));
  button(QStringLiteral("软件链接"), 4, 1, [this] { link_order_program(); })
      ->setToolTip(QStringLiteral(
          "有委托系统可用此按钮,但需先用F6进入设置窗口, 设置程序路径和名称。详见帮助系统."));
  layout->addLayout(big);

  const ui::RadioGroup listing = ui::make_radio_group(
      QStringLiteral("显示选择"),
      {QStringLiteral("按股票代码列目录"), QStringLiteral("按券商和资金帐户列目录"),
       QStringLiteral("下面显示委托未确认记录")},
      0, panel);
  listing.box->setToolTip(QStringLiteral("选择目录, 唯作最下选择时, 上下独立"));
  m_listing = listing.buttons;
  connect(m_listing, &QButtonGroup::idClicked, this, [this](int id) { RadioGroup1Click(id); });
  layout->addWidget(listing.box);
  layout->addStretch();
  return panel;
}

void TForm7::build_menus() {
  auto add = [this](QMenu* menu, const QString& text, QKeySequence key, auto handler) {
    QAction* a = menu->addAction(text);
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  QMenu* system = menuBar()->addMenu(QStringLiteral("系统管理"));
  add(system, QStringLiteral("改口令"), QKeySequence(Qt::CTRL | Qt::Key_S),
      [this] { open_password_window(); });
  add(system, QStringLiteral("添加删除管理帐户"), QKeySequence(Qt::CTRL | Qt::Key_A),
      [this] { open_accounts_window(); });
  add(system, QStringLiteral("拷贝文件"), QKeySequence(Qt::CTRL | Qt::Key_C),
      [this] { open_copy_window(); });
  add(system, QStringLiteral("用写字板编辑业绩报告"), QKeySequence(Qt::CTRL | Qt::Key_E),
      [this] { edit_report(); });
  add(system, QStringLiteral("退出系统"), QKeySequence(Qt::CTRL | Qt::Key_Q),
      [this] { N_exitClick(); });
  auto* open_system = new QAction(this);
  open_system->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(open_system, &QAction::triggered, this,
          [this, system] { menuBar()->setActiveAction(system->menuAction()); });
  addAction(open_system);

  QMenu* settings = menuBar()->addMenu(QStringLiteral("设置和更新"));
  add(settings, QStringLiteral("设置证券类型和代码等"), QKeySequence(Qt::Key_F5),
      [this] { show_settings(); });
  add(settings, QStringLiteral("设置链接程序名和路径"), QKeySequence(Qt::Key_F6),
      [this] { show_order_settings(); });
  add(settings, QStringLiteral("设置行情数据路径并更新价格"), QKeySequence(Qt::Key_F7),
      [this] { open_price_window(); });
  add(settings, QStringLiteral("根据下载价格文件更新"), QKeySequence(Qt::Key_F8),
      [this] { update_prices(); });
  QMenu* money = menuBar()->addMenu(QStringLiteral("资金转帐等"));
  add(money, QStringLiteral("资金转帐"), QKeySequence(Qt::Key_F9), [this] {
    if (m_fund) m_fund->show_transfer();
  });
  add(money, QStringLiteral("分红配股处理"), QKeySequence(Qt::Key_F11), [this] {
    ledger::TForm_sp::launch(
        m_ws, [this] { refresh_in_place(); }, this);
  });

  QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
  add(help, QStringLiteral("关于本软件"), {}, [this] { TAboutBox(this).exec(); });
  add(help, QStringLiteral("帮助系统目录"), QKeySequence(Qt::Key_F1),
      [this] { m_ws.help().open_contents(); });
  add(help, QStringLiteral("漫谈风险投资的数学问题"), {}, [this] { open_help("mathproblem"); });
  add(help, QStringLiteral("戏说股市和人生哲学"), {}, [this] { open_help("novel"); });
  add(help, QStringLiteral("用户意见和问题解答"), {}, [this] { open_help("ask"); });
}

void TForm7::show_statistics() {
  if (!m_statistics) return;
  m_statistics->exec();
}

void TForm7::show_chart() {
  if (!m_chart) m_chart = new market::TForm_draw(m_ws, this);
  m_chart->exec();
}

void TForm7::open_help(const char* keyword) { m_ws.help().open_keyword(keyword); }

Tform_wtset* TForm7::order_settings() {
  if (!m_order_settings)
    platform::run_guarded(m_ws.dialogs(),
                          [this] { m_order_settings = new Tform_wtset(m_ws, this); });
  return m_order_settings;
}

void TForm7::show_order_settings() {
  if (Tform_wtset* w = order_settings()) {
    w->show();
    w->raise();
    w->activateWindow();
  }
}

void TForm7::link_order_program() {
  Tform_wtset* w = order_settings();
  if (!w) return;
  platform::run_guarded(m_ws.dialogs(), [&] {
    if (!start_order_program(w->programs(), m_ws.shell(), m_ws.dialogs())) show_order_settings();
  });
}

void TForm7::edit_report() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    fund::report::edit_in_word_processor(m_ws.shell(), m_ws.dialogs(),
                                         m_ws.login().acc_dir / fund::report::kReportTextFile,
                                         std::nullopt);
  });
}

void TForm7::build_sql() {
  m_views.set_listing(static_cast<HoldingsViews::Listing>(m_listing->checkedId()));
  m_views.build_sql();
}

void TForm7::reopen() { m_views.reopen(); }

void TForm7::up_open() {
  build_sql();
  reopen();
  set_upper_titles();
}

void TForm7::refresh_in_place() {
  store::Query& upper = m_views.upper();
  store::Query& lower = m_views.lower();
  const long up_at = upper.active() ? upper.position() : 0;
  const long low_at = lower.active() ? lower.position() : 0;
  up_open();
  if (upper.active() && up_at > 0 && up_at < static_cast<long>(upper.count()))
    upper.go_to_position(up_at);
  if (lower.active() && low_at > 0 && low_at < static_cast<long>(lower.count()))
    lower.go_to_position(low_at);
}

void TForm7::set_upper_titles() {
  const HoldingsViews::Listing listing = m_views.listing();
  if (listing == HoldingsViews::Listing::PendingOrders) {
    m_upper_model->set_title(0, m_caption1);
    m_upper_model->set_title(1, m_caption2);
    return;
  }
  const auto titles = HoldingsViews::upper_titles(listing);
  m_upper_model->set_title(0, QString::fromStdString(titles[0]));
  m_upper_model->set_title(1, QString::fromStdString(titles[1]));
  fit_columns(m_upper_grid);
}

void TForm7::RadioGroup1Click(int index) {
  if (m_listing->checkedId() != index) m_listing->button(index)->setChecked(true);
  m_caption1 = m_upper_model->headerData(0, Qt::Horizontal).toString();
  m_caption2 = m_upper_model->headerData(1, Qt::Horizontal).toString();
  platform::run_guarded(m_ws.dialogs(), [this] { up_open(); });
}

void TForm7::FormShow() {
  setWindowTitle(QStringLiteral("资产管理主窗口，管理帐户名：") +
                 QString::fromStdString(m_ws.login().acc_name));
  platform::run_guarded(m_ws.dialogs(), [this] { up_open(); });
}

void TForm7::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous() || m_shown) return;
  m_shown = true;
  FormShow();
}

void TForm7::end_login() {
  m_ending = true;
  if (m_settings) m_settings->hide();
  m_ws.log_out();
}

void TForm7::Button_exitClick() {
  end_login();
  close();
  emit logged_out();
}

void TForm7::N_exitClick() {
  end_login();
  close();
  emit quit_requested();
}

// Closed by its frame: the same as the button "退出系统". Otherwise the account
// would stay locked behind a window nobody can show again.
void TForm7::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (m_ending) return;
  end_login();
  emit logged_out();
}

void TForm7::open_password_window() {
  auto* w = new admin::TForm_pass(m_ws.session(), m_ws.dialogs(), m_ws.login().acc_name, this);
  w->setAttribute(Qt::WA_DeleteOnClose);
  connect(w, &admin::TForm_pass::password_changed, this, [this] { Button_exitClick(); });
  w->show();
}

// The account and copy windows end the program when they close, also when
// this window is gone by then: they ask the application, not this window.
void TForm7::open_accounts_window() {
  if (m_ws.login().acc_name != store::kMyAccountName) {
    m_ws.dialogs().inform(kOnlyMyAccount);
    return;
  }
  auto* w = new admin::TForm_acc(m_ws.session(), m_ws.dialogs());
  w->setAttribute(Qt::WA_DeleteOnClose);
  connect(w, &admin::TForm_acc::login_ending, this, [this] {
    if (m_ending) return;
    end_login();
    close();
  });
  connect(w, &admin::TForm_acc::program_end_requested, qApp, &QApplication::closeAllWindows,
          Qt::QueuedConnection);
  w->show();
}

void TForm7::open_copy_window() {
  const LoginState login = m_ws.login();
  // The account's tables are closed and its lock let go before any file is
  // copied.
  end_login();
  close();
  auto* w = new admin::TForm_copy(m_ws.session(), m_ws.dialogs(), m_ws.help(), login);
  w->setAttribute(Qt::WA_DeleteOnClose);
  // Nobody logs in again behind it: the program ends when it closes.
  w->setWindowModality(Qt::ApplicationModal);
  connect(w, &admin::TForm_copy::program_end_requested, qApp, &QApplication::closeAllWindows,
          Qt::QueuedConnection);
  w->show();
}

void TForm7::show_settings() {
  if (!m_settings) return;
  m_settings->show();
  m_settings->raise();
  m_settings->activateWindow();
}

void TForm7::edit_holdings() {
  if (!m_holdings) return;
  const bool ready = platform::run_guarded(m_ws.dialogs(), [this] {
    ledger::Ledger& ledger = m_ws.ledger();
    ledger.reopen();
    store::Query& detail = m_views.lower();
    if (!detail.active() || detail.empty()) return;
    ledger.cursor().locate("qsdm;zjzh;gddm;code;amt",
                           {detail.value("券商代码"), detail.value("资金帐号"),
                            detail.value("股东代码"), detail.value("代码"), detail.value("数量")});
  });
  if (!ready) return;
  if (!m_holdings->isVisible()) {
    // Without a window manager a maximised window keeps its size.
    if (QScreen* screen = this->screen()) m_holdings->setGeometry(screen->availableGeometry());
  }
  m_holdings->showMaximized();
  m_holdings->raise();
  m_holdings->activateWindow();
}

void TForm7::hand_over_order() {
  if (!m_trading) return;
  std::optional<ledger::OrderListRow> row;
  const bool ready =
      platform::run_guarded(m_ws.dialogs(), [&] { row = ledger::order_list_row(m_views.lower()); });
  if (!ready) return;
  if (!row) {
    m_ws.dialogs().inform("明细表是空的，没有成交待确认记录；下面将按股票代码显示。");
    RadioGroup1Click(0);
    return;
  }
  m_trading->take_order_row(*row);
  m_trading->move(120, 30);
  m_trading->show();
  m_trading->raise();
  m_trading->activateWindow();
}

void TForm7::show_order(const std::string& code, const std::string& qsdm, const std::string& zjzh,
                        const std::string& wth) {
  up_open();
  store::Query& upper = m_views.upper();
  const HoldingsViews::Listing listing = m_views.listing();
  if (upper.active() && listing != HoldingsViews::Listing::PendingOrders) {
    const bool by_code = listing == HoldingsViews::Listing::ByCode;
    if ((!by_code || !code.empty()) && upper.column_index(by_code ? "CODE" : "qsdm") >= 0) {
      const int c1 = upper.column_index(by_code ? "CODE" : "qsdm");
      const int c2 = upper.column_index("zjzh");
      for (size_t r = 0; r < upper.count(); ++r) {
        const bool hit = by_code ? upper.value_at(r, c1).as_string() == code
                                 : upper.value_at(r, c1).as_string() == qsdm &&
                                       upper.value_at(r, c2).as_string() == zjzh;
        if (hit) {
          upper.go_to_position(static_cast<long>(r));
          break;
        }
      }
    }
  }
  store::Query& detail = m_views.lower();
  if (!detail.active()) return;
  const int cw = detail.column_index("委托号");
  const int cc = detail.column_index("代码");
  if (cw < 0 || cc < 0) return;
  for (size_t r = 0; r < detail.count(); ++r) {
    if (detail.value_at(r, cw).as_string() == wth && detail.value_at(r, cc).as_string() == code) {
      detail.go_to_position(static_cast<long>(r));
      return;
    }
  }
}

void TForm7::open_price_window() {
  market::show_price_window(
      m_ws, [this] { reopen(); }, this);
}

void TForm7::update_prices() {
  ui::run_busy(m_ws.dialogs(), [this] {
    if (m_fund) m_fund->recompute();
    store::reference::ReferenceOps ops(m_ws.session(), m_ws.lookups(), m_ws.ledger().cursor(),
                                       m_ws.dialogs(), m_ws.clock());
    ops.update_codes_from_securities();
    ops.update_holdings_prices();
    reopen();
  });
}

void TForm7::show_fund_window() {
  if (!m_fund) return;
  m_fund->showMaximized();
  m_fund->raise();
}

void TForm7::fit_columns(QTableView* grid) {
  grid->resizeColumnsToContents();
  QHeaderView* header = grid->horizontalHeader();
  for (int c = 0; c < header->count(); ++c)
    header->resizeSection(c, std::min(header->sectionSize(c) + 10, 260));
}

QAction* TForm7::action(const QString& text) const {
  for (QAction* a : findChildren<QAction*>())
    if (a->text() == text) return a;
  return nullptr;
}

QPushButton* TForm7::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

QToolButton* TForm7::tool_button(const QString& hint) const {
  for (QToolButton* b : findChildren<QToolButton*>())
    if (b->toolTip() == hint) return b;
  return nullptr;
}

void run_valuation(Workspace& workspace) {
  ledger::Valuation valuation(workspace.ledger(), workspace.lookups(), workspace.dialogs(),
                              workspace.clock());
  valuation.up_calc();
}

}  // namespace vmx::app
