#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <map>

#include "core/store/query.h"

class QAbstractItemView;

namespace vmx::ui {

// The data-bound grid's view of a local SQL query: one row per result row,
// one column per result column, titled with the column's name unless the
// window gives a title. It resets whenever the query executes again (open,
// reopen, a master move) or closes, and reports the query's moves.
class QueryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The query must outlive the model.
  explicit QueryModel(store::Query& query, QObject* parent = nullptr);
  ~QueryModel() override;

  store::Query& query() { return m_query; }

  // Titles and alignments set by the window; they last until the query's
  // columns change (another text), as a grid's columns did.
  void set_title(int column, const QString& title);
  void set_alignment(int column, Qt::Alignment alignment);
  // How a column's values are shown (a display format such as "###.##").
  using Format = std::function<QString(const store::Value&)>;
  void set_format(int column, Format format);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

  // The query's current row (-1 when closed or empty).
  int current_row() const;

 signals:
  void current_row_changed(int row);

 private:
  void reset();

  store::Query& m_query;
  int m_observer = 0;
  std::vector<std::string> m_columns;  // of the last reset, to notice a new text
  std::map<int, QString> m_titles;
  std::map<int, Qt::Alignment> m_alignments;
  std::map<int, Format> m_formats;
};

// Keeps a view's current row and the query's current row the same: a click
// moves the query (and so every detail query bound to it), a move of the
// query moves the view's cursor. Both must outlive the binding's use; the
// connections end with either object.
void follow_current_row(QAbstractItemView& view, QueryModel& model);

}  // namespace vmx::ui
