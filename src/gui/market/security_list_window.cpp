#include "gui/market/security_list_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/platform/qt_dialogs.h"
#include "gui/widgets/db_grid.h"

namespace vmx::market {

namespace {
const char* const kPatternHint = "(*表示任意字符串)";
const char* const kAllRows = "*";
}  // namespace

const QStringList& TForm_stock::code_patterns() {
  static const QStringList list = {"*",  "0*", "00*", "05*", "07*", "08*", "1*", "2*", "3*",
                                   "4*", "5*", "6*",  "60*", "7*",  "70*", "8*", "9*", ""};
  return list;
}

TForm_stock::TForm_stock(app::Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_ws(workspace) {
  setObjectName("TForm_stock");
  setWindowTitle("股票代码窗口");
  setModal(false);
  resize(420, 520);

  // The table opens with the window, as the lookups expect it open.
  platform::run_guarded(m_ws.dialogs(), [this] { m_ws.securities().cursor(); });

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* label = new QLabel("代码限制：");
  m_filter = new QComboBox;
  m_filter->setObjectName("ComboBox1");
  m_filter->setEditable(true);
  m_filter->setInsertPolicy(QComboBox::NoInsert);
  m_filter->setCompleter(nullptr);  // a typed "6" must stay "6", not become "60*"
  m_filter->addItems(code_patterns());
  m_filter->setEditText(kAllRows);
  m_filter->setToolTip(kPatternHint);
  m_filter->setMaxVisibleItems(static_cast<int>(code_patterns().size()));
  m_filter->setMinimumWidth(90);
  label->setBuddy(m_filter);
  top->addWidget(label);
  top->addWidget(m_filter);
  top->addWidget(new QLabel(kPatternHint));
  top->addStretch(1);
  layout->addLayout(top);

  m_grid = new ui::DbGrid(m_ws.securities().cursor_as_is(), m_ws.dialogs());
  m_grid->set_columns({{"CODE", "代码"}, {"NAME", "名称"}, {"PRICE", "价格"}});
  m_grid->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(m_grid, 1);

  auto* buttons = new QHBoxLayout;
  m_insert = new QPushButton("插一行");
  m_delete = new QPushButton("删一行");
  m_help = new QPushButton("帮助");
  m_confirm_button = new QPushButton("确定退出");
  for (QPushButton* b : {m_insert, m_delete, m_help, m_confirm_button}) {
    // Enter in the grid or the filter box must not delete a row.
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  layout->addLayout(buttons);

  connect(m_filter, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { ComboBox1Change(text); });
  connect(m_insert, &QPushButton::clicked, this, [this] { insert_row(); });
  connect(m_delete, &QPushButton::clicked, this, [this] { delete_row(); });
  connect(m_help, &QPushButton::clicked, this, [this] { show_help(); });
  connect(m_confirm_button, &QPushButton::clicked, this, [this] { confirm_and_close(); });
}

TForm_stock::~TForm_stock() = default;

void TForm_stock::show_beside_trading(const QWidget* trading) {
  move(200, 30);
  platform::show_above(*this, trading);
}

void TForm_stock::ComboBox1Change(const QString& text) {
  // A row typed but not posted would vanish from under the new filter.
  if (!m_grid->post()) return;
  platform::run_guarded(m_ws.dialogs(),
                        [&] { m_ws.securities().set_code_pattern(text.toStdString()); });
}

void TForm_stock::insert_row() {
  m_grid->setFocus();
  m_grid->append_row();
}

void TForm_stock::delete_row() {
  ui::TableModel* model = m_grid->table_model();
  if (!m_grid->cursor().active() || model->rowCount() == 0) return;
  const int row =
      m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : model->current_row();
  if (row < 0) return;
  if (!model->remove_row(row)) m_ws.dialogs().error(model->last_error().toStdString());
}

void TForm_stock::confirm_and_close() {
  if (!m_grid->post()) return;
  platform::run_guarded(m_ws.dialogs(), [this] {
    store::Cursor& c = m_grid->cursor();
    if (!m_confirm || !c.active() || c.empty()) return;
    m_confirm(c.get_string("CODE"), c.get_string("NAME"), c.get_double("PRICE"));
  });
  close();
}

void TForm_stock::show_help() { m_ws.dialogs().inform(kHelpText); }

void TForm_stock::done(int result) {
  m_grid->post();
  // The box goes back to its first text without running the change handler:
  // an empty pattern would keep only rows with an empty code, while the
  // lookups that run until the window is shown again must see every row.
  {
    const QSignalBlocker quiet(m_filter);
    m_filter->setEditText(kAllRows);
  }
  platform::run_guarded(m_ws.dialogs(), [this] { m_ws.securities().clear_code_pattern(); });
  QDialog::done(result);
}

}  // namespace vmx::market
