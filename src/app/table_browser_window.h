#pragma once

#include <QMainWindow>
#include <memory>

#include "store/cursor.h"

class QComboBox;
class QLabel;
class QTableView;

namespace vmx::ui {
class TableModel;
}

namespace vmx::app {

// Shows the rows of any table of an installation in a data-bound grid, in any
// of its catalogued orders. Read-only: it is the way to look into the files
// until the windows that own them exist.
class TableBrowserWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit TableBrowserWindow(const QString& installation_dir, QWidget* parent = nullptr);
  ~TableBrowserWindow() override;

  // Opens a table by its path relative to the installation ("demo/tr2.DBF").
  void show_table(const QString& relative_path);

 private:
  void fill_table_list();
  void fill_index_list();
  void apply_index();

  QString m_dir;
  store::Session m_session;
  std::unique_ptr<store::Cursor> m_cursor;
  QComboBox* m_tables = nullptr;
  QComboBox* m_indexes = nullptr;
  QTableView* m_grid = nullptr;
  QLabel* m_status = nullptr;
  ui::TableModel* m_model = nullptr;
};

}  // namespace vmx::app
