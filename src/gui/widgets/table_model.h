#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "core/store/cursor.h"

namespace vmx::ui {

// The data-bound grid's view of a cursor: one row per visible row of the
// cursor (its order and filter), one column per chosen field. It follows every
// change of the shared table, whoever made it, and stays quiet while the
// cursor's controls are disabled (long loops), refreshing once afterwards.
//
// Editing (off until set_editable) works as the old engine's grids did: a
// change goes into the cursor's edit buffer for that row and is written only
// by post() (the grid posts when the current row changes, when it loses focus
// and when its window closes); cancel() drops it. While a new row is being
// inserted it shows as one extra row at the bottom.
class TableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  struct Column {
    QString field;      // field name in the table
    QString caption;    // column title; the field name when empty
    int alignment = 0;  // Qt::Alignment; 0: numbers right, the rest left
  };

  explicit TableModel(store::Cursor& cursor, QObject* parent = nullptr);
  ~TableModel() override;

  // Shows these columns (default: every field, captioned with its name).
  void set_columns(std::vector<Column> columns);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

  // The grid row of the cursor's current row (-1 when none).
  int current_row() const;

  // ---- editing ----
  void set_editable(bool on) { m_editable = on; }
  bool editable() const { return m_editable; }
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Writes the text into the edit buffer of the row (an edit of another row
  // is posted first). False when it cannot: last_error() then says why (a
  // text that is no number or date, a value too wide, a row that cannot be
  // posted); the buffer keeps its earlier value.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  const QString& last_error() const { return m_error; }
  void clear_error() { m_error.clear(); }
  // Is a row being edited or inserted (not yet posted)?
  bool pending() const;
  // The grid row being inserted, or -1.
  int insert_row() const;
  // Writes the pending edit or new row. False (last_error() says why) when
  // the table refuses it; the edit then stays pending.
  bool post();
  void cancel();
  // Starts a new empty row at the bottom (posting a pending edit first).
  bool append_row();
  // Deletes the grid row (a row being inserted is just dropped).
  bool remove_row(int row);
  // Moves the cursor to the grid row, posting a pending edit of another row.
  bool move_to(int row);

 signals:
  void current_row_changed(int row);

 private:
  void attach();
  void detach();
  void reset();
  // Field value of a grid row as the grid shows it (the buffer for the row
  // being edited).
  store::Value cell(int row, int field) const;
  bool fail(const std::string& message);

  store::Cursor& m_cursor;
  std::vector<Column> m_columns;
  std::vector<int> m_fields;  // field numbers of m_columns
  int m_observer = 0;
  int m_listener = 0;
  store::Table* m_table = nullptr;
  bool m_editable = false;
  QString m_error;
};

}  // namespace vmx::ui
