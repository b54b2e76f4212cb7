// The in/out window: one investment or withdrawal of an investor, written to the fund ledger and
// the cash row (注:进出资数据输入窗口).
#pragma once

#include <QWidget>
#include <functional>

#include "core/fund/investor_lists.h"
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
  InvestorLists* lists = nullptr;  // the summary lines are summed over them
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
  QComboBox* broker_lookup() const { return m_lookup; }
  QLabel* due_label() const { return m_due; }
  QLabel* units_label() const { return m_units; }
  QLabel* now_label() const { return m_now; }
  QLabel* later_label() const { return m_later; }
  QRadioButton* all_money() const { return m_all; }

  // Leaving the date box or changing the type: "可取日期" = entered date +
  // the type's minimum holding days.
  void date_or_type_changed();
  // A choice in the broker lookup: its broker code, accounts and name.
  void broker_chosen(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void fill_amount();
  void fill_accounts();
  void fill_lookup();
  bool eventFilter(QObject* watched, QEvent* event) override;

  app::Workspace& m_ws;
  InOutSelection m_sel;
  std::function<void()> m_on_close;
  QLineEdit *m_code, *m_name, *m_qsdm, *m_type, *m_amount, *m_date;
  QComboBox *m_account, *m_lookup;
  std::vector<std::pair<std::string, std::string>> m_lookup_rows;  // qsdm, zjzh
  QLabel *m_broker, *m_due, *m_units, *m_now, *m_later;
  QRadioButton *m_one, *m_all;
};

}  // namespace vmx::fund
