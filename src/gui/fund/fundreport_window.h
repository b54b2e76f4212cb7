// The fund management window: investors' totals and records, fee processing and investment types
// (基金管理窗口).
#pragma once

#include <QWidget>
#include <memory>

#include "core/fund/investment_types.h"
#include "core/login/workspace.h"
#include "core/store/query.h"

class QTabWidget;
class QTableView;
class QPushButton;

namespace vmx::ui {
class DbGrid;
class QueryModel;
}  // namespace vmx::ui

namespace vmx::fund {

// "基金管理窗口": the investors tab (totals per investor and type, the
// selected investor's open records, "帐户资金进出" and "撤资处理"), the fee tab
// (search, the two extractions) and the type tab (the types, delete, insert,
// check; leaving it repairs the table). Every showing values the open rows.
class TForm_fundreport : public QWidget {
  Q_OBJECT
 public:
  TForm_fundreport(app::Workspace& ws, QWidget* parent = nullptr);
  ~TForm_fundreport() override;

  void reopen_lists();
  void in_out();  // "帐户资金进出"
  void match();   // "撤资处理"
  void search();  // "搜索可提记录"
  void extract_selected();
  void extract_all();
  void check();  // "检测冲突"

  QTabWidget* tabs() const { return m_tabs; }
  QTableView* totals_grid() const { return m_totals_grid; }
  QTableView* detail_grid() const { return m_detail_grid; }
  ui::DbGrid* fee_grid() const { return m_fee_grid; }
  ui::DbGrid* type_grid() const { return m_type_grid; }
  QPushButton* button(const QString& caption) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* build_investors();
  QWidget* build_fees();
  QWidget* build_types();

  app::Workspace& m_ws;
  TypeBook m_types;
  store::Cursor m_tich;
  store::Query m_totals, m_detail;
  std::unique_ptr<ui::QueryModel> m_totals_model, m_detail_model;
  QTabWidget* m_tabs = nullptr;
  QTableView* m_totals_grid = nullptr;
  QTableView* m_detail_grid = nullptr;
  ui::DbGrid* m_fee_grid = nullptr;
  ui::DbGrid* m_type_grid = nullptr;
  QPushButton* m_extract_one = nullptr;
  QPushButton* m_extract_all = nullptr;
  int m_last_tab = 0;
};

}  // namespace vmx::fund
