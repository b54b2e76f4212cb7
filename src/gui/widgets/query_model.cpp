#include "gui/widgets/query_model.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include "core/store/display.h"

namespace vmx::ui {

QueryModel::QueryModel(store::Query& query, QObject* parent)
    : QAbstractTableModel(parent), m_query(query) {
  m_observer = m_query.observe([this](store::Query::Event e) {
    if (e == store::Query::Event::Moved)
      emit current_row_changed(current_row());
    else
      reset();
  });
  if (m_query.active()) m_columns = m_query.columns();
}

QueryModel::~QueryModel() { m_query.unobserve(m_observer); }

void QueryModel::reset() {
  beginResetModel();
  const std::vector<std::string>& now =
      m_query.active() ? m_query.columns() : std::vector<std::string>{};
  // A closed query keeps its titles for the moment it opens again.
  if (m_query.active() && now != m_columns) {
    m_titles.clear();
    m_alignments.clear();
    m_formats.clear();
  }
  if (m_query.active()) m_columns = now;
  endResetModel();
}

void QueryModel::set_title(int column, const QString& title) {
  m_titles[column] = title;
  if (column < columnCount()) emit headerDataChanged(Qt::Horizontal, column, column);
}

void QueryModel::set_format(int column, Format format) {
  m_formats[column] = std::move(format);
  if (rowCount() > 0) emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

void QueryModel::set_alignment(int column, Qt::Alignment alignment) {
  m_alignments[column] = alignment;
  if (column < columnCount() && rowCount() > 0)
    emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

int QueryModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !m_query.active()) return 0;
  return static_cast<int>(m_query.count());
}

int QueryModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !m_query.active()) return 0;
  return static_cast<int>(m_query.columns().size());
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const store::Value& v = m_query.value_at(static_cast<size_t>(index.row()), index.column());
  if (role == Qt::TextAlignmentRole) {
    auto it = m_alignments.find(index.column());
    if (it != m_alignments.end()) return QVariant::fromValue(it->second | Qt::AlignVCenter);
    const bool number =
        v.kind() == store::Value::Kind::Number || v.kind() == store::Value::Kind::Integer;
    return QVariant::fromValue((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  if (auto f = m_formats.find(index.column()); f != m_formats.end()) return f->second(v);
  return QString::fromStdString(
      store::shown_value(v, m_query.columns()[static_cast<size_t>(index.column())]));
}

QVariant QueryModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, o, role);
  if (o == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  auto it = m_titles.find(section);
  if (it != m_titles.end()) return it->second;
  return QString::fromStdString(m_query.columns()[static_cast<size_t>(section)]);
}

int QueryModel::current_row() const {
  if (!m_query.active()) return -1;
  return static_cast<int>(m_query.position());
}

void follow_current_row(QAbstractItemView& view, QueryModel& model) {
  auto show_row = [&view, &model](int row) {
    if (row < 0 || row >= model.rowCount()) return;
    const QModelIndex at = view.currentIndex();
    if (at.isValid() && at.row() == row) return;
    view.setCurrentIndex(model.index(row, at.isValid() ? at.column() : 0));
  };
  QObject::connect(&model, &QueryModel::current_row_changed, &view, show_row);
  QObject::connect(&model, &QAbstractItemModel::modelReset, &view,
                   [&model, show_row] { show_row(model.current_row()); });
  QObject::connect(view.selectionModel(), &QItemSelectionModel::currentRowChanged, &model,
                   [&model](const QModelIndex& current) {
                     if (!current.isValid() || current.row() == model.current_row()) return;
                     model.query().go_to_position(current.row());
                   });
}

}  // namespace vmx::ui
