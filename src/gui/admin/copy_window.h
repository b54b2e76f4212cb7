// The file-copy window: backs the data up to a directory the user chooses and restores them
// (Form_copy 文件拷贝).
#pragma once

#include <QWidget>

#include "core/login/backup.h"
#include "core/login/workspace.h"
#include "core/platform/help.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vmx::admin {

// "Form_copy 文件拷贝": the direction ("从硬盘拷贝到备份目录" or back), which
// files (this account's, the common ones), the backup directory (remembered
// in the program directory) and "拷贝文件". The work is app::copy_between;
// every message goes through the Dialogs. Only 我的帐户 may copy. The login
// has ended before the window opens (the account's tables are closed); a
// copy done, or closing the window, asks for the program to end, so the next
// start reads every file afresh.
class TForm_copy : public QWidget {
  Q_OBJECT
 public:
  TForm_copy(store::Session& session, platform::Dialogs& dialogs, platform::Help& help,
             app::LoginState login, QWidget* parent = nullptr);
  ~TForm_copy() override;

  // "拷贝文件".
  void BitBtn1Click();

  QButtonGroup* direction() const { return m_direction; }
  QCheckBox* account_box() const { return m_account; }
  QPushButton* copy_button() const { return m_copy; }

 signals:
  void program_end_requested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void choose_root();

  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  platform::Help& m_help;
  app::LoginState m_login;
  QButtonGroup* m_direction = nullptr;
  QCheckBox* m_account = nullptr;
  QCheckBox* m_common = nullptr;
  QLineEdit* m_root = nullptr;
  QPushButton* m_copy = nullptr;
};

}  // namespace vmx::admin
