// The trading window: orders, cancels and settlement (手工委托处理窗口).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/ledger/order_entry.h"
#include "core/platform/date.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vmx::app {
class Workspace;
}
namespace vmx::market {
class TForm_stock;
}

namespace vmx::ledger {

struct OrderResult;
struct TradeForm;
class Trading;

// The trading window "手工委托处理窗口": books buy and sell orders into the
// login's ledger (a pending-order row and its frozen-cash row), cancels them
// and confirms their execution (the settlement). It stays on top of the other
// windows without blocking them. One per login, created hidden at login and
// filled by the main window's "委托记录处理". Every message goes through the
// workspace's Dialogs; engine errors end in the error box and write nothing
// more than what was posted before them.
class TForm_chuli : public QWidget {
  Q_OBJECT
 public:
  // What the window calls after it changed the ledger or closed: the main
  // window reopens its lists and positions them on the code (or, without one,
  // the account) and on the order (委托号, 代码).
  using RefreshMain = std::function<void(const std::string& code, const std::string& qsdm,
                                         const std::string& zjzh, const std::string& wth)>;

  // Builds the window and its broker list (for_qsdm). Engine errors while
  // reading the ledger are shown and leave the list empty.
  explicit TForm_chuli(app::Workspace& workspace, QWidget* parent = nullptr);
  ~TForm_chuli() override;

  void set_refresh_main(RefreshMain refresh) { m_refresh_main = std::move(refresh); }
  // The security list "查询" opens; not owned, may be null.
  void set_security_window(market::TForm_stock* window) { m_security = window; }

  // The main window's hand-over: fills the controls from the row and enters
  // follow-up mode for a pending order (委托号 between "0" and "999999999"),
  // entry mode otherwise. Does not show the window.
  void take_order_row(const OrderListRow& row);
  // The security list's "确定退出": code, name and price of its current row.
  void take_security(const std::string& code, const std::string& name, double price);

  // Modes: follow-up (cancel or settle), entry, short buttons, long buttons.
  void set_cd_pc();
  void set_mm();
  void set_mk();
  void set_mk_back();
  // The mode switch "<" / ">".
  void Button1Click();

  // Balances and affordable quantities for the broker and account boxes,
  // the lists and the margin label. Errors end in the error box.
  void FormShow();
  void Edit2Change(const QString& text);
  void Edit4Change(const QString& text);
  // A type picked from the type list.
  void type_chosen(const QString& lx);
  // Direction: 0 做多, 1 卖空 (refused unless the type may be sold short).
  void RadioGroup1Click(int index);
  void for_qsdm();
  void for_zjzh();
  void for_gddm();

  // The operation buttons.
  void BitBtn1_buyClick();
  void BitBtn2_sellClick();
  void BitBtn3_cxClick();
  void BitBtn4_pcClick();
  void run_order(const std::function<OrderResult(const TradeForm&)>& operation, bool wait_cursor);

  // The buy counter: 1 when the window is made, one more after every buy.
  int order_counter() const;

  // Controls, for tests and screenshots.
  QComboBox* broker_box() const { return m_qsdm; }
  QComboBox* account_box() const { return m_zjzh; }
  QComboBox* holder_box() const { return m_gddm; }
  QComboBox* type_list() const { return m_types; }
  QLineEdit* code_box() const { return m_code; }
  QLineEdit* price_box() const { return m_price; }
  QLineEdit* quantity_box() const { return m_amt; }
  QLineEdit* type_box() const { return m_lx; }
  QLineEdit* date_box() const { return m_date; }
  QLineEdit* order_box() const { return m_wth; }
  QLabel* broker_label() const { return m_qs_label; }
  QLabel* name_label() const { return m_name_label; }
  QLabel* funds_label() const { return m_funds_label; }
  QLabel* quantity_label() const { return m_qty_label; }
  QLabel* margin_label() const { return m_margin_label; }
  QLabel* currency_label() const { return m_bi_label; }
  QLabel* rate_label() const { return m_rate_label; }
  QButtonGroup* direction() const { return m_direction; }
  QPushButton* button(const QString& caption) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  // The boxes as the user left them, for get_record.
  TradeForm form() const;
  void show_quantities();
  void margin_text();
  int bs() const;

  app::Workspace& m_ws;
  RefreshMain m_refresh_main;
  market::TForm_stock* m_security = nullptr;
  std::unique_ptr<Trading> m_trading;
  // The handed-over row's 委托号, 数量 and 日期1, which follow-up mode shows.
  std::string m_row_wth;
  double m_row_amt = 0;
  Date m_date0;
  double m_balance = 0, m_funds = 0;
  QString m_qb = "?????", m_qf = "?????";
  std::string m_last_wth;  // the order the last operation booked or touched

  QComboBox* m_qsdm = nullptr;  // Combo_qsdm
  QComboBox* m_zjzh = nullptr;  // Combo_zjzh
  QComboBox* m_gddm = nullptr;  // combo_gddm
  QComboBox* m_types = nullptr;
  QLineEdit* m_code = nullptr;   // Edit4
  QLineEdit* m_price = nullptr;  // Edit2
  QLineEdit* m_amt = nullptr;    // Edit5
  QLineEdit* m_lx = nullptr;     // Edit3
  QLineEdit* m_date = nullptr;   // Edit_dt
  QLineEdit* m_wth = nullptr;    // Edit1
  QLabel* m_qs_label = nullptr;
  QLabel* m_code_label = nullptr;
  QLabel* m_name_label = nullptr;
  QLabel* m_funds_label = nullptr;
  QLabel* m_qty_label = nullptr;
  QLabel* m_margin_label = nullptr;
  QLabel* m_bi_label = nullptr;
  QLabel* m_rate_label = nullptr;
  QButtonGroup* m_direction = nullptr;  // RadioGroup1
  QPushButton* m_buy = nullptr;
  QPushButton* m_sell = nullptr;
  QPushButton* m_short_open = nullptr;
  QPushButton* m_short_close = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_settle = nullptr;
  QPushButton* m_query = nullptr;
  QPushButton* m_switch = nullptr;  // Button1
};

}  // namespace vmx::ledger
