#include "gui/ledger/dividend_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>
#include <system_error>

#include "core/install/installation.h"
#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "core/store/table_file.h"
#include "gui/widgets/db_grid.h"

namespace vmx::ledger {

namespace {

// 我的帐户's directory, where the other accounts fetch action rows from.
std::filesystem::path shared_directory(const app::LoginState& login) {
  return store::resolve_case_insensitive(login.curr_dir, store::kMyAccountDir);
}

bool is_shared_directory(const app::LoginState& login) {
  std::error_code ec;
  return std::filesystem::equivalent(login.acc_dir, shared_directory(login), ec);
}

}  // namespace

TForm_sp::TForm_sp(app::Workspace& workspace, std::function<void()> refresh_main, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_ws(workspace),
      m_refresh_main(std::move(refresh_main)),
      m_actions(workspace.session()) {
  setObjectName("TForm_sp");
  setWindowTitle("送股，配股和派发红利处理");
  // The grid needs its table before it is built; an unreadable file ends in
  // the error box and an empty grid.
  platform::run_guarded(m_ws.dialogs(), [this] { m_actions.cursor(); });
  build();
  resize(860, 520);
}

// The grid (a child, freed by the base class) goes before the cursor it shows.
TForm_sp::~TForm_sp() { delete m_grid; }

TForm_sp* TForm_sp::launch(app::Workspace& workspace, std::function<void()> refresh_main,
                           QWidget* parent) {
  auto* w = new TForm_sp(workspace, std::move(refresh_main), parent);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

void TForm_sp::build() {
  auto* layout = new QVBoxLayout(this);
  auto* about = new QLabel(
      "本窗口显示的是本管理帐户私有文件; 处理结果是改变持仓记录股票数量和成本价; "
      "数量是每10股送(配派)数, 类型s表示送股, p表示配股, h表示派发红利(元)");
  about->setWordWrap(true);
  layout->addWidget(about);

  auto* box = new QGroupBox("已处理送配备查");
  auto* box_layout = new QVBoxLayout(box);
  m_grid = new ui::DbGrid(m_actions.cursor_as_is(), m_ws.dialogs(), box);
  m_grid->setObjectName("DBGrid1");
  m_grid->set_columns({{"Dj_date", "登记日期"},
                       {"Code", "代码"},
                       {"Name", "名称"},
                       {"Sph", "类型"},
                       {"Num", "数量"},
                       {"Price", "配股价"},
                       {"Tax", "税率"},
                       {"Amt1", "原有数"},
                       {"Amt2", "送配派数"},
                       {"Amt12", "处理后数"}});
  const int widths[] = {100, 70, 90, 45, 60, 70, 55, 90, 90, 90};
  for (int c = 0; c < int(std::size(widths)); ++c) m_grid->setColumnWidth(c, widths[c]);
  box_layout->addWidget(m_grid);
  layout->addWidget(box, 1);

  auto* hint = new QLabel("光标移到最下面可追加记录;取记录是从我的帐户取来本窗口没有的记录");
  hint->setWordWrap(true);
  layout->addWidget(hint);

  m_cash = new QCheckBox("配股派息处理时改变帐户资金");
  m_cash->setChecked(true);
  layout->addWidget(m_cash);

  auto* buttons = new QHBoxLayout;
  auto add = [&](const QString& caption, auto handler) {
    auto* b = new QPushButton(caption);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
    return b;
  };
  add("处理指定记录", [this] { BitBtn3Click(); });
  add("补股票名", [this] { BitBtn4Click(); });
  m_fetch = add("取记录", [this] { BitBtn5Click(); });
  m_fetch->setToolTip("从我的帐户中此窗口最后10个记录中取来本帐户没有的记录");
  m_fetch->setEnabled(!is_shared_directory(m_ws.login()));
  add("删记录", [this] { BitBtn6Click(); });
  buttons->addStretch(1);
  add("帮助", [this] { m_ws.help().open_keyword("send"); });
  add("关闭", [this] { close(); });
  layout->addLayout(buttons);
}

void TForm_sp::BitBtn3Click() {
  if (!m_grid->post()) return;
  bool changed = false;
  platform::run_guarded(m_ws.dialogs(), [&] {
    changed = m_actions.process_current(m_ws.dialogs(), m_cash->isChecked()).rows > 0;
  });
  // The main window's lists show the new quantities.
  if (changed && m_refresh_main) platform::run_guarded(m_ws.dialogs(), m_refresh_main);
}

void TForm_sp::BitBtn4Click() {
  if (!m_grid->post()) return;
  platform::run_guarded(m_ws.dialogs(), [this] { m_actions.fill_missing_name(m_ws.securities()); });
}

void TForm_sp::BitBtn5Click() {
  if (!m_grid->post()) return;
  platform::run_guarded(m_ws.dialogs(), [this] {
    m_actions.fetch_from(shared_directory(m_ws.login()), m_ws.dialogs());
  });
}

void TForm_sp::BitBtn6Click() {
  platform::run_guarded(m_ws.dialogs(), [this] { m_actions.delete_current(); });
}

void TForm_sp::closeEvent(QCloseEvent* event) {
  m_grid->post();
  event->accept();
}

}  // namespace vmx::ledger
