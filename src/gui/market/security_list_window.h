// The security list window: codes, names and latest prices (股票代码窗口).
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>

class QComboBox;
class QPushButton;

namespace vmx::app {
class Workspace;
}

namespace vmx::ui {
class DbGrid;
}

namespace vmx::market {

// "股票代码窗口": the security list allstocks.DBF in code order, narrowed by a
// code pattern, edited by hand. A view on the login's SecurityList: its grid
// shows the very cursor the lookups code_to_name / code_to_price search, so
// they see the filter while it is in force. One instance per login, created
// hidden at login and shown many times; closing it clears the filter.
class TForm_stock : public QDialog {
  Q_OBJECT
 public:
  // The patterns the filter box offers, in order; the first text is "*".
  static const QStringList& code_patterns();
  static constexpr const char* kHelpText =
      "股票按代码顺序排列；用“代码限制”框可以只看代码符合某种样式的股票，"
      "其中*表示任意字符串（例如60*为60开头的代码，*为全部，空白为代码为空的行）。"
      "价格和代码表由主菜单的“更新价格”（读取行情数据）刷新，"
      "也可以用“插一行”按钮手工添加代码，用“删一行”删除当前行。";

  // Opens the security list (an engine error is shown in the error box and
  // leaves the grid empty; the constructor does not throw for it).
  explicit TForm_stock(app::Workspace& workspace, QWidget* parent = nullptr);
  ~TForm_stock() override;

  // Shows the window as the trading window does: at left 200, top 30, without
  // blocking the caller, above `trading` (which stays on top of the others).
  void show_beside_trading(const QWidget* trading = nullptr);
  // What "确定退出" hands the current row's CODE, NAME and PRICE to (the
  // trading window's boxes); without one the button only closes.
  using Confirm =
      std::function<void(const std::string& code, const std::string& name, double price)>;
  void set_on_confirm(Confirm confirm) { m_confirm = std::move(confirm); }
  // "确定退出": posts the grid, hands the current row over, closes.
  void confirm_and_close();

  // The filter box's text changed: filter "code='<text>'" on.
  void ComboBox1Change(const QString& text);
  // "插一行": a new empty row at the bottom, stored when the grid posts it.
  void insert_row();
  // "删一行": deletes the current row without asking.
  void delete_row();
  // "帮助": the fixed explanation in an information box.
  void show_help();

  // For tests and screenshots.
  ui::DbGrid* grid() const { return m_grid; }
  QComboBox* filter_box() const { return m_filter; }
  QPushButton* insert_button() const { return m_insert; }
  QPushButton* delete_button() const { return m_delete; }
  QPushButton* help_button() const { return m_help; }
  QPushButton* confirm_button() const { return m_confirm_button; }

 protected:
  // Every way of closing ends here: the grid's pending row is posted and the
  // filter cleared.
  void done(int result) override;

 private:
  app::Workspace& m_ws;
  ui::DbGrid* m_grid = nullptr;
  QComboBox* m_filter = nullptr;  // ComboBox1
  QPushButton* m_insert = nullptr;
  QPushButton* m_delete = nullptr;
  QPushButton* m_help = nullptr;
  QPushButton* m_confirm_button = nullptr;
  Confirm m_confirm;
};

}  // namespace vmx::market
