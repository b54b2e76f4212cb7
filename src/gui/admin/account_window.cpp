#include "gui/admin/account_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/login/managed_accounts.h"
#include "core/platform/error_boundary.h"
#include "gui/widgets/password_edit.h"

namespace vmx::admin {

TForm_acc::TForm_acc(store::Session& session, platform::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_dialogs(dialogs) {
  setObjectName("TForm_acc");
  setWindowTitle("添加删除管理帐户");
  build();
  reload_accounts();
  resize(420, 260);
}

TForm_acc::~TForm_acc() = default;

void TForm_acc::build() {
  auto* layout = new QVBoxLayout(this);
  m_pages = new QTabWidget;
  layout->addWidget(m_pages);
  const auto buttons = [](QBoxLayout* row, std::initializer_list<QPushButton*> list) {
    row->addStretch(1);
    for (QPushButton* b : list) {
      b->setAutoDefault(false);
      row->addWidget(b);
    }
  };

  auto* add_page = new QWidget;
  auto* add_layout = new QVBoxLayout(add_page);
  auto* add_form = new QFormLayout;
  m_name = new QLineEdit("张三");
  m_subdir = new QLineEdit("zs");
  m_subdir->setToolTip("安装目录下的子目录名，最长8个字节(英文字母和数字)，不能已经存在");
  m_password = ui::make_password_edit();
  add_form->addRow("帐户名", m_name);
  add_form->addRow("子目录", m_subdir);
  add_form->addRow("口令", m_password);
  add_layout->addLayout(add_form);
  add_layout->addWidget(new QLabel("最多10个管理帐户；口令可以空着。"));
  add_layout->addStretch(1);
  auto* confirm = new QPushButton("确认");
  auto* quit = new QPushButton("退出");
  auto* add_row = new QHBoxLayout;
  buttons(add_row, {confirm, quit});
  add_layout->addLayout(add_row);
  connect(confirm, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
  connect(quit, &QPushButton::clicked, this, [this] { close(); });
  m_pages->addTab(add_page, "添加管理帐户");

  auto* delete_page = new QWidget;
  auto* delete_layout = new QVBoxLayout(delete_page);
  auto* delete_form = new QFormLayout;
  m_accounts = new QComboBox;
  m_accounts->setObjectName("DBLookupComboBox1");
  m_account_subdir = new QLabel;
  auto* pick = new QHBoxLayout;
  pick->addWidget(m_accounts, 1);
  pick->addWidget(m_account_subdir);
  m_owner_password = ui::make_password_edit();
  delete_form->addRow("帐户名", pick);
  delete_form->addRow("口令", m_owner_password);
  delete_layout->addLayout(delete_form);
  delete_layout->addWidget(new QLabel("只删除该帐户子目录中的数据文件；需要该帐户管理人的口令。"));
  delete_layout->addStretch(1);
  auto* remove = new QPushButton("删除帐户");
  auto* close_button = new QPushButton("关闭");
  auto* delete_row = new QHBoxLayout;
  buttons(delete_row, {remove, close_button});
  delete_layout->addLayout(delete_row);
  connect(m_accounts, &QComboBox::currentIndexChanged, this, [this] { show_subdir(); });
  connect(remove, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(close_button, &QPushButton::clicked, this, [this] { close(); });
  m_pages->addTab(delete_page, "删除管理帐户");
}

void TForm_acc::reload_accounts() {
  m_accounts->clear();
  platform::run_guarded(m_dialogs, [this] {
    for (const app::AccountEntry& a : app::managed_accounts(m_session))
      m_accounts->addItem(QString::fromStdString(a.name), QString::fromStdString(a.subdir));
  });
  m_accounts->setMaxVisibleItems(std::max(1, m_accounts->count()));
  show_subdir();
}

void TForm_acc::show_subdir() { m_account_subdir->setText(m_accounts->currentData().toString()); }

void TForm_acc::BitBtn5Click() {
  emit login_ending();
  app::NewManagedAccount account;
  account.name = m_name->text().toStdString();
  account.subdir = m_subdir->text().toStdString();
  account.password = m_password->text().toStdString();
  bool added = false;
  platform::run_guarded(m_dialogs,
                        [&] { added = app::add_managed_account(m_session, m_dialogs, account); });
  if (added) reload_accounts();
}

void TForm_acc::BitBtn1Click() {
  const std::string name = m_accounts->currentText().toStdString();
  const std::string password = m_owner_password->text().toStdString();
  bool deleted = false;
  platform::run_guarded(m_dialogs, [&] {
    deleted = app::delete_managed_account(m_session, m_dialogs, name, password);
  });
  if (deleted) {
    m_owner_password->clear();
    reload_accounts();
  } else if (m_accounts->findText(QString::fromStdString(name)) < 0) {
    m_accounts->setFocus();
  } else {
    m_owner_password->setFocus();
  }
}

void TForm_acc::closeEvent(QCloseEvent* event) {
  m_dialogs.inform(app::kProgramEnds);
  event->accept();
  emit program_end_requested();
}

}  // namespace vmx::admin
