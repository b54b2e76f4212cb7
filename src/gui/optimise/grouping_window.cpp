#include "gui/optimise/grouping_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/login/workspace.h"
#include "core/optimise/grouping.h"
#include "core/platform/error_boundary.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::optimise {

TForm_devide::TForm_devide(app::Workspace& workspace, std::function<void()> on_close,
                           QWidget* parent)
    : QDialog(parent), m_ws(workspace), m_on_close(std::move(on_close)) {
  setObjectName("TForm_devide");
  setWindowTitle("为投资组合优化分组");
  resize(900, 520);

  store::reference::Lookups& lookups = m_ws.lookups();
  m_grouping = std::make_unique<Grouping>(
      m_ws.session(), [&lookups](const std::string& lx) { return lookups.lx_bzj_rate(lx); });
  m_grouping->sync_codes();

  auto* layout = new QVBoxLayout(this);
  auto* explanation = new QLabel(kGroupingExplanation);
  explanation->setWordWrap(true);
  layout->addWidget(explanation);

  auto* grids = new QHBoxLayout;
  m_codes_grid = new ui::DbGrid(m_grouping->codes(), m_ws.dialogs());
  m_codes_grid->setObjectName("DBGrid_groups");
  m_codes_grid->set_columns(
      {{"Group", "组号"}, {"Code", "代码"}, {"Name", "名称"}, {"Lx", "类型"}});
  auto* codes_box = new QGroupBox("当前组合及据代码划分");
  (new QVBoxLayout(codes_box))->addWidget(m_codes_grid);
  grids->addWidget(codes_box, 1);

  m_rules_grid = new ui::DbGrid(m_grouping->rules(), m_ws.dialogs());
  m_rules_grid->setObjectName("DBGrid_devision");
  m_rules_grid->set_columns(
      {{"Group", "组号"}, {"Lx", "类型码"}, {"Lxm", "类型名"}, {"Code", "代码"}, {"Name", "名称"}});
  auto* rules_box = new QGroupBox("据类型和期货期权品种的划分");
  (new QVBoxLayout(rules_box))->addWidget(m_rules_grid);
  grids->addWidget(rules_box, 1);
  layout->addLayout(grids, 1);

  auto* buttons = new QHBoxLayout;
  auto add = [&](const char* caption, std::function<void()> action) {
    auto* b = new QPushButton(caption);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, std::move(action));
    buttons->addWidget(b);
  };
  add("从持仓文件再生", [this] { BitBtn4Click(); });
  add("分组:由右确定左", [this] { BitBtn1Click(); });
  buttons->addStretch(1);
  add("确定退出", [this] { close(); });
  layout->addLayout(buttons);
}

TForm_devide::~TForm_devide() {
  // The grids hold models over the cursors the Grouping owns.
  delete m_codes_grid;
  delete m_rules_grid;
}

QPushButton* TForm_devide::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

bool TForm_devide::post_grids() { return m_codes_grid->post() && m_rules_grid->post(); }

void TForm_devide::run(const std::function<void()>& operation) {
  // What the user typed counts: the operation sees it posted.
  if (!post_grids()) return;
  ui::run_busy(m_ws.dialogs(), operation);
}

void TForm_devide::BitBtn4Click() {
  run([this] { m_grouping->rebuild_rules(); });
}

void TForm_devide::BitBtn1Click() {
  run([this] { m_grouping->apply_rules(m_ws.dialogs()); });
}

void TForm_devide::done(int result) {
  post_grids();
  QDialog::done(result);
  if (m_on_close) platform::run_guarded(m_ws.dialogs(), m_on_close);
}

}  // namespace vmx::optimise
