// The holdings editing window: the holdings ledger in an editable grid (手工编辑窗口).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/ledger/holdings_editing.h"
#include "core/ledger/valuation.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;

namespace vmx::app {
class Workspace;
}
namespace vmx::store::reference {
class TForm_set;
}
namespace vmx::ui {
class DbGrid;
}

namespace vmx::ledger {

// The holdings editing window "手工编辑窗口": the login's ledger (tr2.DBF) in
// an editable grid, in the holdings or the closed-positions view, with the
// row operations, the valuation, the name fill and the migration of an
// earlier version's ledger. A view on the Workspace's Ledger: the window keeps
// no table of its own, so trading, settlement and the settings window see and
// move the same rows. Created hidden at login, one per login; shown without
// blocking by the main window's "持仓编辑". Every message goes through the
// workspace's Dialogs; errors of the engine end in the error box.
class TForm2 : public QWidget {
  Q_OBJECT
 public:
  using Callback = std::function<void()>;

  // Opens the ledger in its current view and shows the totals of the last
  // valuation run (load_labels). Throws store::Error when the ledger cannot
  // be opened.
  explicit TForm2(app::Workspace& workspace, QWidget* parent = nullptr);
  ~TForm2() override;

  // What showing (after its valuation) and closing the window refresh (the
  // main window's up_open).
  void set_refresh_main(Callback refresh) { m_refresh_main = std::move(refresh); }
  // The settings window "手工改价" opens; not owned, may be null.
  void set_settings_window(store::reference::TForm_set* settings) { m_settings = settings; }

  // The view choice "显示选择": 0 holdings (持仓文件), 1 closed positions
  // (平仓文件, ending on the newest closing, valuation and price buttons off).
  void RadioGroup1Click(int index);
  // "删除", "复制记录", "插入空白", "补充汉字", "拷贝数据".
  void delete_row();
  void copy_row();
  void insert_blank();
  void BitBtn12Click();
  void BitBtn9Click();
  // "更新计算" and what showing the window runs: the valuation in the
  // holdings view with the grid detached, then the labels. True when the run
  // completed; errors end in the error box (false).
  bool up_calc();
  // "手工改价": the settings window, modal, on its code-and-price page.
  void manual_prices();

  ui::DbGrid* grid() const { return m_grid; }
  QButtonGroup* view_choice() const { return m_views; }
  QGroupBox* grid_box() const { return m_box; }
  QLabel* market_label() const { return m_label1; }
  QLabel* discount_label() const { return m_label2; }
  // Buttons by caption, for tests.
  QPushButton* button(const QString& caption) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  QPushButton* add_button(const QString& caption, const QString& hint, const Callback& action);
  // Radio, caption and buttons as the ledger's current view says: another
  // part (a valuation run) may have switched it.
  void follow_view();
  void show_labels();
  // Posts the grid's pending edit; false (after the message) when refused.
  bool post_grid();
  void focus_wth();
  void guarded(const Callback& action);

  app::Workspace& m_ws;
  HoldingsEditing m_editing;
  Valuation m_valuation;
  Callback m_refresh_main;
  store::reference::TForm_set* m_settings = nullptr;
  int m_view_observer = 0;

  ui::DbGrid* m_grid = nullptr;
  QGroupBox* m_box = nullptr;
  QButtonGroup* m_views = nullptr;  // RadioGroup1
  QPushButton* m_calc = nullptr;    // 更新计算
  QPushButton* m_prices = nullptr;  // 手工改价
  QLabel* m_label1 = nullptr;
  QLabel* m_label2 = nullptr;
};

// The window's caption.
inline constexpr const char* kHoldingsWindowCaption =
    "手工编辑窗口--持仓平仓文件编辑及操作         "
    "注意: 修改一记录后,光标换行方能保证修改有效！其他编辑窗口类似";

}  // namespace vmx::ledger
