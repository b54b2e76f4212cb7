// The login window: picks a managed account and checks its password (Valmorix登录窗口).
#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>

#include "core/login/account_list.h"
#include "core/login/workspace.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vmx::store::reference {
class TForm_set;
}

namespace vmx::ledger {
class TForm2;
}

namespace vmx::market {
class TForm_stock;
}

namespace vmx::app {

class TForm7;

// The help file, in the installation directory.
inline constexpr const char* kHelpFileName = "valmorix.hlp";
// Shown when the help file is not in the installation directory.
inline constexpr const char* kMissingHelpFile =
    "缺少valmorix.hlp文件。较新的版本可以从本软件的发布网站下载，或向软件提供者索取，"
    "下载后放在安装目录中即可。";

// The login window "Valmorix登录窗口": the program's main window for the whole
// run. It binds alias curr to the installation directory at creation, logs a
// managed account in (binding ubx, making the login's Workspace, the main
// window and the long-lived windows) and stays behind the main window.
// Closing it ends the program. Every message goes through the given Dialogs.
class TForm1 : public QWidget {
  Q_OBJECT
 public:
  // `curr_dir` is the working directory the program was started in. Runs
  // FormCreate: a missing account list is reported, the window still opens.
  TForm1(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock,
         platform::Help& help, std::filesystem::path curr_dir, QWidget* parent = nullptr);
  ~TForm1() override;

  // The account picked from the drop-down list (row of the list).
  void DBLookupComboBox1CloseUp(int index);
  // "进入": logs in with the two boxes' texts. Errors of the engine end up in
  // the error box and the login does not complete.
  void BitBtn1Click();
  // "放弃": closes the window, which ends the program.
  void BitBtn2Click();
  // "帮助".
  void BitBtn3Click();

  // The login of the current run; null before the first login.
  Workspace* workspace() const { return m_workspace.get(); }
  TForm7* main_window() const { return m_main; }
  store::reference::TForm_set* settings_window() const { return m_settings; }
  // The holdings editing window of the login (hidden until "持仓编辑").
  ledger::TForm2* holdings_window() const { return m_holdings; }
  // The security list window of the login (hidden until a window shows it).
  market::TForm_stock* security_window() const { return m_security_window; }
  QComboBox* user_box() const { return m_user; }
  QLineEdit* password_box() const { return m_password; }
  QPushButton* enter_button() const { return m_enter; }
  QPushButton* give_up_button() const { return m_give_up; }
  QPushButton* help_button() const { return m_help_button; }

 signals:
  // The window closed: the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void build();
  void log_in(const LoginState& state);
  // Ends the current login's windows and objects (the main window first: it
  // works on the Workspace).
  void drop_login();
  void logged_out();
  void quit();

  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  platform::Clock& m_clock;
  platform::Help& m_help;
  std::filesystem::path m_curr_dir;
  std::unique_ptr<AccountList> m_accounts;
  std::unique_ptr<Workspace> m_workspace;
  TForm7* m_main = nullptr;  // owned; parent of the settings window
  store::reference::TForm_set* m_settings = nullptr;
  ledger::TForm2* m_holdings = nullptr;              // parented by the main window
  market::TForm_stock* m_security_window = nullptr;  // parented by the main window
  bool m_centred = false;

  QComboBox* m_user = nullptr;  // DBLookupComboBox1
  QLineEdit* m_password = nullptr;
  QPushButton* m_enter = nullptr;        // BitBtn1
  QPushButton* m_give_up = nullptr;      // BitBtn2
  QPushButton* m_help_button = nullptr;  // BitBtn3
};

}  // namespace vmx::app
