#include "gui/ledger/holdings_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/ledger/new_account_window.h"
#include "gui/ledger/report_dialog.h"
#include "gui/reference/settings_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::ledger {

namespace {

constexpr int kDate = Qt::AlignRight | Qt::AlignVCenter;

// The grid's columns in their order; numbers and dates stand at the right edge.
std::vector<ui::TableModel::Column> columns() {
  return {{"WTH", "委托号"},         {"QSDM", "券商码"},     {"QS", "券商"},
          {"ZJZH", "资金帐号"},      {"GDDM", "股东代码"},   {"LX", "类型码"},
          {"CODE", "代码"},          {"NAME", "名称"},       {"BS", "多/空"},
          {"AMT", "数量"},           {"BIRATE", "货币比率"}, {"PRICE1", "价格1"},
          {"DATE1", "日期1", kDate}, {"PRICE2", "价格2"},    {"DATE2", "日期2", kDate},
          {"COST1", "价值1"},        {"COST2", "价值2"},     {"SXF", "手续费"},
          {"YHS", "印花税"},         {"INCOME", "增值"},     {"INC", "增值率"},
          {"PER", "投资比例"},       {"ZK_RATE", "折扣率"},  {"LXM", "类型名"},
          {"NOTE", "注释"}};
}

}  // namespace

TForm2::TForm2(app::Workspace& workspace, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_ws(workspace),
      m_editing(workspace.ledger(), workspace.lookups(), workspace.dialogs(),
                workspace.login().acc_dir),
      m_valuation(workspace.ledger(), workspace.lookups(), workspace.dialogs(), workspace.clock()) {
  setObjectName("TForm2");
  setWindowTitle(QString::fromUtf8(kHoldingsWindowCaption));
  m_ws.ledger().cursor();  // open before the grid binds to it
  build();
  m_valuation.load_labels();
  show_labels();
  follow_view();
  m_view_observer = m_ws.ledger().cursor().observe([this](store::Cursor::Event e) {
    if (e == store::Cursor::Event::Reset) follow_view();
  });
  resize(1000, 640);
}

TForm2::~TForm2() { m_ws.ledger().cursor_as_is().unobserve(m_view_observer); }

void TForm2::build() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);

  m_box = new QGroupBox(QStringLiteral("持仓文件"), this);
  auto* box_layout = new QVBoxLayout(m_box);
  m_grid = new ui::DbGrid(m_ws.ledger().cursor(), m_ws.dialogs(), m_box);
  m_grid->setObjectName("DBGrid1");
  m_grid->set_columns(columns());
  // The editor stands open in the current cell, as in a spreadsheet: moving
  // to a cell opens it, typing goes straight in.
  m_grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
  m_grid->horizontalHeader()->setStretchLastSection(false);
  box_layout->addWidget(m_grid);
  layout->addWidget(m_box, 1);

  auto* bottom = new QHBoxLayout;
  auto* choice = new QGroupBox(QStringLiteral("显示选择"), this);
  auto* radios = new QVBoxLayout(choice);
  m_views = new QButtonGroup(this);
  const QString captions[] = {QStringLiteral("显示持仓记录"), QStringLiteral("显示平仓记录")};
  for (int i = 0; i < 2; ++i) {
    auto* r = new QRadioButton(captions[i], choice);
    m_views->addButton(r, i);
    radios->addWidget(r);
  }
  m_views->button(0)->setChecked(true);
  connect(m_views, &QButtonGroup::idClicked, this, [this](int id) { RadioGroup1Click(id); });
  bottom->addWidget(choice);

  auto* buttons = new QGridLayout;
  int placed = 0;
  auto place = [&](QPushButton* b) {
    buttons->addWidget(b, placed / 6, placed % 6);
    ++placed;
  };
  place(add_button("删除", {}, [this] { delete_row(); }));
  place(add_button("复制记录", {}, [this] { copy_row(); }));
  place(add_button("插入空白", {}, [this] { insert_blank(); }));
  place(add_button("补充汉字", {}, [this] { BitBtn12Click(); }));
  place(add_button("拷贝数据", "旧版用户用于追加数据", [this] { BitBtn9Click(); }));
  place(add_button("打印报告", {}, [this] {
    if (post_grid()) report::print_holdings_report(this, m_ws);
  }));
  place(add_button("新建资金帐户", "新建资金帐户操作", [this] {
    if (post_grid()) TForm_newacc::launch(m_ws, m_settings, this);
  }));
  m_calc = add_button("更新计算", "更新计算总市值等", [this] { up_calc(); });
  place(m_calc);
  m_prices = add_button("手工改价", "进入手工设置窗口手工更新价格", [this] { manual_prices(); });
  place(m_prices);
  place(
      add_button("帮助", "本窗口操作提示和解释", [this] { m_ws.help().open_keyword("mystocks"); }));
  place(add_button("关闭", "退出本窗口", [this] { close(); }));
  bottom->addLayout(buttons, 1);

  auto* labels = new QVBoxLayout;
  m_label1 = new QLabel(this);
  m_label1->setObjectName("Label1");
  m_label2 = new QLabel(this);
  m_label2->setObjectName("Label2");
  QFont bold = m_label1->font();
  bold.setBold(true);
  m_label1->setFont(bold);
  m_label2->setFont(bold);
  labels->addWidget(m_label1);
  labels->addWidget(m_label2);
  labels->addWidget(new QLabel(QStringLiteral("多空栏1表示买多；-1表示卖空"), this));
  bottom->addLayout(labels);
  layout->addLayout(bottom);
}

