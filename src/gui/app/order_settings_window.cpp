#include "gui/app/order_settings_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/widgets/radio_group.h"

namespace vmx::app {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void OrderProgramList::showPopup() {
  emit opened();
  QComboBox::showPopup();
}

// The list hides before it takes the item clicked: closed() follows once it
// has, so that the choice it reports is the new one.
void OrderProgramList::hidePopup() {
  QComboBox::hidePopup();
  QMetaObject::invokeMethod(this, &OrderProgramList::closed, Qt::QueuedConnection);
}

Tform_wtset::Tform_wtset(Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_ws(workspace), m_programs(workspace.session()) {
  setObjectName("Tform_wtset");
  setWindowTitle("委托程序设置窗口");
  setModal(false);

  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("委托程软件选择：", this), 0, 0);
  m_list = new OrderProgramList(this);
  m_list->setObjectName("DBLookupComboBox1");
  m_list->setMinimumWidth(380);
  grid->addWidget(m_list, 0, 1, 1, 2);
  auto box = [&](const char* label, const char* name, int row) {
    grid->addWidget(new QLabel(label, this), row, 0);
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    grid->addWidget(e, row, 1);
    return e;
  };
  m_wtrj = box("名称：", "DBEdit1", 1);
  m_path = box("路径：", "DBEdit2", 2);
  m_name = box("程序名：", "DBEdit3", 3);
  auto* change = new QPushButton("改路径及程序", this);
  grid->addWidget(change, 2, 2, 2, 1);
  layout->addLayout(grid);

  auto* choices = new QHBoxLayout;
  const ui::RadioGroup format =
      ui::make_radio_group("数据交换文件格式", {"dbf文件格式", "自定义dat格式"}, 0, this);
  const ui::RadioGroup update =
      ui::make_radio_group("成交持仓更新方式", {"自动依次执行", "手工依次执行"}, 1, this);
  m_format = format.buttons;
  m_update = update.buttons;
  choices->addWidget(format.box);
  choices->addWidget(update.box);
  layout->addLayout(choices);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* help = new QPushButton("帮助", this);
  auto* close_button = new QPushButton("关闭", this);
  buttons->addWidget(help);
  buttons->addWidget(close_button);
  layout->addLayout(buttons);

  connect(m_list, &OrderProgramList::opened, this, [this] { DBLookupComboBox1DropDown(); });
  connect(m_list, &OrderProgramList::closed, this,
          [this] { DBLookupComboBox1CloseUp(m_list->currentIndex()); });
  connect(change, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("forwt"); });
  connect(close_button, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(m_wtrj, &QLineEdit::editingFinished, this, [this] { store_box("Wtrj", m_wtrj); });
  connect(m_path, &QLineEdit::editingFinished, this, [this] { store_box("Path", m_path); });
  connect(m_name, &QLineEdit::editingFinished, this, [this] { store_box("Name", m_name); });
  show_current();
}

Tform_wtset::~Tform_wtset() = default;

void Tform_wtset::fill_list() {
  const QSignalBlocker block(m_list);
  m_list->clear();
  store::Cursor& t = m_programs.table();
  const int wtrj = t.field_index("Wtrj"), name = t.field_index("Name"),
            path = t.field_index("Path");
  int current = -1;
  for (store::RowId id : t.rows()) {
    if (id == t.current_row()) current = m_list->count();
    const auto text = [&](int f) { return q(t.table().get(id, f).as_string()); };
    m_list->addItem(text(wtrj) + "  " + text(name) + "  " + text(path),
                    QVariant::fromValue(qulonglong(id)));
  }
  m_list->setCurrentIndex(current);
}

void Tform_wtset::show_current() {
  fill_list();
  store::Cursor& t = m_programs.table();
  const bool any = !t.empty();
  m_wtrj->setText(any ? q(t.get_string("Wtrj")) : QString());
  m_path->setText(q(m_programs.path()));
  m_name->setText(q(m_programs.name()));
}

void Tform_wtset::DBLookupComboBox1DropDown() {
  platform::run_guarded(m_ws.dialogs(), [this] { m_programs.list_opened(); });
}

void Tform_wtset::DBLookupComboBox1CloseUp(int index) {
  platform::run_guarded(m_ws.dialogs(), [&] {
    if (index >= 0 && index < m_list->count()) {
      m_programs.table().go_to_bookmark(store::RowId(m_list->itemData(index).toULongLong()));
      m_programs.list_closed();
    }
    show_current();
  });
}

void Tform_wtset::Button1Click() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    const std::optional<std::string> file =
        m_ws.dialogs().pick_file("改路径及程序", m_programs.path(), kProgramFilter);
    if (!file) return;
    const std::string refusal = m_programs.set_program(*file);
    if (!refusal.empty()) m_ws.dialogs().warn(refusal);
    show_current();
  });
}

void Tform_wtset::store_box(const char* field, QLineEdit* box) {
  platform::run_guarded(m_ws.dialogs(), [&] {
    const std::string refusal = m_programs.set_text(field, box->text().toStdString());
    if (!refusal.empty()) m_ws.dialogs().warn(refusal);
  });
  show_current();
}

void Tform_wtset::BitBtn1Click() { close(); }

void Tform_wtset::showEvent(QShowEvent* event) {
  platform::run_guarded(m_ws.dialogs(), [this] { show_current(); });
  QDialog::showEvent(event);
}

// FormClose: path.txt for the order program; the window closes either way.
void Tform_wtset::reject() {
  for (QLineEdit* e : {m_wtrj, m_path, m_name})
    if (e->isModified()) store_box(e == m_wtrj ? "Wtrj" : e == m_path ? "Path" : "Name", e);
  platform::run_guarded(m_ws.dialogs(), [this] {
    m_programs.write_path_file(m_ws.dialogs(), m_ws.login(), m_ws.clock().today());
  });
  QDialog::reject();
}

}  // namespace vmx::app
