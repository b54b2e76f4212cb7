#include "gui/fund/fund_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/fund/migration.h"
#include "core/fund/report/ledger_report.h"
#include "core/fund/unit_price.h"
#include "gui/fund/fund_print.h"
#include "gui/fund/fundreport_window.h"
#include "gui/fund/move_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::fund {

namespace {

constexpr const char* kChartLater = "业绩比较图窗口尚在制作中,下一版本提供。";

}  // namespace

Tform_fund::Tform_fund(app::Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ws(ws) {
  setWindowTitle(QStringLiteral("基金业绩计算窗口"));
  // Window creation: a ledger always has its manager row.
  platform::run_guarded(ws.dialogs(), [&] { ensure_manager_row(ws.fund()); });

  auto* layout = new QHBoxLayout(this);
  m_grid = new ui::DbGrid(ws.fund().cursor(), ws.dialogs(), this);
  m_grid->set_columns(
      {{"DT", "日期"},       {"Num", "流水号"},    {"PYCODE", "代码"},     {"NAME", "名称"},
       {"QSDM", "券商代码"}, {"ZJZH", "资金帐号"}, {"INPUT", "投入金额"},  {"XABC", "投资类型"},
       {"UNIT", "基金单位"}, {"FUND", "折扣总值"}, {"INC", "增值率"},      {"PRICE", "基金价格"},
       {"SZ", "深指"},       {"SHZ", "沪指"},      {"DMONEY", "可取资金"}, {"CZXH", "撤资序号"},
       {"NOTE", "注释"},     {"B1", "标记"},       {"L_PRICE", "最终价"},  {"PER", "PER"}});
  layout->addWidget(m_grid, 1);

  auto* side = new QVBoxLayout;
  auto add = [&](const QString& caption, const QString& hint, auto handler) {
    auto* b = new QPushButton(caption, this);
    b->setToolTip(hint);
    b->setMinimumWidth(110);
    connect(b, &QPushButton::clicked, this, handler);
    side->addWidget(b);
  };
  FundLedger& f = ws.fund();
  add(QStringLiteral("重算基金价格"),
      QStringLiteral("从光标起始处开始计算,不足10个记录则从倒数第10个记录计算"),
      [this] { recompute(); });
  add(QStringLiteral("压缩文件"), QStringLiteral("合并连续的来自市场的赢利(或亏损)的记录"),
      [this, &f] { run([&f] { compress(f); }); });
  add(QStringLiteral("校正操作"),
      QStringLiteral("使意外资金进出(比如改变货币导致的资金增减)不影响基金业绩"),
      [this, &f] { run([&f] { correction(f); }); });
  add(QStringLiteral("拷贝数据"), QStringLiteral("旧版用户用于拷贝数据"),
      [this, &f] { run([&f] { migrate_from_fund_db(f); }); });
  side->addWidget(new QLabel(QStringLiteral("请先用光标选中记录"), this));
  add(QStringLiteral("补充汉字"), {}, [this, &f] { run([&f] { fill_names(f); }); });
  add(QStringLiteral("删除"), {}, [this, &f] { run([&f] { delete_current(f); }); });
  add(QStringLiteral("打印报告"),
      QStringLiteral("从光标起始处开始打印, 光标位于底部则打印最后一页"),
      [this] { print_ledger(); });
  add(QStringLiteral("看业绩比较"), QStringLiteral("看基金价格走势,并和深沪指数比较"),
      [this] { m_ws.dialogs().inform(kChartLater); });
  add(QStringLiteral("资金转帐"), {}, [this] { show_transfer(); });
  add(QStringLiteral("基金管理"), QStringLiteral("用于基金管理提成结算,打印单据报告等"),
      [this] { show_management(); });
  add(QStringLiteral("帮助"), {}, [this] { m_ws.help().open_keyword("fund"); });
  add(QStringLiteral("关闭"), {}, [this] { close(); });
  side->addStretch();
  layout->addLayout(side);
}

Tform_fund::~Tform_fund() = default;

void Tform_fund::run(const std::function<void()>& op) {
  m_grid->post();
  ui::run_busy(m_ws.dialogs(), op);
}

void Tform_fund::print_ledger() {
  m_grid->post();
  print_in_preview(this, m_ws, m_printer,
                   [this](platform::Printer& p) { report::print_fund_ledger(m_ws.fund(), p); });
}

void Tform_fund::recompute() {
  run([this] { fund::recompute(m_ws.fund()); });
}

void Tform_fund::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  run([this] { show_fund(m_ws.fund()); });
}

void Tform_fund::show_management() {
  recompute();
  if (!m_report) {
    m_report = new TForm_fundreport(m_ws, this);
    m_ws.fund().management_created = true;
  }
  m_report->showMaximized();
  m_report->raise();
}

void Tform_fund::show_transfer() {
  if (!m_move) m_move = new TForm_move(m_ws, this);
  m_move->show();
  m_move->raise();
}

QPushButton* Tform_fund::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

}  // namespace vmx::fund
