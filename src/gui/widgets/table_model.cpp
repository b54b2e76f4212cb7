#include "gui/widgets/table_model.h"

#include <QColor>
#include <cmath>
#include <optional>

#include "core/store/display.h"
#include "core/store/error.h"
#include "core/store/typed_text.h"

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
  const int n = static_cast<int>(const_cast<store::Cursor&>(m_cursor).count());
  return m_cursor.state() == store::Cursor::State::Insert ? n + 1 : n;
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !m_cursor.active()) return {};
  auto& cursor = const_cast<store::Cursor&>(m_cursor);
  if (index.row() >= rowCount() || index.column() >= columnCount()) return {};
  const int field = m_fields[index.column()];
  if (field < 0) return {};
  const store::FieldType type = cursor.schema().fields[field].type;
  if (role == Qt::TextAlignmentRole) {
    if (!m_columns.empty() && m_columns[index.column()].alignment != 0)
      return m_columns[index.column()].alignment;
    return store::is_numeric(type) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                   : int(Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const store::Value v = cell(index.row(), field);
  if (role == Qt::EditRole) return QString::fromStdString(store::edited_value(v));
  return QString::fromStdString(store::shown_value(v, cursor.schema().fields[field].name));
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

store::Value TableModel::cell(int row, int field) const {
  auto& cursor = const_cast<store::Cursor&>(m_cursor);
  const auto& name = cursor.schema().fields[field].name;
  const auto& rows = cursor.rows();
  using State = store::Cursor::State;
  if (cursor.state() == State::Insert && row == static_cast<int>(rows.size()))
    return cursor.value(name);
  if (row < 0 || row >= static_cast<int>(rows.size())) return {};
  if (cursor.state() == State::Edit && rows[row] == cursor.current_row()) return cursor.value(name);
  return cursor.table().get(rows[row], field);
}

bool TableModel::fail(const std::string& message) {
  m_error = QString::fromStdString(message);
  return false;
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (!m_editable || !index.isValid() || index.column() >= columnCount()) return f;
  const int field = m_fields[index.column()];
  if (field < 0) return f;
  switch (const_cast<store::Cursor&>(m_cursor).schema().fields[field].type) {
    case store::FieldType::Memo:
    case store::FieldType::AutoInc:
    case store::FieldType::Bcd:
    case store::FieldType::Bytes:
    case store::FieldType::Blob:
      return f;  // the engine writes none of these from a grid
    default:
      return f | Qt::ItemIsEditable;
  }
}

bool TableModel::pending() const {
  using State = store::Cursor::State;
  return m_cursor.state() == State::Edit || m_cursor.state() == State::Insert;
}

int TableModel::insert_row() const {
  if (m_cursor.state() != store::Cursor::State::Insert) return -1;
  return static_cast<int>(const_cast<store::Cursor&>(m_cursor).count());
}

namespace {

// The typed text as a value of the field's type; nullopt with `why` set when
// it does not convert.
std::optional<store::Value> convert(const QString& typed, store::FieldType type, std::string& why) {
  using store::FieldType;
  using store::Value;
  const QString t = type == FieldType::Character ? typed : typed.trimmed();
  if (t.isEmpty()) return Value::null();
  const std::string shown = t.toStdString();
  if (store::is_numeric(type)) {
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d)) {
      why = store::not_a_number(shown);
      return std::nullopt;
    }
    if (type == FieldType::Short || type == FieldType::Long) {
      if (d != std::floor(d)) {
        why = store::not_a_whole_number(shown);
        return std::nullopt;
      }
      return Value::integer(static_cast<int64_t>(d));
    }
    return Value::number(d);
  }
  if (type == FieldType::Date) {
    const auto d = Date::parse(t.toStdString());
    if (!d) {
      why = store::not_a_date(shown);
      return std::nullopt;
    }
    return Value::date(*d);
  }
  if (type == FieldType::Logical) {
    const QString u = t.toUpper();
    if (u == "TRUE" || u == "T" || u == "Y" || u == "YES" || u == "1" || t == "是")
      return Value::boolean(true);
    if (u == "FALSE" || u == "F" || u == "N" || u == "NO" || u == "0" || t == "否")
      return Value::boolean(false);
    why = "“" + shown + "”不是有效的逻辑值 (是/否)";
    return std::nullopt;
  }
  return Value::text(t.toStdString());
}

}  // namespace

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  m_error.clear();
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  // An editor that closes on an unchanged text writes nothing: moving the
  // cursor to the editor's row for it would pull the data set away from the
  // row another part of the program has just positioned it on.
  if (index.row() != insert_row() && data(index, Qt::EditRole).toString() == value.toString())
    return true;
  const int field = m_fields[index.column()];
  const auto& def = m_cursor.schema().fields[field];
  std::string why;
  const auto v = convert(value.toString(), def.type, why);
  if (!v) return fail(why);
  const int row = index.row();
  if (row != insert_row() && !move_to(row)) return false;
  try {
    m_cursor.set(def.name, *v);
  } catch (const store::Error& e) {
    return fail(store::user_message(e));
  }
  emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
  return true;
}

bool TableModel::post() {
  m_error.clear();
  if (!pending()) return true;
  try {
    m_cursor.post();
  } catch (const store::Error& e) {
    return fail(store::user_message(e));
  }
  return true;
}

void TableModel::cancel() {
  if (!pending()) return;
  m_cursor.cancel();  // its Changed event resets the model
}

bool TableModel::append_row() {
  m_error.clear();
  if (!m_cursor.active() || !post()) return false;
  const int n = rowCount();
  beginInsertRows({}, n, n);
  try {
    m_cursor.append();
  } catch (const store::Error& e) {
    endInsertRows();
    return fail(store::user_message(e));
  }
  endInsertRows();
  return true;
}

bool TableModel::remove_row(int row) {
  m_error.clear();
  if (row == insert_row()) {
    cancel();
    return true;
  }
  if (!move_to(row)) return false;
  try {
    m_cursor.remove();
  } catch (const store::Error& e) {
    return fail(store::user_message(e));
  }
  return true;
}

bool TableModel::move_to(int row) {
  m_error.clear();
  if (!m_cursor.active() || row < 0) return false;
  if (row == insert_row()) return true;
  const auto& rows = m_cursor.rows();
  if (row >= static_cast<int>(rows.size())) return false;
  const store::RowId target = rows[row];
  using State = store::Cursor::State;
  const bool elsewhere = m_cursor.state() == State::Insert || m_cursor.current_row() != target;
  if (elsewhere && !post()) return false;
  // Posting may have moved rows (a new row finds its place in the order).
  const long pos = [&] {
    const auto& now = m_cursor.rows();
    for (size_t i = 0; i < now.size(); ++i)
      if (now[i] == target) return static_cast<long>(i);
    return -1L;
  }();
  if (pos < 0) return false;
  if (m_cursor.current_row() != target) m_cursor.go_to_position(pos);
  return true;
}

}  // namespace vmx::ui
