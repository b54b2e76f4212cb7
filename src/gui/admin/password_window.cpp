#include "gui/admin/password_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/login/managed_accounts.h"
#include "core/platform/error_boundary.h"
#include "gui/widgets/password_edit.h"

namespace vmx::admin {

TForm_pass::TForm_pass(store::Session& session, platform::Dialogs& dialogs, std::string acc_name,
                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_session(session),
      m_dialogs(dialogs),
      m_acc_name(std::move(acc_name)) {
  setObjectName("TForm_pass");
  setWindowTitle("改口令窗口");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QString::fromStdString("管理帐户：" + m_acc_name)));
  auto* form = new QFormLayout;
  m_old = ui::make_password_edit();
  m_new = ui::make_password_edit();
  m_repeat = ui::make_password_edit();
  form->addRow("旧口令", m_old);
  form->addRow("新口令", m_new);
  form->addRow("新口令(再输一遍)", m_repeat);
  layout->addLayout(form);
  auto* row = new QHBoxLayout;
  auto* confirm = new QPushButton("确认新口令");
  auto* close_button = new QPushButton("关闭");
  row->addStretch(1);
  row->addWidget(confirm);
  row->addWidget(close_button);
  layout->addLayout(row);
  connect(confirm, &QPushButton::clicked, this, [this] { BitBtn16Click(); });
  connect(close_button, &QPushButton::clicked, this, [this] { close(); });
  connect(m_repeat, &QLineEdit::returnPressed, this, [this] { BitBtn16Click(); });
  resize(320, 170);
}

TForm_pass::~TForm_pass() = default;

void TForm_pass::BitBtn16Click() {
  app::PasswordChange result = app::PasswordChange::NoAccount;
  const bool ran = platform::run_guarded(m_dialogs, [&] {
    result = app::change_password(m_session, m_dialogs, m_acc_name, m_old->text().toStdString(),
                                  m_new->text().toStdString(), m_repeat->text().toStdString());
  });
  if (!ran) return;
  switch (result) {
    case app::PasswordChange::OldWrong:
      m_old->clear();
      m_old->setFocus();
      break;
    case app::PasswordChange::NewDiffer:
    case app::PasswordChange::NewTooLong:
      m_new->clear();
      m_repeat->clear();
      m_new->setFocus();
      break;
    case app::PasswordChange::Changed:
      close();
      emit password_changed();
      break;
    case app::PasswordChange::Unchanged:
    case app::PasswordChange::NoAccount:
      break;
  }
}

}  // namespace vmx::admin
