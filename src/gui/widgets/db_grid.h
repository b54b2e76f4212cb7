#pragma once

#include <QTableView>
#include <vector>

#include "core/platform/dialogs.h"
#include "core/store/cursor.h"
#include "gui/widgets/table_model.h"

namespace vmx::ui {

// The editable data-bound grid of every editing window, behaving as the old
// engine's grids did: typing changes the current row's edit buffer; the row
// is posted when the current row changes, when the grid loses focus and when
// the window calls post() on closing; Escape drops the unposted change;
// moving down from the last row starts a new empty row; Ctrl+Delete (also in
// an open editor) deletes the current row after a Yes/No question. The grid's current row is the
// cursor's current row, both ways. A value that does not convert, or a row
// the table refuses, is reported through Dialogs and the editor stays open.
class DbGrid : public QTableView {
  Q_OBJECT
 public:
  static constexpr const char* kDeleteQuestion = "删除记录吗?";

  DbGrid(store::Cursor& cursor, platform::Dialogs& dialogs, QWidget* parent = nullptr);
  ~DbGrid() override;

  void set_columns(std::vector<TableModel::Column> columns);
  TableModel* table_model() const { return m_model; }
  store::Cursor& cursor() const { return m_cursor; }
  // Read-only grids only browse (and follow the cursor).
  void set_read_only(bool on);

  // Writes a pending change; false, after the error box, when the table
  // refuses it (the change stays pending).
  bool post();
  void cancel();
  // Asks kDeleteQuestion and deletes the current row on Yes.
  void delete_current();
  // Starts a new row at the bottom and makes it current.
  void append_row();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void commitData(QWidget* editor) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void follow_cursor(int row);
  void report();

  store::Cursor& m_cursor;
  platform::Dialogs& m_dialogs;
  TableModel* m_model = nullptr;
  bool m_syncing = false;
  bool m_keep_editor = false;
  bool m_reporting = false;  // a box about a refused value is open
};

}  // namespace vmx::ui
