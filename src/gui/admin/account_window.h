// The managed-accounts window: adds and deletes the accounts people log in to (我的帐户 only).
#pragma once

#include <QWidget>

#include "core/login/workspace.h"
#include "core/platform/dialogs.h"
#include "core/store/session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace vmx::admin {

// "添加删除管理帐户": two pages, "添加管理帐户" (name, subdirectory,
// password, "确认") and "删除管理帐户" (the list of accounts with their
// subdirectory, the owner's password, "删除帐户"). The work is
// add_managed_account / delete_managed_account on z.db of the program
// directory (alias curr); every message goes through the Dialogs. Adding
// first ends the login (login_ending). Closing the window says
// kProgramEnds and asks for the program to end, so the next start reads the
// changed list afresh. Not bound to a login's Workspace: it outlives the main
// window it was opened from.
class TForm_acc : public QWidget {
  Q_OBJECT
 public:
  TForm_acc(store::Session& session, platform::Dialogs& dialogs, QWidget* parent = nullptr);
  ~TForm_acc() override;

  // "确认" of the add page.
  void BitBtn5Click();
  // "删除帐户" of the delete page.
  void BitBtn1Click();
  // The list of the delete page read again.
  void reload_accounts();

  QTabWidget* pages() const { return m_pages; }
  QLineEdit* name_box() const { return m_name; }
  QLineEdit* password_box() const { return m_password; }
  QComboBox* account_list() const { return m_accounts; }

 signals:
  // The main window and the account's tables are to close now.
  void login_ending();
  // The window closed: the program is to end.
  void program_end_requested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void show_subdir();

  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  QTabWidget* m_pages = nullptr;
  QLineEdit* m_name = nullptr;
  QLineEdit* m_subdir = nullptr;
  QLineEdit* m_password = nullptr;
  QComboBox* m_accounts = nullptr;  // item data: the Subdir
  QLabel* m_account_subdir = nullptr;
  QLineEdit* m_owner_password = nullptr;
};

}  // namespace vmx::admin
