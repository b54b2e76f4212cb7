#include "ui/table_model.h"

#include <QColor>

namespace vmx::ui {

TableModel::TableModel(store::Cursor& cursor, QObject* parent)
    : QAbstractTableModel(parent), m_cursor(cursor) {
  m_observer = m_cursor.observe([this](store::Cursor::Event e) {
    if (e == store::Cursor::Event::Moved)
      emit current_row_changed(current_row());
    else
      reset();
  });
  attach();
  set_columns({});
}

TableModel::~TableModel() {
  detach();
  m_cursor.unobserve(m_observer);
}

void TableModel::attach() {
  if (!m_cursor.active()) return;
  m_table = &m_cursor.table();
  m_listener = m_table->subscribe([this](store::Table::Change, store::RowId) {
    if (!m_cursor.controls_disabled()) reset();
  });
}

void TableModel::detach() {
  if (m_table && m_listener) m_table->unsubscribe(m_listener);
  m_table = nullptr;
  m_listener = 0;
}

void TableModel::reset() {
  beginResetModel();
  // The cursor may have been closed or reopened on another file.
  if (!m_cursor.active() || m_table != &m_cursor.table()) {
    detach();
    attach();
  }
  m_fields.clear();
  if (m_cursor.active()) {
    const auto& schema = m_cursor.schema();
    if (m_columns.empty()) {
      for (const auto& f : schema.fields) m_fields.push_back(&f - schema.fields.data());
    } else {
      for (const auto& c : m_columns) m_fields.push_back(schema.index_of(c.field.toStdString()));
    }
  }
  endResetModel();
}

void TableModel::set_columns(std::vector<Column> columns) {
  m_columns = std::move(columns);
  reset();
}

int TableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !m_cursor.active()) return 0;
  return static_cast<int>(const_cast<store::Cursor&>(m_cursor).count());
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !m_cursor.active()) return {};
  auto& cursor = const_cast<store::Cursor&>(m_cursor);
  const auto& rows = cursor.rows();
  if (index.row() >= static_cast<int>(rows.size()) || index.column() >= columnCount()) return {};
  const int field = m_fields[index.column()];
  if (field < 0) return {};
  const store::FieldType type = cursor.schema().fields[field].type;
  if (role == Qt::TextAlignmentRole)
    return store::is_numeric(type) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                   : int(Qt::AlignLeft | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const store::Value v = cursor.table().get(rows[index.row()], field);
  if (v.kind() == store::Value::Kind::Boolean) return v.as_bool() ? "True" : "False";
  return QString::fromStdString(v.as_string());
}

QVariant TableModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (o == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  if (!m_columns.empty()) {
    const auto& c = m_columns[section];
    return c.caption.isEmpty() ? c.field : c.caption;
  }
  const int field = m_fields[section];
  return QString::fromStdString(const_cast<store::Cursor&>(m_cursor).schema().fields[field].name);
}

int TableModel::current_row() const {
  if (!m_cursor.active()) return -1;
  return static_cast<int>(const_cast<store::Cursor&>(m_cursor).position());
}

}  // namespace vmx::ui