QPushButton* TForm2::add_button(const QString& caption, const QString& hint,
                                const Callback& action) {
  auto* b = new QPushButton(caption, this);
  if (!hint.isEmpty()) b->setToolTip(hint);
  b->setMinimumHeight(30);
  // Enter in the grid's editor must not press a button.
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, action);
  return b;
}

QPushButton* TForm2::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

void TForm2::guarded(const Callback& action) { platform::run_guarded(m_ws.dialogs(), action); }

bool TForm2::post_grid() { return m_grid->post(); }

void TForm2::focus_wth() {
  m_grid->setFocus();
  const int row = m_grid->table_model()->insert_row() >= 0 ? m_grid->table_model()->insert_row()
                                                           : m_grid->table_model()->current_row();
  if (row >= 0) m_grid->setCurrentIndex(m_grid->table_model()->index(row, 0));
}

void TForm2::follow_view() {
  const bool closed = m_ws.ledger().view() == Ledger::View::Closed;
  const int id = closed ? 1 : 0;
  if (m_views->checkedId() != id) m_views->button(id)->setChecked(true);
  m_box->setTitle(closed ? QStringLiteral("平仓文件") : QStringLiteral("持仓文件"));
  m_calc->setEnabled(!closed);
  m_prices->setEnabled(!closed);
}

void TForm2::show_labels() {
  m_label1->setText(QString::fromStdString(m_valuation.market_label()));
  m_label2->setText(QString::fromStdString(m_valuation.discount_label()));
}

void TForm2::RadioGroup1Click(int index) {
  if (index != 0 && index != 1) return;
  if (!post_grid()) {
    follow_view();  // the choice stays where the rows are
    return;
  }
  guarded([&] { m_editing.show_view(index == 1 ? Ledger::View::Closed : Ledger::View::Holdings); });
  follow_view();
}

void TForm2::delete_row() {
  guarded([this] { m_editing.delete_current(); });
  m_grid->setFocus();
}

void TForm2::copy_row() {
  if (!post_grid()) return;
  guarded([this] { m_editing.copy_buy_rec(); });
  focus_wth();
}

void TForm2::insert_blank() {
  m_grid->append_row();
  focus_wth();
}

void TForm2::BitBtn12Click() {
  if (!post_grid()) return;
  guarded([this] { m_editing.fill_names(); });
}

void TForm2::BitBtn9Click() {
  if (!post_grid()) return;
  guarded([this] { m_editing.migrate_from_tr0(); });
}

bool TForm2::up_calc() {
  if (!post_grid()) return false;
  bool done = false;
  {
    ui::WaitCursor wait;
    guarded([this, &done] {
      // The run walks every row; the user (or the main window's locate) left
      // the cursor on the row to be edited, and that is where it stays.
      store::Cursor& c = m_ws.ledger().cursor();
      const store::Cursor::Bookmark here = c.bookmark();
      done = m_valuation.up_calc();
      c.go_to_bookmark(here);
    });
  }
  show_labels();
  follow_view();
  return done;
}

void TForm2::manual_prices() {
  if (!m_settings || !post_grid()) return;
  // Opened from F5 it may be showing already, without blocking: modality
  // takes effect only from a fresh show.
  if (m_settings->isVisible()) m_settings->hide();
  m_settings->show_page(store::reference::TForm_set::Codes);
  m_settings->exec();
}

void TForm2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  // The main window's lists show what this run has just written.
  if (up_calc() && m_refresh_main) guarded(m_refresh_main);
}

void TForm2::closeEvent(QCloseEvent* event) {
  post_grid();
  if (m_ws.ledger().view() == Ledger::View::Closed) RadioGroup1Click(0);
  up_calc();
  if (m_refresh_main) guarded(m_refresh_main);
  event->accept();
}

}  // namespace vmx::ledger
