// The password window: the logged-in account changes its password (改口令窗口).
#pragma once

#include <QWidget>
#include <string>

#include "core/platform/dialogs.h"
#include "core/store/session.h"

class QLineEdit;

namespace vmx::admin {

// "改口令窗口": the old password and the new one twice, all masked with "#",
// and "确认新口令". The work is app::change_password on z.db (alias curr);
// every message goes through the Dialogs. A changed password closes the
// window and asks for the login to end (password_changed); the same password
// again leaves the window open. Closing it frees it.
class TForm_pass : public QWidget {
  Q_OBJECT
 public:
  TForm_pass(store::Session& session, platform::Dialogs& dialogs, std::string acc_name,
             QWidget* parent = nullptr);
  ~TForm_pass() override;

  // "确认新口令".
  void BitBtn16Click();

  QLineEdit* old_box() const { return m_old; }
  QLineEdit* new_box() const { return m_new; }
  QLineEdit* repeat_box() const { return m_repeat; }

 signals:
  // The password was changed: the user logs in again.
  void password_changed();

 private:
  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  std::string m_acc_name;
  QLineEdit* m_old = nullptr;
  QLineEdit* m_new = nullptr;
  QLineEdit* m_repeat = nullptr;
};

}  // namespace vmx::admin
