// The in/out window: one investment or withdrawal of an investor, written to the fund ledger and
// the cash row (注:进出资数据输入窗口).
#pragma once

#include <QWidget>
#include <functional>

#include "core/login/workspace.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vmx::fund {

// What the fund management window hands over: the selected investor (code,
// total withdrawable money) and the selected detail row.
struct InOutSelection {
  std::string pycode, name, qsdm, xabc;
  Date dt;
  double input = 0, unit = 0, dmoney = 0, total_dmoney = 0;
};

// "注:进出资数据输入窗口", always on top: its "确定" runs in_out_confirm on the
// boxes; a withdrawal is matched at once. Closes after a complete write.
class TForm_in_out : public QWidget {
  Q_OBJECT
 public:
  TForm_in_out(app::Workspace& ws, const InOutSelection& selection, std::function<void()> on_close,
               QWidget* parent = nullptr);

  void ok();  // "确定"

  QLineEdit* code_box() const { return m_code; }
  QLineEdit* name_box() const { return m_name; }
  QLineEdit* qsdm_box() const { return m_qsdm; }
  QComboBox* account_box() const { return m_account; }
  QLineEdit* type_box() const { return m_type; }
  QLineEdit* amount_box() const { return m_amount; }
  QLineEdit* date_box() const { return m_date; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void fill_amount();
  void fill_accounts();

  app::Workspace& m_ws;
  InOutSelection m_sel;
  std::function<void()> m_on_close;
  QLineEdit *m_code, *m_name, *m_qsdm, *m_type, *m_amount, *m_date;
  QComboBox* m_account;
  QLabel *m_broker, *m_due, *m_units, *m_now, *m_later;
  QRadioButton *m_one, *m_all;
};

}  // namespace vmx::fund
