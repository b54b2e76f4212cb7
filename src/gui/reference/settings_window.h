// The settings window: types, codes, brokers, code ranges and currencies
// (设置证券类型和代码等窗口).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QTabWidget;

namespace vmx::app {
class Workspace;
}

namespace vmx::ui {
class DbGrid;
}

namespace vmx::store::reference {

class ReferenceOps;

// The settings window: five pages of reference tables (security types, code
// list, brokers, code ranges, currencies), each an editable grid with the
// bulk operations that keep the table and the holdings ledger in step. It is a
// view on the login's Lookups; every message goes through the workspace's
// Dialogs. Created by the main window (F5) and kept for the login.
class TForm_set : public QDialog {
  Q_OBJECT
 public:
  using Callback = std::function<void()>;

  // `run_valuation` runs the valuation (up_calc) and `refresh_main` refreshes
  // the main window's views; on close both run, in that order, when the
  // ledger's valuation-pending flag is set. Either may be empty. Opening the
  // tables already happened in Lookups; this constructor does not throw for
  // anything the lookups could open.
  TForm_set(app::Workspace& workspace, Callback run_valuation, Callback refresh_main,
            QWidget* parent = nullptr);
  ~TForm_set() override;

  // Page order: 0 类型名表, 1 代码价格表, 2 券商代码表, 3 代码->类型表, 4 货币定义.
  enum Page { Types = 0, Codes = 1, Brokers = 2, Ranges = 3, Currencies = 4 };
  // Brings the page to the front (out-of-range indexes are ignored).
  void show_page(int index);
  int current_page() const;
  // "新定义" of the new-cash-account window: this window shown on its brokers
  // page, without blocking, so that a missing broker can be added.
  void show_brokers_page();

  // For tests and other windows: the page widget and the grids by page.
  QTabWidget* pages() const { return m_pages; }
  ui::DbGrid* grid(int page) const;
  ui::DbGrid* account_currency_grid() const { return m_zh_bi_grid; }
  // The label showing "当前结算货币为:" with the code and name.
  QLabel* settlement_label() const { return m_settlement; }

 protected:
  // Every way of closing (the close buttons, the title bar, Escape) ends here.
  void done(int result) override;

 private:
  void build_types_page();
  void build_codes_page();
  void build_brokers_page();
  void build_ranges_page();
  void build_currencies_page();
  void show_settlement();
  // Runs one bulk operation with the wait cursor and grids posted first;
  // errors end up in the standard error box.
  void run(const std::function<void()>& operation);
  void on_closing();

  app::Workspace& m_ws;
  Callback m_run_valuation;
  Callback m_refresh_main;
  std::unique_ptr<ReferenceOps> m_ops;
  QTabWidget* m_pages = nullptr;
  ui::DbGrid* m_grids[5] = {};
  ui::DbGrid* m_zh_bi_grid = nullptr;
  QLabel* m_settlement = nullptr;
  bool m_closing = false;
};

}  // namespace vmx::store::reference
