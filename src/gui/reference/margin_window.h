// The margin ratio window: a futures type's margin ratio from per-lot figures (期货保证金计算).
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vmx::app {
class Workspace;
}

namespace vmx::store {
class Cursor;
}

namespace vmx::ledger {

// "期货保证金计算": the margin ratio of a security type whose margin is fixed
// per lot, computed from per-lot figures and stored in Bzj_rate of the type
// that is current in `types` (the settings window's lx.DB cursor). Closing it
// frees it (WA_DeleteOnClose).
class TForm_bzj : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kHelpText =
      "有些期货或保证金交易不考虑市价，但输入市价可使系统判断风险；"
      "在每手保证金和每手交易单位数量一定时，市价越高，杠杆比率（保证金比率的倒数）越高，"
      "风险越大。";

  TForm_bzj(app::Workspace& workspace, store::Cursor& types, QWidget* parent = nullptr);
  ~TForm_bzj() override;

  // Creates the window and shows it modal to `parent` without blocking the
  // caller; returns it (it deletes itself when closed).
  static TForm_bzj* launch(app::Workspace& workspace, store::Cursor& types, QWidget* parent);

  // "计算": the ratio of the three figures into the result box; a zero divisor
  // gives its message and leaves the box as it was.
  void BitBtn2Click();
  // "确定退出": the result box's text into Bzj_rate, then close; a text that is
  // no number gives the error box and the window stays open, nothing written.
  void BitBtn4Click();
  // "放弃退出": close without writing.
  void BitBtn1Click();
  // "帮助".
  void BitBtn3Click();

  // For tests and screenshots.
  QSpinBox* margin_box() const { return m_margin; }
  QSpinBox* units_box() const { return m_units; }
  QSpinBox* price_box() const { return m_price; }
  QLineEdit* result_box() const { return m_result; }
  QLineEdit* type_box() const { return m_type; }
  QPushButton* compute_button() const { return m_compute; }
  QPushButton* store_button() const { return m_store; }
  QPushButton* give_up_button() const { return m_give_up; }
  QPushButton* help_button() const { return m_help; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  app::Workspace& m_ws;
  store::Cursor& m_types;
  QSpinBox* m_margin = nullptr;
  QSpinBox* m_units = nullptr;
  QSpinBox* m_price = nullptr;
  QLineEdit* m_result = nullptr;
  QLineEdit* m_type = nullptr;
  QPushButton* m_compute = nullptr;
  QPushButton* m_store = nullptr;
  QPushButton* m_give_up = nullptr;
  QPushButton* m_help = nullptr;
};

}  // namespace vmx::ledger
