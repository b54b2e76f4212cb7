// The main window: the holdings summary and detail lists and the doors to every other window
// (资产管理主窗口).
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "core/ledger/holdings_views.h"
#include "core/login/workspace.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QTableView;
class QToolButton;

namespace vmx::ledger {
class TForm2;
class TForm_chuli;
class TForm_tj;
}  // namespace vmx::ledger
namespace vmx::market {
class TForm_draw;
}
namespace vmx::store::reference {
class TForm_set;
}
namespace vmx::fund {
class Tform_fund;
}
namespace vmx::ui {
class QueryModel;
}

namespace vmx::app {

class Tform_wtset;

// Shown by the tool button "按钮说明".
inline constexpr const char* kButtonNotes =
    "本软件研制者不喜欢过多重复的按钮和菜单选项; "
    "右边两排大按钮所示操作不在菜单中重复列入；本行快捷键重复的也只是菜单中常用选项。";

// Values every open row of the login's ledger (up_calc): what the settings
// window runs on closing when a valuation is pending. Throws the engine's errors.
void run_valuation(Workspace& workspace);

// The main window "资产管理主窗口": the holdings ledger of the logged-in
// account as a summary ("目录") and the rows of its current row ("明细"), in
// one of three listing choices, and the buttons and menus that open the other
// windows. One per login; it works on that login's Workspace.
class TForm7 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm7(Workspace& workspace, QWidget* parent = nullptr);
  ~TForm7() override;

  // The settings window of this login (F5); not owned. May be null.
  void set_settings_window(store::reference::TForm_set* settings) { m_settings = settings; }
  // The holdings editing window of this login ("持仓编辑"); not owned. May be null.
  void set_holdings_window(ledger::TForm2* holdings) { m_holdings = holdings; }
  // The trading window of this login ("委托记录处理"); not owned. May be null.
  void set_trading_window(ledger::TForm_chuli* trading) { m_trading = trading; }
  // The fund window of this login ("基金计算管理"); not owned. May be null.
  void set_fund_window(fund::Tform_fund* fund) { m_fund = fund; }
  // The statistics window of this login ("看组合和盈亏"); not owned. May be null.
  void set_statistics_window(ledger::TForm_tj* statistics) { m_statistics = statistics; }
  // "看组合和盈亏": the statistics window, modal.
  void show_statistics();
  // "看业绩比较": the chart window, created the first time, shown modally.
  void show_chart();
  // "基金计算管理": shows the fund window maximised.
  void show_fund_window();

  // Replaces both query texts for the current listing choice.
  void build_sql();
  // Closes the detail and the summary, opens the summary and the detail:
  // after prices or settings changed. Throws the engine's errors.
  void reopen();
  // build_sql, reopen, then the summary's column titles for the choice: after
  // the ledger changed. Throws the engine's errors.
  void up_open();

  // up_open, then both lists back on the rows they stood on (by position):
  // after another window valued or edited the ledger. Throws the engine's errors.
  void refresh_in_place();

  // The radio group "显示选择" was clicked on item `index`: remembers the
  // summary's first two titles, then up_open. Errors end in the error box.
  void RadioGroup1Click(int index);
  // The button "退出系统": ends the login (ubx closed and unbound, the account
  // free for another running copy) and closes this window; the login window is
  // in front again.
  void Button_exitClick();
  // The menu item "退出系统": closes ubx, this window and the login window.
  void N_exitClick();
  // "改口令": the password window; a changed password ends the login.
  void open_password_window();
  // "添加删除管理帐户": the account window, for 我的帐户 only.
  void open_accounts_window();
  // "拷贝文件" and its tool button: ends the login, closes this window and
  // opens the copy window.
  void open_copy_window();
  // F5 and its tool button.
  void show_settings();
  // The button "持仓编辑": reopens the ledger, positions it on the detail
  // list's current row (券商代码, 资金帐号, 股东代码, 代码, 数量) and shows the
  // holdings editing window. Errors end in the error box.
  void edit_holdings();
  // The button "委托记录处理": hands the detail list's current row to the
  // trading window and shows it at (120, 30); an empty detail list is said
  // and the listing goes back to 按股票代码. Errors end in the error box.
  void hand_over_order();
  // After the trading window changed the ledger or closed: up_open, the
  // summary on `code` (by-code listing) or on the account (by-account
  // listing), the detail list on (委托号, 代码) = (wth, code) when there.
  // Throws the engine's errors.
  void show_order(const std::string& code, const std::string& qsdm, const std::string& zjzh,
                  const std::string& wth);
  // "更新价格" and F7: the quote import window, shown without blocking.
  void open_price_window();
  // F8 and its tool button: the fund's unit prices recomputed, names and
  // prices from the security list into the code list and the holdings, then
  // reopen. Errors end in the error box.
  void update_prices();

  // F6 "设置链接程序名和路径": the order-program settings window, created
  // on first use. Errors (wt_path.DB unreadable) end in the error box.
  void show_order_settings();
  // The order-program settings window; nullptr until it could be created.
  Tform_wtset* order_settings();
  // "软件链接": starts the chosen order program; when it is not there, says
  // so and shows the settings window.
  void link_order_program();
  // "用写字板编辑业绩报告": the account's report text in the desktop's editor.
  void edit_report();

  HoldingsViews& views() { return m_views; }
  QTableView* upper_grid() const { return m_upper_grid; }
  QTableView* lower_grid() const { return m_lower_grid; }
  ui::QueryModel* upper_model() const { return m_upper_model.get(); }
  ui::QueryModel* lower_model() const { return m_lower_model.get(); }
  QButtonGroup* listing_group() const { return m_listing; }
  // Buttons, tool buttons and menu items by caption or hint, for tests.
  QAction* action(const QString& text) const;
  QPushButton* button(const QString& caption) const;
  QToolButton* tool_button(const QString& hint) const;

 signals:
  // The button "退出系统" or the window's frame: back at the login window.
  void logged_out();
  // The menu item "退出系统": the program is to end.
  void quit_requested();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Ends the login (ubx unbound, the account free) once the window goes.
  void end_login();
  void FormShow();
  void build_grids(QWidget* central);
  QWidget* build_controls();
  void build_menus();
  void set_upper_titles();
  void fit_columns(QTableView* grid);
  void open_help(const char* keyword);

  Workspace& m_ws;
  HoldingsViews m_views;
  std::unique_ptr<ui::QueryModel> m_upper_model;
  std::unique_ptr<ui::QueryModel> m_lower_model;
  store::reference::TForm_set* m_settings = nullptr;
  ledger::TForm2* m_holdings = nullptr;
  ledger::TForm_chuli* m_trading = nullptr;
  fund::Tform_fund* m_fund = nullptr;
  Tform_wtset* m_order_settings = nullptr;  // child of this window
  ledger::TForm_tj* m_statistics = nullptr;
  market::TForm_draw* m_chart = nullptr;  // created by show_chart, owned as a child
  QString m_caption1, m_caption2;         // remembered by RadioGroup1Click
  bool m_shown = false;
  bool m_ending = false;  // the login is ending: closing the window says so

  QTableView* m_upper_grid = nullptr;
  QTableView* m_lower_grid = nullptr;
  QButtonGroup* m_listing = nullptr;
};

}  // namespace vmx::app
