// The fund window: the fund ledger with its unit prices, and the fund's row operations
// (基金业绩计算窗口).
#pragma once

#include <QWidget>

#include "core/login/workspace.h"
#include "core/platform/printer.h"

class QPushButton;

namespace vmx::ui {
class DbGrid;
}

namespace vmx::fund {

class TForm_fundreport;
class TForm_move;

// "基金业绩计算窗口": the fund ledger in an editable grid over the fund's one
// cursor. Created hidden at login (the manager row is ensured then); every
// showing recomputes the unit prices. Its buttons run the core operations
// of the unit price module; the transfer and fund management windows are made
// on first use.
class Tform_fund : public QWidget {
  Q_OBJECT
 public:
  explicit Tform_fund(app::Workspace& ws, QWidget* parent = nullptr);
  ~Tform_fund() override;

  // "重算基金价格" (also the first step of the main window's price update).
  void recompute();
  // "基金管理": recompute, then the fund management window.
  void show_management();
  // "资金转帐".
  void show_transfer();
  // "打印报告": the ledger from the cursor's row, in the print preview.
  void print_ledger();

  ui::DbGrid* grid() const { return m_grid; }
  QPushButton* button(const QString& caption) const;
  TForm_fundreport* management_window() const { return m_report; }
  TForm_move* transfer_window() const { return m_move; }
  // Reports go to `printer` instead of the print preview (window tests).
  void set_printer(platform::Printer* printer) { m_printer = printer; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void run(const std::function<void()>& op);

  app::Workspace& m_ws;
  ui::DbGrid* m_grid = nullptr;
  TForm_fundreport* m_report = nullptr;
  TForm_move* m_move = nullptr;
  platform::Printer* m_printer = nullptr;
};

}  // namespace vmx::fund
