// The fund management window: investors' totals and records, receipts and statements, fee
// processing, investment types, cash accounts, the report definition and the address book
// (基金管理窗口).
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "core/fund/address_book.h"
#include "core/fund/investment_types.h"
#include "core/fund/investor_lists.h"
#include "core/fund/report/fund_reports.h"
#include "core/login/workspace.h"
#include "core/platform/printer.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QTableView;
class QPushButton;

namespace vmx::ui {
class DbGrid;
class QueryModel;
}  // namespace vmx::ui

namespace vmx::fund {

// "基金管理窗口": the investors tab (totals per investor and type, the
// selected investor's records with the record filter, the in/out window,
// the matching), the fee tab (search, the two extractions) and the type tab
// (the types and their fee terms, delete, insert, check; leaving it repairs
// the table). Every showing values the open rows.
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
  // "显示打印选择": all records or open records only.
  void set_all_records(bool all);
  void print_receipt();    // "打印投资单据"
  void print_statement();  // "打印阶段报告"
  void print_totals();     // "打印总报表"
  void print_account();    // "打印报告" of the cash accounts tab
  void print_addresses();  // "打印通讯录"
  // The report definition tab as it stands.
  report::ReportDefinition definition() const;
  // "管理帐户或基金名称:": the type with this name becomes the fund.
  void choose_fund(int index);
  // "用写字板编辑剪贴".
  void edit_in_word_processor();

  InvestorLists& lists() { return m_lists; }
  TypeBook& types() { return m_types; }
  QTabWidget* tabs() const { return m_tabs; }
  QTableView* totals_grid() const { return m_totals_grid; }
  QTableView* detail_grid() const { return m_detail_grid; }
  QLineEdit* find_box() const { return m_find; }
  QRadioButton* all_records_button() const { return m_all_records; }
  QCheckBox* two_copies_box() const { return m_two_copies; }
  QCheckBox* all_lines_box() const { return m_all_lines; }
  QCheckBox* brief_box() const { return m_brief; }
  QCheckBox* account_details_box() const { return m_account_details; }
  QComboBox* fund_name_box() const { return m_fund_name; }
  QLineEdit* title_box() const { return m_title; }
  QPlainTextEdit* memo_box() const { return m_memo; }
  QLabel* account_value_label() const { return m_account_value; }
  QLabel* account_rate_label() const { return m_account_rate; }
  QTableView* account_grid() const { return m_account_grid; }
  QTableView* movement_grid() const { return m_movement_grid; }
  ui::DbGrid* address_grid() const { return m_address_grid; }
  QRadioButton* postcode_order_button() const { return m_by_postcode; }
  report::AccountLists& account_lists() { return m_accounts; }
  AddressBook& addresses() { return m_book; }
  ui::DbGrid* fee_grid() const { return m_fee_grid; }
  ui::DbGrid* type_grid() const { return m_type_grid; }
  QPushButton* button(const QString& caption) const;
  // The type tab's option box of a field ("C1".."C9") and value box ("E1".."E13").
  QCheckBox* option_box(const QString& field) const;
  QLineEdit* value_box(const QString& field) const;
  // Reports go to `printer` instead of the print preview (window tests).
  void set_printer(platform::Printer* printer) { m_printer = printer; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* build_investors();
  QWidget* build_fees();
  QWidget* build_types();
  QWidget* build_type_terms(QWidget* page);
  QWidget* build_accounts();
  QWidget* build_definition();
  QWidget* build_addresses();
  void show_account_value();
  void sync_filter_buttons();
  void fill_fund_names();
  void print(const std::function<void(platform::Printer&)>& report);
  void show_type_terms();
  void type_value_left(const QString& field);
  void type_option_clicked(const QString& field, bool on);

  app::Workspace& m_ws;
  TypeBook m_types;
  store::Cursor m_tich;
  InvestorLists m_lists;
  report::AccountLists m_accounts;
  AddressBook m_book;
  std::unique_ptr<ui::QueryModel> m_totals_model, m_detail_model, m_account_model, m_movement_model;
  QTabWidget* m_tabs = nullptr;
  QTableView* m_totals_grid = nullptr;
  QTableView* m_detail_grid = nullptr;
  QLineEdit* m_find = nullptr;
  QRadioButton* m_open_records = nullptr;
  QRadioButton* m_all_records = nullptr;
  QCheckBox* m_two_copies = nullptr;
  QCheckBox* m_all_lines = nullptr;
  QCheckBox* m_brief = nullptr;
  QCheckBox* m_account_details = nullptr;
  QComboBox* m_fund_name = nullptr;
  QLineEdit* m_title = nullptr;
  QPlainTextEdit* m_memo = nullptr;
  QLabel* m_account_value = nullptr;
  QLabel* m_account_rate = nullptr;
  QTableView* m_account_grid = nullptr;
  QTableView* m_movement_grid = nullptr;
  ui::DbGrid* m_address_grid = nullptr;
  QRadioButton* m_by_postcode = nullptr;
  std::vector<std::string> m_fund_codes;  // the types offered as fund names
  int m_account_observer = 0;
  ui::DbGrid* m_fee_grid = nullptr;
  ui::DbGrid* m_type_grid = nullptr;
  QPushButton* m_extract_one = nullptr;
  QPushButton* m_extract_all = nullptr;
  std::map<QString, QCheckBox*> m_options;
  std::map<QString, QLineEdit*> m_values;
  int m_type_observer = 0;
  bool m_showing_terms = false;
  int m_last_tab = 0;
  platform::Printer* m_printer = nullptr;
};

}  // namespace vmx::fund
