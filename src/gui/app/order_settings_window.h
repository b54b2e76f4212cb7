// The order-program settings window: which broker's order program "软件链接" starts and where
// it is (委托程序设置窗口).
#pragma once

#include <QComboBox>
#include <QDialog>
#include <memory>

#include "core/login/external_programs.h"

class QButtonGroup;
class QLineEdit;

namespace vmx::app {

class Workspace;

// The list of order programs: says when it opens and when it closes.
class OrderProgramList : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
  void hidePopup() override;

 signals:
  void opened();
  void closed();
};

// "委托程序设置窗口": the order programs of wt_path.DB, the chosen one's name,
// path and program name, "改路径及程序", and on closing path.txt for the
// order program. One per login, created hidden.
class Tform_wtset : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProgramFilter =
      "程序 (*);;批处理文件 (*.bat);;可执行文件 (*.exe);;命令文件 (*.com)";

  // Opens wt_path.DB on the row marked Now. Throws store::Error when the
  // table cannot be opened.
  explicit Tform_wtset(Workspace& workspace, QWidget* parent = nullptr);
  ~Tform_wtset() override;

  OrderPrograms& programs() { return m_programs; }

  // The list opened: every mark cleared.
  void DBLookupComboBox1DropDown();
  // The list closed on the program at `index`: it is marked and shown.
  void DBLookupComboBox1CloseUp(int index);
  // "改路径及程序": a program file picked becomes the row's path and name.
  void Button1Click();
  // "关闭": path.txt written (or the reason why not said), the window hidden.
  void BitBtn1Click();
  // Shows the current row in the boxes and the list.
  void show_current();

  QLineEdit* name_box() const { return m_wtrj; }
  QLineEdit* path_box() const { return m_path; }
  QLineEdit* program_box() const { return m_name; }

 protected:
  // Every way of closing (关闭, the frame, Esc) comes here: FormClose.
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void fill_list();
  void store_box(const char* field, QLineEdit* box);

  Workspace& m_ws;
  OrderPrograms m_programs;
  OrderProgramList* m_list = nullptr;  // DBLookupComboBox1
  QLineEdit* m_wtrj = nullptr;         // DBEdit1
  QLineEdit* m_path = nullptr;         // DBEdit2
  QLineEdit* m_name = nullptr;         // DBEdit3
  QButtonGroup* m_format = nullptr;
  QButtonGroup* m_update = nullptr;
};

}  // namespace vmx::app
