#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "store/cursor.h"

namespace vmx::ui {

// The data-bound grid's view of a cursor: one row per visible row of the
// cursor (its order and filter), one column per chosen field. It follows every
// change of the shared table, whoever made it, and stays quiet while the
// cursor's controls are disabled (long loops), refreshing once afterwards.
class TableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  struct Column {
    QString field;    // field name in the table
    QString caption;  // column title; the field name when empty
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

 signals:
  void current_row_changed(int row);

 private:
  void attach();
  void detach();
  void reset();

  store::Cursor& m_cursor;
  std::vector<Column> m_columns;
  std::vector<int> m_fields;  // field numbers of m_columns
  int m_observer = 0;
  int m_listener = 0;
  store::Table* m_table = nullptr;
};

}  // namespace vmx::ui
