// The transfer window: an investor's money in or out without matching, and money between two cash
// accounts (资金转帐).
#pragma once

#include <QWidget>

#include "core/login/workspace.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vmx::fund {

// "资金转帐": two groups, each with its "确定" running one core operation
// (move_investor, transfer_accounts) on the boxes' texts.
class TForm_move : public QWidget {
  Q_OBJECT
 public:
  explicit TForm_move(app::Workspace& ws, QWidget* parent = nullptr);

  // The two "确定" buttons.
  void investor_ok();
  void transfer_ok();

  QComboBox* code_box() const { return m_code; }
  QLineEdit* name_box() const { return m_name; }
  QComboBox* account_box() const { return m_account; }
  QComboBox* type_box() const { return m_type; }
  QLineEdit* amount_box() const { return m_amount; }
  QLineEdit* note_box() const { return m_note; }
  QComboBox* from_box() const { return m_from; }
  QComboBox* to_box() const { return m_to; }
  QLineEdit* transfer_amount_box() const { return m_transfer_amount; }
  QLineEdit* transfer_note_box() const { return m_transfer_note; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fill_lists();

  app::Workspace& m_ws;
  QComboBox *m_code, *m_account, *m_type, *m_from, *m_to;
  QLineEdit *m_name, *m_amount, *m_note, *m_transfer_amount, *m_transfer_note;
  QLabel* m_qsdm;
};

}  // namespace vmx::fund
