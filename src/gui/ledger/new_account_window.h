// The new cash account window: registers a broker cash account and its currency (新建资金帐户).
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vmx::app {
class Workspace;
}

namespace vmx::store::reference {
class TForm_set;
}

namespace vmx::ledger {

// "新建资金帐户": registers a broker cash account. Records the account's
// currency in zh_bi.db and creates its cash row in the holdings ledger (the
// checks and the writing are ledger::create_cash_account). The window stays
// open for another account; closing it frees it (WA_DeleteOnClose).
//
// Opened by the holdings editing window's "新建资金帐户" button:
//   ledger::TForm_newacc::launch(workspace, settings_window, this);
class TForm_newacc : public QDialog {
  Q_OBJECT
 public:
  // `settings` is the login's settings window, which "新定义" brings up on its
  // brokers page; null leaves that button disabled. Reads the broker and
  // currency lists; an engine error while reading them is shown in the error
  // box and leaves the list empty (the constructor does not throw for it).
  TForm_newacc(app::Workspace& workspace, store::reference::TForm_set* settings,
               QWidget* parent = nullptr);
  ~TForm_newacc() override;

  // Creates the window and shows it without blocking; returns it (it deletes
  // itself when closed).
  static TForm_newacc* launch(app::Workspace& workspace, store::reference::TForm_set* settings,
                              QWidget* parent = nullptr);

  // A broker picked from the list (its row): fills the code and name boxes.
  void DBLookupComboBox1CloseUp(int index);
  // OK: runs the checks and creates the account; every message through the
  // workspace's Dialogs.
  void BitBtn1Click();
  // Close.
  void BitBtn2Click();
  // "新定义": the settings window on its brokers page.
  void Button1Click();
  // The broker list read again (after brokers were added in the settings window).
  void reload_lists();

  // For tests and screenshots.
  QComboBox* broker_list() const { return m_broker_list; }
  QLineEdit* broker_code_box() const { return m_qsdm; }
  QLineEdit* broker_name_box() const { return m_qs; }
  QLineEdit* account_box() const { return m_zjzh; }
  QLineEdit* amount_box() const { return m_amount; }
  QComboBox* currency_list() const { return m_currency; }
  QPushButton* ok_button() const { return m_ok; }
  QPushButton* close_button() const { return m_close; }
  QPushButton* define_button() const { return m_define; }

 protected:
  // Coming back to the window (say from the settings window, after a broker
  // was added there) reads the lists again.
  void changeEvent(QEvent* event) override;

 private:
  void build();

  app::Workspace& m_ws;
  store::reference::TForm_set* m_settings;
  QComboBox* m_broker_list = nullptr;  // DBLookupComboBox1 over qs.db
  QLineEdit* m_qsdm = nullptr;
  QLineEdit* m_qs = nullptr;
  QLineEdit* m_zjzh = nullptr;
  QLineEdit* m_amount = nullptr;
  QComboBox* m_currency = nullptr;  // over bi.db: item data is the code
  QPushButton* m_ok = nullptr;
  QPushButton* m_close = nullptr;
  QPushButton* m_define = nullptr;
};

}  // namespace vmx::ledger
