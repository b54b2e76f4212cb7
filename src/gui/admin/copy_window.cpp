#include "gui/admin/copy_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/install/installation.h"
#include "core/platform/error_boundary.h"
#include "gui/widgets/radio_group.h"

namespace vmx::admin {

TForm_copy::TForm_copy(store::Session& session, platform::Dialogs& dialogs, platform::Help& help,
                       app::LoginState login, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_session(session),
      m_dialogs(dialogs),
      m_help(help),
      m_login(std::move(login)) {
  setObjectName("TForm_copy");
  setWindowTitle("Form_copy 文件拷贝");
  auto* layout = new QVBoxLayout(this);

  const ui::RadioGroup group = ui::make_radio_group(
      "文件拷贝(将覆盖现有文件)", {"从硬盘拷贝到备份目录", "从备份目录拷贝到硬盘"}, 0, this);
  m_direction = group.buttons;
  layout->addWidget(group.box);

  m_account = new QCheckBox("拷贝本管理帐户文件");
  m_common = new QCheckBox("拷贝公用文件");
  m_account->setChecked(true);
  m_common->setChecked(true);
  layout->addWidget(m_account);
  layout->addWidget(m_common);

  auto* root_row = new QHBoxLayout;
  root_row->addWidget(new QLabel("备份目录:"));
  m_root = new QLineEdit(QString::fromStdString(app::remembered_backup_root(m_session).string()));
  m_root->setMinimumWidth(280);
  root_row->addWidget(m_root, 1);
  auto* browse = new QPushButton("选择...");
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, [this] { choose_root(); });
  root_row->addWidget(browse);
  layout->addLayout(root_row);
  auto* where = new QLabel(
      "公用文件在备份目录的valmorix子目录中，本帐户文件在valmorix下与帐户同名的子目录中。");
  where->setWordWrap(true);
  layout->addWidget(where);

  const bool allowed = m_login.acc_name == store::kMyAccountName;
  if (!allowed) layout->addWidget(new QLabel(app::kCopyOnlyMyAccount));
  auto* row = new QHBoxLayout;
  m_copy = new QPushButton("拷贝文件");
  m_copy->setEnabled(allowed);
  auto* help_button = new QPushButton("帮助");
  auto* close_button = new QPushButton("关闭");
  row->addStretch(1);
  row->addWidget(m_copy);
  row->addWidget(help_button);
  row->addWidget(close_button);
  layout->addLayout(row);
  connect(m_copy, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(help_button, &QPushButton::clicked, this, [this] { m_help.open_keyword("copy"); });
  connect(close_button, &QPushButton::clicked, this, [this] { close(); });
}

TForm_copy::~TForm_copy() = default;

void TForm_copy::choose_root() {
  const QString dir = QFileDialog::getExistingDirectory(this, "选择备份目录", m_root->text());
  if (!dir.isEmpty()) m_root->setText(dir);
}

void TForm_copy::BitBtn1Click() {
  app::CopyRequest request;
  request.direction =
      m_direction->checkedId() == 1 ? app::CopyDirection::FromBackup : app::CopyDirection::ToBackup;
  request.account_files = m_account->isChecked();
  request.common_files = m_common->isChecked();
  request.root = m_root->text().trimmed().toStdString();
  bool performed = false;
  platform::run_guarded(m_dialogs, [&] {
    performed = app::copy_between(m_session, m_dialogs, m_login, request).performed;
  });
  if (performed) close();
}

void TForm_copy::closeEvent(QCloseEvent* event) {
  event->accept();
  emit program_end_requested();
}

}  // namespace vmx::admin
