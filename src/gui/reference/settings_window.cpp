#include "gui/reference/settings_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "core/reference/reference_ops.h"
#include "gui/reference/margin_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::store::reference {

namespace {

using Col = ui::TableModel::Column;

QLabel* note(const QString& text, bool wrap = false) {
  auto* l = new QLabel(text);
  l->setWordWrap(wrap);
  return l;
}

const char* const kEditNote =
    "注意：修改记录: 修改后移光标到其他记录，修改的方可被保存；添加记录: "
    "-将光标移到最下边编辑；删除记录: 用CTRL+Delete";
const char* const kSharedNote = "<-多管理帐户公用文件";

}  // namespace

TForm_set::TForm_set(app::Workspace& workspace, Callback run_valuation, Callback refresh_main,
                     QWidget* parent)
    : QDialog(parent),
      m_ws(workspace),
      m_run_valuation(std::move(run_valuation)),
      m_refresh_main(std::move(refresh_main)) {
  setObjectName("TForm_set");
  setWindowTitle("设置证券类型和代码等窗口");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::WindowMinMaxButtonsHint);
  resize(860, 560);

  m_ops = std::make_unique<ReferenceOps>(m_ws.session(), m_ws.lookups(), m_ws.ledger().cursor(),
                                         m_ws.dialogs(), m_ws.clock());

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note(kEditNote, true));
  m_pages = new QTabWidget;
  layout->addWidget(m_pages, 1);
  build_types_page();
  build_codes_page();
  build_brokers_page();
  build_ranges_page();
  build_currencies_page();
  show_settlement();
  // Enter in a grid must not press a button that rewrites the holdings.
  for (QPushButton* b : findChildren<QPushButton*>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  // Centred on the screen, as the window was designed.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TForm_set::~TForm_set() = default;

ui::DbGrid* TForm_set::grid(int page) const {
  return page >= 0 && page < 5 ? m_grids[page] : nullptr;
}

void TForm_set::show_page(int index) {
  if (index >= 0 && index < m_pages->count()) m_pages->setCurrentIndex(index);
}

int TForm_set::current_page() const { return m_pages->currentIndex(); }

void TForm_set::show_brokers_page() {
  show_page(Brokers);
  show();
  raise();
  activateWindow();
}

void TForm_set::run(const std::function<void()>& operation) {
  // Unsaved grid edits first, so the operation sees what the user typed.
  for (ui::DbGrid* g : m_grids)
    if (g && !g->post()) return;
  if (m_zh_bi_grid && !m_zh_bi_grid->post()) return;
  ui::run_busy(m_ws.dialogs(), operation);
}

namespace {

// One page: the grid on the left, the buttons in a column on the right and,
// for the shared tables, the note that every account sees the same file.
struct PageParts {
  QWidget* page;
  QVBoxLayout* buttons;
};

PageParts make_page(QTabWidget* tabs, const QString& title, QWidget* grid, bool shared) {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  row->addWidget(grid, 1);
  auto* side = new QVBoxLayout;
  if (shared) side->addWidget(note(kSharedNote));
  row->addLayout(side);
  tabs->addTab(page, title);
  return {page, side};
}

}  // namespace

void TForm_set::build_types_page() {
  auto* grid = new ui::DbGrid(m_ws.lookups().types(), m_ws.dialogs());
  grid->set_columns({{"Lx", "类型码"},
                     {"Lxm", "类型名"},
                     {"Zk_rate", "折扣率"},
                     {"Sxf_rate", "手续费"},
                     {"Yhs_rate", "印花税"},
                     {"Bzj_rate", "保证金比率"},
                     {"Oversell", "可卖空"}});
  m_grids[Types] = grid;
  auto parts = make_page(m_pages, "类型名表", grid, true);
  auto add = [&](const char* caption, std::function<void()> action) {
    auto* b = new QPushButton(caption);
    connect(b, &QPushButton::clicked, this, std::move(action));
    parts.buttons->addWidget(b);
  };
  add("补充和更新", [this] { run([this] { m_ops->update_holdings_types(); }); });
  add("从持仓文件追加", [this] { run([this] { m_ops->append_types(); }); });
  // On the type row that is current in the grid, with the grid's edit posted.
  add("计算保证金比率", [this] {
    if (m_grids[Types]->post()) ledger::TForm_bzj::launch(m_ws, m_ws.lookups().types(), this);
  });
  add("帮助", [this] { m_ws.help().open_keyword("setform"); });
  add("关闭", [this] { close(); });
  parts.buttons->addStretch(1);
}

void TForm_set::build_codes_page() {
  auto* grid = new ui::DbGrid(m_ws.lookups().code_list(), m_ws.dialogs());
  grid->set_columns({{"CODE", "代码"}, {"NAME", "名称"}, {"PRICE2", "最近价"}});
  m_grids[Codes] = grid;
  auto parts = make_page(m_pages, "代码价格表", grid, true);
  auto add = [&](const char* caption, std::function<void()> action) {
    auto* b = new QPushButton(caption);
    connect(b, &QPushButton::clicked, this, std::move(action));
    parts.buttons->addWidget(b);
  };
  add("改持仓文件价格", [this] { run([this] { m_ops->update_holdings_prices(); }); });
  add("从持仓文件追加", [this] { run([this] { m_ops->append_codes(); }); });
  add("从持仓文件再生", [this] { run([this] { m_ops->rebuild_codes(); }); });
  add("据总表更新价格", [this] { run([this] { m_ops->update_codes_from_securities(); }); });
  add("帮助", [this] { m_ws.help().open_keyword("set_stock"); });
  add("关闭", [this] { close(); });
  parts.buttons->addStretch(1);
}

void TForm_set::build_brokers_page() {
  auto* grid = new ui::DbGrid(m_ws.lookups().brokers(), m_ws.dialogs());
  grid->set_columns({{"Qsdm", "券商代码"}, {"Qs", "券商"}});
  m_grids[Brokers] = grid;
  auto parts = make_page(m_pages, "券商代码表", grid, true);
  auto add = [&](const char* caption, std::function<void()> action) {
    auto* b = new QPushButton(caption);
    connect(b, &QPushButton::clicked, this, std::move(action));
    parts.buttons->addWidget(b);
  };
  add("从持仓文件追加", [this] { run([this] { m_ops->append_brokers(); }); });
  add("补充券商名", [this] { run([this] { m_ops->update_holdings_brokers(); }); });
  add("从持仓文件再生", [this] { run([this] { m_ops->rebuild_brokers(); }); });
  add("帮助", [this] { m_ws.help().open_keyword("set_qs"); });
  add("关闭", [this] { close(); });
  parts.buttons->addStretch(1);
}

void TForm_set::build_ranges_page() {
  auto* grid = new ui::DbGrid(m_ws.lookups().code_ranges(), m_ws.dialogs());
  grid->set_columns({{"Order", "匹配序号"},
                     {"Code1", "起始代码"},
                     {"Code2", "终止代码"},
                     {"Lx", "类型代码"},
                     {"Lxm", "类型名"}});
  m_grids[Ranges] = grid;
  auto parts = make_page(m_pages, "代码->类型表", grid, true);
  auto add = [&](const char* caption, std::function<void()> action) {
    auto* b = new QPushButton(caption);
    connect(b, &QPushButton::clicked, this, std::move(action));
    parts.buttons->addWidget(b);
  };
  add("从持仓追加类型", [this] { run([this] { m_ops->append_range_types(); }); });
  add("补持仓纪录类型", [this] { run([this] { m_ops->update_holdings_types_from_ranges(); }); });
  add("帮助", [this] { m_ws.help().open_keyword("set_code_lx"); });
  add("关闭", [this] { close(); });
  parts.buttons->addStretch(1);
}

void TForm_set::build_currencies_page() {
  auto* bi = new ui::DbGrid(m_ws.lookups().currencies(), m_ws.dialogs());
  bi->set_columns(
      {{"Code", "代码"}, {"Name", "货币名"}, {"Rate", "相对比例"}, {"Now", "结算货币"}});
  m_grids[Currencies] = bi;
  m_zh_bi_grid = new ui::DbGrid(m_ws.lookups().account_currencies(), m_ws.dialogs());
  m_zh_bi_grid->set_columns({{"Qsdm", "券商代码"}, {"Zjzh", "资金帐号"}, {"Bicode", "货币代码"}});

  auto* page = new QWidget;
  auto* outer = new QVBoxLayout(page);
  m_settlement = new QLabel;
  outer->addWidget(m_settlement);
  auto* grids = new QHBoxLayout;
  auto* bi_box = new QGroupBox("货币定义");
  (new QVBoxLayout(bi_box))->addWidget(bi);
  auto* shared = new QVBoxLayout;
  shared->addStretch(1);
  shared->addWidget(note(kSharedNote));
  shared->addStretch(1);
  auto* zh_box = new QGroupBox("帐户－货币定义");
  (new QVBoxLayout(zh_box))->addWidget(m_zh_bi_grid);
  grids->addWidget(bi_box, 1);
  grids->addLayout(shared);
  grids->addWidget(zh_box, 1);
  outer->addLayout(grids, 1);
  outer->addWidget(note("货币没有定义的资金帐户一律假设使用结算货币"));

  auto* bottom = new QHBoxLayout;
  auto* buttons = new QVBoxLayout;
  auto add = [&](const char* caption, std::function<void()> action) {
    auto* b = new QPushButton(caption);
    connect(b, &QPushButton::clicked, this, std::move(action));
    buttons->addWidget(b);
    return b;
  };
  add("更改结算货币为光标所指", [this] {
    run([this] {
      if (m_ops->make_settlement_currency()) show_settlement();
    });
  });
  auto* change_note = note(
      "修改表格内容后必须作此操作,使结算货币相对比例为1。 "
      "结算货币改变后，各证券价格，市值，盈亏等仍按原货币显示，唯帐户总值按结算币种显示。"
      "更改结算货币会导致基金价格走势出现不应有的缺口，可以在资金进出窗口通过校正操作弥补缺口。",
      true);
  add("从持仓文件追加帐户", [this] { run([this] { m_ops->append_accounts(); }); });
  add("更新持仓文件货币比率", [this] { run([this] { m_ops->update_holdings_rates(); }); });
  add("从持仓文件再生", [this] { run([this] { m_ops->rebuild_accounts(); }); });
  auto* last = new QHBoxLayout;
  buttons->addLayout(last);
  auto* help = new QPushButton("帮助");
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("bi"); });
  auto* close_button = new QPushButton("关闭");
  connect(close_button, &QPushButton::clicked, this, [this] { close(); });
  last->addWidget(help);
  last->addWidget(close_button);
  bottom->addLayout(buttons);
  bottom->addWidget(change_note, 1);
  outer->addLayout(bottom);
  m_pages->addTab(page, "货币定义");
}

void TForm_set::show_settlement() {
  Lookups& l = m_ws.lookups();
  const std::string code = l.settlement_code();
  const std::string name = l.settlement_name();
  m_settlement->setText(QString::fromStdString("当前结算货币为:" + code + " " + name));
}

void TForm_set::on_closing() {
  if (m_closing) return;
  m_closing = true;
  for (ui::DbGrid* g : m_grids)
    if (g) g->post();
  if (m_zh_bi_grid) m_zh_bi_grid->post();
  if (m_ws.ledger().valuation_pending()) {
    platform::run_guarded(m_ws.dialogs(), [this] {
      if (m_run_valuation) m_run_valuation();
      if (m_refresh_main) m_refresh_main();
    });
  }
  m_closing = false;
}

void TForm_set::done(int result) {
  on_closing();
  QDialog::done(result);
}

}  // namespace vmx::store::reference
