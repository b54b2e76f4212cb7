#include "gui/widgets/db_grid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QTimer>

namespace vmx::ui {

namespace {

// Ctrl+Delete inside an open editor is the grid's row delete, with its
// question, not the editor's word delete.
class GridDelegate : public QStyledItemDelegate {
 public:
  explicit GridDelegate(DbGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
        m_grid->delete_current();
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  DbGrid* m_grid;
};

}  // namespace

DbGrid::DbGrid(store::Cursor& cursor, platform::Dialogs& dialogs, QWidget* parent)
    : QTableView(parent), m_cursor(cursor), m_dialogs(dialogs) {
  m_model = new TableModel(cursor, this);
  m_model->set_editable(true);
  setModel(m_model);
  setItemDelegate(new GridDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setStretchLastSection(true);
  connect(m_model, &TableModel::current_row_changed, this, &DbGrid::follow_cursor);
  // A reset (another cursor posted, a bulk operation ended) loses the view's
  // current index: put it back on the cursor's row.
  connect(m_model, &QAbstractItemModel::modelReset, this,
          [this] { follow_cursor(m_model->current_row()); });
  follow_cursor(m_model->current_row());
}

DbGrid::~DbGrid() = default;

void DbGrid::set_columns(std::vector<TableModel::Column> columns) {
  m_model->set_columns(std::move(columns));
  resizeColumnsToContents();
}

void DbGrid::set_read_only(bool on) {
  m_model->set_editable(!on);
  setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                     : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
}

void DbGrid::report() {
  if (m_model->last_error().isEmpty() || m_reporting) return;
  // The box takes the focus from the open editor, which would hand in the
  // same text once more: one box for one mistake.
  m_reporting = true;
  m_dialogs.warn(m_model->last_error().toStdString());
  m_reporting = false;
}

bool DbGrid::post() {
  if (state() == QAbstractItemView::EditingState) {
    // Take what the open editor holds before writing the row.
    if (QWidget* w = QApplication::focusWidget(); w && isAncestorOf(w)) {
      commitData(w);
      if (m_keep_editor) {
        m_keep_editor = false;
        return false;
      }
    }
  }
  if (m_model->post()) return true;
  report();
  return false;
}

void DbGrid::cancel() { m_model->cancel(); }

void DbGrid::delete_current() {
  if (!m_cursor.active() || m_model->rowCount() == 0) return;
  const int row = currentIndex().isValid() ? currentIndex().row() : m_model->current_row();
  if (row < 0) return;
  if (!m_dialogs.ask(kDeleteQuestion)) return;
  if (!m_model->remove_row(row)) report();
}

void DbGrid::append_row() {
  if (!m_model->append_row()) {
    report();
    return;
  }
  const int col = currentIndex().isValid() ? currentIndex().column() : 0;
  m_syncing = true;
  setCurrentIndex(m_model->index(m_model->insert_row(), col));
  m_syncing = false;
}

void DbGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
    delete_current();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    // Escape drops the unposted change; it never closes the grid's window.
    cancel();
    return;
  }
  if (event->key() == Qt::Key_Down && m_model->editable() && event->modifiers() == Qt::NoModifier &&
      currentIndex().row() == m_model->rowCount() - 1 && m_model->insert_row() < 0) {
    append_row();
    return;
  }
  QTableView::keyPressEvent(event);
}

void DbGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  // Focus going into the grid's own editor is no leaving.
  QWidget* to = QApplication::focusWidget();
  if (to && isAncestorOf(to)) return;
  if (m_model->pending() && state() != QAbstractItemView::EditingState) post();
}

void DbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (m_syncing || !current.isValid()) return;
  if (previous.isValid() && previous.row() == current.row()) return;
  m_syncing = true;
  const bool moved = m_model->move_to(current.row());
  m_syncing = false;
  if (!moved && !m_model->last_error().isEmpty()) {
    report();
    // The row could not be written: stay on it.
    const int back = m_model->insert_row() >= 0 ? m_model->insert_row() : m_model->current_row();
    if (back >= 0)
      QTimer::singleShot(0, this, [this, back, col = current.column()] {
        m_syncing = true;
        setCurrentIndex(m_model->index(back, col));
        m_syncing = false;
      });
  }
}

void DbGrid::follow_cursor(int row) {
  if (m_syncing) return;
  if (m_model->insert_row() >= 0) row = m_model->insert_row();
  if (row < 0 || row >= m_model->rowCount()) return;
  const int col = currentIndex().isValid() ? currentIndex().column() : 0;
  if (currentIndex().row() == row) return;
  m_syncing = true;
  setCurrentIndex(m_model->index(row, col));
  m_syncing = false;
}

void DbGrid::commitData(QWidget* editor) {
  if (m_reporting) return;
  m_model->clear_error();
  QTableView::commitData(editor);
  if (!m_model->last_error().isEmpty()) {
    m_keep_editor = true;
    report();
  }
}

void DbGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  if (m_keep_editor) {
    // The text did not convert: leave it in front of the user to correct.
    m_keep_editor = false;
    if (hint != QAbstractItemDelegate::RevertModelCache) {
      editor->setFocus();
      return;
    }
  }
  QTableView::closeEditor(editor, hint);
}

}  // namespace vmx::ui
